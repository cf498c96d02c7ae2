#include "models/channel_math.h"
#include "platform/server_test_seam.h"
#include "platform/user_defaults.h"
#include "services/alert_sound_store.h"
#include "services/channel_audio_service.h"
#include "services/radio_session.h"
#include "support/async.h"
#include "support/devserver_process.h"
#include "support/view_test_support.h"
#include "theme/theme_store.h"
#include "views/channel_band_sub_steppers.h"
#include "views/compact_join_channel_button.h"
#include "views/hardware_digit_module.h"
#include "views/swipeable_frequency_lcd.h"
#include "views/tovrin_shell_view.h"
#include "views/tuner_lcd_panel.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTest>

namespace {

using State = RadioSession::ConnectionState;

// The face on a real radio session: the shell shows the session, and its
// tuning signals retune the session as the radio screen's operations do.
class ShellOnRadioTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults defaults;
        defaults.remove(RadioSession::lastChannelKey);
        defaults.remove(RadioSession::wasLiveKey);
        ASSERT_TRUE(server.start());
        radio = std::make_unique<RadioSession>();
        shell = std::make_unique<TovrinShellView>(&theme, &alerts);
        shell->resize(402, 720);
        shell->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(shell.get(), 2000));

        const auto refresh = [this] { shell->setState(radioFaceState(*radio)); };
        for (auto signal : {&RadioSession::channelNumberChanged, &RadioSession::displayFrequencyChanged,
                            &RadioSession::connectionStateChanged, &RadioSession::lcdStatusChanged,
                            &RadioSession::lastErrorChanged, &RadioSession::engineStateChanged})
            QObject::connect(radio.get(), signal, shell.get(), refresh);
        QObject::connect(shell.get(), &TovrinShellView::digitNudged, radio.get(), [this](int index, int delta) {
            radio->applyDisplay(ChannelMath::nudgeDisplayCharacter(radio->displayFrequency(), index, delta));
        });
        QObject::connect(shell.get(), &TovrinShellView::bandDown, radio.get(),
                         [this] { radio->applyChannel(ChannelMath::stepMajor(radio->channelNumber(), -1)); });
        QObject::connect(shell.get(), &TovrinShellView::subUp, radio.get(),
                         [this] { radio->applyChannel(qMin<qint64>(radio->channelNumber() + 1, 64000)); });
        refresh();
    }

    void TearDown() override
    {
        shell.reset();
        radio.reset();
    }

    HardwareDigitModule* digit(int index) const
    {
        return qobject_cast<HardwareDigitModule*>(shell->lcd()->frequencyRow()->modules().at(size_t(index)));
    }

    void tap(QWidget* widget, QPoint at) { QTest::mouseClick(widget, Qt::LeftButton, {}, at); }

    DevServerProcess server;
    ThemeStore theme;
    AlertSoundStore alerts;
    std::unique_ptr<RadioSession> radio;
    std::unique_ptr<TovrinShellView> shell;
};

TEST_F(ShellOnRadioTest, ArrowsStepperAndDragRetuneTheSession)
{
    radio->setChannel(42);
    EXPECT_FALSE(runVoidTask(radio->join("shell-test", std::nullopt, "Tester", "Q-TEST01", {})));
    ASSERT_EQ(radio->connectionState(), State::connected);
    ASSERT_TRUE(QTest::qWaitFor([&] { return radio->live()->isLive(); }, 8000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return shell->joinButton()->caption() == "EXIT"; }, 2000));
    EXPECT_EQ(shell->lcd()->statusText(), "ON CHANNEL");

    // The band's first digit down: 901.042 names no channel; the radio stays on 42.
    tap(digit(0), {23, 67});
    EXPECT_EQ(radio->displayFrequency(), "901.042");
    EXPECT_EQ(shell->lcd()->hintText(), TunerLCDPanel::outOfRangeHint);
    EXPECT_EQ(radio->connectionState(), State::connected);
    EXPECT_EQ(shell->statusWord(), "ON CHANNEL");

    // BAND minus in band 1 asks for the tuned channel: its text comes back.
    auto* bandMinus = shell->steppers()->findChildren<QAbstractButton*>("minus").value(0);
    ASSERT_NE(bandMinus, nullptr);
    tap(bandMinus, bandMinus->rect().center());
    EXPECT_EQ(radio->displayFrequency(), "001.042");
    EXPECT_EQ(shell->lcd()->hintText(), TunerLCDPanel::validHint);
    EXPECT_EQ(radio->connectionState(), State::connected);

    // A two-step swipe up on the last digit: each step retunes, the drag goes on.
    HardwareDigitModule* last = digit(6);
    const QPointF start(23, 36);
    pressAndSwipeUp(last, start, 45);
    QTest::mouseRelease(last, Qt::LeftButton, {}, (start - QPointF(0, 45)).toPoint());
    EXPECT_EQ(radio->channelNumber(), 44);
    EXPECT_EQ(shell->steppers()->subDisplay(), "044");
    EXPECT_EQ(radio->connectionState(), State::idle);
    EXPECT_EQ(shell->joinButton()->caption(), "JOIN");
    EXPECT_EQ(shell->statusWord(), "OFF");

    auto* subPlus = shell->steppers()->findChildren<QAbstractButton*>("plus").value(1);
    tap(subPlus, subPlus->rect().center());
    EXPECT_EQ(radio->displayFrequency(), "001.045");
}

}  // namespace
