#include "views/arcade_tap_key.h"

#include <QPainter>

ArcadeTapKey::ArcadeTapKey(QWidget* parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QRectF ArcadeTapKey::keySquare() const
{
    const qreal s = qMin(width(), height());
    QRectF square(0, 0, s, s);
    square.moveCenter(QRectF(rect()).center());
    return square;
}

void ArcadeTapKey::paintOverlay(QPainter&, const QRectF&) const {}

void ArcadeTapKey::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF key = keySquare();
    paintSquarePushFace(painter, key, faceStyle(isDown()),
                        [this](QPainter& p, const QRectF& square) { paintLabel(p, square); });
    paintOverlay(painter, key);
}
