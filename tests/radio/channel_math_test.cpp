#include "models/channel_math.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr qint64 int64Max = std::numeric_limits<qint64>::max();
constexpr qint64 int64Min = std::numeric_limits<qint64>::min();

TEST(ChannelMath, DisplayOfANumber)
{
    const struct {
        qint64 n;
        const char* display;
    } cases[] = {{1, "001.001"}, {320, "001.320"}, {321, "002.001"}, {640, "002.320"}, {64000, "200.320"}};
    for (const auto& c : cases)
        EXPECT_EQ(ChannelMath::display(c.n), QString::fromUtf8(c.display)) << c.n;
}

TEST(ChannelMath, NumberFromDisplay)
{
    const struct {
        const char* text;
        std::optional<qint64> n;
    } cases[] = {
        {"001.001", 1},
        {"1.1", 1},
        {"01.0001", 1},
        {"+1.1", 1},
        {"1..1", 1},
        {".1.1", 1},
        {"1.1.", 1},
        {"001.320", 320},
        {"002.001", 321},
        {"200.320", 64000},
        {"200.321", std::nullopt},
        {"201.001", std::nullopt},
        {"000.001", std::nullopt},
        {"1.0", std::nullopt},
        {"-1.1", std::nullopt},
        {"1", std::nullopt},
        {"1.2.3", std::nullopt},
        {"", std::nullopt},
        {".", std::nullopt},
        {" 1.1", std::nullopt},
        {"1.1 ", std::nullopt},
        {"1.1a", std::nullopt},
        {"+.1", std::nullopt},
        {"1.-", std::nullopt},
        {"+-1.1", std::nullopt},
        {"\xd9\xa1.1", std::nullopt},  // ARABIC-INDIC DIGIT ONE: ASCII digits only
        {"99999999999999999999.1", std::nullopt},
        {"1.9223372036854775808", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChannelMath::number(QString::fromUtf8(c.text)), c.n) << '"' << c.text << '"';
}

TEST(ChannelMath, SnapToValid)
{
    using Snapped = ChannelMath::Snapped;
    const struct {
        const char* text;
        std::optional<Snapped> snapped;
    } cases[] = {
        {"999.999", Snapped{"200.320", 64000}},
        {"0.0", Snapped{"001.001", 1}},
        {"-5.-5", Snapped{"001.001", 1}},
        {"2.1", Snapped{"002.001", 321}},
        {"250.400", Snapped{"200.320", 64000}},
        {"000.001", Snapped{"001.001", 1}},
        {"001.321", Snapped{"001.320", 320}},
        {"9223372036854775807.-9223372036854775808", Snapped{"200.001", 63681}},
        {"abc.def", std::nullopt},
        {"12", std::nullopt},
        {"1.2.3", std::nullopt},
        {"9223372036854775808.1", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChannelMath::snapToValid(QString::fromUtf8(c.text)), c.snapped) << '"' << c.text << '"';
}

TEST(ChannelMath, StepMajor)
{
    const struct {
        qint64 n;
        qint64 delta;
        qint64 result;
    } cases[] = {
        {1, 1, 321},
        {321, -1, 1},
        {5, -1, 5},
        {63999, 1, 63999},
        {640, 1, 960},
        {640, 0, 640},
        {1, 199, 63681},
        {1, 500, 63681},
        {64000, int64Min, 320},
        {64000, int64Max, 64000},
        {int64Max, -1, 63680},
        {int64Min, 1, 321},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChannelMath::stepMajor(c.n, c.delta), c.result) << c.n << " by " << c.delta;
}

TEST(ChannelMath, NudgeDisplayCharacter)
{
    const struct {
        const char* display;
        qint64 index;
        qint64 delta;
        const char* result;
    } cases[] = {
        {"001.001", 6, 1, "001.002"},
        {"001.001", 6, -1, "001.000"},
        {"001.001", 3, 1, "001.001"},
        {"001.001", 7, 1, "001.001"},
        {"001.001", -1, 1, "001.001"},
        {"001.001", 6, 0, "001.001"},
        {"001.001", 0, 13, "301.001"},
        {"001.009", 6, 1, "001.000"},
        {"000.001", 0, -1, "900.001"},
        {"200.320", 0, 1, "300.320"},
        {"001.320", 6, 1, "001.321"},
        {"001.001", 2, -21, "000.001"},
        {"001.001", 2, int64Max, "008.001"},
        {"001.001", 2, int64Min, "003.001"},
        {"0a1.001", 1, 1, "0a1.001"},
        {"0\xd9\xa1" "1.001", 1, 2, "021.001"},  // a non-ASCII digit counts as 0
        {"0e\xcc\x81" "1.001", 2, 1, "0e\xcc\x81" "2.001"},  // é as e + combining accent is one character
        {"", 0, 1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChannelMath::nudgeDisplayCharacter(QString::fromUtf8(c.display), c.index, c.delta),
                  QString::fromUtf8(c.result))
            << '"' << c.display << "\" at " << c.index << " by " << c.delta;
}

}  // namespace
