#include "views/key_face_painter.h"

#include "theme/system_colors.h"

#include <QLinearGradient>
#include <QPainter>

#include <cmath>

QColor grey(qreal w, qreal opacity)
{
    return QColor::fromRgbF(float(w), float(w), float(w), float(opacity));
}

QLinearGradient verticalGradient(const QRectF& rect, const std::vector<QColor>& stops)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    const qsizetype n = qsizetype(stops.size());
    for (qsizetype i = 0; i < n; ++i)
        gradient.setColorAt(n == 1 ? 0 : qreal(i) / qreal(n - 1), stops[size_t(i)]);
    return gradient;
}

void paintShadow(QPainter& painter, const QPainterPath& shape, const QColor& colour, qreal radius, QPointF offset)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath moved = shape.translated(offset);
    if (radius <= 0) {
        painter.fillPath(moved, colour);
        painter.restore();
        return;
    }
    // No blur in QPainter: rings of falling opacity around a faint core.
    const int rings = int(std::ceil(radius));
    painter.fillPath(moved, withOpacity(colour, 0.5));
    painter.setBrush(Qt::NoBrush);
    for (int i = rings; i >= 1; --i) {
        painter.setPen(QPen(withOpacity(colour, 0.5 / rings), 2.0 * i));
        painter.drawPath(moved);
    }
    painter.restore();
}

void paintBevelBackground(QPainter& painter, const QRectF& rect, const BevelStyle& style)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(painter.opacity() * 0.8);
    QPainterPath plate;
    plate.addRoundedRect(rect, style.cornerRadius, style.cornerRadius);
    if (style.pressed)
        paintShadow(painter, plate, QColor::fromRgbF(0, 0, 0, 0.12f), 2, {0, 1});
    else
        paintShadow(painter, plate, QColor::fromRgbF(0, 0, 0, 0.22f), 4, {0, 3});
    painter.fillPath(plate, verticalGradient(rect, {style.top, style.bottom}));
    painter.setPen(QPen(QBrush(verticalGradient(rect, {QColor::fromRgbF(1, 1, 1, 0.45f), QColor::fromRgbF(0, 0, 0, 0.35f)})), 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(plate);
    painter.restore();
}

void applyPressedTransform(QPainter& painter, const QRectF& rect, qreal depth, qreal press)
{
    if (press <= 0)
        return;
    const QPointF centre = rect.center();
    const qreal scale = 1 - 0.03 * press;
    painter.translate(0, depth * press);
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);
}

void paintSquareLED(QPainter& painter, const QRectF& rect, bool on)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    if (on) {
        QPainterPath glow;
        glow.addRoundedRect(rect.adjusted(-1.5, -1.5, 1.5, 1.5), 2, 2);
        paintShadow(painter, glow, QColor::fromRgbF(0, 1, 0, 0.45f), 1.5, {0, 0});
    }
    const std::vector<QColor> body = on
        ? std::vector<QColor>{QColor::fromRgbF(0.45f, 1.00f, 0.45f), QColor::fromRgbF(0.05f, 0.72f, 0.12f)}
        : std::vector<QColor>{QColor::fromRgbF(0.12f, 0.22f, 0.12f), QColor::fromRgbF(0.04f, 0.10f, 0.04f)};
    painter.setBrush(verticalGradient(rect, body));
    painter.setPen(QPen(on ? QColor::fromRgbF(1, 1, 1, 0.65f) : QColor::fromRgbF(0, 0, 0, 0.35f), 1));
    painter.drawRoundedRect(rect, 2, 2);
    painter.restore();
}

void paintSquarePushFace(QPainter& painter, const QRectF& square, const PushFaceStyle& style,
                         const std::function<void(QPainter&, const QRectF& key)>& content)
{
    const qreal side = square.width();
    const qreal a = 0.05 * side;
    const qreal b = 0.10 * side;
    const qreal dy = style.capOffset.value_or(pushFaceCapOffset(style.pressed));

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(square);
    painter.setPen(Qt::NoPen);

    // Chassis.
    QLinearGradient chassis(square.topLeft(), square.bottomRight());
    chassis.setColorAt(0, style.chassisTint);
    chassis.setColorAt(0.5, grey(0.08));
    chassis.setColorAt(1, grey(0.14));
    painter.save();
    painter.setOpacity(painter.opacity() * 0.8);
    painter.fillRect(square, chassis);
    painter.restore();

    // Seam against the leading edge.
    if (style.slot != ArcadeButtonSlot::leading)
        painter.fillRect(QRectF(square.left(), square.top(), 1, side), QColor::fromRgbF(0, 0, 0, 0.35f));

    // Well with its inner shadow at the top.
    const QRectF well = square.adjusted(a, a, -a, -a);
    painter.save();
    painter.setOpacity(painter.opacity() * 0.68);
    painter.fillRect(well, verticalGradient(well, {grey(0.04), grey(0.11)}));
    painter.restore();
    const QRectF innerShadow(square.left() + a + 1, square.top() + a, side - 2 * (a + 1), 0.14 * side);
    painter.fillRect(innerShadow, verticalGradient(innerShadow, {QColor::fromRgbF(0, 0, 0, 0.45f), Qt::transparent}));

    // Cap: hard shadow, fill, rim.
    const QRectF cap = square.adjusted(b, b, -b, -b).translated(0, dy);
    QPainterPath capPath;
    capPath.addRect(cap);
    if (style.pressed)
        paintShadow(painter, capPath, QColor::fromRgbF(0, 0, 0, 0.12f), 0, {0, 1});
    else
        paintShadow(painter, capPath, QColor::fromRgbF(0, 0, 0, 0.28f), 0, {0, 3});
    painter.save();
    painter.setOpacity(painter.opacity() * 0.8);
    painter.fillRect(cap, verticalGradient(cap, style.face));
    painter.restore();
    const qreal rim = style.pressed ? 1.5 : 2;
    painter.setPen(QPen(style.pressed ? QColor::fromRgbF(0, 0, 0, 0.45f) : QColor::fromRgbF(1, 1, 1, 0.7f), rim));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(cap.adjusted(rim / 2, rim / 2, -rim / 2, -rim / 2));  // inside the outline

    // LED in the cap's top-leading corner, then the content; both travel with the cap.
    const QRectF led(square.left() + a + b, square.top() + 0.04 * side + b + dy, b, b);
    paintSquareLED(painter, led, style.ledOn);
    painter.translate(0, dy);
    content(painter, square);
    painter.restore();
}
