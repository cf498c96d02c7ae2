#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <vector>

// The frequency row of the tuner LCD: one digit module per character and one
// point module per ".", 6 points apart, shrunk to fit the width (never
// enlarged) and 72 points high. Reports a nudge as (character index, delta).
// A new text with the same shape (length and point positions) keeps the
// modules, so a drag under way survives the retune its own steps cause.
class SwipeableFrequencyLCD : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal rowHeight = 72;
    static constexpr qreal spacing = 6;

    explicit SwipeableFrequencyLCD(QWidget* parent = nullptr);

    void setFrequency(const QString& frequency);
    QString frequency() const { return frequency_; }
    void setInk(const QColor& ink);

    // Natural width of the row for a text: 46 per digit, 14 per point, 6 between.
    static qreal contentWidth(const QString& frequency);
    qreal rowScale() const;
    // The module for each character, in order (digit or point modules).
    const std::vector<QWidget*>& modules() const { return modules_; }

    QSize sizeHint() const override { return {int(contentWidth(frequency_)), int(rowHeight)}; }
    QSize minimumSizeHint() const override { return {1, int(rowHeight)}; }

signals:
    void digitNudged(int index, int delta);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuild();
    void layoutModules();

    QString frequency_;
    QColor ink_ = Qt::white;
    std::vector<QWidget*> modules_;
};
