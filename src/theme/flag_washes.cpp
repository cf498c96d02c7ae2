#include "theme/flag_washes.h"

#include "theme/emoji_text.h"
#include "theme/outline_pen.h"
#include "theme/system_colors.h"

#include <QLinearGradient>
#include <QPainter>

#include <array>
#include <initializer_list>

namespace {

using Layout = CountryFlagWash::Layout;
using C = SystemColor;

struct LayoutRow {
    std::initializer_list<const char*> ids;
    Layout layout;
};

// First row listing the id wins; no id stands in two rows.
const LayoutRow kLayoutRows[] = {
    {{"usa", "uk", "australia", "chile", "cuba"}, Layout::ThreeVerticalBands},
    {{"france", "italy", "ireland", "mexico", "india", "uae"}, Layout::ThreeVerticalBands},
    {{"germany", "russia", "netherlands", "colombia", "egypt"}, Layout::ThreeHorizontalBands},
    {{"ukraine"}, Layout::TwoHorizontalBands},
    {{"canada"}, Layout::MapleLeafColumns},
    {{"japan", "bangladesh"}, Layout::Disc},
    {{"brazil"}, Layout::Diamond},
    {{"china", "vietnam", "turkey"}, Layout::FieldWithStar},
    {{"pakistan", "saudi"}, Layout::PlainField},
    {{"korea", "northkorea"}, Layout::Ring},
    {{"spain", "poland", "indonesia", "singapore"}, Layout::TwoHorizontalBands},
    {{"sweden", "finland", "argentina", "israel", "greece"}, Layout::CrossOutline},
    {{"switzerland", "denmark", "norway", "iceland"}, Layout::CrossOutline},
    {{"thailand", "philippines", "malaysia", "southafrica"}, Layout::VerticalGradient},
};

struct Tricolour {
    const char* id;
    std::array<C, 3> bands;
    std::array<qreal, 3> opacity;
};

const Tricolour kTricolours[] = {
    {"france", {C::Blue, C::White, C::Red}, {0.48, 0.48, 0.48}},
    {"italy", {C::Green, C::White, C::Red}, {0.48, 0.48, 0.48}},
    {"ireland", {C::Green, C::White, C::Orange}, {0.48, 0.48, 0.48}},
    {"mexico", {C::Green, C::White, C::Red}, {0.48, 0.48, 0.48}},
    {"india", {C::Orange, C::White, C::Green}, {0.48, 0.48, 0.48}},
    {"uae", {C::Red, C::White, C::Black}, {0.42, 0.32, 0.42}},
    {"germany", {C::Black, C::Red, C::Yellow}, {0.48, 0.48, 0.48}},
    {"russia", {C::White, C::Blue, C::Red}, {0.42, 0.42, 0.42}},
    {"netherlands", {C::Red, C::White, C::Blue}, {0.48, 0.48, 0.48}},
    {"colombia", {C::Yellow, C::Blue, C::Red}, {0.48, 0.48, 0.48}},
    {"egypt", {C::Red, C::White, C::Black}, {0.42, 0.42, 0.42}},
};

bool is(const QString& id, const char* candidate)
{
    return id == QLatin1String(candidate);
}

bool isTricolour(const QString& id)
{
    for (const Tricolour& row : kTricolours) {
        if (is(id, row.id))
            return true;
    }
    return false;
}

std::array<QColor, 3> bandColours(const QString& id)
{
    if (isTricolour(id))
        return {CountryFlagWash::tricolor(0, id), CountryFlagWash::tricolor(1, id), CountryFlagWash::tricolor(2, id)};
    return {systemColor(C::Red, 0.42), systemColor(C::White, 0.38), systemColor(C::Blue, 0.42)};
}

// Bands side by side (vertical) or stacked (horizontal), touching.
template <std::size_t N>
void paintBands(QPainter& painter, const QRectF& rect, const std::array<QColor, N>& colours, Qt::Orientation bands)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (bands == Qt::Vertical) {
            const qreal w = rect.width() / N;
            painter.fillRect(QRectF(rect.left() + i * w, rect.top(), w, rect.height()), colours[i]);
        } else {
            const qreal h = rect.height() / N;
            painter.fillRect(QRectF(rect.left(), rect.top() + i * h, rect.width(), h), colours[i]);
        }
    }
}

