// The whole client as a user meets it: the app object on a devserver, the
// radio tuned and joined through the radio screen, Return held for one
// second, and a second client on the channel hearing what was said.
#include "app/main_tovrin_view.h"
#include "app/tovrin_brisel_app.h"
#include "platform/audio_decoder.h"
#include "platform/record_permission.h"
#include "platform/user_defaults.h"
#include "services/channel_audio_service.h"
#include "services/radio_session.h"
#include "services/tovrin_voice_pipe.h"
#include "support/async.h"
#include "support/audio_fakes.h"
#include "support/devserver_process.h"
#include "support/tone.h"
#include "views/radio_operations.h"
#include "views/radio_view.h"

#include <QKeyEvent>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// Seconds of a stream louder than a whisper, counted in 10 ms blocks.
double audibleSeconds(const PlayedAudio& played)
{
    const size_t block = size_t(played.sampleRate / 100);
    size_t loud = 0;
    for (size_t at = 0; at + block <= played.samples.size(); at += block)
        loud += tone::rms(played.samples, at, at + block) > 0.05 ? 1 : 0;
    return double(loud) / 100.0;
}

void sendReturn(QWidget& window, QEvent::Type type)
{
    QWidget* target = window.focusWidget() ? window.focusWidget() : &window;
    QKeyEvent event(type, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

TEST(EndToEnd, HoldingReturnIsHeardByASecondClient)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    UserDefaults().remove("tovrin.last_channel");
    UserDefaults().remove("tovrin.was_live");
    RecordPermission::Override granted(RecordPermission::State::granted, true);
    QPointer<BufferAudioInput> input;
    AudioDevices::InputOverride microphone([&input](int rate) {
        auto opened = std::make_unique<BufferAudioInput>(rate, tone::sine(1000, 3.0, rate), BufferAudioInput::Pace::realTime);
        input = opened.get();
        return opened;
    });
    // Waits until the microphone has delivered `seconds` more of its tone.
    const auto hearMicrophoneFor = [&input](double seconds) {
        const QPointer<BufferAudioInput> counted = input;
        const size_t from = counted ? counted->deliveredFrames() : 0;
        return waitUntil([&] {
            const size_t start = input == counted ? from : 0;  // an input opened since counts whole
            return input && input->deliveredFrames() >= start + size_t(seconds * input->sampleRate());
        });
    };
    CapturedOutputs outputs;

    TovrinBriselApp app;
    AppShellView& window = *app.window();
    window.mainView()->setRestorePause(10ms);
    app.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.mainView()->startUpFinished(); }, 15000));

    auto* radioView = window.findChild<RadioView*>();
    ASSERT_NE(radioView, nullptr);
    RadioSession* radio = window.mainView()->stores().radio;
    radio->applyChannel(5);  // the tuner's way of retuning
    radioView->operations()->joinOrLeave();
    ASSERT_TRUE(QTest::qWaitFor([&] { return radio->live()->isLive(); }, 5000));

    ChannelAudioService listener;
    ASSERT_FALSE(runVoidTask(listener.connect(5, "e2e-listener", "Listener", "Q-LISTEN", {})));
    ASSERT_TRUE(QTest::qWaitFor([&] { return listener.isLive(); }, 5000));
    const size_t streamsBefore = outputs.streams().size();

    // The clip's real length, read from the file the listener received: how
    // much of the held second was recorded depends on how fast this machine
    // starts a recorder, so the played sound is checked against the clip.
    double clipSeconds = -1;
    bool clipEnded = false;
    QObject::connect(&listener.voicePipe(), &TovrinVoicePipe::clipStarted, [&](const QString& file) {
        try {
            clipSeconds = AudioDecoder::openFile(file, 44100)->duration();
        } catch (const ff::MediaError&) {
            clipSeconds = 0;
        }
    });
    QObject::connect(&listener.voicePipe(), &TovrinVoicePipe::clipEnded, [&] { clipEnded = true; });

    sendReturn(window, QEvent::KeyPress);
    EXPECT_TRUE(radio->live()->isTransmitting());
    ASSERT_TRUE(hearMicrophoneFor(1.0));
    sendReturn(window, QEvent::KeyRelease);

    ASSERT_TRUE(QTest::qWaitFor([&] { return clipEnded; }, 15000));
    EXPECT_GT(clipSeconds, 0.3);
    EXPECT_LT(clipSeconds, 1.5);

    // The listener heard the whole clip as a 1 kHz tone on a stream opened
    // after the press.
    std::shared_ptr<PlayedAudio> heard;
    for (size_t i = streamsBefore; i < outputs.streams().size() && !heard; ++i) {
        const auto& stream = outputs.streams()[i];
        if (audibleSeconds(*stream) > 0.2
            && std::abs(tone::peakFrequency(stream->samples, stream->sampleRate) - 1000) < 30)
            heard = stream;
    }
    ASSERT_NE(heard, nullptr);
    EXPECT_NEAR(audibleSeconds(*heard), clipSeconds, 0.15);
    listener.disconnect();
}

}  // namespace
