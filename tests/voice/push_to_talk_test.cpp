// Push-to-talk through the live engine, over real loopback sockets to the
// devserver: one engine's press is heard by another.
#include "platform/audio_decoder.h"
#include "platform/diagnostics.h"
#include "platform/pulse_audio_input.h"
#include "platform/pulse_connection.h"
#include "platform/record_permission.h"
#include "services/channel_audio_service.h"
#include "services/mic_privacy.h"
#include "support/async.h"
#include "support/audio_fakes.h"
#include "support/devserver_process.h"
#include "support/manual_clock.h"
#include "support/tone.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

constexpr int kChannel = 43;

class PushToTalkTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.start()); }

    std::unique_ptr<ChannelAudioService> joined(const QString& uid, const QString& name, QSet<QString> blocked = {})
    {
        auto engine = std::make_unique<ChannelAudioService>();
        EXPECT_FALSE(runVoidTask(engine->connect(kChannel, uid, name, "Q-TEST01", std::move(blocked))));
        EXPECT_TRUE(QTest::qWaitFor([&] { return engine->listenerCount() > 0; }, 5000));
        return engine;
    }

    RecordPermission::Override permission{RecordPermission::State::granted, true};
    ToneMicrophone microphone{1000, 3.0};
    CapturedOutputs outputs;
    DevServerProcess server;
};

}  // namespace

TEST_F(PushToTalkTest, APressIsHeardByTheOtherListenerWithItsToneAndLength)
{
    auto alice = joined("uid-alice", "Alice");
    auto bob = joined("uid-bob", "Bob");
    ASSERT_TRUE(QTest::qWaitFor([&] { return alice->listenerCount() == 2; }, 5000));
    QStringList bobStarted, bobEnded;
    QObject::connect(&bob->voicePipe(), &TovrinVoicePipe::clipStarted, [&](const QString& f) { bobStarted.append(f); });
    QObject::connect(&bob->voicePipe(), &TovrinVoicePipe::clipEnded, [&](const QString& f) { bobEnded.append(f); });

    alice->beginTransmit();
    EXPECT_TRUE(alice->isTransmitting());
    EXPECT_EQ(alice->pttSecondsRemaining(), 30);
    ASSERT_TRUE(QTest::qWaitFor([&] { return alice->voicePipe().isTalking(); }, 3000));
    ASSERT_TRUE(microphone.captured());
    alice->endTransmit();
    EXPECT_FALSE(alice->isTransmitting());
    EXPECT_FALSE(alice->pttSecondsRemaining());

    ASSERT_TRUE(QTest::qWaitFor([&] { return !bobStarted.isEmpty(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bobEnded.isEmpty(); }, 8000));
    std::vector<float> heard;
    for (const auto& stream : outputs.streams())
        if (stream->sampleRate == 44100)
            heard.insert(heard.end(), stream->samples.begin(), stream->samples.end());
    const size_t audible = size_t(std::count_if(heard.begin(), heard.end(), [](float s) { return std::abs(s) > 0.05f; }));
    EXPECT_NEAR(double(audible) / 44100, 3.0 * 0.936, 0.1);
    EXPECT_NEAR(tone::peakFrequency(heard, 44100), 1000, 25);
    EXPECT_TRUE(alice->voicePipe().isPlayingClip() == false) << "the sender does not hear itself";
}

TEST_F(PushToTalkTest, TwoTalksInQuickSuccessionArriveAsTwoClipsOfTheirOwnLengths)
{
    auto alice = joined("uid-alice", "Alice");
    auto bob = joined("uid-bob", "Bob");
    ASSERT_TRUE(QTest::qWaitFor([&] { return alice->listenerCount() == 2; }, 5000));
    std::vector<double> clipSeconds;
    QObject::connect(&bob->voicePipe(), &TovrinVoicePipe::clipStarted, [&](const QString& file) {
        try {
            clipSeconds.push_back(AudioDecoder::openFile(file, 44100)->duration());
        } catch (const ff::MediaError&) {
            clipSeconds.push_back(0);
        }
    });

    // The second press comes while the first talk is still on its way out.
    for (double seconds : {0.6, 1.2}) {
        microphone.seconds = seconds;
        alice->beginTransmit();
        ASSERT_TRUE(alice->voicePipe().isTalking());
        ASSERT_TRUE(microphone.captured());
        alice->endTransmit();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return clipSeconds.size() == 2; }, 10000));
    EXPECT_NEAR(clipSeconds[0], 0.6, 0.1);
    EXPECT_NEAR(clipSeconds[1], 1.2, 0.1);
    EXPECT_FALSE(alice->transmitError()) << "the microphone never failed";
}

