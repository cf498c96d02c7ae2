#pragma once

#include <QChar>
#include <QColor>
#include <QRectF>

#include <array>
#include <bitset>

class QPainter;

// The seven bars of a digit glyph, in drawing order.
enum class SevenSegment { a, b, c, d, e, f, g };  // top, upper right, lower right, bottom, lower left, upper left, middle

inline constexpr std::array<SevenSegment, 7> allSevenSegments{
    SevenSegment::a, SevenSegment::b, SevenSegment::c, SevenSegment::d,
    SevenSegment::e, SevenSegment::f, SevenSegment::g};

using SegmentSet = std::bitset<7>;

// Lit segments of a character; anything but 0-9 lights none.
SegmentSet activeSegments(QChar character);
inline bool isLit(const SegmentSet& set, SevenSegment segment) { return set.test(size_t(segment)); }

// The glyph canvas: the largest box of width / height 0.55 centred in `offered`.
QRectF sevenSegmentCanvas(const QRectF& offered);
// One bar inside a canvas of `size`, origin top left, thickness `t`.
QRectF segmentRect(SevenSegment segment, QSizeF size, qreal t);

struct SevenSegmentStyle {
    QColor on;
    QColor off;
    qreal thickness = 5;
};

void paintSevenSegmentDigit(QPainter& painter, const QRectF& offered, QChar character, const SevenSegmentStyle& style);

// The decimal point: a 7-point dot with its glow at the top of a 7 x 13 box
// centred in `box`. The dot is always lit.
inline constexpr QSizeF sevenSegmentDecimalSize{7, 13};
void paintSevenSegmentDecimal(QPainter& painter, const QRectF& box, const QColor& on);
