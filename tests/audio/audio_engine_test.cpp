#include "platform/audio_engine.h"
#include "platform/audio_mixer.h"
#include "support/audio_fakes.h"
#include "support/tone.h"

#include <QTest>

#include <atomic>

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
    AudioEngine engine(kRate, "Test tone");
    PlayerQueue* player = engine.attachPlayer();
    bool firstDone = false, secondDone = false;
    player->schedule(tone::sine(500, 0.25, kRate), [&] { firstDone = true; });
    player->schedule(tone::sine(1500, 0.25, kRate), [&] { secondDone = true; });
    engine.start();
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
    AudioEngine engine(kRate, "Test tone");
    PlayerQueue* a = engine.attachPlayer();
    PlayerQueue* b = engine.attachPlayer();
    bool done = false;
    a->schedule(std::vector<float>(kRate / 10, 0.25f));
    b->schedule(std::vector<float>(kRate / 10, 0.5f), [&] { done = true; });
    engine.setOutputVolume(0.5f);
    // Both play before the device opens, so its first block already mixes
    // them: two plays posted after the start may land in different blocks.
    a->play();
    b->play();
    engine.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 3000));
    const std::vector<float>& played = outputs.last()->samples;
    const size_t start = firstSound(played, 0, 0.1f);
    ASSERT_NE(start, std::string::npos);
    EXPECT_FLOAT_EQ(played[start], 0.375f);
}

TEST(AudioEngine, RendersOnAThreadWithASignalStackOfItsOwn)
{
    auto answer = std::make_shared<std::atomic<int>>(-1);
    // The device opens on the render thread: it notes what that thread has.
    AudioDevices::OutputOverride probe([answer](int rate) {
        return std::make_unique<OpenOnlyOutput>(rate, [answer] {
            answer->store(threadHasSignalStack() ? 1 : 0);
            return true;
        });
    });
    AudioEngine engine(kRate, "Test tone");
    engine.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer->load() != -1; }, 3000));
    EXPECT_EQ(answer->load(), 1);
}

TEST(PlayerQueue, StopDropsEverythingAndStillCompletes)
{
    CapturedOutputs outputs;
    AudioEngine engine(kRate, "Test tone");
    PlayerQueue* queue = engine.attachPlayer();
    int completed = 0;
    queue->schedule(std::vector<float>(100, 0.1f), [&] { ++completed; });
    queue->schedule(std::vector<float>(100, 0.1f), [&] { ++completed; });
    queue->play();
    queue->stop();
    EXPECT_FALSE(queue->isPlaying());
    EXPECT_EQ(queue->queuedBuffers(), 0u);
    EXPECT_EQ(completed, 0) << "completions never run inside a call to the queue";
    ASSERT_TRUE(QTest::qWaitFor([&] { return completed == 2; }, 1000));
}

TEST(PlayerQueue, AudioReplacesQueuedFillerAtOnce)
{
    CapturedOutputs outputs;
    AudioEngine engine(kRate, "Test tone");
    PlayerQueue* queue = engine.attachPlayer();
    bool fillerDone = false, audioDone = false;
    queue->schedule(std::vector<float>(kRate, 0.0f), [&] { fillerDone = true; }, PlayerQueue::Kind::filler);
    EXPECT_FALSE(queue->hasPendingAudio());
    engine.start();
    queue->play();
    queue->schedule(tone::sine(1000, 0.1, kRate), [&] { audioDone = true; });
    EXPECT_EQ(queue->queuedBuffers(), 1u);
    EXPECT_TRUE(queue->hasPendingAudio());
    ASSERT_TRUE(QTest::qWaitFor([&] { return audioDone; }, 3000));
    EXPECT_TRUE(fillerDone);
    // The second of filler never played: the tone came first.
    const size_t start = firstSound(outputs.last()->samples);
    ASSERT_NE(start, std::string::npos);
    EXPECT_LT(start, size_t(kRate / 10));
}

TEST(AudioMixer, FillerGivesWayToAudioInsideABlock)
{
    AudioMixer mixer;
    mixer.addPlayer();
    mixer.addPlayer();
    mixer.schedule(0, 1, std::make_shared<const std::vector<float>>(3200, 0.0f), BufferKind::filler);
    mixer.schedule(1, 2, std::make_shared<const std::vector<float>>(100, 0.25f), BufferKind::audio);
    mixer.play(0);
    mixer.play(1);
    EXPECT_TRUE(mixer.hasAudio());
    std::vector<float> mix(160, 1.0f);
    std::vector<AudioMixer::Ended> ended;
    mixer.render(mix.data(), 160, ended);  // the filler has started; player 1's buffer ends at 100
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].player, 1);
    EXPECT_EQ(ended[0].id, 2u);
    EXPECT_EQ(ended[0].offset, 100);
    EXPECT_FLOAT_EQ(mix[99], 0.25f);
    EXPECT_FLOAT_EQ(mix[100], 0.0f) << "every frame is written, silence included";
    EXPECT_FALSE(mixer.hasAudio());
    EXPECT_EQ(mixer.framesToNextEnd(), 3200 - 160);

    mixer.schedule(0, 3, std::make_shared<const std::vector<float>>(160, 0.5f), BufferKind::audio);
    ended.clear();
    mixer.render(mix.data(), 160, ended);
    EXPECT_FLOAT_EQ(mix.front(), 0.5f);
    EXPECT_FLOAT_EQ(mix.back(), 0.5f);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].id, 3u) << "the dropped filler is not reported";
    EXPECT_FALSE(mixer.framesToNextEnd());
}
