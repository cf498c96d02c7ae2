#pragma once

#include "theme/face_plate_theme.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>
#include <vector>

class QPainter;

// The decorative layer over a theme's body: a pattern or flag wash (or, for
// the six hero themes, the body gradient under a full-size picture), a large
// centre emoji, a flag emblem for country themes and small stickers near the
// top corners. Everything follows from the theme's id, emoji and colours;
// positions scale with the frame, sticker sizes stay in points. Stateless.
struct FacePlateArtOverlay {
    enum class Background {
        HeroGradient,
        Space,
        USStateFlagWash,
        CountryFlagWash,
        Zodiac,
        Sport,
        Car,
        Ocean,
        City,
        Fantasy,
        SciFi,
        Africa,
        Grid,
        CamoBlobs,
        Christmas,
        CrescentGlow,
        CrossGlow,
        Sparkle,
        SoftNoise,
    };

    // One text of the overlay: emoji centred at `centre`, `size` points,
    // turned `rotation` degrees clockwise about its centre.
    struct Text {
        QString text;
        QPointF centre;
        qreal size = 0;
        qreal opacity = 0;
        qreal rotation = 0;
    };

    // The overlay for a frame of `size`, from back to front.
    struct Layout {
        Background background = Background::SoftNoise;
        std::optional<QString> heroImage;
        std::optional<Text> centreEmoji;
        std::optional<Text> emblem;
        std::vector<Text> stickers;
    };

    FacePlateTheme theme;

    Layout layout(const QSizeF& size) const;
    void paint(QPainter& painter, const QRectF& rect) const;

    // The overlay as a face plate's art layer (a ThemeArtPainter).
    static void paintOverlay(QPainter& painter, const QRectF& rect, const FacePlateTheme& theme);
};
