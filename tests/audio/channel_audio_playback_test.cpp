// The live engine's own playback on the null device: pager frames, background
// radio mode, session observers and the permission check on return.
#include "platform/audio_engine.h"
#include "platform/audio_session.h"
#include "platform/diagnostics.h"
#include "platform/record_permission.h"
#include "services/channel_audio_service.h"
#include "services/channel_playback.h"
#include "services/mic_privacy.h"
#include "support/async.h"
#include "support/audio_fakes.h"
#include "support/devserver_process.h"
#include "support/tone.h"

#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

using Interruption = AudioSessionNotifications::Interruption;

// The samples as a sender puts them on the wire: frames of at most 1,280 bytes.
QList<QByteArray> pagerFrames(const std::vector<float>& samples)
{
    QByteArray pcm;
    for (float s : samples) {
        char bytes[2];
        qToLittleEndian<qint16>(qint16(s * 32767), bytes);
        pcm.append(bytes, 2);
    }
    return ChannelAudioService::pagerFrames(pcm);
}

class EnginePlaybackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start());
        ASSERT_FALSE(runVoidTask(engine.connect(51, "uid-rx", "Rx", "Q-RX0001", {})));
        ASSERT_TRUE(QTest::qWaitFor([&] { return engine.listenerCount() > 0; }, 5000));
        ASSERT_TRUE(waitUntil([&] { return !session().callsForTesting().isEmpty(); }));
        ASSERT_TRUE(sessionWorkDone());
        session().resetForTesting();
    }
    void TearDown() override
    {
        engine.disconnect();
        session().resetForTesting();
    }

    static AudioSession& session() { return AudioSession::shared(); }
    // True once the activation queue has run a whole activation with that
    // buffer (its two activations included).
    bool activatedWith(const QString& ioBuffer)
    {
        return QTest::qWaitFor(
            [&] {
                const QStringList calls = session().callsForTesting();
                const qsizetype at = calls.indexOf("setPreferredIOBufferDuration " + ioBuffer);
                return at >= 0 && calls.size() >= at + 3;
            },
            2000);
    }
    // The session queue has run what was asked of it: nothing was.
    bool nothingActivated()
    {
        runQueued();
        return sessionWorkDone() && session().callsForTesting().isEmpty();
    }
    static bool sessionWorkDone()
    {
        const QFuture<void> done = ChannelAudioService::sessionWorkDoneForTesting();
        return waitUntil([&] { return done.isFinished(); });
    }

    CapturedOutputs outputs;
    DevServerProcess server;
    ChannelAudioService engine;
};

}  // namespace

TEST_F(EnginePlaybackTest, PagerFramesOfOneStreamPlayOneAfterTheOther)
{
    ASSERT_TRUE(engine.playback().playEngine());
    const double tones[] = {500, 1000, 1500};
    for (double f : tones) {
        for (const QByteArray& frame : pagerFrames(tone::sine(f, 0.1, 16000)))
            engine.enqueueRXPCM(frame);
    }
    std::shared_ptr<PlayedAudio> played = outputs.last();
    size_t first = std::string::npos, last = 0;
    auto span = [&] {
        for (size_t i = last; i < played->samples.size(); ++i)
            if (std::abs(played->samples[i]) > 0.05f) {
                first = std::min(first, i);
                last = i;
            }
        return first == std::string::npos ? 0.0 : double(last - first) / 16000;
    };
    // The three frames arrive through the receive queue: wait until all were
    // heard, every sample of the three pieces read below included.
    ASSERT_TRUE(QTest::qWaitFor([&] { return span() >= 0.29 && played->samples.size() >= first + 3 * 1600; }, 3000));
    EXPECT_NEAR(span(), 0.3, 0.01);
    for (int i = 0; i < 3; ++i) {
        const std::vector<float> piece(played->samples.begin() + std::ptrdiff_t(first + size_t(i) * 1600),
                                       played->samples.begin() + std::ptrdiff_t(first + size_t(i + 1) * 1600));
        EXPECT_NEAR(tone::peakFrequency(piece, 16000), tones[i], 25);
    }
}

