#include "views/bevel_button.h"

#include <QPainter>

BevelButton::BevelButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    press_.setDuration(pressAnimationMs);
    press_.setEasingCurve(QEasingCurve::OutQuad);
    connect(&press_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        pressProgress_ = value.toReal();
        update();
    });
    connect(this, &QAbstractButton::pressed, this, [this] { animatePress(1); });
    connect(this, &QAbstractButton::released, this, [this] { animatePress(0); });
}

void BevelButton::animatePress(qreal to)
{
    press_.stop();
    press_.setStartValue(pressProgress_);
    press_.setEndValue(to);
    press_.start();
}

QRectF BevelButton::plateRect() const
{
    return QRectF(rect()).adjusted(2, 1, -2, -5);
}

void BevelButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF plate = plateRect();
    applyPressedTransform(painter, plate, depth, pressProgress_);
    paintBevelBackground(painter, plate, bevelStyle());
    paintLabel(painter, plate);
}