TEST_F(PushToTalkTest, TheCountdownEndsAnUnreleasedTransmissionByItself)
{
    auto alice = joined("uid-alice", "");
    // The countdown reads a clock the test moves; the hard deadline is far off.
    ManualClock clock;
    alice->setTransmitClockForTesting(clock.function());
    alice->setTransmitLimitForTesting(2s, 10ms, 60s);
    Diagnostics::LineCapture lines;
    QList<qint64> shown;
    QObject::connect(alice.get(), &ChannelAudioService::pttSecondsRemainingChanged, [&] {
        if (alice->pttSecondsRemaining())
            shown.append(*alice->pttSecondsRemaining());
    });
    QSignalSpy recording(&alice->voicePipe(), &TovrinVoicePipe::recordingStarted);
    alice->beginTransmit();
    alice->beginTransmit();  // a repeated press is ignored
    ASSERT_TRUE(waitUntil([&] { return recording.size() == 1; }));  // the limit counts from here
    clock.advance(1s);
    ASSERT_TRUE(waitUntil([&] { return shown.endsWith(1); }));
    EXPECT_TRUE(alice->isTransmitting());
    clock.advance(1s);
    ASSERT_TRUE(waitUntil([&] { return !alice->isTransmitting(); }));
    EXPECT_EQ(shown, (QList<qint64>{2, 1, 0}));
    EXPECT_FALSE(alice->pttSecondsRemaining());
    EXPECT_EQ(lines.count("TX down gen="), 1);
    EXPECT_TRUE(lines.contains("[TovrinPTT][mac] auto-off at 2s"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines.contains("TX done chunks="); }, 5000));
    alice->endTransmit();  // a release after the auto-off only cancels timers
    runQueued();
    EXPECT_EQ(lines.count("TX done chunks="), 1);
    EXPECT_EQ(lines.count("JSON SEND OK type=utterance_close"), 1);
}

TEST_F(PushToTalkTest, TheHardDeadlineEndsATransmissionWhoseCountdownNeverTicks)
{
    auto alice = joined("uid-alice", "");
    // A tick slower than the limit: only the deadline can end this press.
    alice->setTransmitLimitForTesting(1s, 60s);
    Diagnostics::LineCapture lines;
    alice->beginTransmit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !alice->isTransmitting(); }, 5000));
    EXPECT_TRUE(lines.contains("[TovrinPTT][mac] hard deadline 1s"));
    EXPECT_FALSE(lines.contains("auto-off"));
    EXPECT_FALSE(alice->pttSecondsRemaining());
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines.contains("JSON SEND OK type=utterance_close"); }, 5000));

    // A newer transmission is not ended by an older press's deadline: it is
    // still on once a deadline of that press's length would have fired.
    alice->setTransmitLimitForTesting(30s, 60s);
    alice->beginTransmit();
    ASSERT_TRUE(waitPastTimers(1s));
    EXPECT_TRUE(alice->isTransmitting());
    alice->endTransmit();
    ASSERT_TRUE(waitUntil([&] { return lines.count("JSON SEND OK type=utterance_close") == 2; }));
}

