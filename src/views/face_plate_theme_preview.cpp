#include "views/face_plate_theme_preview.h"

#include "theme/continuous_rounded_rect.h"
#include "theme/emoji_text.h"
#include "theme/face_plate_art_overlay.h"
#include "theme/outline_pen.h"
#include "theme/system_colors.h"
#include "theme/theme_contrast.h"
#include "views/view_fonts.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

namespace {

constexpr qreal kBandSpacing = 8;  // between the name and the emoji
constexpr qreal kTitle3 = 20;

} // namespace

FacePlateThemePreview::FacePlateThemePreview(const FacePlateTheme& theme, bool compact, QWidget* parent)
    : ArtCacheWidget(nullptr, parent)
    , theme_(theme)
    , compact_(compact)
{
}

QSize FacePlateThemePreview::sizeHint() const
{
    return compact_ ? QSize(88, 56) : QSize(176, 112);
}

void FacePlateThemePreview::paintArt(QPainter& painter, const QRectF& rect)
{
    paint(painter, rect, theme_, compact_);
}

void FacePlateThemePreview::paint(QPainter& painter, const QRectF& rect, const FacePlateTheme& theme, bool compact)
{
    const qreal radius = cornerRadius(compact);
    const QPainterPath card = continuousRoundedRect(rect, radius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient body(rect.topLeft(), rect.bottomRight());
    body.setColorAt(0, theme.bodyTop);
    body.setColorAt(1, theme.bodyBottom);
    painter.fillPath(card, body);

    painter.save();
    painter.setClipPath(card, Qt::IntersectClip);
    FacePlateArtOverlay{theme}.paint(painter, rect);
    painter.restore();

    // Caption band along the bottom edge: name, flexible gap, emoji.
    const qreal pad = compact ? 6 : 10;
    const QFont nameFont = compact ? ViewFonts::caption2(QFont::Bold) : ViewFonts::caption(QFont::Bold);
    const QFont emojiFont = EmojiText::font(compact ? 12 : kTitle3);
    const QSizeF emoji = EmojiText::boxSize(theme.emoji, emojiFont);
    const QFontMetricsF nameMetrics(nameFont);
    const qreal bandHeight = std::max(nameMetrics.height(), emoji.height()) + 2 * pad;
    const QRectF band(rect.left(), rect.bottom() - bandHeight, rect.width(), bandHeight);
    painter.fillRect(band, withOpacity(ThemeContrast::blend(theme.bodyTop, theme.bodyBottom, 0.45), 0.55));
    const QRectF inner = band.adjusted(pad, pad, -pad, -pad);
    const qreal nameWidth = std::max<qreal>(0, inner.width() - emoji.width() - kBandSpacing);
    painter.setFont(nameFont);
    painter.setPen(theme.onBody());
    painter.drawText(QRectF(inner.left(), inner.top(), nameWidth, inner.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     nameMetrics.elidedText(theme.name, Qt::ElideRight, nameWidth));
    EmojiText::drawCentred(painter, theme.emoji, emojiFont,
                           QPointF(inner.right() - emoji.width() / 2, inner.center().y()), 1.0);

    painter.strokePath(card, outlinePen(theme.shellStroke, 1.5));
    painter.restore();
}
