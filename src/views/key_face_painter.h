#pragma once

#include <QColor>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRectF>

#include <functional>
#include <optional>
#include <vector>

class QPainter;

// Shared drawing of the radio face's keys: the bevelled plates of the tuner and
// join keys, and the square arcade keys of the action strip. Fixed colours; the
// face-plate theme does not reach them.

// Position of a key in the action strip; only the leading key has no seam.
enum class ArcadeButtonSlot { leading, middle, trailing };

// An sRGB grey of white level w.
QColor grey(qreal w, qreal opacity = 1);

// A top-to-bottom gradient through evenly spaced stops.
QLinearGradient verticalGradient(const QRectF& rect, const std::vector<QColor>& stops);

// A shadow of `shape` moved by `offset` and spread over `radius` points.
void paintShadow(QPainter& painter, const QPainterPath& shape, const QColor& colour, qreal radius, QPointF offset);

// A rounded, bevelled plate: gradient fill, light-to-dark rim, drop shadow, the
// whole at opacity 0.8.
struct BevelStyle {
    QColor top;
    QColor bottom;
    qreal cornerRadius = 12;
    bool pressed = false;  // only the shadow changes
};
void paintBevelBackground(QPainter& painter, const QRectF& rect, const BevelStyle& style);

// The 3D press of a label: down by `depth` and shrunk to 0.97 about the centre
// when `press` is 1, at rest when 0 (values between while it animates).
void applyPressedTransform(QPainter& painter, const QRectF& rect, qreal depth, qreal press);
inline constexpr int pressAnimationMs = 70;

// The small square LED of a push face, `rect` being its body.
void paintSquareLED(QPainter& painter, const QRectF& rect, bool on);

struct PushFaceStyle {
    std::vector<QColor> face;  // cap gradient, top to bottom
    QColor chassisTint;
    bool ledOn = false;
    ArcadeButtonSlot slot = ArcadeButtonSlot::leading;
    bool pressed = false;
    // Where the cap is while it moves; the rest or pressed position otherwise.
    std::optional<qreal> capOffset;
};

// Vertical travel of the cap: 3 points down while pressed, 5 up at rest.
inline qreal pushFaceCapOffset(bool pressed) { return pressed ? 3 : -5; }

// The square arcade key: chassis, seam, recessed well, cap with rim, hard
// shadow and LED. `content` paints the label centred on the cap; the painter
// is already moved with the cap. Clipped to `square`.
void paintSquarePushFace(QPainter& painter, const QRectF& square, const PushFaceStyle& style,
                         const std::function<void(QPainter&, const QRectF& key)>& content);
