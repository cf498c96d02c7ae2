#include "platform/audio_engine.h"
#include "support/audio_fakes.h"
#include "support/tone.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kRate = 16000;

// Index of the first sample whose magnitude exceeds the threshold, or npos.
size_t firstSound(const std::vector<float>& samples, size_t from = 0, float threshold = 0.05f)
{
    for (size_t i = from; i < samples.size(); ++i)
        if (std::abs(samples[i]) > threshold)
            return i;
    return std::string::npos;
}

std::vector<float> slice(const std::vector<float>& samples, size_t from, size_t count)
{
    from = std::min(from, samples.size());
    count = std::min(count, samples.size() - from);
    return {samples.begin() + std::ptrdiff_t(from), samples.begin() + std::ptrdiff_t(from + count)};
}

}  // namespace

TEST(AudioEngine, PlaysTwoQueuedBuffersOneAfterTheOtherOnTheNullDevice)
{
    CapturedOutputs outputs;
    AudioEngine engine(kRate);
    PlayerQueue* player = engine.attachPlayer();
    bool firstDone = false, secondDone = false;
    player->schedule(tone::sine(500, 0.25, kRate), [&] { firstDone = true; });
    player->schedule(tone::sine(1500, 0.25, kRate), [&] { secondDone = true; });
    ASSERT_TRUE(engine.start());
    player->play();

    ASSERT_TRUE(QTest::qWaitFor([&] { return secondDone; }, 3000));
    EXPECT_TRUE(firstDone);
    const std::vector<float>& played = outputs.last()->samples;
    const size_t start = firstSound(played);
    ASSERT_NE(start, std::string::npos);
    const size_t quarter = kRate / 4;
    EXPECT_NEAR(tone::peakFrequency(slice(played, start, quarter), kRate), 500, 25);
    EXPECT_NEAR(tone::peakFrequency(slice(played, start + quarter, quarter), kRate), 1500, 25);
    EXPECT_EQ(player->queuedBuffers(), 0u);
}

TEST(AudioEngine, MixesPlayersAndAppliesTheOutputVolume)
{
    CapturedOutputs outputs;
    AudioEngine engine(kRate);
    PlayerQueue* a = engine.attachPlayer();
    PlayerQueue* b = engine.attachPlayer();
    bool done = false;
    a->schedule(std::vector<float>(kRate / 10, 0.25f));
    b->schedule(std::vector<float>(kRate / 10, 0.5f), [&] { done = true; });
    engine.setOutputVolume(0.5f);
    ASSERT_TRUE(engine.start());
    a->play();
    b->play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 3000));
    const std::vector<float>& played = outputs.last()->samples;
    const size_t start = firstSound(played, 0, 0.1f);
    ASSERT_NE(start, std::string::npos);
    EXPECT_FLOAT_EQ(played[start], 0.375f);
}

TEST(PlayerQueue, StopDropsEverythingAndStillCompletes)
{
    PlayerQueue queue;
    int completed = 0;
    queue.schedule(std::vector<float>(100, 0.1f), [&] { ++completed; });
    queue.schedule(std::vector<float>(100, 0.1f), [&] { ++completed; });
    queue.play();
    queue.stop();
    EXPECT_FALSE(queue.isPlaying());
    EXPECT_EQ(queue.queuedBuffers(), 0u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return completed == 2; }, 1000));
}

TEST(PlayerQueue, AudioDropsQueuedFillerAndPlaysAtOnce)
{
    PlayerQueue queue;
    bool fillerDone = false;
    queue.schedule(std::vector<float>(3200, 0.0f), [&] { fillerDone = true; }, PlayerQueue::Kind::filler);
    queue.play();
    std::vector<float> mix(160, 0.0f);
    queue.renderAdd(mix.data(), 160);  // the filler has started
    queue.schedule(std::vector<float>(160, 0.5f));
    std::fill(mix.begin(), mix.end(), 0.0f);
    queue.renderAdd(mix.data(), 160);
    EXPECT_FLOAT_EQ(mix.front(), 0.5f);
    EXPECT_FLOAT_EQ(mix.back(), 0.5f);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fillerDone; }, 1000));
}
