#include "platform/diagnostics.h"
#include "support/view_test_support.h"
#include "views/call_tone_button.h"
#include "views/chat_button.h"
#include "views/compact_join_channel_button.h"
#include "views/hold_button_reader.h"
#include "views/ptt_button.h"
#include "views/tovrin_action_button_strip.h"

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QSignalSpy>
#include <QAccessible>
#include <QTest>

#include <memory>

namespace {

// ---------- chat key ----------

TEST(ChatButton, BadgeAndLedFollowUnreadCount)
{
    ChatButton chat;
    const std::pair<int, const char*> table[] = {{-3, ""}, {0, ""}, {1, "1"}, {99, "99"}, {100, "99"}, {250, "99"}};
    for (const auto& [unread, badge] : table) {
        chat.setUnreadHint(unread);
        EXPECT_EQ(chat.badgeText(), QString::fromLatin1(badge)) << unread;
        EXPECT_EQ(chat.hasUnread(), unread > 0) << unread;
    }
    EXPECT_EQ(chat.accessibleName(), "Channel chat");
}

TEST(ChatButton, TapEmitsOnceAndReleaseOutsideDoesNot)
{
    ChatButton chat;
    chat.resize(100, 100);
    chat.show();
    QSignalSpy clicked(&chat, &ChatButton::clicked);
    QTest::mouseClick(&chat, Qt::LeftButton, {}, {50, 50});
    EXPECT_EQ(clicked.count(), 1);

    QTest::mousePress(&chat, Qt::LeftButton, {}, {50, 50});
    dragMove(&chat, {300, 50});
    QTest::mouseRelease(&chat, Qt::LeftButton, {}, {300, 50});
    EXPECT_EQ(clicked.count(), 1);
}

// ---------- call-tone key ----------

TEST(CallToneButton, ReadyAndCoolingFaces)
{
    CallToneButton key;
    key.setAlertSound(QStringLiteral("🐱"), QStringLiteral("Cat"));
    struct Row {
        std::optional<int> cooldown;
        bool cooling;
        QStringList texts;
        QString accessible;
    };
    const Row table[] = {
        {std::nullopt, false, {"🐱", "Cat"}, "Alert sound Cat"},
        {0, false, {"🐱", "Cat"}, "Alert sound Cat"},
        {-4, false, {"🐱", "Cat"}, "Alert sound Cat"},
        {1, true, {"1", "WAIT"}, "Pager cooldown 1 seconds"},
        {7, true, {"7", "WAIT"}, "Pager cooldown 7 seconds"},
    };
    for (const Row& row : table) {
        key.setCooldownRemaining(row.cooldown);
        EXPECT_EQ(key.isCooling(), row.cooling);
        EXPECT_EQ(key.acceptsTaps(), !row.cooling);
        EXPECT_EQ(key.labelTexts(), row.texts);
        EXPECT_EQ(key.accessibleName(), row.accessible);
    }
}

TEST(CallToneButton, TapPrintsTimingLineThenPlaysAndCoolingIgnoresTaps)
{
    CallToneButton key;
    key.resize(100, 100);
    key.show();
    QSignalSpy played(&key, &CallToneButton::played);
    Diagnostics::LineCapture lines;

    QTest::mouseClick(&key, Qt::LeftButton, {}, {50, 50});
    ASSERT_EQ(played.count(), 1);
    ASSERT_EQ(lines.lines().size(), 1);
    EXPECT_TRUE(lines.lines().first().startsWith("[UIJANK] pager tap t="));
    EXPECT_TRUE(lines.lines().first().endsWith(" build=1"));

    key.setCooldownRemaining(12);
    QTest::mousePress(&key, Qt::LeftButton, {}, {50, 50});
    EXPECT_FALSE(key.isDown());
    QTest::mouseRelease(&key, Qt::LeftButton, {}, {50, 50});
    key.click();  // an activation that gets past the face is dropped too
    EXPECT_EQ(played.count(), 1);
    EXPECT_EQ(lines.lines().size(), 1);
}

TEST(CallToneButton, ContextMenuOffersNextSoundAlsoWhileCooling)
{
    CallToneButton key;
    key.resize(100, 100);
    key.show();
    key.setCooldownRemaining(5);
    QSignalSpy next(&key, &CallToneButton::nextAlertSoundRequested);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(50, 50), key.mapToGlobal(QPoint(50, 50)));
    QApplication::sendEvent(&key, &event);
    ASSERT_TRUE(key.contextMenu()->isVisible());
    ASSERT_EQ(key.contextMenu()->actions().size(), 1);
    QAction* action = key.contextMenu()->actions().first();
    EXPECT_EQ(action->text(), "Next alert sound");
    action->trigger();
    EXPECT_EQ(next.count(), 1);
    key.contextMenu()->hide();
}

// ---------- push-to-talk key ----------

class PTTTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        HapticLog::clear();
        window = std::make_unique<QWidget>();
        window->resize(120, 120);
        ptt = new PTTButton(window.get());
        ptt->setGeometry(0, 0, 100, 100);
        reader = ptt->findChild<HoldButtonReader*>();
        QObject::connect(ptt, &PTTButton::down, [this] { calls += 'D'; });
        QObject::connect(ptt, &PTTButton::up, [this] { calls += 'U'; });
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 2000));
        ASSERT_NE(reader, nullptr);
    }

    void press() { QTest::mousePress(reader, Qt::LeftButton, {}, {50, 50}); }
    void release() { QTest::mouseRelease(reader, Qt::LeftButton, {}, {50, 50}); }

    QString calls;  // before the window: the window's teardown may still record
    std::unique_ptr<QWidget> window;
    PTTButton* ptt = nullptr;
    HoldButtonReader* reader = nullptr;
};

TEST_F(PTTTest, PressAndReleaseGiveHapticsAndOneCallEach)
{
    press();
    EXPECT_TRUE(ptt->isPressed());
    EXPECT_EQ(hapticTrace(), QStringList({"prepare rigid", "impact rigid"}));
    release();
    EXPECT_FALSE(ptt->isPressed());
    EXPECT_EQ(calls, "DU");
    EXPECT_EQ(ptt->releaseToken(), 1);
    EXPECT_EQ(hapticTrace(), QStringList({"prepare rigid", "impact rigid", "prepare light", "impact light 0.72"}));
}

TEST_F(PTTTest, TransmissionEndingUnderTheFingerReleasesOnce)
{
    press();
    ptt->setActive(true);
    ptt->setActive(false);
    EXPECT_EQ(calls, "DU");
    EXPECT_FALSE(ptt->isPressed());
    EXPECT_EQ(hapticImpacts(), 2);
    release();
    EXPECT_EQ(calls, "DU");
    EXPECT_EQ(ptt->releaseToken(), 1);
}

TEST_F(PTTTest, InactiveWindowReleasesOnlyTheKeysOwnPress)
{
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(window.get(), &deactivate);  // idle: nothing
    EXPECT_EQ(calls, "");

    press();
    QApplication::sendEvent(window.get(), &deactivate);
    EXPECT_EQ(calls, "DU");
    EXPECT_EQ(hapticTrace().last(), "impact light 0.72");
    release();
    EXPECT_EQ(calls, "DU");

    // Transmitting from the keyboard, key not held: the keyboard shortcut
    // ends that itself, so the key stays quiet.
    HapticLog::clear();
    ptt->setActive(true);
    QApplication::sendEvent(window.get(), &deactivate);
    EXPECT_EQ(calls, "DU");
    EXPECT_EQ(hapticImpacts(), 0);
}

TEST_F(PTTTest, HidingOrDestroyingReleases)
{
    press();
    ptt->hide();
    EXPECT_EQ(calls, "DU");
    ptt->show();
    press();
    delete ptt;
    EXPECT_EQ(calls, "DUDU");
}

TEST_F(PTTTest, NotPressedAndInactiveFlagChangeDoesNothing)
{
    ptt->setActive(true);
    ptt->setActive(false);
    EXPECT_EQ(calls, "");
    EXPECT_EQ(ptt->releaseToken(), 0);
}

TEST_F(PTTTest, LabelsAndLed)
{
    struct Row {
        bool active;
        bool pressed;
        std::optional<int> seconds;
        QStringList texts;
        bool led;
        QString value;
    };
    const Row table[] = {
        {false, false, std::nullopt, {"PTT", "hold \u21B5"}, false, ""},
        {true, false, std::nullopt, {"PTT", "hold \u21B5"}, true, ""},
        {true, false, 12, {"12", "SEC"}, true, "12 seconds remaining"},
        {false, true, 30, {"30", "SEC"}, false, "30 seconds remaining"},
        {true, true, 0, {"0", "SEC"}, false, "0 seconds remaining"},
        {false, false, 9, {"PTT", "hold \u21B5"}, false, ""},
    };
    for (const Row& row : table) {
        if (ptt->isPressed())
            release();
        ptt->setActive(row.active);
        ptt->setSecondsRemaining(row.seconds);
        if (row.pressed)
            press();
        EXPECT_EQ(ptt->labelTexts(), row.texts);
        EXPECT_EQ(ptt->ledOn(), row.led);
        EXPECT_EQ(ptt->accessibilityValue(), row.value);
        // What assistive technology reads: a button, selected while held, valued by the countdown.
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(ptt);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), QAccessible::Button);
        EXPECT_EQ(accessible->text(QAccessible::Name), "Push to talk");
        EXPECT_EQ(accessible->text(QAccessible::Value), row.value);
        EXPECT_EQ(bool(accessible->state().selected), row.pressed);
    }
}

