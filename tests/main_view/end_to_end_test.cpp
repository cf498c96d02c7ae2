// The whole client as a user meets it: the app object on a devserver, the
// radio tuned and joined through the radio screen, Return held for one
// second, and a second client on the channel hearing what was said.
#include "app/main_tovrin_view.h"
#include "app/tovrin_brisel_app.h"
#include "platform/record_permission.h"
#include "platform/user_defaults.h"
#include "services/channel_audio_service.h"
#include "services/radio_session.h"
#include "support/async.h"
#include "support/audio_fakes.h"
#include "support/devserver_process.h"
#include "support/tone.h"
#include "views/radio_operations.h"
#include "views/radio_view.h"

#include <QKeyEvent>
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
    AudioDevices::InputOverride microphone([](int rate) {
        return std::make_unique<BufferAudioInput>(rate, tone::sine(1000, 3.0, rate), BufferAudioInput::Pace::realTime);
    });
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

    sendReturn(window, QEvent::KeyPress);
    EXPECT_TRUE(radio->live()->isTransmitting());
    QTest::qWait(1000);
    sendReturn(window, QEvent::KeyRelease);

    // The listener's clip: about one second of a 1 kHz tone on a stream
    // opened after the press.
    auto heard = [&]() -> std::shared_ptr<PlayedAudio> {
        for (size_t i = streamsBefore; i < outputs.streams().size(); ++i) {
            const auto& stream = outputs.streams()[i];
            if (audibleSeconds(*stream) > 0.7
                && std::abs(tone::peakFrequency(stream->samples, stream->sampleRate) - 1000) < 30)
                return stream;
        }
        return nullptr;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return heard() != nullptr; }, 10000));
    QTest::qWait(500);  // let the clip play to its end
    const double seconds = audibleSeconds(*heard());
    EXPECT_GT(seconds, 0.8);
    EXPECT_LT(seconds, 1.5);
    listener.disconnect();
}

}  // namespace
