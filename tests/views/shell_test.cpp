#include "services/alert_sound_store.h"
#include "services/channel_audio_service.h"
#include "support/view_test_support.h"
#include "theme/system_colors.h"
#include "theme/theme_contrast.h"
#include "theme/theme_store.h"
#include "theme/themed_background_views.h"
#include "views/call_tone_button.h"
#include "views/chat_button.h"
#include "views/channel_band_sub_steppers.h"
#include "views/compact_join_channel_button.h"
#include "views/hardware_digit_module.h"
#include "views/swipeable_frequency_lcd.h"
#include "views/tovrin_action_button_strip.h"
#include "views/tovrin_shell_view.h"
#include "views/tuner_lcd_panel.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QImage>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

namespace {

// ---------- steppers ----------

TEST(ChannelBandSubSteppers, DigitsAcrossTheBandEdges)
{
    ThemeStore theme;
    ChannelBandSubSteppers steppers(&theme, 1);
    const std::tuple<qint64, const char*, const char*> table[] = {
        {1, "001", "001"},     {320, "001", "320"},   {321, "002", "001"},
        {640, "002", "320"},   {32000, "100", "320"}, {63681, "200", "001"},
        {64000, "200", "320"},
    };
    for (const auto& [channel, band, sub] : table) {
        steppers.setChannelNumber(channel);
        EXPECT_EQ(steppers.bandDisplay(), QString::fromLatin1(band)) << channel;
        EXPECT_EQ(steppers.subDisplay(), QString::fromLatin1(sub)) << channel;
    }
}

TEST(ChannelBandSubSteppers, EachKeyStepsOncePerTapAfterItsHaptic)
{
    ThemeStore theme;
    ChannelBandSubSteppers steppers(&theme, 1);
    steppers.resize(402, 160);
    steppers.show();
    const auto keys = steppers.findChildren<QAbstractButton*>();
    ASSERT_EQ(keys.size(), 4);
    // Left column first, plus above minus.
    std::vector<QAbstractButton*> ordered(keys.begin(), keys.end());
    std::sort(ordered.begin(), ordered.end(), [](QAbstractButton* a, QAbstractButton* b) {
        return a->x() != b->x() ? a->x() < b->x() : a->y() < b->y();
    });
    EXPECT_EQ(ordered[0]->objectName(), "plus");
    EXPECT_EQ(ordered[1]->objectName(), "minus");
    EXPECT_GE(ordered[0]->height(), 40);

    QString calls;
    QObject::connect(&steppers, &ChannelBandSubSteppers::bandUp, [&] { calls += "B+" + QString::number(hapticImpacts()); });
    QObject::connect(&steppers, &ChannelBandSubSteppers::bandDown, [&] { calls += "B-"; });
    QObject::connect(&steppers, &ChannelBandSubSteppers::subUp, [&] { calls += "S+"; });
    QObject::connect(&steppers, &ChannelBandSubSteppers::subDown, [&] { calls += "S-"; });
    HapticLog::clear();
    QTest::mouseClick(ordered[0], Qt::LeftButton, {}, ordered[0]->rect().center());
    EXPECT_EQ(calls, "B+1");  // the haptic came first
    QTest::mouseClick(ordered[3], Qt::LeftButton, {}, ordered[3]->rect().center());
    QTest::mouseClick(ordered[1], Qt::LeftButton, {}, ordered[1]->rect().center());
    QTest::mouseClick(ordered[2], Qt::LeftButton, {}, ordered[2]->rect().center());
    EXPECT_EQ(calls, "B+1S-B-S+");
    EXPECT_EQ(hapticTrace().count("impact medium"), 4);
}

// ---------- shell ----------

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        shell = std::make_unique<TovrinShellView>(&theme, &alerts);
        shell->resize(402, 720);
    }

    static RadioFaceState state(bool connected, bool live, const char* lcd)
    {
        RadioFaceState s;
        s.connected = connected;
        s.isLive = live;
        s.lcdStatus = QString::fromUtf8(lcd);
        return s;
    }

    ThemeStore theme;
    AlertSoundStore alerts;
    std::unique_ptr<TovrinShellView> shell;
};

