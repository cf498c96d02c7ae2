#include "theme/face_plate_art_overlay.h"

#include "platform/bundle_image.h"
#include "theme/drop_shadow.h"
#include "theme/emoji_text.h"
#include "theme/face_plate_patterns.h"
#include "theme/flag_washes.h"
#include "theme/outline_pen.h"
#include "theme/system_colors.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <cmath>

namespace {

using Background = FacePlateArtOverlay::Background;

// Sizes and opacities of one theme's overlay.
struct FacePlateMetrics {
    qreal heroY;            // centre emoji's vertical centre, fraction of h
    qreal emojiHeroScale;   // centre emoji's size, fraction of w; 0 = none
    qreal emojiHeroOpacity;
    qreal stickerSize;      // points
    qreal stickerOpacity;
};

FacePlateMetrics metrics(const FacePlateTheme& theme)
{
    if (theme.heroAssetName())
        return {0.5, 0, 0, 34, 0.88};
    if (FacePlateTheme::countryIds().contains(theme.id))
        return {0.40, 0.44, 0.78, 26, 0.72};
    if (theme.artFamily() != QLatin1String("generic"))
        return {0.38, 0.42, 0.80, 26, 0.72};
    for (const char* id : {"xmas", "islamic", "christian", "moon", "star"}) {
        if (theme.id == QLatin1String(id))
            return {0.38, 0.40, 0.72, 28, 0.68};
    }
    return {0.42, 0.36, 0.65, 26, 0.62};
}

struct Slot {
    qreal x, y, rotation;
};

// Top left, top right, bottom left; a fourth sticker would reuse slot 0.
constexpr Slot kSlots[] = {{0.10, 0.12, -10}, {0.90, 0.12, 10}, {0.10, 0.88, 6}};

// The pattern of a generic theme without a hero picture.
Background legacyPattern(const QString& id)
{
    const auto is = [&](const char* candidate) { return id == QLatin1String(candidate); };
    if (is("cyber") || is("gaming"))
        return Background::Grid;
    if (is("army"))
        return Background::CamoBlobs;
    if (is("xmas"))
        return Background::Christmas;
    if (is("islamic") || is("moon"))
        return Background::CrescentGlow;
    if (is("christian"))
        return Background::CrossGlow;
    if (is("star"))
        return Background::Sparkle;
    return Background::SoftNoise;
}

Background themePattern(const FacePlateTheme& theme)
{
    const QString family = theme.artFamily();
    if (family == QLatin1String("flag")) {
        return theme.id.startsWith(QLatin1String("state_")) ? Background::USStateFlagWash
                                                           : Background::CountryFlagWash;
    }
    const struct {
        const char* family;
        Background pattern;
    } families[] = {
        {"space", Background::Space},   {"zodiac", Background::Zodiac}, {"sport", Background::Sport},
        {"car", Background::Car},       {"ocean", Background::Ocean},   {"city", Background::City},
        {"fantasy", Background::Fantasy}, {"scifi", Background::SciFi}, {"africa", Background::Africa},
    };
    for (const auto& entry : families) {
        if (family == QLatin1String(entry.family))
            return entry.pattern;
    }
    return legacyPattern(theme.id);
}

void paintBackground(QPainter& painter, const QRectF& rect, const FacePlateTheme& theme, Background background)
{
    painter.save();
    switch (background) {
    case Background::HeroGradient: {
        QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
        gradient.setColorAt(0, theme.bodyTop);
        gradient.setColorAt(1, theme.bodyBottom);
        painter.fillRect(rect, gradient);
        break;
    }
    case Background::Space: SpacePattern::paint(painter, rect); break;
    case Background::USStateFlagWash: USStateFlagWash::paint(painter, rect); break;
    case Background::CountryFlagWash: CountryFlagWash{theme.id}.paint(painter, rect); break;
    case Background::Zodiac: ZodiacPattern::paint(painter, rect); break;
    case Background::Sport: SportPattern::paint(painter, rect); break;
    case Background::Car: CarPattern::paint(painter, rect); break;
    case Background::Ocean: OceanPattern::paint(painter, rect); break;
    case Background::City: CityPattern::paint(painter, rect); break;
    case Background::Fantasy: FantasyPattern::paint(painter, rect); break;
    case Background::SciFi: SciFiPattern::paint(painter, rect); break;
    case Background::Africa: AfricaPattern::paint(painter, rect); break;
    case Background::Grid:
        painter.translate(rect.topLeft());
        painter.strokePath(GridPattern{16}.path(QRectF(QPointF(0, 0), rect.size())),
                           outlinePen(withOpacity(theme.accent, 0.28), 1));
        break;
    case Background::CamoBlobs: CamoBlobs::paint(painter, rect); break;
    case Background::Christmas: ChristmasPattern::paint(painter, rect); break;
    case Background::CrescentGlow: CrescentGlow::paint(painter, rect); break;
    case Background::CrossGlow: CrossGlow::paint(painter, rect); break;
    case Background::Sparkle: SparklePattern::paint(painter, rect); break;
    case Background::SoftNoise:
        painter.setOpacity(0.14);
        SoftNoisePattern::paint(painter, rect);
        break;
    }
    painter.restore();
}

// The picture scaled to cover the frame (aspect kept, centred, cut off where
// it overflows) and multiplied over what lies beneath. Rendered apart first,
// so the picture's own shapes do not multiply against each other.
void paintHero(QPainter& painter, const QRectF& rect, const QString& name)
{
    const qreal device = std::sqrt(std::abs(painter.deviceTransform().determinant()));
    const QImage image = BundleImage::render(name, (rect.size() * (device > 0 ? device : 1.0)).toSize());
    if (image.isNull())
        return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    painter.drawImage(rect, image);
    painter.restore();
}

void paintText(QPainter& painter, const FacePlateArtOverlay::Text& text, const DropShadow* shadow)
{
    painter.save();
    painter.translate(text.centre);
    painter.rotate(text.rotation);
    EmojiText::drawCentred(painter, text.text, EmojiText::font(text.size), QPointF(0, 0), text.opacity, shadow);
    painter.restore();
}

} // namespace

