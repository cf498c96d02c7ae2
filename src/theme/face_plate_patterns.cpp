#include "theme/face_plate_patterns.h"

#include "theme/emoji_text.h"
#include "theme/outline_pen.h"
#include "theme/system_colors.h"

#include <QLinearGradient>
#include <QPainter>

#include <array>

namespace {

// The text styles the patterns use, in points.
constexpr qreal kLargeTitle = 34;
constexpr qreal kTitle = 28;

struct Fraction {
    qreal x, y, size;
};

// Star positions (top-left corner, as fractions) and radii.
constexpr std::array<Fraction, 15> kStars{{
    {0.08, 0.12, 2},  {0.22, 0.08, 1.5}, {0.45, 0.15, 2}, {0.68, 0.06, 1.5}, {0.85, 0.18, 2},
    {0.15, 0.35, 1.5}, {0.55, 0.28, 2}, {0.78, 0.42, 1.5}, {0.32, 0.52, 2},  {0.92, 0.55, 1.5},
    {0.12, 0.68, 2},  {0.48, 0.72, 1.5}, {0.72, 0.82, 2}, {0.28, 0.88, 1.5}, {0.58, 0.92, 2},
}};

// Building left edges and heights, as fractions of the width and height.
constexpr std::array<Fraction, 9> kBuildings{{
    {0.08, 0.35, 0}, {0.18, 0.55, 0}, {0.28, 0.42, 0}, {0.38, 0.62, 0}, {0.48, 0.38, 0},
    {0.58, 0.52, 0}, {0.68, 0.48, 0}, {0.78, 0.58, 0}, {0.88, 0.40, 0},
}};
constexpr qreal kBuildingWidth = 0.08;

QColor rgb(qreal r, qreal g, qreal b, qreal opacity = 1)
{
    return QColor::fromRgbF(float(r), float(g), float(b), float(opacity));
}

void fillGradient(QPainter& painter, const QRectF& rect, QPointF start, QPointF end, const QColor& from,
                  const QColor& to)
{
    QLinearGradient gradient(start, end);
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    painter.fillRect(rect, gradient);
}

void fillTopToBottom(QPainter& painter, const QRectF& rect, const QColor& from, const QColor& to)
{
    fillGradient(painter, rect, QPointF(rect.center().x(), rect.top()), QPointF(rect.center().x(), rect.bottom()),
                 from, to);
}

void fillDiagonal(QPainter& painter, const QRectF& rect, const QColor& from, const QColor& to)
{
    fillGradient(painter, rect, rect.topLeft(), rect.bottomRight(), from, to);
}

// Runs `draw` in the frame's own coordinates (origin at its top-left corner).
template <typename Draw>
void inFrame(QPainter& painter, const QRectF& rect, Draw draw)
{
    painter.save();
    painter.translate(rect.topLeft());
    draw();
    painter.restore();
}

// Each ellipse (in frame coordinates) as its own fill.
void fillDots(QPainter& painter, const QRectF& rect, const std::vector<QRectF>& dots, const QColor& colour)
{
    inFrame(painter, rect, [&] {
        for (const QRectF& r : dots) {
            QPainterPath dot;
            dot.addEllipse(r);
            painter.fillPath(dot, colour);
        }
    });
}

void stroke(QPainter& painter, const QPainterPath& path, const QColor& colour, qreal width)
{
    painter.strokePath(path, outlinePen(colour, width));
}

void line(QPainter& painter, QPointF from, QPointF to, const QColor& colour, qreal width)
{
    QPainterPath path(from);
    path.lineTo(to);
    stroke(painter, path, colour, width);
}

// One emoji whose box has its top-left corner at `topLeft`.
void emojiAt(QPainter& painter, const QString& text, qreal size, QPointF topLeft, qreal opacity)
{
    const QFont font = EmojiText::font(size);
    const QSizeF box = EmojiText::boxSize(text, font);
    EmojiText::drawCentred(painter, text, font, topLeft + QPointF(box.width() / 2, box.height() / 2), opacity);
}

void paintWithOpacity(QPainter& painter, qreal opacity, void (*paint)(QPainter&, const QRectF&), const QRectF& rect)
{
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    paint(painter, rect);
    painter.restore();
}

} // namespace

QPainterPath GridPattern::path(const QRectF& rect) const
{
    QPainterPath path;
    const qreal w = rect.width();
    const qreal h = rect.height();
    if (spacing <= 0)
        return path;
    for (qreal x = 0; x < w; x += spacing) {
        path.moveTo(x, 0);
        path.lineTo(x, h);
    }
    for (qreal y = 0; y < h; y += spacing) {
        path.moveTo(0, y);
        path.lineTo(w, y);
    }
    return path;
}