TEST_F(EnginePlaybackTest, BackgroundModeQueuesSilenceAndUsesTheLongerBuffer)
{
    engine.enterBackgroundRadioMode();
    EXPECT_TRUE(engine.backgroundRadioActive());
    EXPECT_TRUE(engine.playback().keepaliveScheduled());
    EXPECT_EQ(engine.playback().rxPlayers().front()->queuedBuffers(), 1u);
    EXPECT_TRUE(activatedWith("0.02"));

    Diagnostics::LineCapture lines;
    RecordPermission::Override granted(RecordPermission::State::granted, true);
    session().resetForTesting();
    engine.leaveForegroundRadioMode();
    EXPECT_FALSE(engine.backgroundRadioActive());
    EXPECT_FALSE(engine.playback().keepaliveScheduled());
    EXPECT_TRUE(activatedWith("0.01"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return lines.contains("[TovrinPTT][mac] mic TCC granted \u2014 hardware on first PTT"); }, 2000));

    engine.disconnect();
    engine.enterBackgroundRadioMode();
    EXPECT_FALSE(engine.backgroundRadioActive());
}

struct InterruptionCase {
    const char* name;
    bool background;
    Interruption interruption;
    const char* activatedBuffer;  // nullptr: no activation
};

class EngineInterruptions : public EnginePlaybackTest, public ::testing::WithParamInterface<InterruptionCase> {};

TEST_P(EngineInterruptions, ReactivateOnlyWhenTheyEndAndShouldResumeOrInBackground)
{
    const InterruptionCase& c = GetParam();
    if (c.background) {
        engine.enterBackgroundRadioMode();
        ASSERT_TRUE(activatedWith("0.02"));
        session().resetForTesting();
    }
    AudioSessionNotifications::instance().postInterruption(c.interruption);
    if (c.activatedBuffer)
        EXPECT_TRUE(activatedWith(c.activatedBuffer)) << c.name;
    else
        EXPECT_TRUE(nothingActivated()) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EngineInterruptions,
    ::testing::Values(InterruptionCase{"began", true, {true, 1u, 1u}, nullptr},
                      InterruptionCase{"no type", true, {true, std::nullopt, 1u}, nullptr},
                      InterruptionCase{"no user info", true, {false, 0u, 1u}, nullptr},
                      InterruptionCase{"ended, resume, foreground", false, {true, 0u, 1u}, "0.01"},
                      InterruptionCase{"ended, foreground", false, {true, 0u, std::nullopt}, nullptr},
                      InterruptionCase{"ended, background", true, {true, 0u, 0u}, "0.02"}));

TEST_F(EnginePlaybackTest, ARouteChangeReactivatesAndRestartsAStoppedEngine)
{
    AudioEngine* engineBefore = engine.playback().playEngine();
    ASSERT_TRUE(engineBefore);
    engineBefore->stop();
    AudioSessionNotifications::instance().postRouteChange();
    EXPECT_TRUE(activatedWith("0.01"));
    EXPECT_TRUE(engine.playback().playEngine()->isRunning());
}

TEST_F(EnginePlaybackTest, ADeniedMicrophoneOnReturnIsReportedWithoutOpeningSettings)
{
    RecordPermission::Override denied(RecordPermission::State::denied, false);
    int settingsOpened = 0;
    MicPrivacy::setLauncherForTesting({[](const auto&) { return true; }, [&](const auto&) { return ++settingsOpened, true; }});
    Diagnostics::LineCapture lines;
    ASSERT_FALSE(runVoidTask(engine.prepareChannelAudio()));
    EXPECT_TRUE(engine.micDeniedNeedsSettings());
    EXPECT_EQ(engine.transmitError(),
              QString("Microphone access denied \u2014 enable My Tovrin-Brisel in Microphone settings."));
    EXPECT_TRUE(lines.contains("[TovrinFAULT] [mac] mic permission denied"));
    EXPECT_TRUE(lines.contains("[TovrinPTT][mac] defer mic hardware until PTT (shared RX engine tap)"));
    EXPECT_EQ(settingsOpened, 0);
    MicPrivacy::setLauncherForTesting({});

    RecordPermission::Override granted(RecordPermission::State::granted, true);
    ASSERT_FALSE(runVoidTask(engine.prepareChannelAudio()));
    EXPECT_FALSE(engine.micDeniedNeedsSettings());
    EXPECT_FALSE(engine.transmitError());
}

TEST_F(EnginePlaybackTest, TheVoicePipeStopsThePlaybackEngineAtOnce)
{
    ASSERT_TRUE(engine.playback().playEngine());
    ASSERT_TRUE(engine.voicePipe().stopEngines);
    engine.voicePipe().stopEngines();
    EXPECT_FALSE(engine.playback().playEngine());
    EXPECT_TRUE(engine.playback().rxPlayers().empty());
}