// A circle inscribed in a centred frame `frameWidth` wide and the wash's height.
QRectF inscribedCircle(const QRectF& rect, qreal frameWidth)
{
    const qreal d = std::max<qreal>(0, std::min(frameWidth, rect.height()));
    QRectF circle(0, 0, d, d);
    circle.moveCenter(rect.center());
    return circle;
}

void paintMapleLeaf(QPainter& painter, const QRectF& rect)
{
    const qreal w = rect.width();
    const qreal side = 0.32 * w;
    painter.fillRect(QRectF(rect.left(), rect.top(), side, rect.height()), systemColor(C::Red, 0.55));
    painter.fillRect(QRectF(rect.left() + side, rect.top(), 0.36 * w, rect.height()), systemColor(C::White, 0.65));
    painter.fillRect(QRectF(rect.left() + side + 0.36 * w, rect.top(), side, rect.height()), systemColor(C::Red, 0.55));
    EmojiText::drawCentred(painter, QString::fromUtf8("🍁"), EmojiText::font(0.28 * w), rect.center(), 0.72);
}

void paintCross(QPainter& painter, const QRectF& rect, const QString& id)
{
    const bool nordicRed = is(id, "switzerland") || is(id, "denmark") || is(id, "norway") || is(id, "iceland");
    const qreal w = rect.width();
    painter.fillRect(rect, nordicRed ? systemColor(C::Red, 0.48) : systemColor(C::Blue, 0.42));
    const QPainterPath cross = CrossOverlay{nordicRed ? 0.1 : 0.12}.path(rect);
    painter.strokePath(cross, nordicRed ? outlinePen(systemColor(C::White, 0.65), 0.055 * w)
                                        : outlinePen(systemColor(C::Yellow, 0.55), 0.065 * w));
}

void paintVerticalGradient(QPainter& painter, const QRectF& rect)
{
    QLinearGradient gradient(QPointF(rect.center().x(), rect.top()), QPointF(rect.center().x(), rect.bottom()));
    gradient.setColorAt(0, systemColor(C::Red, 0.42));
    gradient.setColorAt(0.5, systemColor(C::White, 0.32));
    gradient.setColorAt(1, systemColor(C::Blue, 0.38));
    painter.fillRect(rect, gradient);
}

} // namespace

QPainterPath CrossOverlay::path(const QRectF& r) const
{
    const qreal t = arm * r.width();
    QPainterPath path;
    path.addRect(QRectF(r.center().x() - t / 2, r.top(), t, r.height()));
    path.addRect(QRectF(r.left(), r.center().y() - t / 2, r.width(), t));
    return path;
}

QPainterPath DiamondShape::path(const QRectF& r)
{
    QPainterPath path(QPointF(r.center().x(), r.top()));
    path.lineTo(r.right(), r.center().y());
    path.lineTo(r.center().x(), r.bottom());
    path.lineTo(r.left(), r.center().y());
    path.closeSubpath();
    return path;
}

void FlagStripePattern::paint(QPainter& painter, const QRectF& rect)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
    gradient.setColorAt(0, systemColor(C::Clear));
    gradient.setColorAt(0.5, systemColor(C::White, 0.14));
    gradient.setColorAt(1, systemColor(C::Clear));
    painter.fillRect(rect, gradient);
}