std::vector<QRectF> SoftNoisePattern::dots(const QSizeF& size)
{
    std::vector<QRectF> dots;
    int row = 0;
    for (qreal y = 6; y < size.height(); y += 22, ++row) {
        for (qreal x = row % 2 == 0 ? 17 : 6; x < size.width(); x += 22)
            dots.emplace_back(x, y, 4, 4);
    }
    return dots;
}

void SoftNoisePattern::paint(QPainter& painter, const QRectF& rect)
{
    fillDots(painter, rect, dots(rect.size()), systemColor(SystemColor::White, 0.10));
}

std::vector<QRectF> StarFieldDots::stars(const QSizeF& size)
{
    std::vector<QRectF> stars;
    for (const Fraction& star : kStars)
        stars.emplace_back(star.x * size.width(), star.y * size.height(), 2 * star.size, 2 * star.size);
    return stars;
}

void StarFieldDots::paint(QPainter& painter, const QRectF& rect)
{
    fillDots(painter, rect, stars(rect.size()), systemColor(SystemColor::White, 0.55));
}

std::vector<QRectF> CityPattern::buildings(const QSizeF& size)
{
    std::vector<QRectF> buildings;
    const qreal w = size.width();
    const qreal h = size.height();
    for (const Fraction& b : kBuildings)
        buildings.emplace_back(b.x * w, h - b.y * h, kBuildingWidth * w, b.y * h);
    return buildings;
}

void CityPattern::paint(QPainter& painter, const QRectF& rect)
{
    fillTopToBottom(painter, rect, rgb(0.12, 0.18, 0.35), rgb(0.75, 0.45, 0.12, 0.35));
    inFrame(painter, rect, [&] {
        for (const QRectF& r : buildings(rect.size()))
            painter.fillRect(r, systemColor(SystemColor::Black, 0.18));
    });
}

std::vector<QPainterPath> OceanPattern::waves(const QSizeF& size)
{
    std::vector<QPainterPath> waves;
    const qreal w = size.width();
    for (int i = 0; i < 4; ++i) {
        const qreal y = size.height() * (0.35 + 0.15 * i);
        QPainterPath wave(QPointF(0, y));
        wave.quadTo(QPointF(0.5 * w, y - 10), QPointF(w, y + 6));
        waves.push_back(wave);
    }
    return waves;
}

void OceanPattern::paint(QPainter& painter, const QRectF& rect)
{
    fillTopToBottom(painter, rect, rgb(0.05, 0.55, 0.85), rgb(0.02, 0.28, 0.55));
    inFrame(painter, rect, [&] {
        for (const QPainterPath& wave : waves(rect.size()))
            stroke(painter, wave, systemColor(SystemColor::White, 0.14), 2);
    });
}

std::vector<CamoBlobs::Blob> CamoBlobs::blobs(const QRectF& rect)
{
    struct Layout {
        QColor colour;
        qreal width;
        QPointF offset;
    };
    const Layout layouts[] = {
        {rgb(0.30, 0.35, 0.20, 0.32), 120, {50, -20}},
        {rgb(0.20, 0.25, 0.15, 0.28), 90, {-60, 30}},
        {rgb(0.45, 0.42, 0.28, 0.24), 140, {30, 70}},
    };
    std::vector<Blob> blobs;
    for (const Layout& layout : layouts) {
        const qreal diameter = std::max<qreal>(0, std::min(layout.width, rect.height()));
        QRectF circle(0, 0, diameter, diameter);
        circle.moveCenter(rect.center() + layout.offset);
        blobs.push_back({circle, layout.colour});
    }
    return blobs;
}

void CamoBlobs::paint(QPainter& painter, const QRectF& rect)
{
    for (const Blob& blob : blobs(rect)) {
        QPainterPath circle;
        circle.addEllipse(blob.circle);
        painter.fillPath(circle, blob.colour);
    }
}

void SpacePattern::paint(QPainter& painter, const QRectF& rect)
{
    fillTopToBottom(painter, rect, rgb(0.04, 0.04, 0.16), rgb(0.12, 0.06, 0.32));
    StarFieldDots::paint(painter, rect);
}

void ZodiacPattern::paint(QPainter& painter, const QRectF& rect)
{
    fillDiagonal(painter, rect, rgb(0.18, 0.08, 0.35), rgb(0.35, 0.15, 0.55));
    paintWithOpacity(painter, 0.35, &SparklePattern::paint, rect);
}

void SportPattern::paint(QPainter& painter, const QRectF& rect)
{
    fillTopToBottom(painter, rect, rgb(0.05, 0.45, 0.22, 0.25), systemColor(SystemColor::Clear));
    inFrame(painter, rect, [&] {
        const qreal w = rect.width();
        const qreal h = rect.height();
        line(painter, QPointF(0, 0.55 * h), QPointF(w, 0.55 * h), systemColor(SystemColor::White, 0.22), 2);
        QPainterPath centre;
        centre.addEllipse(QRectF(0.25 * w, 0.15 * h, 0.5 * w, 0.45 * h));
        stroke(painter, centre, systemColor(SystemColor::White, 0.15), 1.5);
    });
}

