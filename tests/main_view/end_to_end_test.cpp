// The whole client as a user meets it: the app object on a devserver, the
// radio tuned and joined through the radio screen, Return held with the
// auto-repeat events X11 sends, and a second client on the channel hearing
// one utterance of the held length.
#include "app/main_tovrin_view.h"
#include "app/tovrin_brisel_app.h"
#include "main_view/started_app.h"
#include "platform/audio_decoder.h"
#include "platform/diagnostics.h"
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

#include <memory>

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

QWidget* keyTarget(QWidget& window)
{
    return window.focusWidget() ? window.focusWidget() : &window;
}

// A Return event as X11 gives it: the server's time stamp, and whether Qt
// flagged it as auto-repeat (it can only when the pair's press is queued already).
QKeyEvent* returnEvent(QEvent::Type type, quint64 stamp, bool flagged = false)
{
    auto* event = new QKeyEvent(type, Qt::Key_Return, Qt::NoModifier, QString(), flagged);
    event->setTimestamp(stamp);
    return event;
}

void sendReturn(QWidget& window, QEvent::Type type, quint64 stamp, bool flagged = false)
{
    std::unique_ptr<QKeyEvent> event(returnEvent(type, stamp, flagged));
    QApplication::sendEvent(keyTarget(window), event.get());
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
    ASSERT_TRUE(showAndWaitForStartUp(app));

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

    Diagnostics::LineCapture lines;
    quint64 stamp = 5000;
    sendReturn(window, QEvent::KeyPress, stamp);
    EXPECT_TRUE(radio->live()->isTransmitting());
    // X11 auto-repeat after 660 ms, 25 times a second: release/press pairs
    // sharing a time stamp. Qt flags some; the others look like a real
    // release and press, and one of those presses comes a turn later.
    ASSERT_TRUE(hearMicrophoneFor(0.66));
    for (int repeat = 0; repeat < 20; ++repeat) {
        stamp += 40;
        const bool flagged = repeat % 3 == 0;
        sendReturn(window, QEvent::KeyRelease, stamp, flagged);
        if (repeat == 10)
            QCoreApplication::postEvent(keyTarget(window), returnEvent(QEvent::KeyPress, stamp));
        else
            sendReturn(window, QEvent::KeyPress, stamp, flagged);
        ASSERT_TRUE(hearMicrophoneFor(0.04));
    }
    ASSERT_TRUE(input);
    const double heldSeconds = double(input->deliveredFrames()) / input->sampleRate();
    sendReturn(window, QEvent::KeyRelease, stamp + 40);

    ASSERT_TRUE(QTest::qWaitFor([&] { return clipEnded; }, 15000));
    // One press, one utterance, of the held length (the release waits a
    // moment for a repeat press that does not come).
    EXPECT_EQ(lines.count("[TovrinKeys][mac] Enter PTT down"), 1);
    EXPECT_EQ(lines.count("[TovrinKeys][mac] Enter PTT up"), 1);
    EXPECT_EQ(lines.lines().filter("[VoicePipe][mac] TX start").size(), 1);
    EXPECT_NEAR(clipSeconds, heldSeconds, 0.12);

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
