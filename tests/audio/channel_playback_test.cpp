#include "platform/audio_engine.h"
#include "platform/diagnostics.h"
#include "services/channel_playback.h"
#include "support/audio_fakes.h"
#include "support/tone.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

constexpr int kRate = ChannelPlayback::kSampleRate;

// Sample indices where the signal is audible, first and last.
std::pair<size_t, size_t> soundSpan(const std::vector<float>& samples)
{
    size_t first = std::string::npos, last = 0;
    for (size_t i = 0; i < samples.size(); ++i)
        if (std::abs(samples[i]) > 0.05f) {
            first = std::min(first, i);
            last = i;
        }
    return {first, last};
}

std::vector<float> slice(const std::vector<float>& samples, size_t from, size_t count)
{
    return {samples.begin() + std::ptrdiff_t(from), samples.begin() + std::ptrdiff_t(std::min(from + count, samples.size()))};
}

class ChannelPlaybackTest : public ::testing::Test {
protected:
    ChannelPlayback playback{[this] { return live; }};
    CapturedOutputs outputs;
    bool live = true;

    const std::vector<float>& played() { return outputs.last()->samples; }
    // Waits until every buffer scheduled so far was heard.
    void waitUntilHeard()
    {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return std::none_of(playback.rxPlayers().begin(), playback.rxPlayers().end(),
                                    [](PlayerQueue* player) { return player->hasPendingAudio(); });
            },
            5000));
    }
    // Waits until the queue has played more buffers (keep-alive silence included).
    void waitForPlayedBuffers(PlayerQueue* player, size_t more)
    {
        const size_t target = player->playedBuffers() + more;
        ASSERT_TRUE(QTest::qWaitFor([&] { return player->playedBuffers() >= target; }, 5000));
    }
};

}  // namespace

TEST_F(ChannelPlaybackTest, StartsTwoPlayingQueuesAt16kHzAndSaysSo)
{
    Diagnostics::LineCapture lines;
    playback.startPlaybackEngine();
    ASSERT_TRUE(playback.playEngine());
    EXPECT_TRUE(playback.playEngine()->isRunning());
    EXPECT_EQ(playback.playEngine()->sampleRate(), 16000);
    ASSERT_EQ(playback.rxPlayers().size(), 2u);
    for (PlayerQueue* player : playback.rxPlayers())
        EXPECT_TRUE(player->isPlaying());
    EXPECT_EQ(lines.lines(), QStringList{"[TovrinAudio][mac] RX engine started players=2 wire=16000 float32 build=1"});
}

TEST_F(ChannelPlaybackTest, ConsecutiveBuffersOfAStreamPlayInOrderOnOneQueue)
{
    playback.startPlaybackEngine();
    const double tones[] = {500, 1000, 1500};
    for (double f : tones)
        playback.scheduleVoiceBuffer(tone::sine(f, 0.1, kRate));
    EXPECT_EQ(playback.rxPlayers()[0]->queuedBuffers(), 3u);
    EXPECT_EQ(playback.rxPlayers()[1]->queuedBuffers(), 0u);
    waitUntilHeard();

    const auto [first, last] = soundSpan(played());
    ASSERT_NE(first, std::string::npos);
    EXPECT_NEAR(double(last - first) / kRate, 0.3, 0.01);  // one after the other, never on top
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(tone::peakFrequency(slice(played(), first + size_t(i) * kRate / 10, kRate / 10), kRate), tones[i], 25);

    // The stream has ended: the next one starts on the other queue.
    playback.scheduleVoiceBuffer(tone::sine(800, 0.1, kRate));
    EXPECT_EQ(playback.rxPlayers()[1]->queuedBuffers(), 1u);
}

TEST_F(ChannelPlaybackTest, BuffersWithoutPlayersAreDroppedAndAStoppedEngineRestarts)
{
    playback.scheduleVoiceBuffer(tone::sine(500, 0.1, kRate));
    EXPECT_FALSE(playback.playEngine());

    playback.startPlaybackEngine();
    playback.playEngine()->stop();
    playback.scheduleVoiceBuffer(tone::sine(500, 0.1, kRate));
    ASSERT_TRUE(playback.playEngine());
    EXPECT_TRUE(playback.playEngine()->isRunning());
    waitUntilHeard();
    EXPECT_NE(soundSpan(played()).first, std::string::npos);
}

TEST_F(ChannelPlaybackTest, AnEngineThatCannotStartIsReportedAndRebuiltLater)
{
    Diagnostics::LineCapture lines;
    {
        AudioDevices::OutputOverride refusing([](int rate) { return std::make_unique<OpenOnlyOutput>(rate, [] { return false; }, "no device here"); });
        playback.startPlaybackEngine();
    }
    // The device opens on the render thread: its refusal comes back later.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !playback.playEngine(); }, 3000));
    EXPECT_TRUE(playback.rxPlayers().empty());
    EXPECT_TRUE(lines.contains("[TovrinAudio][mac] RX engine FAIL: no device here"));

    live = false;
    playback.ensurePlaybackRunning();
    EXPECT_FALSE(playback.playEngine());
    live = true;
    playback.ensurePlaybackRunning();
    EXPECT_TRUE(playback.playEngine());
}

