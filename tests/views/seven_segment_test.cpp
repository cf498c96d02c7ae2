#include "views/seven_segment.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace {

using S = SevenSegment;

QString litNames(QChar c)
{
    const SegmentSet lit = activeSegments(c);
    QString names;
    for (S segment : allSevenSegments)
        if (isLit(lit, segment))
            names += QChar('a' + int(segment));
    return names;
}

TEST(SevenSegment, DigitTable)
{
    const std::pair<char, const char*> table[] = {
        {'0', "abcdef"}, {'1', "bc"},   {'2', "abdeg"},  {'3', "abcdg"},   {'4', "bcfg"},
        {'5', "acdfg"},  {'6', "acdefg"}, {'7', "abc"}, {'8', "abcdefg"}, {'9', "abcdfg"},
    };
    for (const auto& [digit, segments] : table)
        EXPECT_EQ(litNames(QChar(digit)), QString::fromLatin1(segments)) << digit;
}

TEST(SevenSegment, OtherCharactersLightNothing)
{
    for (QChar c : {QChar('-'), QChar(' '), QChar('A'), QChar('.'), QChar(0x0661)})
        EXPECT_TRUE(activeSegments(c).none()) << int(c.unicode());
}

TEST(SevenSegment, ModuleGlyphGeometry)
{
    // A module's glyph: frame 34 x 52, thickness 5 -> canvas 28.6 x 52.
    const QRectF canvas = sevenSegmentCanvas(QRectF(0, 0, 34, 52));
    EXPECT_NEAR(canvas.width(), 28.6, 1e-9);
    EXPECT_NEAR(canvas.height(), 52, 1e-9);
    EXPECT_NEAR(canvas.left(), 2.7, 1e-9);
    const std::pair<S, QRectF> expected[] = {
        {S::a, {5, 0, 16.6, 5}},    {S::b, {23.6, 7, 5, 16.5}}, {S::c, {23.6, 30.5, 5, 16.5}},
        {S::d, {5, 47, 16.6, 5}},   {S::e, {0, 30.5, 5, 16.5}}, {S::f, {0, 7, 5, 16.5}},
        {S::g, {5, 23.5, 16.6, 5}},
    };
    for (const auto& [segment, rect] : expected) {
        const QRectF got = segmentRect(segment, canvas.size(), 5);
        EXPECT_NEAR(got.x(), rect.x(), 1e-9) << int(segment);
        EXPECT_NEAR(got.y(), rect.y(), 1e-9) << int(segment);
        EXPECT_NEAR(got.width(), rect.width(), 1e-9) << int(segment);
        EXPECT_NEAR(got.height(), rect.height(), 1e-9) << int(segment);
    }
}

TEST(SevenSegment, WideSpaceFitsByHeight)
{
    const QRectF canvas = sevenSegmentCanvas(QRectF(0, 0, 100, 20));
    EXPECT_NEAR(canvas.width(), 11, 1e-9);
    EXPECT_NEAR(canvas.center().x(), 50, 1e-9);
}

TEST(SevenSegment, PaintsLitAndUnlitColours)
{
    QImage image(34, 52, QImage::Format_ARGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        paintSevenSegmentDigit(painter, image.rect(), QChar('1'), {Qt::red, Qt::blue, 5});
    }
    // The middle of b (lit) and of e (unlit).
    EXPECT_EQ(image.pixelColor(28, 15), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(5, 38), QColor(Qt::blue));
}

}  // namespace
