#pragma once

#include <QPainterPath>
#include <QRectF>

// Rounded rectangles whose corners ease into the straight edges (curvature
// grows smoothly instead of jumping at the tangent point), the corner style
// every face-plate surface uses. Each corner reaches about 1.53 × radius along
// its edges; where the rectangle is too small for that, the corner falls back
// to a circular arc with the radius clamped to half the shorter side.
QPainterPath continuousRoundedRect(const QRectF& rect, qreal radius);

// A capsule (radius half the shorter side) with the same fallback.
QPainterPath continuousCapsule(const QRectF& rect);
