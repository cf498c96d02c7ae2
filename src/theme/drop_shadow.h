#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>

#include <functional>

class QPainter;

// A shadow cast by drawn content: the content's own shape (its opacity),
// tinted with `colour`, blurred by `radius` and moved by `offset`, all in the
// painter's logical units.
struct DropShadow {
    QColor colour;
    qreal radius = 0;
    QPointF offset;

    // How far the blur spreads beyond the shadow's shape, before the offset.
    qreal spread() const { return 1.5 * radius; }
};

// Draws `content` (which must stay within `bounds`) over its shadow. The
// content is rendered once into an offscreen layer at the painter's device
// resolution; the blur is Gaussian with a standard deviation of half the
// radius.
void paintWithDropShadow(QPainter& painter, const QRectF& bounds, const DropShadow& shadow,
                         const std::function<void(QPainter&)>& content);
