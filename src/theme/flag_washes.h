#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRectF>
#include <QString>

class QPainter;

// Translucent impressions of a flag's colours that the art overlay lays over
// the body of the country and US-state themes: a few bands, a disc, a
// diamond, a ring, a cross outline or a gradient. Not faithful flags; several
// countries share a layout. Each fills the frame it is given and draws the
// same picture for the same id and frame every time.

// Two bars of thickness arm × width crossing at the centre, outlined in full
// (the caller strokes it): the vertical bar first, then the horizontal one.
struct CrossOverlay {
    qreal arm;
    QPainterPath path(const QRectF& rect) const;
};

// The rhombus through the midpoints of the rectangle's edges.
struct DiamondShape {
    static QPainterPath path(const QRectF& rect);
};

// One soft diagonal highlight: the wash of a country without a layout.
struct FlagStripePattern {
    static void paint(QPainter& painter, const QRectF& rect);
};

// Seven red and white stripes under a fixed 90-point blue band along the
// left edge; the same for every state.
struct USStateFlagWash {
    static constexpr qreal kBandWidth = 90;
    static void paint(QPainter& painter, const QRectF& rect);
};

struct CountryFlagWash {
    enum class Layout {
        ThreeVerticalBands,
        ThreeHorizontalBands,
        TwoHorizontalBands,
        MapleLeafColumns,
        Disc,
        Diamond,
        FieldWithStar,
        PlainField,
        Ring,
        CrossOutline,
        VerticalGradient,
        DefaultSheen,
    };

    QString themeId;

    // Chosen by exact id; any id without a layout gets the default sheen.
    Layout layout() const;
    // Band `index` (0–2, first at the left or top) of a tricolour flag.
    static QColor tricolor(int index, const QString& id);
    void paint(QPainter& painter, const QRectF& rect) const;
};