TEST_F(ShellTest, HeaderFollowsTheConnection)
{
    struct Row {
        RadioFaceState state;
        bool lit;
        bool glows;
        const char* word;
        const char* key;
    };
    RadioFaceState transmittingOff = state(false, false, "STANDBY");
    transmittingOff.isTransmitting = true;
    const Row table[] = {
        {state(false, false, "STANDBY"), false, false, "OFF", "JOIN"},
        {state(false, true, "TUNING…"), false, false, "OFF", "JOIN"},
        {state(true, false, "CONNECTED"), false, false, "OFF", "JOIN"},
        {state(true, true, "ON CHANNEL"), true, true, "ON CHANNEL", "EXIT"},
        {transmittingOff, true, false, "OFF", "JOIN"},
    };
    for (const Row& row : table) {
        shell->setState(row.state);
        EXPECT_EQ(shell->lampLit(), row.lit) << row.word;
        EXPECT_EQ(shell->lampGlows(), row.glows) << row.word;
        EXPECT_EQ(shell->statusWord(), QString::fromLatin1(row.word));
        EXPECT_EQ(shell->joinButton()->caption(), QString::fromLatin1(row.key));
        EXPECT_EQ(shell->lcd()->statusText(), row.state.lcdStatus);
        EXPECT_EQ(shell->statusWordColour(),
                  row.state.isInChannel() ? systemColor(SystemColor::Green) : theme.current().onBodyMuted());
    }
}

TEST_F(ShellTest, ErrorLineAndMicrophoneBanner)
{
    RadioFaceState s;
    EXPECT_FALSE(shell->errorLineShown());
    EXPECT_FALSE(shell->micBannerShown());

    s.errorText = QString();
    s.micError = QString();
    s.micNeedsSettings = true;
    shell->setState(s);
    EXPECT_FALSE(shell->errorLineShown());
    EXPECT_FALSE(shell->micBannerShown());
    EXPECT_FALSE(shell->micSettingsButtonShown());

    s.errorText = QStringLiteral("This channel requires a passkey.");
    s.micError = QStringLiteral("Microphone access denied.");
    s.micNeedsSettings = false;
    shell->setState(s);
    EXPECT_TRUE(shell->errorLineShown());
    EXPECT_EQ(shell->errorLineText(), "This channel requires a passkey.");
    EXPECT_TRUE(shell->micBannerShown());
    EXPECT_FALSE(shell->micSettingsButtonShown());

    s.micNeedsSettings = true;
    shell->setState(s);
    EXPECT_TRUE(shell->micSettingsButtonShown());
    EXPECT_EQ(shell->micSettingsButton()->text(), "Open Microphone Settings");
    QSignalSpy open(shell.get(), &TovrinShellView::openMicSettingsTapped);
    shell->micSettingsButton()->click();
    EXPECT_EQ(open.count(), 1);
}

TEST_F(ShellTest, AChannelWithoutSoundSaysSoUnlessAnErrorIsShowing)
{
    RadioFaceState s;
    s.soundOff = true;
    shell->setState(s);
    EXPECT_TRUE(shell->errorLineShown());
    EXPECT_EQ(shell->errorLineText(), ChannelAudioService::soundOffText);

    s.errorText = QStringLiteral("Could not join channel.");
    shell->setState(s);
    EXPECT_EQ(shell->errorLineText(), "Could not join channel.");

    s = RadioFaceState{};
    shell->setState(s);
    EXPECT_FALSE(shell->errorLineShown());
}

TEST_F(ShellTest, ListenerBadgeInEveryStateAndThemeRecolours)
{
    EXPECT_EQ(shell->listenerBadgeText(), "0 on freq");
    RadioFaceState s = state(true, true, "ON CHANNEL");
    s.listenersOnTunedChannel = 7;
    shell->setState(s);
    EXPECT_EQ(shell->listenerBadgeText(), "7 on freq");

    shell->setState(RadioFaceState{});
    const FacePlateTheme& other = FacePlateTheme::catalog().back();
    theme.setCurrent(other);
    EXPECT_EQ(shell->statusWordColour(), other.onBodyMuted());
}

TEST_F(ShellTest, ValuesReachTheControls)
{
    RadioFaceState s = state(true, true, "ON CHANNEL");
    s.channelNumber = 321;
    s.displayFrequency = "002.001";
    s.isTransmitting = true;
    s.pttSecondsRemaining = 17;
    s.pagerCooldownRemaining = 9;
    s.chatUnread = 3;
    shell->setState(s);
    EXPECT_EQ(shell->steppers()->bandDisplay(), "002");
    EXPECT_EQ(shell->steppers()->subDisplay(), "001");
    EXPECT_EQ(shell->lcd()->frequencyRow()->frequency(), "002.001");
    EXPECT_EQ(shell->actionStrip()->callToneButton()->labelTexts(), QStringList({"9", "WAIT"}));
}

