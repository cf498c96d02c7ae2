#include "pcm_checks.h"
#include "services/alert_sound_synth.h"
#include "services/sfx_substitutes.h"
#include "services/synth_primitives.h"
#include "services/tovrin_voice_bus.h"

#include <gtest/gtest.h>

namespace {

TEST(SFXSubstitutes, GoldenRendersAt44100)
{
    const struct {
        SFXKind kind;
        std::size_t count;
        int peak;
        std::uint64_t hash;
    } goldens[] = {
        {SFXKind::rxOpen, 11466, 2769, 0x8b842478919816fdull},
        {SFXKind::callTone, 18522, 18879, 0xdd7d39ef9ce7305dull},
        {SFXKind::pttEnd, 8158, 13022, 0x56efa9ea4356d50dull},
    };
    for (const auto& g : goldens) {
        TovrinVoiceBus bus(TovrinBusKind::sfx);
        const auto out = Synth::finalize(SFXSubstitutes::render(g.kind, 44100), 44100, bus);
        SCOPED_TRACE(rawValue(g.kind).toStdString());
        EXPECT_EQ(out.size(), g.count);
        EXPECT_EQ(peak(out), g.peak);
        EXPECT_EQ(fnv1a(out), g.hash);
    }
    EXPECT_EQ(SFXSubstitutes::render(SFXKind::callTone, 44100), AlertSoundSynth::render(AlertSound::pager, 44100));
}

// Worked out from the squelch recipe by an independent implementation.
TEST(SFXSubstitutes, SquelchMatchesWorkedValues)
{
    const struct {
        double rate;
        std::size_t index;
        double value;
    } cases[] = {
        {44100, 100, -8.803440635756547e-05},
        {44100, 1323, 0.023157466060658938},   // burst
        {44100, 6615, -0.007886189248989973},  // rising tone
        {16000, 2400, 0.06744571387778484},
    };
    for (const auto& c : cases) {
        const auto samples = SFXSubstitutes::render(SFXKind::rxOpen, c.rate);
        ASSERT_GT(samples.size(), c.index);
        EXPECT_NEAR(samples[c.index], c.value, 1e-12) << c.rate << " #" << c.index;
    }
    EXPECT_EQ(SFXSubstitutes::render(SFXKind::rxOpen, 16000).size(), 4160u);
}

}  // namespace
