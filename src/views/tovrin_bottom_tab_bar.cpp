#include "views/tovrin_bottom_tab_bar.h"

#include "platform/symbol_image.h"
#include "theme/system_colors.h"
#include "views/view_fonts.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

// Geometry and colours of the bar, in points.
struct TabBarStyle {
    static constexpr qreal outerSide = 20;
    static constexpr qreal outerBottom = 6;
    static constexpr qreal outerTop = 2;
    static constexpr qreal innerInset = 6;
    static constexpr qreal buttonVertical = 7;
    static constexpr qreal symbolSize = 18;
    static constexpr qreal captionSize = 10;
    static constexpr qreal symbolCaptionSpacing = 3;
    static inline const QColor capsule = QColor::fromRgbF(0.94f, 0.91f, 0.84f, 0.96f);
    static inline const QColor shadow = QColor::fromRgbF(0, 0, 0, 0.18f);
    static constexpr qreal shadowRadius = 12;
    static constexpr qreal shadowOffsetY = 4;
    static inline const QColor selectedPill = QColor::fromRgbF(1, 1, 1, 0.55f);
    static inline const QColor unselectedInk = QColor::fromRgbF(0, 0, 0, 0.82f);
};

}  // namespace

namespace TovrinTabs {

std::optional<TovrinTab> fromRaw(int raw)
{
    if (raw < 0 || raw > 2)
        return std::nullopt;
    return TovrinTab(raw);
}

QString caption(TovrinTab tab)
{
    switch (tab) {
    case TovrinTab::radio: return QStringLiteral("Radio");
    case TovrinTab::browse: return QStringLiteral("Browse");
    case TovrinTab::settings: return QStringLiteral("Settings");
    }
    return {};
}

QString symbol(TovrinTab tab)
{
    switch (tab) {
    case TovrinTab::radio: return QStringLiteral("dot.radiowaves.left.and.right");
    case TovrinTab::browse: return QStringLiteral("list.bullet");
    case TovrinTab::settings: return QStringLiteral("gearshape.fill");
    }
    return {};
}

}  // namespace TovrinTabs

TovrinBottomTabBar::TovrinBottomTabBar(QWidget* parent) : QWidget(parent), accent_(systemColor(SystemColor::Blue))
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void TovrinBottomTabBar::setSelection(int selection)
{
    if (selection == selection_)
        return;
    selection_ = selection;
    update();
}

void TovrinBottomTabBar::setAccent(const QColor& accent)
{
    if (accent == accent_)
        return;
    accent_ = accent;
    update();
}

QSize TovrinBottomTabBar::sizeHint() const
{
    const qreal content = TabBarStyle::symbolSize + TabBarStyle::symbolCaptionSpacing + TabBarStyle::captionSize + 4
                          + 2 * TabBarStyle::buttonVertical;
    const qreal height = content + 2 * TabBarStyle::innerInset + TabBarStyle::outerTop + TabBarStyle::outerBottom;
    return QSize(402, qCeil(height));
}

QRectF TovrinBottomTabBar::capsuleRect() const
{
    return QRectF(rect()).adjusted(TabBarStyle::outerSide, TabBarStyle::outerTop, -TabBarStyle::outerSide,
                                   -TabBarStyle::outerBottom);
}

QRectF TovrinBottomTabBar::buttonRect(TovrinTab tab) const
{
    const QRectF inner = capsuleRect().adjusted(TabBarStyle::innerInset, TabBarStyle::innerInset,
                                                -TabBarStyle::innerInset, -TabBarStyle::innerInset);
    const qreal width = inner.width() / 3.0;
    return QRectF(inner.left() + width * int(tab), inner.top(), width, inner.height());
}

void TovrinBottomTabBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    const QRectF capsule = capsuleRect();
    // A soft shadow: a few widening, fading copies below the capsule.
    constexpr int shadowSteps = 6;
    QColor shade = TabBarStyle::shadow;
    shade.setAlphaF(TabBarStyle::shadow.alphaF() / shadowSteps);
    painter.setBrush(shade);
    for (int step = 1; step <= shadowSteps; ++step) {
        const qreal spread = TabBarStyle::shadowRadius * step / (3.0 * shadowSteps);
        const QRectF r = capsule.translated(0, TabBarStyle::shadowOffsetY).adjusted(-spread, -spread, spread, spread);
        painter.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    }
    painter.setBrush(TabBarStyle::capsule);
    painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);

    const QFont font = ViewFonts::font(TabBarStyle::captionSize, QFont::DemiBold);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    for (TovrinTab tab : TovrinTabs::all) {
        const QRectF button = buttonRect(tab);
        const bool selected = selection_ == int(tab);
        if (selected) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(TabBarStyle::selectedPill);
            painter.drawRoundedRect(button, button.height() / 2, button.height() / 2);
        }
        const QColor ink = selected ? accent_ : TabBarStyle::unselectedInk;
        const qreal stackHeight = TabBarStyle::symbolSize + TabBarStyle::symbolCaptionSpacing + metrics.height();
        const qreal top = button.center().y() - stackHeight / 2;
        const QPixmap icon = SymbolImage::render(TovrinTabs::symbol(tab), TabBarStyle::symbolSize, ink, devicePixelRatioF());
        painter.drawPixmap(QPointF(button.center().x() - TabBarStyle::symbolSize / 2, top), icon);
        painter.setPen(ink);
        const QRectF captionRect(button.left(), top + TabBarStyle::symbolSize + TabBarStyle::symbolCaptionSpacing,
                                 button.width(), metrics.height());
        painter.drawText(captionRect, Qt::AlignHCenter | Qt::AlignTop, TovrinTabs::caption(tab));
    }
}

void TovrinBottomTabBar::mouseReleaseEvent(QMouseEvent* event)
{
    for (TovrinTab tab : TovrinTabs::all) {
        if (buttonRect(tab).contains(event->position())) {
            Q_EMIT tabTapped(int(tab));
            return;
        }
    }
}
