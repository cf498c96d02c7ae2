#include "theme/drop_shadow.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

// Widths of three box blurs that together approximate a Gaussian of `sigma`.
std::array<int, 3> boxWidths(qreal sigma)
{
    const qreal ideal = std::sqrt(12 * sigma * sigma / 3 + 1);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const qreal m = std::round((12 * sigma * sigma - 3 * lower * lower - 4 * 3 * lower - 3 * 3) / (-4 * lower - 4));
    std::array<int, 3> widths{};
    for (int i = 0; i < 3; ++i)
        widths[std::size_t(i)] = i < m ? lower : upper;
    return widths;
}

// One running-sum box blur of half-width `r` along lines of premultiplied ARGB
// pixels; `step` walks a line, `lineStep` moves to the next line.
void boxBlurLines(uchar* bits, int lines, int length, qsizetype lineStep, qsizetype step, int r)
{
    if (r <= 0)
        return;
    std::vector<uchar> copy(std::size_t(length) * 4);
    const int window = 2 * r + 1;
    for (int line = 0; line < lines; ++line) {
        uchar* start = bits + line * lineStep;
        for (int i = 0; i < length; ++i)
            std::copy_n(start + i * step, 4, copy.begin() + i * 4);
        std::array<int, 4> sum{};
        // Outside the image counts as transparent.
        for (int i = 0; i <= std::min(r, length - 1); ++i) {
            for (int ch = 0; ch < 4; ++ch)
                sum[std::size_t(ch)] += copy[std::size_t(i * 4 + ch)];
        }
        for (int i = 0; i < length; ++i) {
            uchar* px = start + i * step;
            for (int ch = 0; ch < 4; ++ch)
                px[ch] = uchar((sum[std::size_t(ch)] + window / 2) / window);
            const int enter = i + r + 1;
            const int leave = i - r;
            for (int ch = 0; ch < 4; ++ch) {
                if (enter < length)
                    sum[std::size_t(ch)] += copy[std::size_t(enter * 4 + ch)];
                if (leave >= 0)
                    sum[std::size_t(ch)] -= copy[std::size_t(leave * 4 + ch)];
            }
        }
    }
}

void gaussianBlur(QImage& image, qreal sigma)
{
    if (sigma < 0.2)
        return;
    const qsizetype line = image.bytesPerLine();
    for (const int width : boxWidths(sigma)) {
        const int r = (width - 1) / 2;
        boxBlurLines(image.bits(), image.height(), image.width(), line, 4, r);
        boxBlurLines(image.bits(), image.width(), image.height(), 4, line, r);
    }
}

// Device pixels per logical unit of the painter.
qreal deviceScale(const QPainter& painter)
{
    const QTransform& t = painter.deviceTransform();
    const qreal scale = std::sqrt(std::abs(t.determinant()));
    return scale > 0 ? scale : 1.0;
}

} // namespace

void paintWithDropShadow(QPainter& painter, const QRectF& bounds, const DropShadow& shadow,
                         const std::function<void(QPainter&)>& content)
{
    const qreal scale = deviceScale(painter);
    const QRectF area = bounds.adjusted(-1, -1, 1, 1);
    const QSize pixels(int(std::ceil(area.width() * scale)), int(std::ceil(area.height() * scale)));
    if (pixels.isEmpty())
        return;

    QImage layer(pixels, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHints(painter.renderHints());
        p.scale(scale, scale);
        p.translate(-area.topLeft());
        content(p);
    }

    // The shadow gets room around the layer for the blur to spread into.
    const int margin = int(std::ceil(shadow.spread() * scale));
    QImage cast(pixels + QSize(2 * margin, 2 * margin), QImage::Format_ARGB32_Premultiplied);
    cast.fill(Qt::transparent);
    {
        QPainter p(&cast);
        p.drawImage(QPoint(margin, margin), layer);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(cast.rect(), shadow.colour);
    }
    gaussianBlur(cast, shadow.radius / 2 * scale);

    const QRectF castArea = area.adjusted(-margin / scale, -margin / scale, margin / scale, margin / scale);
    painter.drawImage(castArea.translated(shadow.offset), cast);
    painter.drawImage(QRectF(area.topLeft(), QSizeF(pixels) / scale), layer);
}
