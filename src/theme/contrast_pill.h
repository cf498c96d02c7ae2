#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QWidget>

class QPainter;

// A small capsule label whose fill sits between a tint and the surface it is
// shown on, with text in whichever colour reads on that fill.
class ContrastPill : public QWidget {
    Q_OBJECT

public:
    ContrastPill(const QString& text, const QColor& tint, const QColor& surface, QWidget* parent = nullptr);

    void setText(const QString& text);
    void setColours(const QColor& tint, const QColor& surface);
    QString text() const { return text_; }

    QSize sizeHint() const override;

    // The drawing itself, for any painter: the capsule fills `rect` and the
    // text is centred in it.
    static void paint(QPainter& painter, const QRectF& rect, const QString& text, const QColor& tint,
                      const QColor& surface);
    // Text, padding and all.
    static QSizeF sizeFor(const QString& text);
    static QFont font();
    static QColor fillColour(const QColor& tint, const QColor& surface);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor tint_;
    QColor surface_;
};
