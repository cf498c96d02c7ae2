#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRectF>
#include <QSizeF>

#include <vector>

class QPainter;

// The decorative patterns the art overlay lays over a face plate without a
// hero picture. Each fills the frame it is given, takes nothing from the
// theme (colours are fixed; the grid's caller picks its spacing and colour),
// and draws the same picture for the same frame every time. The geometry
// functions give the elements a pattern draws, in drawing order.

// A grid of lines `spacing` points apart from the frame's top-left corner,
// never on the right or bottom edge; the caller strokes it. spacing > 0.
struct GridPattern {
    qreal spacing;
    QPainterPath path(const QRectF& rect) const;
};

// Dots on a 22-point lattice, every other row shifted by 11.
struct SoftNoisePattern {
    static std::vector<QRectF> dots(const QSizeF& size);
    static void paint(QPainter& painter, const QRectF& rect);
};

// Fifteen small stars at fixed fractions of the frame.
struct StarFieldDots {
    static std::vector<QRectF> stars(const QSizeF& size);
    static void paint(QPainter& painter, const QRectF& rect);
};

// Nine buildings standing on the bottom edge.
struct CityPattern {
    static std::vector<QRectF> buildings(const QSizeF& size);
    static void paint(QPainter& painter, const QRectF& rect);
};

// Four waves across the frame.
struct OceanPattern {
    static std::vector<QPainterPath> waves(const QSizeF& size);
    static void paint(QPainter& painter, const QRectF& rect);
};

// Three translucent circles at fixed offsets from the centre; their
// diameters are fixed widths capped by the frame's height.
struct CamoBlobs {
    struct Blob {
        QRectF circle;
        QColor colour;
    };
    static std::vector<Blob> blobs(const QRectF& rect);
    static void paint(QPainter& painter, const QRectF& rect);
};

struct SpacePattern {
    static void paint(QPainter& painter, const QRectF& rect);
};
struct ZodiacPattern {
    static void paint(QPainter& painter, const QRectF& rect);
};
struct SportPattern {
    static void paint(QPainter& painter, const QRectF& rect);
};
struct CarPattern {
    static void paint(QPainter& painter, const QRectF& rect);
};
struct FantasyPattern {
    static void paint(QPainter& painter, const QRectF& rect);
};
struct SciFiPattern {
    static void paint(QPainter& painter, const QRectF& rect);
};
struct AfricaPattern {
    static void paint(QPainter& painter, const QRectF& rect);
};
struct ChristmasPattern {
    static void paint(QPainter& painter, const QRectF& rect);
};
struct CrescentGlow {
    static void paint(QPainter& painter, const QRectF& rect);
};
struct CrossGlow {
    static void paint(QPainter& painter, const QRectF& rect);
};
struct SparklePattern {
    static void paint(QPainter& painter, const QRectF& rect);
};
