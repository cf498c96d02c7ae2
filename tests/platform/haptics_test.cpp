#include "platform/tovrin_haptics.h"

#include <gtest/gtest.h>

namespace {

using Kind = HapticEvent::Kind;

TEST(TovrinHaptics, FirstCueCreatesItsGeneratorAndLaterCuesReuseIt)
{
    HapticLog::clear();
    TovrinHaptics::soft();
    TovrinHaptics::soft();
    const auto events = HapticLog::events();
    // Each test process is fresh: the soft generator is created by the first cue only.
    const std::vector<HapticEvent> expected = {
        {ImpactStyle::Soft, Kind::Created},  {ImpactStyle::Soft, Kind::Prepared},
        {ImpactStyle::Soft, Kind::Impact, 1.0}, {ImpactStyle::Soft, Kind::Prepared},
        {ImpactStyle::Soft, Kind::Impact, 1.0},
    };
    EXPECT_EQ(events, expected);
    EXPECT_EQ(&TovrinHaptics::softGen(), &TovrinHaptics::softGen());
}

TEST(TovrinHaptics, EachCuePreparesThenFiresItsOwnStyle)
{
    const struct {
        void (*cue)();
        ImpactStyle style;
    } cases[] = {
        {TovrinHaptics::light, ImpactStyle::Light},
        {TovrinHaptics::medium, ImpactStyle::Medium},
        {TovrinHaptics::rigid, ImpactStyle::Rigid},
        {TovrinHaptics::soft, ImpactStyle::Soft},
    };
    for (const auto& c : cases) {
        c.cue();  // creates the generator if this is its first use
        HapticLog::clear();
        c.cue();
        const std::vector<HapticEvent> expected = {{c.style, Kind::Prepared}, {c.style, Kind::Impact, 1.0}};
        EXPECT_EQ(HapticLog::events(), expected);
    }
}

TEST(TovrinHaptics, SplitAndIntensityFormsAreRecordedAsCalled)
{
    TovrinHaptics::mediumGen();
    TovrinHaptics::lightGen();
    HapticLog::clear();
    TovrinHaptics::mediumGen().prepare();
    TovrinHaptics::lightGen().impactOccurred();
    TovrinHaptics::lightGen().prepare();
    TovrinHaptics::lightGen().impactOccurred(0.72);
    const std::vector<HapticEvent> expected = {
        {ImpactStyle::Medium, Kind::Prepared},
        {ImpactStyle::Light, Kind::Impact, 1.0},
        {ImpactStyle::Light, Kind::Prepared},
        {ImpactStyle::Light, Kind::Impact, 0.72},
    };
    EXPECT_EQ(HapticLog::events(), expected);
}

}  // namespace
