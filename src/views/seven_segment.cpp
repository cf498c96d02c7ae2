#include "views/seven_segment.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

constexpr qreal aspect = 0.55;  // width / height

SegmentSet bits(std::initializer_list<SevenSegment> lit)
{
    SegmentSet set;
    for (SevenSegment s : lit)
        set.set(size_t(s));
    return set;
}

}  // namespace

SegmentSet activeSegments(QChar character)
{
    using S = SevenSegment;
    switch (character.unicode()) {
    case '0': return bits({S::a, S::b, S::c, S::d, S::e, S::f});
    case '1': return bits({S::b, S::c});
    case '2': return bits({S::a, S::b, S::d, S::e, S::g});
    case '3': return bits({S::a, S::b, S::c, S::d, S::g});
    case '4': return bits({S::b, S::c, S::f, S::g});
    case '5': return bits({S::a, S::c, S::d, S::f, S::g});
    case '6': return bits({S::a, S::c, S::d, S::e, S::f, S::g});
    case '7': return bits({S::a, S::b, S::c});
    case '8': return bits({S::a, S::b, S::c, S::d, S::e, S::f, S::g});
    case '9': return bits({S::a, S::b, S::c, S::d, S::f, S::g});
    default: return {};
    }
}

QRectF sevenSegmentCanvas(const QRectF& offered)
{
    QSizeF size(offered.height() * aspect, offered.height());
    if (size.width() > offered.width())
        size = QSizeF(offered.width(), offered.width() / aspect);
    QRectF canvas(QPointF(), size);
    canvas.moveCenter(offered.center());
    return canvas;
}

QRectF segmentRect(SevenSegment segment, QSizeF size, qreal t)
{
    const qreal w = size.width();
    const qreal h = size.height();
    const qreal hLen = w - 2 * t - 2;
    const qreal vLen = (h - 3 * t - 4) / 2;
    // The 2-point gaps sit on one side only (a|b, above b and f, below g).
    switch (segment) {
    case SevenSegment::a: return {t, 0, hLen, t};
    case SevenSegment::b: return {w - t, t + 2, t, vLen};
    case SevenSegment::c: return {w - t, 2 * t + 4 + vLen, t, vLen};
    case SevenSegment::d: return {t, h - t, hLen, t};
    case SevenSegment::e: return {0, 2 * t + 4 + vLen, t, vLen};
    case SevenSegment::f: return {0, t + 2, t, vLen};
    case SevenSegment::g: return {t, (h - t) / 2, hLen, t};
    }
    return {};
}

void paintSevenSegmentDigit(QPainter& painter, const QRectF& offered, QChar character, const SevenSegmentStyle& style)
{
    const QRectF canvas = sevenSegmentCanvas(offered);
    const SegmentSet lit = activeSegments(character);
    const qreal corner = style.thickness / 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (SevenSegment segment : allSevenSegments) {
        painter.setBrush(isLit(lit, segment) ? style.on : style.off);
        painter.drawRoundedRect(segmentRect(segment, canvas.size(), style.thickness).translated(canvas.topLeft()), corner, corner);
    }
    painter.restore();
}

void paintSevenSegmentDecimal(QPainter& painter, const QRectF& box, const QColor& on)
{
    QRectF frame(QPointF(), sevenSegmentDecimalSize);
    frame.moveCenter(box.center());
    const QRectF dot(frame.topLeft(), QSizeF(7, 7));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // Glow: the dot's colour at 0.6, fading out over 3 points.
    QColor glow = on;
    glow.setAlphaF(on.alphaF() * 0.6f);
    QColor clear = glow;
    clear.setAlphaF(0);
    QRadialGradient halo(dot.center(), 3.5 + 3);
    halo.setColorAt(0, glow);
    halo.setColorAt(3.5 / 6.5, glow);
    halo.setColorAt(1, clear);
    painter.setBrush(halo);
    painter.drawEllipse(dot.center(), 6.5, 6.5);
    painter.setBrush(on);
    painter.drawEllipse(dot);
    painter.restore();
}
