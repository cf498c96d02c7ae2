#include "views/bevel_button.h"

#include <QPainter>

BevelButton::BevelButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

QRectF BevelButton::plateRect() const
{
    return QRectF(rect()).adjusted(2, 1, -2, -5);
}

void BevelButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF plate = plateRect();
    applyPressedTransform(painter, plate, depth, isDown());
    paintBevelBackground(painter, plate, bevelStyle());
    paintLabel(painter, plate);
}
