// The radio in a channel on a sound server of its own (ContainedPulseAudio)
// that goes away under it: what push-to-talk says and sends, and what the
// face shows. A second listener on the same devserver receives what goes
// out. Skips where PulseAudio is not installed.
#include "platform/audio_decoder.h"
#include "platform/audio_session_notifications.h"
#include "platform/diagnostics.h"
#include "platform/user_defaults.h"
#include "services/channel_audio_service.h"
#include "services/mic_privacy.h"
#include "services/radio_session.h"
#include "support/async.h"
#include "support/audio_fakes.h"
#include "support/contained_pulse_audio.h"
#include "support/devserver_process.h"
#include "support/tone.h"
#include "views/tovrin_shell_view.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kClipRate = 44100;

class RadioOnSoundServer : public ContainedSoundServerTest {
protected:
    void SetUp() override
    {
        ContainedSoundServerTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(server.start());
        MicPrivacy::setLauncherForTesting({[](const MicPrivacy::SettingsAddress&) { return true; },
                                           [this](const MicPrivacy::SettingsAddress&) {
                                               ++settingsLaunches;
                                               return true;
                                           }});
        UserDefaults defaults;
        defaults.remove(RadioSession::lastChannelKey);
        defaults.remove(RadioSession::wasLiveKey);

        radio = std::make_unique<RadioSession>();
        ASSERT_FALSE(runVoidTask(radio->join("uid-alice", std::nullopt, "Alice", "Q-TEST01", {})));
        ASSERT_TRUE(QTest::qWaitFor([&] { return radio->live()->isLive(); }, 8000));
        listener = std::make_unique<ChannelAudioService>();
        ASSERT_FALSE(runVoidTask(listener->connect(radio->channelNumber(), "uid-bob", "Bob", "Q-TEST02", {})));
        ASSERT_TRUE(QTest::qWaitFor([&] { return alice().listenerCount() == 2; }, 5000));
        // What the listener receives, decoded as it starts to play.
        QObject::connect(&listener->voicePipe(), &TovrinVoicePipe::clipStarted, [this](const QString& file) {
            auto decoder = AudioDecoder::openFile(file, kClipRate);
            received.push_back(decoder ? decoder->readAll() : std::vector<float>{});
        });
    }

    void TearDown() override
    {
        listener.reset();
        radio.reset();
        MicPrivacy::setLauncherForTesting({});
        ContainedSoundServerTest::TearDown();
    }

    ChannelAudioService& alice() { return *radio->live(); }

    // Presses push-to-talk until the talk records, holds it `seconds`, lets go
    // and waits for the listener to receive it.
    std::vector<float> talk(double seconds)
    {
        const size_t before = received.size();
        alice().beginTransmit();
        EXPECT_TRUE(QTest::qWaitFor([&] { return alice().voicePipe().isTalking(); }, 3000)) << "the press never recorded";
        QTest::qWait(int(seconds * 1000));  // the length of the talk under test
        alice().endTransmit();
        EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() > before; }, 8000)) << "nothing was received";
        return received.size() > before ? received.back() : std::vector<float>{};
    }

    DevServerProcess server;
    // Sound goes to null devices: what is under test is the microphone.
    CapturedOutputs outputs;
    std::unique_ptr<RadioSession> radio;
    std::unique_ptr<ChannelAudioService> listener;
    std::vector<std::vector<float>> received;
    int settingsLaunches = 0;
};

}  // namespace

TEST_F(RadioOnSoundServer, AServerThatIsAwayRefusesNothingAndTheFirstPressAfterItsReturnTalks)
{
    std::vector<AudioSessionNotifications::Interruption> interruptions;
    QObject::connect(&AudioSessionNotifications::instance(), &AudioSessionNotifications::interruption, radio.get(),
                     [&](const AudioSessionNotifications::Interruption& i) { interruptions.push_back(i); });
    daemon.kill();
    ASSERT_TRUE(soundServerIs(false));
    EXPECT_TRUE(radioFaceState(*radio).soundOff) << "in a channel without sound, the face says so";

    alice().beginTransmit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !alice().isTransmitting(); }, 3000));
    EXPECT_EQ(alice().transmitError(), ChannelAudioService::soundOffText);
    EXPECT_FALSE(alice().micDeniedNeedsSettings()) << "an absent server is not a refused microphone";
    EXPECT_EQ(settingsLaunches, 0) << "no settings program is started";

    ASSERT_TRUE(daemon.start());
    ASSERT_TRUE(soundServerIs(true));
    EXPECT_FALSE(radioFaceState(*radio).soundOff);
    // The server's going and coming are an interruption that began and one
    // that ended with should-resume, which rebuilds the radio's playback.
    ASSERT_EQ(interruptions.size(), 2u);
    EXPECT_EQ(interruptions[0].type, AudioSessionNotifications::kInterruptionBegan);
    EXPECT_EQ(interruptions[1].type, AudioSessionNotifications::kInterruptionEnded);
    EXPECT_EQ(interruptions[1].options, AudioSessionNotifications::kShouldResume);

    const std::vector<float> heard = talk(1.0);
    EXPECT_FALSE(alice().transmitError());
    ASSERT_GT(heard.size(), size_t(kClipRate / 2));
    EXPECT_NEAR(tone::peakFrequency(heard, kClipRate), ContainedPulseAudio::kMicrophoneHz, 15);
    EXPECT_EQ(settingsLaunches, 0);
}

TEST_F(RadioOnSoundServer, AMicrophoneThatFailsMidTalkEndsTheTalkAndWhatWasRecordedGoesOut)
{
    const size_t before = received.size();
    Diagnostics::LineCapture lines;
    alice().beginTransmit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return alice().voicePipe().isTalking(); }, 3000));
    QTest::qWait(1000);  // one second into the talk
    daemon.kill();
    QElapsedTimer sinceKill;
    sinceKill.start();

    // Reported at once (a margin for a busy machine), as a release would end it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !alice().isTransmitting(); }, 2000)) << "the key stayed down";
    std::printf("microphone failure reported %lld ms after the server went\n", static_cast<long long>(sinceKill.elapsed()));
    EXPECT_FALSE(alice().pttSecondsRemaining());
    EXPECT_EQ(alice().transmitError(), ChannelAudioService::soundOffText) << "the window says why";

    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() > before; }, 8000)) << "what was recorded never went out";
    const std::vector<float>& heard = received.back();
    // The daemon's sine source delivers ahead of real time: what was recorded
    // is what the failure line says, not the second of wall time.
    const QString failure = lines.lines().filter(QStringLiteral("mic FAIL after ")).value(0);
    ASSERT_FALSE(failure.isEmpty());
    const double recorded = failure.section(QStringLiteral("after "), 1).section(QLatin1Char('s'), 0, 0).toDouble();
    EXPECT_GE(recorded, 0.9);
    EXPECT_NEAR(double(heard.size()) / kClipRate, recorded, 0.1) << "what went out is not what was recorded";
    EXPECT_NEAR(tone::peakFrequency(heard, kClipRate), ContainedPulseAudio::kMicrophoneHz, 15);
}
