#include "services/biquad.h"
#include "services/tovrin_audio_pipeline.h"
#include "services/tovrin_voice_bus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <thread>

namespace {

struct Coefficients {
    double b0, b1, b2, a1, a2;
};

void expectCoefficients(const Biquad& f, const Coefficients& c, const char* what)
{
    SCOPED_TRACE(what);
    EXPECT_NEAR(f.b0, c.b0, 1e-15);
    EXPECT_NEAR(f.b1, c.b1, 1e-15);
    EXPECT_NEAR(f.b2, c.b2, 1e-15);
    EXPECT_NEAR(f.a1, c.a1, 1e-15);
    EXPECT_NEAR(f.a2, c.a2, 1e-15);
}

std::vector<double> noise(std::size_t n, double scale, unsigned seed = 7)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> d(-scale, scale);
    std::vector<double> v(n);
    for (double& x : v)
        x = d(gen);
    return v;
}

bool stateIsClear(const TovrinVoiceBus::Filters& f)
{
    return f.hpf.z1 == 0 && f.hpf.z2 == 0 && f.presence.z1 == 0 && f.presence.z2 == 0 && f.air.z1 == 0 && f.air.z2 == 0;
}

// Worked values (RBJ cookbook, computed independently of this code).
TEST(VoiceBus, CreationDesignIsForSixteenKilohertz)
{
    const auto sfx = TovrinVoiceBus(TovrinBusKind::sfx).filters();
    EXPECT_EQ(sfx.designRate, 16000.0);
    expectCoefficients(sfx.presence, {0.3224438081482552, 0, -0.3224438081482552, -0.7965150743398103, 0.3551123837034897},
                       "presence");
    expectCoefficients(sfx.hpf, {0.9672225736268089, -1.9344451472536177, 0.9672225736268089, -1.9333708129345732,
                                 0.9355194815726621},
                       "sfx high-pass 120 Hz");
    expectCoefficients(sfx.air, {0.39131200825291, 0.78262401650582, 0.39131200825291, 0.3695049374385818,
                                 0.19574309557305816},
                       "sfx low-pass 4800 Hz");

    for (TovrinBusKind kind : {TovrinBusKind::receive, TovrinBusKind::transmit}) {
        const auto f = TovrinVoiceBus(kind).filters();
        expectCoefficients(f.hpf, {0.9793863100258865, -1.958772620051773, 0.9793863100258865, -1.9583477764103403,
                                   0.9591974636932055},
                           "high-pass 75 Hz");
        expectCoefficients(f.air, {0.5363118886806567, 1.0726237773613134, 0.5363118886806567, 0.8446624548194409,
                                   0.300585099903186},
                           "low-pass 5800 Hz");
    }
}

TEST(VoiceBus, RedesignsWhenTheRateChangesAndOnlyThen)
{
    TovrinVoiceBus bus(TovrinBusKind::sfx);
    bus.processSamples(noise(500, 0.5), 16000.5);  // within 1 Hz: creation design kept
    auto f = bus.filters();
    EXPECT_EQ(f.designRate, 16000.0);
    EXPECT_FALSE(stateIsClear(f));

    bus.processSamples({}, 44100.0);
    f = bus.filters();
    EXPECT_EQ(f.designRate, 44100.0);
    EXPECT_TRUE(stateIsClear(f));
    expectCoefficients(f.hpf, {0.9879815217881307, -1.9759630435762614, 0.9879815217881307, -1.9758186376439386,
                               0.9761074495085843},
                       "high-pass 120 Hz at 44.1 kHz");
    expectCoefficients(f.air, {0.07771350204134261, 0.15542700408268523, 0.07771350204134261, -1.0714845938412014,
                               0.3823386020065718},
                       "low-pass 4800 Hz at 44.1 kHz");

    // A second block at the same rate keeps design and state.
    bus.processSamples(noise(500, 0.5), 44100.0);
    bus.processSamples({}, 44100.0);
    EXPECT_FALSE(stateIsClear(bus.filters()));

    // Back at 16 kHz the filters are designed for 16 kHz again.
    bus.processSamples({}, 16000.0);
    f = bus.filters();
    EXPECT_EQ(f.designRate, 16000.0);
    EXPECT_TRUE(stateIsClear(f));
    expectCoefficients(f.hpf, {0.9672225736268089, -1.9344451472536177, 0.9672225736268089, -1.9333708129345732,
                               0.9355194815726621},
                       "sfx high-pass 120 Hz back at 16 kHz");
}

