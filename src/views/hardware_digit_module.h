#pragma once

#include <QChar>
#include <QColor>
#include <QPointF>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>

// The whole steps a drag of `translation` (y downward) stands for: the axis
// with the larger raw movement wins (vertical on a tie), and its distance
// counts whole `threshold`s toward zero. Up and left are positive.
int digitDragUnits(QPointF translation, qreal threshold);

// One digit of the tuner LCD: a small dark key with a seven-segment glyph
// between an up and a down arrow. A tap on an arrow reports +1 or -1; a drag
// reports the change in whole steps as it goes. It changes nothing itself.
// Drawn at 46 x 72 points and scaled with the widget's width. Main thread.
class HardwareDigitModule : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal moduleWidth = 46;
    static constexpr qreal moduleHeight = 72;
    static constexpr qreal stepThreshold = 20;
    static constexpr qreal dragMinimum = 6;

    explicit HardwareDigitModule(QChar character, QWidget* parent = nullptr);

    // A new character keeps a drag under way: the drag's own steps changed it.
    void setCharacter(QChar character);
    QChar character() const { return character_; }
    // The readable ink of the LCD face; unlit segments take 8 % of it.
    void setInk(const QColor& ink);

    bool isPressed() const { return pressed_; }
    qreal dragOffset() const { return dragOffset_; }
    int steppedUnits() const { return steppedUnits_; }
    // The glyph's vertical shift as drawn (slides back after a drag).
    qreal glyphShift() const { return shownOffset_ * 0.08; }

signals:
    void nudged(int delta);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Zone { none, up, down };

    qreal scale() const;
    QPointF toModule(QPointF widgetPos) const;
    static Zone zoneAt(QPointF modulePos);
    void tapArrow(int delta);
    void dragTo(QPointF translation);
    void endDrag();
    void setShownOffset(qreal offset);

    QChar character_;
    QColor ink_ = Qt::white;
    bool pressed_ = false;
    qreal dragOffset_ = 0;
    int steppedUnits_ = 0;
    qreal shownOffset_ = 0;

    bool tracking_ = false;
    bool dragging_ = false;
    QPointF pressPos_;
    Zone pressZone_ = Zone::none;
    QTimer tapRelease_;
    QVariantAnimation settle_;
};

// The decimal point of the tuner LCD: a glowing dot in a 14 x 72 slot, scaled
// with the widget's width. No input.
class HardwareDecimalModule : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal moduleWidth = 14;

    explicit HardwareDecimalModule(QWidget* parent = nullptr);
    void setInk(const QColor& ink);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor ink_ = Qt::white;
};