TEST_F(ShellTest, ControlsLeaveAsSignals)
{
    shell->show();
    QString calls;
    QObject::connect(shell.get(), &TovrinShellView::joinTapped, [&] { calls += "join "; });
    QObject::connect(shell.get(), &TovrinShellView::bandUp, [&] { calls += "band+ "; });
    QObject::connect(shell.get(), &TovrinShellView::digitNudged, [&](int i, int d) { calls += QStringLiteral("nudge%1,%2 ").arg(i).arg(d); });
    QObject::connect(shell.get(), &TovrinShellView::chatTapped, [&] { calls += "chat "; });
    QObject::connect(shell.get(), &TovrinShellView::callToneTapped, [&] { calls += "tone "; });

    QTest::mouseClick(shell->joinButton(), Qt::LeftButton, {}, shell->joinButton()->rect().center());
    auto* plus = shell->steppers()->findChild<QAbstractButton*>("plus");
    QTest::mouseClick(plus, Qt::LeftButton, {}, plus->rect().center());
    auto* digit = qobject_cast<HardwareDigitModule*>(shell->lcd()->frequencyRow()->modules().at(6));
    QTest::mouseClick(digit, Qt::LeftButton, {}, QPoint(digit->width() / 2, 3));
    QWidget* chat = shell->actionStrip()->chatButton();
    QTest::mouseClick(chat, Qt::LeftButton, {}, chat->rect().center());
    QWidget* tone = shell->actionStrip()->callToneButton();
    QTest::mouseClick(tone, Qt::LeftButton, {}, tone->rect().center());
    EXPECT_EQ(calls, "join band+ nudge6,1 chat tone ");

    const AlertSound before = alerts.current();
    emit shell->actionStrip()->callToneButton()->nextAlertSoundRequested();
    EXPECT_NE(alerts.current(), before);
    EXPECT_EQ(shell->actionStrip()->callToneButton()->labelTexts().value(1), alertSoundLabel(alerts.current()));
}

TEST_F(ShellTest, PaintsForThemesAndStates)
{
    // The first theme, a dark one and the one with the lightest LCD.
    const auto& catalog = FacePlateTheme::catalog();
    const FacePlateTheme* lightest = &catalog.front();
    for (const FacePlateTheme& t : catalog)
        if (ThemeContrast::luminance(t.lcdBg) > ThemeContrast::luminance(lightest->lcdBg))
            lightest = &t;
    const std::vector<const FacePlateTheme*> themes{&catalog.front(), &FacePlateTheme::byId("cyber"), lightest};

    RadioFaceState idle;
    RadioFaceState tuning = state(false, false, "TUNING…");
    tuning.channelNumber = 64000;
    tuning.displayFrequency = "300.320";
    tuning.errorText = QStringLiteral("Could not join channel.");
    tuning.micError = QStringLiteral("Microphone access is off for Tovrin Brisel.");
    tuning.micNeedsSettings = true;
    RadioFaceState live = state(true, true, "ON CHANNEL");
    live.channelNumber = 12345;
    live.displayFrequency = "039.185";
    live.listenersOnTunedChannel = 4;
    live.isTransmitting = true;
    live.pttSecondsRemaining = 21;
    live.pagerCooldownRemaining = 13;
    live.chatUnread = 5;
    const std::pair<const char*, RadioFaceState> states[] = {{"idle", idle}, {"tuning", tuning}, {"live", live}};

    // On the face plate, as the radio screen places it.
    QWidget screen;
    screen.resize(402, 720);
    auto* plate = new TovrinFacePlateBackground(&theme, &screen);
    plate->setGeometry(screen.rect());
    shell->setParent(&screen);
    shell->setGeometry(screen.rect());
    // Each state differs from idle in its theme, and each theme from the first.
    std::vector<QImage> firstTheme;
    for (const FacePlateTheme* t : themes) {
        theme.setCurrent(*t);
        std::vector<QImage> painted;
        for (const auto& [name, s] : states) {
            shell->setState(s);
            saveArtifact(screen, QStringLiteral("shell-%1-%2").arg(t->id, QString::fromLatin1(name)));
            const QImage image = screen.grab().toImage();
            EXPECT_FALSE(image.isNull());
            if (!painted.empty())
                EXPECT_NE(image, painted.front()) << t->id.toStdString() << ' ' << name;
            if (!firstTheme.empty())
                EXPECT_NE(image, firstTheme[painted.size()]) << t->id.toStdString() << ' ' << name;
            painted.push_back(image);
        }
        if (firstTheme.empty())
            firstTheme = painted;
    }
    shell->setParent(nullptr);
}

}  // namespace