TEST_F(PushToTalkTest, AStartThatCannotOpenTheMicrophoneRollsBack)
{
    auto alice = joined("uid-alice", "Alice");
    {
        AudioDevices::InputOverride none([](int) { return std::unique_ptr<AudioInputDevice>(); });
        alice->beginTransmit();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !alice->isTransmitting(); }, 3000));
    }
    EXPECT_EQ(alice->transmitError(), QString("Could not open microphone."));
    EXPECT_FALSE(alice->micDeniedNeedsSettings());
    EXPECT_FALSE(alice->pttSecondsRemaining());

    int settingsOpened = 0;
    MicPrivacy::setLauncherForTesting({[](const auto&) { return true; }, [&](const auto&) { return ++settingsOpened, true; }});
    RecordPermission::Override denied(RecordPermission::State::denied, false);
    Diagnostics::LineCapture lines;
    alice->beginTransmit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !alice->isTransmitting(); }, 3000));
    MicPrivacy::setLauncherForTesting({});
    EXPECT_EQ(alice->transmitError(),
              QString("Microphone access denied \u2014 enable My Tovrin-Brisel in Microphone settings."));
    EXPECT_TRUE(alice->micDeniedNeedsSettings());
    EXPECT_TRUE(lines.contains("[TovrinFAULT] [mac] mic permission denied"));
    EXPECT_EQ(settingsOpened, 1);

    // Granted again: the settings page brought the banner down.
    RecordPermission::Override granted(RecordPermission::State::granted, true);
    alice->refreshMicPermissionFromSettings();
    EXPECT_FALSE(alice->micDeniedNeedsSettings());
    EXPECT_FALSE(alice->transmitError());
}

TEST_F(PushToTalkTest, WithoutASoundServerAPressRollsBackWithADiagnosticLine)
{
    if (PulseConnection::instance().waitForFirstAnswer(2s))
        GTEST_SKIP() << "this machine has a sound server";
    auto alice = joined("uid-alice", "Alice");
    // The input the app opens: the sound server's, which is not there.
    AudioDevices::InputOverride serverInput([](int rate) { return std::make_unique<PulseAudioInput>(rate); });
    Diagnostics::LineCapture lines;
    alice->beginTransmit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !alice->isTransmitting(); }, 3000));
    EXPECT_TRUE(lines.contains("[VoicePipe][mac] record() failed"));
    EXPECT_EQ(alice->transmitError(), ChannelAudioService::soundOffText) << "an absent server is not a broken microphone";
    EXPECT_FALSE(alice->pttSecondsRemaining());
    EXPECT_FALSE(alice->voicePipe().isTalking());
    EXPECT_FALSE(lines.contains("[VoicePipe][mac] TX")) << "a send that never happened";
}

TEST_F(PushToTalkTest, AStartOvertakenByADisconnectLeavesNoTrace)
{
    auto alice = joined("uid-alice", "Alice");
    alice->beginTransmit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return alice->voicePipe().isTalking(); }, 3000));
    ASSERT_TRUE(microphone.captured());
    alice->endTransmit();  // the finishing talk holds the send lane
    alice->beginTransmit();  // so this talk records while its open waits for it
    ASSERT_TRUE(alice->isTransmitting());
    alice->disconnect();  // the waiting talk is cancelled
    runQueued();
    EXPECT_FALSE(alice->isTransmitting());
    EXPECT_FALSE(alice->transmitError()) << "a start of an old generation never reports";
}

TEST_F(PushToTalkTest, ABlockedSenderIsNotHeard)
{
    microphone.seconds = 1.0;
    auto alice = joined("uid-alice", "Alice");
    auto bob = joined("uid-bob", "Bob", {"uid-alice"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return alice->listenerCount() == 2; }, 5000));
    bool bobPlayed = false;
    QObject::connect(&bob->voicePipe(), &TovrinVoicePipe::clipStarted, [&] { bobPlayed = true; });
    Diagnostics::LineCapture lines;
    alice->beginTransmit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return alice->voicePipe().isTalking(); }, 3000));
    ASSERT_TRUE(microphone.captured());
    alice->endTransmit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines.contains("TX done chunks="); }, 5000));
    // Alice's leave reaches Bob behind everything she sent before it.
    alice->disconnect();
    ASSERT_TRUE(waitUntil([&] { return bob->listenerCount() == 1; }));
    runQueued();
    EXPECT_FALSE(bobPlayed);
    EXPECT_FALSE(lines.contains("PLAY "));
}
