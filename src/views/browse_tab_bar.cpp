#include "views/browse_tab_bar.h"

#include "theme/continuous_rounded_rect.h"
#include "theme/drop_shadow.h"
#include "theme/system_colors.h"
#include "views/view_fonts.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int kInset = 3;
constexpr int kGap = 2;
constexpr int kSegmentPaddingY = 7;
constexpr qreal kFontSize = 11;
constexpr qreal kMinimumScale = 0.7;
const DropShadow kSelectedShadow{QColor(0, 0, 0, 15), 1, QPointF(0, 1)};

QFont segmentFont()
{
    return ViewFonts::font(kFontSize, QFont::DemiBold);
}

}  // namespace

BrowseTabBar::BrowseTabBar(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void BrowseTabBar::setSelected(BrowseTab tab)
{
    if (tab == selected_)
        return;
    selected_ = tab;
    update();
}

QSize BrowseTabBar::sizeHint() const
{
    const QFontMetricsF metrics(segmentFont());
    return QSize(320, int(std::ceil(metrics.height())) + 2 * kSegmentPaddingY + 2 * kInset);
}

QRect BrowseTabBar::segmentRect(BrowseTab tab) const
{
    const int count = int(allCases<BrowseTab>().size());
    const int inner = width() - 2 * kInset - (count - 1) * kGap;
    const int index = int(tab);
    const int left = kInset + (inner * index) / count + index * kGap;
    const int right = kInset + (inner * (index + 1)) / count + index * kGap;
    return QRect(left, kInset, right - left, height() - 2 * kInset);
}

void BrowseTabBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(continuousRoundedRect(rect(), 8), systemColor(SystemColor::TertiarySystemFill));

    for (const BrowseTab tab : allCases<BrowseTab>()) {
        const QRectF segment = segmentRect(tab);
        const bool isSelected = tab == selected_;
        if (isSelected) {
            const QPainterPath shape = continuousRoundedRect(segment, 6);
            paintWithDropShadow(painter, segment.adjusted(-3, -3, 3, 4), kSelectedShadow, [&](QPainter& p) {
                p.setRenderHint(QPainter::Antialiasing);
                p.fillPath(shape, systemColor(SystemColor::SystemBackground));
            });
        }
        // One line, shrunk down to 70 % when the label does not fit.
        QFont font = segmentFont();
        const QString label = rawValue(tab);
        const qreal natural = QFontMetricsF(font).horizontalAdvance(label);
        if (natural > segment.width() - 4)
            font.setPixelSize(qMax(1, qRound(kFontSize * qMax(kMinimumScale, (segment.width() - 4) / natural))));
        painter.setFont(font);
        painter.setPen(isSelected ? systemColor(SystemColor::Label) : systemColor(SystemColor::SecondaryLabel));
        painter.drawText(segment, Qt::AlignCenter | Qt::TextSingleLine, label);
    }
}

void BrowseTabBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    for (const BrowseTab tab : allCases<BrowseTab>()) {
        if (segmentRect(tab).contains(event->position().toPoint())) {
            Q_EMIT tabTapped(tab);
            return;
        }
    }
}