TEST_F(PTTTest, TheCountdownChangesWithAShortEaseInAndOut)
{
    ptt->setActive(true);
    ptt->setSecondsRemaining(12);
    EXPECT_NE(ptt->secondsTransition().state(), QAbstractAnimation::Running) << "the first number just appears";
    ptt->setSecondsRemaining(11);
    EXPECT_EQ(ptt->secondsTransition().state(), QAbstractAnimation::Running);
    EXPECT_EQ(ptt->secondsTransition().duration(), 120);
    EXPECT_EQ(ptt->secondsTransition().easingCurve().type(), QEasingCurve::InOutQuad);
    ptt->grab();  // paints mid-change
    ASSERT_TRUE(QTest::qWaitFor([&] { return ptt->secondsTransition().state() == QAbstractAnimation::Stopped; }, 2000));
    EXPECT_EQ(ptt->labelTexts(), QStringList({"11", "SEC"}));
}

// ---------- join key ----------

TEST(CompactJoinChannelButton, FacesAndTaps)
{
    CompactJoinChannelButton join;
    EXPECT_EQ(join.caption(), "JOIN");
    EXPECT_EQ(join.symbolName(), "arrow.right.to.line");
    EXPECT_EQ(join.accessibleName(), "Join channel");
    EXPECT_EQ(join.plateRect().size(), QSizeF(72, 48));
    join.setInChannel(true);
    EXPECT_EQ(join.caption(), "EXIT");
    EXPECT_EQ(join.symbolName(), "rectangle.portrait.and.arrow.right");
    EXPECT_EQ(join.accessibleName(), "Exit channel");

    join.show();
    QSignalSpy clicked(&join, &CompactJoinChannelButton::clicked);
    QTest::mouseClick(&join, Qt::LeftButton, {}, join.plateRect().center().toPoint());
    join.setInChannel(false);
    QTest::mouseClick(&join, Qt::LeftButton, {}, join.plateRect().center().toPoint());
    EXPECT_EQ(clicked.count(), 2);
}

// ---------- strip ----------

TEST(TovrinActionButtonStrip, ThreeEqualSquaresAndPassThrough)
{
    TovrinActionButtonStrip strip;
    strip.resize(300, 100);
    strip.show();
    EXPECT_EQ(strip.heightForWidth(300), 100);
    EXPECT_EQ(strip.chatButton()->geometry(), QRect(0, 0, 100, 100));
    EXPECT_EQ(strip.callToneButton()->geometry(), QRect(100, 0, 100, 100));
    EXPECT_EQ(strip.pttButton()->geometry(), QRect(200, 0, 100, 100));

    QSignalSpy chat(&strip, &TovrinActionButtonStrip::chatTapped);
    QSignalSpy tone(&strip, &TovrinActionButtonStrip::callToneTapped);
    QSignalSpy down(&strip, &TovrinActionButtonStrip::pttDown);
    QSignalSpy up(&strip, &TovrinActionButtonStrip::pttUp);
    QTest::mouseClick(strip.chatButton(), Qt::LeftButton, {}, {50, 50});
    QTest::mouseClick(strip.callToneButton(), Qt::LeftButton, {}, {50, 50});
    auto* reader = strip.pttButton()->findChild<HoldButtonReader*>();
    QTest::mousePress(reader, Qt::LeftButton, {}, {50, 50});
    strip.setChatUnread(3);  // a new rendering keeps the key pressed
    EXPECT_TRUE(strip.pttButton()->isPressed());
    QTest::mouseRelease(reader, Qt::LeftButton, {}, {50, 50});
    EXPECT_EQ(chat.count(), 1);
    EXPECT_EQ(tone.count(), 1);
    EXPECT_EQ(down.count(), 1);
    EXPECT_EQ(up.count(), 1);

    strip.setPagerCooldownRemaining(std::nullopt);
    EXPECT_EQ(strip.callToneButton()->cooldownRemaining(), std::nullopt);
    strip.setPTTSecondsRemaining(std::nullopt);
    EXPECT_EQ(strip.pttButton()->secondsRemaining(), std::nullopt);
}

TEST(TovrinActionButtonStrip, PaintsItsStates)
{
    struct State {
        const char* name;
        int unread;
        bool active;
        std::optional<int> seconds;
        std::optional<int> cooldown;
    };
    const State states[] = {
        {"strip-idle", 0, false, std::nullopt, std::nullopt},
        {"strip-transmitting", 4, true, 23, 14},
        {"strip-unread-many", 250, false, std::nullopt, 1},
    };
    QImage idle;
    for (const State& state : states) {
        TovrinActionButtonStrip strip;
        strip.resize(394, 131);
        strip.setAlertSound(QStringLiteral("🐄"), QStringLiteral("Cow"));
        strip.setChatUnread(state.unread);
        strip.setPTTActive(state.active);
        strip.setPTTSecondsRemaining(state.seconds);
        strip.setPagerCooldownRemaining(state.cooldown);
        saveArtifact(strip, QString::fromLatin1(state.name));
        const QImage image = strip.grab().toImage();
        EXPECT_FALSE(image.isNull());
        if (idle.isNull())
            idle = image;
        else
            EXPECT_NE(image, idle) << state.name;
    }
}

}  // namespace