TEST_F(ChannelPlaybackTest, StoppingDropsTheEngineAtOnce)
{
    playback.startPlaybackEngine();
    playback.scheduleVoiceBuffer(tone::sine(500, 0.1, kRate));
    playback.hardStopPlaybackEngine();
    EXPECT_FALSE(playback.playEngine());
    EXPECT_TRUE(playback.rxPlayers().empty());
    EXPECT_EQ(playback.rxPlayerCursor(), 0);

    playback.startPlaybackEngine();
    playback.tearDownPlaybackAsync();
    EXPECT_FALSE(playback.playEngine());
    EXPECT_TRUE(playback.rxPlayers().empty());
}

TEST_F(ChannelPlaybackTest, BackgroundModeKeepsOneSilentBufferQueuedUntilItEnds)
{
    playback.startPlaybackEngine();
    playback.scheduleSilentKeepaliveIfNeeded();
    EXPECT_FALSE(playback.keepaliveScheduled());  // only in background radio mode

    playback.setBackgroundRadioActive(true);
    playback.scheduleSilentKeepaliveIfNeeded();
    playback.scheduleSilentKeepaliveIfNeeded();
    PlayerQueue* first = playback.rxPlayers()[0];
    EXPECT_TRUE(playback.keepaliveScheduled());
    EXPECT_EQ(first->queuedBuffers(), 1u);
    // Across several 200 ms buffers one is queued again as each ends.
    for (int i = 0; i < 4; ++i) {
        waitForPlayedBuffers(first, 1);
        EXPECT_EQ(first->queuedBuffers(), 1u);
    }

    playback.setBackgroundRadioActive(false);
    playback.forgetKeepalive();
    waitForPlayedBuffers(first, 1);
    EXPECT_EQ(first->queuedBuffers(), 0u);
    EXPECT_FALSE(playback.keepaliveScheduled());
}

TEST_F(ChannelPlaybackTest, KeepaliveSilenceNeverDelaysAStreamArrivingInRealTime)
{
    playback.startPlaybackEngine();
    playback.setBackgroundRadioActive(true);
    playback.scheduleSilentKeepaliveIfNeeded();

    // Two streams of eight 100 ms frames, each frame arriving as the previous
    // one plays; the second stream lands on the keep-alive's own queue.
    for (int stream = 0; stream < 2; ++stream) {
        const size_t startLength = played().size();
        int sent = 0;
        QTimer cadence;
        cadence.setTimerType(Qt::PreciseTimer);
        QObject::connect(&cadence, &QTimer::timeout, [&] {
            if (sent < 8)
                playback.scheduleVoiceBuffer(tone::sine(1000, 0.1, kRate));
            ++sent;
        });
        playback.scheduleVoiceBuffer(tone::sine(1000, 0.1, kRate));
        ++sent;
        cadence.start(100);
        ASSERT_TRUE(QTest::qWaitFor([&] { return sent >= 12; }, 5000));
        cadence.stop();

        const std::vector<float> heard = slice(played(), startLength, played().size() - startLength);
        const auto [first, last] = soundSpan(heard);
        ASSERT_NE(first, std::string::npos);
        EXPECT_LT(double(first) / kRate, 0.05) << "stream " << stream;
        EXPECT_NEAR(double(last - first) / kRate, 0.8, 0.06) << "stream " << stream;
        EXPECT_TRUE(playback.keepaliveScheduled());
    }
}

TEST_F(ChannelPlaybackTest, ARebuiltEngineGetsItsOwnKeepalive)
{
    playback.startPlaybackEngine();
    playback.setBackgroundRadioActive(true);
    playback.scheduleSilentKeepaliveIfNeeded();
    ASSERT_TRUE(playback.keepaliveScheduled());
    // The engine goes while its keep-alive is queued; its buffer is never heard of again.
    playback.tearDownPlaybackAsync();
    runQueued();
    EXPECT_FALSE(playback.keepaliveScheduled());
    EXPECT_FALSE(playback.playEngine());

    playback.startPlaybackEngine();
    playback.scheduleSilentKeepaliveIfNeeded();
    EXPECT_TRUE(playback.keepaliveScheduled());
    EXPECT_EQ(playback.rxPlayers().front()->queuedBuffers(), 1u);
    waitForPlayedBuffers(playback.rxPlayers().front(), 2);
    EXPECT_EQ(playback.rxPlayers().front()->queuedBuffers(), 1u);
}
