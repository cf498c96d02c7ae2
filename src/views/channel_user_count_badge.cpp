#include "views/channel_user_count_badge.h"

#include "platform/symbol_image.h"
#include "theme/continuous_rounded_rect.h"
#include "theme/system_colors.h"
#include "theme/theme_contrast.h"
#include "views/view_fonts.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {

constexpr qreal kPaddingX = 8;
constexpr qreal kPaddingY = 4;
constexpr qreal kSymbolGap = 4;

}  // namespace

ChannelUserCountBadge::ChannelUserCountBadge(qint64 count, const QColor& accent, const QColor& surface,
                                             QWidget* parent)
    : QWidget(parent), count_(count), accent_(accent), surface_(surface)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text(count_));
}

void ChannelUserCountBadge::setValues(qint64 count, const QColor& accent, const QColor& surface)
{
    if (count == count_ && accent == accent_ && surface == surface_)
        return;
    count_ = count;
    accent_ = accent;
    surface_ = surface;
    setAccessibleName(text(count_));
    updateGeometry();
    update();
}

QString ChannelUserCountBadge::text(qint64 count)
{
    return count == 1 ? QStringLiteral("1 user") : QString::number(count) + QStringLiteral(" users");
}

QString ChannelUserCountBadge::symbolName(qint64 count)
{
    return count > 0 ? QStringLiteral("person.2.fill") : QStringLiteral("person.2");
}

QColor ChannelUserCountBadge::fillColour(qint64 count, const QColor& accent, const QColor& surface)
{
    const QColor base = count > 0 ? accent : systemColor(SystemColor::SecondaryLabel);
    return ThemeContrast::blend(base, surface, 0.68);
}

QColor ChannelUserCountBadge::textColour(qint64 count, const QColor& accent, const QColor& surface)
{
    return ThemeContrast::readable(fillColour(count, accent, surface), count == 0);
}

QFont ChannelUserCountBadge::font()
{
    return ViewFonts::caption(QFont::DemiBold);
}

QSize ChannelUserCountBadge::sizeHint() const
{
    const QFontMetricsF metrics(font());
    const qreal symbol = metrics.height();
    return QSize(int(std::ceil(symbol + kSymbolGap + metrics.horizontalAdvance(text(count_)) + 2 * kPaddingX)),
                 int(std::ceil(metrics.height() + 2 * kPaddingY)));
}

void ChannelUserCountBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(fillColour(count_, accent_, surface_));
    painter.drawPath(continuousCapsule(bounds));

    const QColor ink = textColour(count_, accent_, surface_);
    const QFontMetricsF metrics(font());
    const qreal symbol = metrics.height();
    const QRectF symbolRect(kPaddingX, (bounds.height() - symbol) / 2, symbol, symbol);
    painter.drawPixmap(symbolRect.topLeft(),
                       SymbolImage::render(symbolName(count_), symbol, ink, devicePixelRatioF()));
    painter.setFont(font());
    painter.setPen(ink);
    painter.drawText(bounds.adjusted(kPaddingX + symbol + kSymbolGap, 0, -kPaddingX, 0),
                     Qt::AlignVCenter | Qt::AlignLeft, text(count_));
}
