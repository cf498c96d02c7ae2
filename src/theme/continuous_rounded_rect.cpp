#include "theme/continuous_rounded_rect.h"

#include <algorithm>

namespace {

// Reach of a continuous corner along each edge, in radii, and the Bézier
// offsets of its three segments (one corner, measured from the corner point).
constexpr qreal kReach = 1.52866483;
constexpr qreal kC1 = 1.08849323;
constexpr qreal kC2 = 0.86840689;
constexpr qreal kJoinAlong = 0.63149399;
constexpr qreal kJoinAcross = 0.07491100;
constexpr qreal kMidAlong = 0.37282392;
constexpr qreal kMidAcross = 0.16905899;

// Adds one corner running from the edge point along `along` to the edge point
// along `across`; `corner` is the rectangle's corner, `u` and `v` unit vectors
// pointing from the corner back along the incoming and outgoing edges.
void addCorner(QPainterPath& path, QPointF corner, QPointF u, QPointF v, qreal r)
{
    const auto at = [&](qreal alongU, qreal alongV) { return corner + u * (alongU * r) + v * (alongV * r); };
    path.cubicTo(at(kC1, 0), at(kC2, 0), at(kJoinAlong, kJoinAcross));
    path.cubicTo(at(kMidAlong, kMidAcross), at(kMidAcross, kMidAlong), at(kJoinAcross, kJoinAlong));
    path.cubicTo(at(0, kC2), at(0, kC1), at(0, kReach));
}

} // namespace

QPainterPath continuousRoundedRect(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    const QRectF r = rect.normalized();
    const qreal shorter = std::min(r.width(), r.height());
    if (radius <= 0 || shorter <= 0) {
        path.addRect(r);
        return path;
    }
    if (radius * kReach > shorter / 2) {
        const qreal arc = std::min(radius, shorter / 2);
        path.addRoundedRect(r, arc, arc);
        return path;
    }
    const qreal e = radius * kReach;
    path.moveTo(r.left() + e, r.top());
    path.lineTo(r.right() - e, r.top());
    addCorner(path, r.topRight(), QPointF(-1, 0), QPointF(0, 1), radius);
    path.lineTo(r.right(), r.bottom() - e);
    addCorner(path, r.bottomRight(), QPointF(0, -1), QPointF(-1, 0), radius);
    path.lineTo(r.left() + e, r.bottom());
    addCorner(path, r.bottomLeft(), QPointF(1, 0), QPointF(0, -1), radius);
    path.lineTo(r.left(), r.top() + e);
    addCorner(path, r.topLeft(), QPointF(0, 1), QPointF(1, 0), radius);
    path.closeSubpath();
    return path;
}

QPainterPath continuousCapsule(const QRectF& rect)
{
    const QRectF r = rect.normalized();
    return continuousRoundedRect(r, std::min(r.width(), r.height()) / 2);
}
