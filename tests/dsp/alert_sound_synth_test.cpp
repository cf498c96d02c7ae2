#include "pcm_checks.h"
#include "services/alert_sound_synth.h"
#include "services/synth_primitives.h"
#include "services/tovrin_voice_bus.h"
#include "services/wav_image.h"
#include "support/artifacts.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

namespace {

struct Golden {
    AlertSound sound;
    double rate;
    std::size_t count;
    int peak;
    std::uint64_t hash;  // FNV-1a over the int16 samples, little-endian
};

// Each sound finished through a fresh sfx bus, so the values do not depend on
// what the shared bus heard before. Any change to a recipe, the bus or the
// scaling changes them.
const Golden kGoldens[] = {
    {AlertSound::pager, 44100, 18522, 18879, 0xdd7d39ef9ce7305dull},
    {AlertSound::cat, 44100, 16758, 14472, 0x3eea8ed055b5bfebull},
    {AlertSound::dog, 44100, 16758, 13159, 0x24fccd80585fc988ull},
    {AlertSound::alien, 44100, 24255, 15663, 0xfe10b4640dc478ceull},
    {AlertSound::horn, 44100, 18522, 13412, 0x481aed364b853945ull},
    {AlertSound::laugh, 44100, 21168, 12131, 0xbc78b60207721feaull},
    {AlertSound::whatsUp, 44100, 18522, 12575, 0x4c38aedae0cb255aull},
    {AlertSound::sonicBoom, 44100, 19845, 8588, 0x2bda652f6c410dd7ull},
    {AlertSound::ak47, 44100, 17640, 13312, 0xaca5fb6c9f8dfea2ull},
    {AlertSound::fastCar, 44100, 24255, 11508, 0xe0b3717513f26792ull},
    {AlertSound::airplane, 44100, 37485, 8321, 0x462d28c21ffafa68ull},
    {AlertSound::fighterJet, 44100, 28665, 9068, 0xa6ed59fef4ccf946ull},
    {AlertSound::cow, 44100, 31752, 11336, 0x109df08ba83f9ce6ull},
    {AlertSound::birds, 44100, 22932, 10066, 0x1f4448e4096e5598ull},
    {AlertSound::scratch, 44100, 15434, 11442, 0x891a56423f0756c5ull},
    {AlertSound::chalk, 44100, 18522, 13651, 0x2ceced74c96ce878ull},
    {AlertSound::bell, 44100, 26460, 12634, 0x2b3abeeed514e00eull},
    {AlertSound::siren, 44100, 26460, 11576, 0x5896b9a1ca45de84ull},
    {AlertSound::whistle, 44100, 17640, 11582, 0x57f19cbadfa1b3e3ull},
    {AlertSound::drum, 44100, 12348, 3290, 0x46704488df26d7f0ull},
    {AlertSound::pager, 16000, 6720, 20488, 0x3b99ad84a412d8b3ull},
    {AlertSound::cat, 16000, 6080, 15025, 0x5ad21168a52687c1ull},
    {AlertSound::dog, 16000, 6080, 16769, 0xec6e98cec168977bull},
    {AlertSound::alien, 16000, 8800, 15869, 0x2ecc806b4262efc8ull},
    {AlertSound::horn, 16000, 6720, 14580, 0x9ca765422cff4386ull},
    {AlertSound::laugh, 16000, 7680, 13755, 0xdfcbd63b6f397fb8ull},
    {AlertSound::whatsUp, 16000, 6720, 13783, 0xd25c9b66befd8ac2ull},
    {AlertSound::sonicBoom, 16000, 7200, 11809, 0x2a5c3139b5ccb00full},
    {AlertSound::ak47, 16000, 6400, 18191, 0xfaf340bd7f078fafull},
    {AlertSound::fastCar, 16000, 8800, 12591, 0x359c66ff1ffd7b27ull},
    {AlertSound::airplane, 16000, 13600, 10552, 0x77b5a497ef29c840ull},
    {AlertSound::fighterJet, 16000, 10400, 11121, 0x8a3e7cdd60b0a853ull},
    {AlertSound::cow, 16000, 11520, 11384, 0x330702d9911ca45dull},
    {AlertSound::birds, 16000, 8320, 9188, 0x84d8cd9e0a4801e7ull},
    {AlertSound::scratch, 16000, 5600, 14779, 0x23535d95310fb3b6ull},
    {AlertSound::chalk, 16000, 6720, 13092, 0x1a41b4e513267e22ull},
    {AlertSound::bell, 16000, 9600, 13766, 0xe7ca22cc9b4c1d7aull},
    {AlertSound::siren, 16000, 9600, 11608, 0xf7adafe0713138fbull},
    {AlertSound::whistle, 16000, 6400, 11841, 0xa2009d48a53b0266ull},
    {AlertSound::drum, 16000, 4480, 5813, 0xc6e435c830c5cca7ull},
};

TEST(AlertSoundSynth, GoldenRendersAtBothRates)
{
    for (const Golden& g : kGoldens) {
        TovrinVoiceBus bus(TovrinBusKind::sfx);
        const auto out = Synth::finalize(AlertSoundSynth::render(g.sound, g.rate), g.rate, bus);
        SCOPED_TRACE(rawValue(g.sound).toStdString() + " @ " + std::to_string(int(g.rate)));
        EXPECT_EQ(out.size(), g.count);
        EXPECT_EQ(peak(out), g.peak);
        EXPECT_EQ(fnv1a(out), g.hash);
    }
}

// Values worked out from the recipes by an independent implementation.
TEST(AlertSoundSynth, RecipesMatchWorkedValues)
{
    const struct {
        AlertSound sound;
        double rate;
        std::size_t index;
        double value;
    } cases[] = {
        {AlertSound::pager, 44100, 100, 0.007335311668810976},
        {AlertSound::pager, 16000, 100, 0.24330274269697563},
        {AlertSound::dog, 44100, 100, 0.06614258558586125},
        {AlertSound::dog, 44100, 11025, -0.2524378793968953},  // third bark: noise and filter carried on
        {AlertSound::dog, 16000, 4000, -0.38208259052189686},
        {AlertSound::ak47, 44100, 6615, -0.11674480664385767},  // third shot
        {AlertSound::ak47, 16000, 2400, -0.04411629196948405},
        {AlertSound::airplane, 44100, 18742, -0.18601108396900337},
        {AlertSound::airplane, 16000, 6800, -0.1410461115207521},
        {AlertSound::horn, 44100, 9261, 0.19485487734577178},
        {AlertSound::horn, 16000, 2000, 0.07840652524844562},
    };
    for (const auto& c : cases) {
        const auto samples = AlertSoundSynth::render(c.sound, c.rate);
        ASSERT_GT(samples.size(), c.index);
        EXPECT_NEAR(samples[c.index], c.value, 1e-12) << rawValue(c.sound).toStdString() << " @ " << c.rate;
    }
}

TEST(AlertSoundSynth, RecipesStartSilentAndStaySilentBetweenSegments)
{
    for (AlertSound sound : allCases<AlertSound>())
        for (double rate : {44100.0, 16000.0})
            EXPECT_EQ(AlertSoundSynth::render(sound, rate).at(0), 0.0) << rawValue(sound).toStdString();

    const struct {
        AlertSound sound;
        double gapTime;
    } gaps[] = {{AlertSound::dog, 0.09}, {AlertSound::laugh, 0.08}, {AlertSound::ak47, 0.05}, {AlertSound::birds, 0.12}};
    for (const auto& g : gaps) {
        const auto samples = AlertSoundSynth::render(g.sound, 16000);
        EXPECT_EQ(samples.at(std::size_t(g.gapTime * 16000)), 0.0) << rawValue(g.sound).toStdString();
    }
}

TEST(AlertSoundSynth, NoiseRecipesRepeatExactly)
{
    for (AlertSound sound : {AlertSound::scratch, AlertSound::drum, AlertSound::sonicBoom, AlertSound::fighterJet})
        EXPECT_EQ(AlertSoundSynth::render(sound, 44100), AlertSoundSynth::render(sound, 44100));
}

TEST(AlertSoundSynth, EmptyToneSequenceIsShortSilence)
{
    const auto samples = Synth::toneSequence(16000, {}, 0.02);
    ASSERT_EQ(samples.size(), 2400u);
    for (double v : samples)
        ASSERT_EQ(v, 0.0);
}

TEST(AlertSoundSynth, UnusableRatesGiveNoSamples)
{
    for (double rate : {0.0, -16000.0, std::nan(""), std::numeric_limits<double>::infinity(), 1e12, 1.0})
        EXPECT_TRUE(AlertSoundSynth::generate(AlertSound::bell, rate).empty()) << rate;
}

TEST(AlertSoundSynth, ConcurrentRendersThroughTheSharedBusStayBounded)
{
    std::vector<std::int16_t> local, pager;
    std::thread a([&] { local = AlertSoundSynth::generate(AlertSound::airplane, 44100); });
    std::thread b([&] { pager = AlertSoundSynth::generate(AlertSound::airplane, 16000); });
    a.join();
    b.join();
    EXPECT_EQ(local.size(), 37485u);
    EXPECT_EQ(pager.size(), 13600u);
    const int bound = int(1.2 / 1.264 * 32767 * 0.96) + 1;
    EXPECT_LE(peak(local), bound);
    EXPECT_LE(peak(pager), bound);
}

// Listen with the eyes: the rendered bell as a WAV file that sox can read.
TEST(AlertSoundSynth, RenderedSoundIsAReadableWav)
{
    const auto samples = AlertSoundSynth::generate(AlertSound::bell, 44100);
    const auto image = WavImage::build(samples, 44100);
    ASSERT_TRUE(image);
    QFile file(artifactFilePath(QStringLiteral("alert-bell-44100.wav")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(*image);
    file.close();
    EXPECT_EQ(file.size(), 44 + 2 * 26460);
}

}  // namespace