TEST(VoiceBus, FirstSampleFollowsTheProfileOfTheBlockLength)
{
    const struct {
        TovrinBusKind kind;
        std::size_t length;
        double gain, presenceMix, smoothing;
    } cases[] = {
        {TovrinBusKind::receive, 4499, 1.05, 0.03, 0.24},
        {TovrinBusKind::receive, 4500, 1.14, 0.07, 0.16},
        {TovrinBusKind::sfx, 10, 1.05, 0.04, 0.22},
        {TovrinBusKind::transmit, 10, 1.08, 0.06, 0.12},
    };
    const double x = 0.1;
    for (const auto& c : cases) {
        TovrinVoiceBus bus(c.kind);
        const auto f = bus.filters();
        std::vector<double> block(c.length, 0.0);
        block[0] = x;
        const double out = bus.processSamples(block, 16000.0)[0];
        // Envelope stays below every threshold on one small sample.
        const double y = (1 - c.smoothing) * f.hpf.b0 * x;
        const double o = c.gain * f.air.b0 * (c.presenceMix * f.presence.b0 * y + (1 - c.presenceMix) * y);
        EXPECT_DOUBLE_EQ(out, o / (1 + 0.22 * std::abs(o))) << int(c.kind) << " " << c.length;
    }
}

TEST(VoiceBus, OutputStaysWithinTheSoftClipBound)
{
    const double bound = 1.2 / 1.264;
    TovrinVoiceBus bus(TovrinBusKind::sfx);
    auto loud = noise(20000, 50.0, 3);
    loud[100] = std::numeric_limits<double>::infinity();
    loud[200] = std::numeric_limits<double>::quiet_NaN();
    for (double rate : {16000.0, 44100.0}) {
        const auto out = bus.processSamples(loud, rate);
        ASSERT_EQ(out.size(), loud.size());
        for (double v : out) {
            ASSERT_TRUE(std::isfinite(v));
            ASSERT_LE(std::abs(v), bound + 1e-12);
        }
    }
}

TEST(VoiceBus, SilenceInSilenceOut)
{
    TovrinVoiceBus bus(TovrinBusKind::receive);
    for (double v : bus.processSamples(std::vector<double>(5000, 0.0), 16000.0))
        ASSERT_EQ(v, 0.0);
    EXPECT_TRUE(bus.processSamples({}, 16000.0).empty());
}

TEST(Biquad, OverflowYieldsZeroAndStartsAgainFromClearState)
{
    Biquad f = Biquad::lowPass(1000, 1.414, 16000);
    f.process(0.5);
    EXPECT_EQ(f.process(std::numeric_limits<double>::infinity()), 0.0);
    EXPECT_EQ(f.z1, 0.0);
    EXPECT_EQ(f.z2, 0.0);
    EXPECT_EQ(f.process(1.0), f.b0);
}

TEST(TovrinAudioPipeline, SharedBusesAreCreatedOnceAcrossThreads)
{
    TovrinVoiceBus* seen[4] = {};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&seen, i] {
            seen[i] = &TovrinAudioPipeline::sfxBus();
            TovrinAudioPipeline::sfxBus().processSamples(noise(3000, 0.5, unsigned(i)), i % 2 ? 44100.0 : 16000.0);
        });
    for (auto& t : threads)
        t.join();
    for (auto* bus : seen)
        EXPECT_EQ(bus, &TovrinAudioPipeline::sfxBus());
    EXPECT_EQ(TovrinAudioPipeline::sfxBus().kind(), TovrinBusKind::sfx);
    EXPECT_EQ(TovrinAudioPipeline::receiveBus().kind(), TovrinBusKind::receive);
    EXPECT_NE(&TovrinAudioPipeline::receiveBus(), &TovrinAudioPipeline::sfxBus());
}

}  // namespace