void CarPattern::paint(QPainter& painter, const QRectF& rect)
{
    fillDiagonal(painter, rect, systemColor(SystemColor::Black, 0.12), systemColor(SystemColor::Red, 0.10));
    inFrame(painter, rect, [&] {
        const qreal w = rect.width();
        const qreal h = rect.height();
        line(painter, QPointF(-20, 0.3 * h), QPointF(w + 20, 0.7 * h), systemColor(SystemColor::White, 0.18), 8);
        line(painter, QPointF(-20, 0.5 * h), QPointF(w + 20, 0.9 * h), systemColor(SystemColor::Yellow, 0.12), 6);
    });
}

void FantasyPattern::paint(QPainter& painter, const QRectF& rect)
{
    fillDiagonal(painter, rect, systemColor(SystemColor::Pink, 0.18), systemColor(SystemColor::Purple, 0.14));
    paintWithOpacity(painter, 0.42, &SparklePattern::paint, rect);
}

void SciFiPattern::paint(QPainter& painter, const QRectF& rect)
{
    painter.fillRect(rect, rgb(0.04, 0.12, 0.10, 0.35));
    inFrame(painter, rect, [&] {
        stroke(painter, GridPattern{18}.path(QRectF(QPointF(0, 0), rect.size())),
               systemColor(SystemColor::Green, 0.22), 1);
    });
}

void AfricaPattern::paint(QPainter& painter, const QRectF& rect)
{
    fillTopToBottom(painter, rect, rgb(0.85, 0.55, 0.12), rgb(0.05, 0.45, 0.22));
    paintWithOpacity(painter, 0.35, &CamoBlobs::paint, rect);
}

void ChristmasPattern::paint(QPainter& painter, const QRectF& rect)
{
    fillDiagonal(painter, rect, systemColor(SystemColor::White, 0.16), systemColor(SystemColor::Red, 0.12));
    const QString snow = QString::fromUtf8("❄️");
    const QString santa = QString::fromUtf8("🎅");
    const QString gift = QString::fromUtf8("🎁");
    const QRectF inner = rect.adjusted(12, 12, -12, -12);

    // Top row: one item in each top corner, centred on the row's height.
    const QSizeF snowTop = EmojiText::boxSize(snow, EmojiText::font(kLargeTitle));
    const QSizeF santaTop = EmojiText::boxSize(santa, EmojiText::font(kLargeTitle));
    const qreal topRow = std::max(snowTop.height(), santaTop.height());
    emojiAt(painter, snow, kLargeTitle, QPointF(inner.left(), inner.top() + (topRow - snowTop.height()) / 2), 0.55);
    emojiAt(painter, santa, kLargeTitle,
            QPointF(inner.right() - santaTop.width(), inner.top() + (topRow - santaTop.height()) / 2), 0.52);

    // Bottom row: left, middle (halfway between its neighbours) and right.
    const QSizeF left = EmojiText::boxSize(gift, EmojiText::font(kTitle));
    const QSizeF middle = EmojiText::boxSize(gift, EmojiText::font(kLargeTitle));
    const QSizeF right = EmojiText::boxSize(snow, EmojiText::font(kTitle));
    const qreal bottomRow = std::max({left.height(), middle.height(), right.height()});
    const qreal rowTop = inner.bottom() - bottomRow;
    const auto top = [&](const QSizeF& item) { return rowTop + (bottomRow - item.height()) / 2; };
    const qreal gapLeft = inner.left() + left.width();
    const qreal gapRight = inner.right() - right.width();
    emojiAt(painter, gift, kTitle, QPointF(inner.left(), top(left)), 0.52);
    emojiAt(painter, gift, kLargeTitle, QPointF((gapLeft + gapRight - middle.width()) / 2, top(middle)), 0.58);
    emojiAt(painter, snow, kTitle, QPointF(gapRight, top(right)), 0.48);
}

void CrescentGlow::paint(QPainter& painter, const QRectF& rect)
{
    emojiAt(painter, QString::fromUtf8("☪️"), 72, rect.topLeft() + QPointF(16, 16), 0.45);
}

void CrossGlow::paint(QPainter& painter, const QRectF& rect)
{
    EmojiText::drawCentred(painter, QString::fromUtf8("✝️"), EmojiText::font(80), rect.center(), 0.42);
}

void SparklePattern::paint(QPainter& painter, const QRectF& rect)
{
    const QString text = QString::fromUtf8("✨ ⭐ ✨");
    const QFont font = EmojiText::font(kLargeTitle);
    const QSizeF box = EmojiText::boxSize(text, font);
    EmojiText::drawCentred(painter, text, font, QPointF(rect.center().x(), rect.top() + 10 + box.height() / 2), 0.45);
}