FacePlateArtOverlay::Layout FacePlateArtOverlay::layout(const QSizeF& size) const
{
    const qreal w = size.width();
    const qreal h = size.height();
    const FacePlateMetrics m = metrics(theme);
    const std::optional<QString> hero = theme.heroAssetName();

    Layout layout;
    layout.background = hero ? Background::HeroGradient : themePattern(theme);
    layout.heroImage = hero;
    const std::optional<QString> centre = theme.centerHero();
    if (m.emojiHeroScale > 0 && centre && !hero)
        layout.centreEmoji = Text{*centre, {0.5 * w, m.heroY * h}, w * m.emojiHeroScale, m.emojiHeroOpacity, 0};
    const QStringList stickers = theme.stickers();
    if (FacePlateTheme::countryIds().contains(theme.id) && !stickers.isEmpty())
        layout.emblem = Text{stickers.front(), {0.5 * w, 0.22 * h}, 0.22 * w, 0.55, 0};
    const QStringList corners = theme.cornerStickers();
    for (qsizetype i = 0; i < corners.size(); ++i) {
        const Slot& slot = kSlots[i % 3];
        layout.stickers.push_back(
            Text{corners[i], {slot.x * w, slot.y * h}, m.stickerSize, m.stickerOpacity, slot.rotation});
    }
    return layout;
}

void FacePlateArtOverlay::paint(QPainter& painter, const QRectF& rect) const
{
    const Layout art = layout(rect.size());
    paintBackground(painter, rect, theme, art.background);
    if (art.heroImage)
        paintHero(painter, rect, *art.heroImage);

    painter.save();
    painter.translate(rect.topLeft());
    if (art.centreEmoji) {
        const DropShadow shadow{QColor::fromRgbF(0, 0, 0, 0.15f), 4, QPointF(0, 2)};
        paintText(painter, *art.centreEmoji, &shadow);
    }
    if (art.emblem)
        paintText(painter, *art.emblem, nullptr);
    const DropShadow stickerShadow{QColor::fromRgbF(0, 0, 0, 0.2f), 2, QPointF(0, 1)};
    for (const Text& sticker : art.stickers)
        paintText(painter, sticker, &stickerShadow);
    painter.restore();
}

void FacePlateArtOverlay::paintOverlay(QPainter& painter, const QRectF& rect, const FacePlateTheme& theme)
{
    FacePlateArtOverlay{theme}.paint(painter, rect);
}