void USStateFlagWash::paint(QPainter& painter, const QRectF& rect)
{
    const qreal stripe = rect.height() / 7;
    for (int i = 0; i < 7; ++i) {
        painter.fillRect(QRectF(rect.left(), rect.top() + i * stripe, rect.width(), stripe),
                         i % 2 == 0 ? systemColor(C::Red, 0.22) : systemColor(C::White, 0.18));
    }
    painter.fillRect(QRectF(rect.left(), rect.top(), kBandWidth, rect.height()),
                     QColor::fromRgbF(0.12f, 0.22f, 0.55f, 0.35f));
}

CountryFlagWash::Layout CountryFlagWash::layout() const
{
    for (const LayoutRow& row : kLayoutRows) {
        for (const char* id : row.ids) {
            if (is(themeId, id))
                return row.layout;
        }
    }
    return Layout::DefaultSheen;
}

QColor CountryFlagWash::tricolor(int index, const QString& id)
{
    if (index < 0 || index > 2)
        return systemColor(C::Clear);
    for (const Tricolour& row : kTricolours) {
        if (is(id, row.id))
            return systemColor(row.bands[std::size_t(index)], row.opacity[std::size_t(index)]);
    }
    return systemColor(C::Clear);
}

void CountryFlagWash::paint(QPainter& painter, const QRectF& rect) const
{
    const qreal w = rect.width();
    painter.save();
    switch (layout()) {
    case Layout::ThreeVerticalBands:
        paintBands(painter, rect, bandColours(themeId), Qt::Vertical);
        break;
    case Layout::ThreeHorizontalBands:
        paintBands(painter, rect, bandColours(themeId), Qt::Horizontal);
        break;
    case Layout::TwoHorizontalBands:
        paintBands(painter, rect,
                   is(themeId, "ukraine")
                       ? std::array<QColor, 2>{systemColor(C::Blue, 0.48), systemColor(C::Yellow, 0.48)}
                       : std::array<QColor, 2>{systemColor(C::Red, 0.48), systemColor(C::White, 0.42)},
                   Qt::Horizontal);
        break;
    case Layout::MapleLeafColumns:
        paintMapleLeaf(painter, rect);
        break;
    case Layout::Disc: {
        painter.fillRect(rect, systemColor(C::White, 0.35));
        QPainterPath disc;
        disc.addEllipse(inscribedCircle(rect, 0.3 * w));
        painter.fillPath(disc, is(themeId, "bangladesh") ? systemColor(C::Green, 0.6) : systemColor(C::Red, 0.65));
        break;
    }
    case Layout::Diamond: {
        painter.fillRect(rect, systemColor(C::Green, 0.45));
        QRectF frame(0, 0, 0.58 * w, 0.58 * rect.height());
        frame.moveCenter(rect.center());
        painter.fillPath(DiamondShape::path(frame), systemColor(C::Yellow, 0.55));
        break;
    }
    case Layout::FieldWithStar:
        painter.fillRect(rect, systemColor(C::Red, 0.48));
        if (is(themeId, "china")) {
            EmojiText::drawCentred(painter, QString::fromUtf8("⭐"), EmojiText::font(0.14 * w),
                                   rect.center() - QPointF(0.2 * w, 0.1 * rect.height()), 0.65);
        }
        break;
    case Layout::PlainField:
        painter.fillRect(rect, QColor::fromRgbF(0.05f, 0.42f, 0.22f, 0.48f));
        break;
    case Layout::Ring: {
        painter.fillRect(rect, systemColor(C::White, 0.35));
        QPainterPath ring;
        ring.addEllipse(inscribedCircle(rect, 0.34 * w));
        painter.strokePath(ring, outlinePen(systemColor(C::Red, 0.65), 0.045 * w));
        break;
    }
    case Layout::CrossOutline:
        paintCross(painter, rect, themeId);
        break;
    case Layout::VerticalGradient:
        paintVerticalGradient(painter, rect);
        break;
    case Layout::DefaultSheen:
        FlagStripePattern::paint(painter, rect);
        break;
    }
    painter.restore();
}
