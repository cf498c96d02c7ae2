#include "theme/themed_backgrounds.h"

#include "theme/continuous_rounded_rect.h"
#include "theme/drop_shadow.h"
#include "theme/outline_pen.h"
#include "theme/system_colors.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace {

constexpr qreal kShellRadius = 28;
constexpr qreal kShellStrokeWidth = 2.5;

DropShadow shellShadow()
{
    return {systemColor(SystemColor::Black, 0.18), 10, QPointF(0, 5)};
}

} // namespace

namespace ThemedBackgrounds {

void paintFacePlate(QPainter& painter, const QRectF& rect, const FacePlateTheme& theme, const ThemeArtPainter& artOverlay)
{
    QLinearGradient body(rect.topLeft(), rect.bottomRight());
    body.setColorAt(0, theme.bodyTop);
    body.setColorAt(1, theme.bodyBottom);
    painter.fillRect(rect, body);
    if (artOverlay) {
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
        artOverlay(painter, rect, theme);
        painter.restore();
    }
}

void paintScreen(QPainter& painter, const QRectF& rect, const FacePlateTheme& theme)
{
    painter.fillRect(rect, systemColor(SystemColor::GroupedBackground));
    QLinearGradient tint(rect.topLeft(), rect.bottomLeft());
    tint.setColorAt(0, withOpacity(theme.bodyTop, 0.35));
    tint.setColorAt(1, withOpacity(theme.bodyBottom, 0.2));
    painter.fillRect(rect, tint);
}

void paintShell(QPainter& painter, const QRectF& shellRect, const FacePlateTheme& theme)
{
    const QPainterPath shape = continuousRoundedRect(shellRect, kShellRadius);
    const qreal halfStroke = kShellStrokeWidth / 2;
    paintWithDropShadow(painter, shellRect.adjusted(-halfStroke, -halfStroke, halfStroke, halfStroke), shellShadow(),
                        [&](QPainter& p) {
                            p.setRenderHint(QPainter::Antialiasing);
                            p.fillPath(shape, systemColor(SystemColor::Black, 0.04));
                            p.strokePath(shape, outlinePen(theme.shellStroke, kShellStrokeWidth));
                        });
}

QMarginsF shellShadowMargins()
{
    const DropShadow shadow = shellShadow();
    const qreal reach = shadow.spread() + kShellStrokeWidth / 2;
    const auto side = [reach](qreal shift) { return std::max(reach + shift, kShellStrokeWidth / 2); };
    return {side(-shadow.offset.x()), side(-shadow.offset.y()), side(shadow.offset.x()), side(shadow.offset.y())};
}

} // namespace ThemedBackgrounds
