#include "platform/diagnostics.h"
#include "services/floating_phone_window.h"
#include "services/mac_tovrin_keyboard.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>
#include <optional>

#include <gtest/gtest.h>

namespace {

struct KeyboardFixture : ::testing::Test {
    QWidget window;
    QWidget* radio = new QWidget(&window);
    QLineEdit* field = new QLineEdit(&window);
    MacTovrinKeyboardModifier* keys = new MacTovrinKeyboardModifier(radio);
    QSignalSpy downs{keys, &MacTovrinKeyboardModifier::pttDown};
    QSignalSpy ups{keys, &MacTovrinKeyboardModifier::pttUp};
    QSignalSpy pagers{keys, &MacTovrinKeyboardModifier::pager};

    KeyboardFixture()
    {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(radio);
        layout->addWidget(field);
        window.show();
        EXPECT_TRUE(QTest::qWaitFor([this] { return window.focusWidget() == radio; }));  // the deferred focus request
    }

    QWidget* target() { return window.focusWidget() ? window.focusWidget() : &window; }
    // An event as the keyboard makes it; each gets a later time stamp unless one is given.
    QKeyEvent* make(QEvent::Type type, int code, bool autoRepeat, std::optional<quint64> stamp)
    {
        auto* event = new QKeyEvent(type, code, Qt::NoModifier, code == Qt::Key_Space ? QStringLiteral(" ") : QString(),
                                    autoRepeat);
        event->setTimestamp(stamp.value_or(clock += 10));
        return event;
    }
    // Sends to whatever has focus, as the keyboard would.
    void key(QEvent::Type type, int code, bool autoRepeat = false, std::optional<quint64> stamp = {})
    {
        std::unique_ptr<QKeyEvent> event(make(type, code, autoRepeat, stamp));
        QApplication::sendEvent(target(), event.get());
    }
    void press(int code, bool autoRepeat = false) { key(QEvent::KeyPress, code, autoRepeat); }
    void release(int code, bool autoRepeat = false) { key(QEvent::KeyRelease, code, autoRepeat); }
    // A release is let through once no auto-repeat press follows it.
    bool settled() { return QTest::qWaitFor([this] { return !keys->releasePending(); }, 2000); }

    quint64 clock = 1000;
};

TEST_F(KeyboardFixture, HoldingReturnGivesOneDownAndOneUpDespiteAutoRepeat)
{
    Diagnostics::LineCapture log;
    press(Qt::Key_Return);
    for (int i = 0; i < 5; ++i) {
        release(Qt::Key_Return, true);
        press(Qt::Key_Return, true);
    }
    press(Qt::Key_Enter);  // the same press offered twice is swallowed by the latch
    EXPECT_EQ(downs.count(), 1);
    EXPECT_EQ(ups.count(), 0);
    release(Qt::Key_Return);
    release(Qt::Key_Enter);
    ASSERT_TRUE(settled());
    EXPECT_EQ(ups.count(), 1);
    EXPECT_EQ(log.count("[TovrinKeys][mac] Enter PTT down"), 1);
    EXPECT_EQ(log.count("[TovrinKeys][mac] Enter PTT up"), 1);
}

// X11 auto-repeat during a hold: release/press pairs sharing a time stamp,
// unflagged because Qt had not seen the press yet when the release came.
TEST_F(KeyboardFixture, UnflaggedAutoRepeatPairsDoNotSplitAHold)
{
    Diagnostics::LineCapture log;
    key(QEvent::KeyPress, Qt::Key_Return, false, 1000);
    for (quint64 stamp = 1660; stamp < 2500; stamp += 40)
        if (stamp == 1900) {
            // This pair's press comes in a later turn of the event loop.
            key(QEvent::KeyRelease, Qt::Key_Return, false, stamp);
            QCoreApplication::postEvent(target(), make(QEvent::KeyPress, Qt::Key_Return, false, stamp));
            EXPECT_TRUE(keys->releasePending());
            ASSERT_TRUE(settled());
        } else {
            key(QEvent::KeyRelease, Qt::Key_Return, false, stamp);
            key(QEvent::KeyPress, Qt::Key_Return, false, stamp);
        }
    EXPECT_TRUE(keys->enterHeld());
    EXPECT_EQ(downs.count(), 1);
    EXPECT_EQ(ups.count(), 0);

    key(QEvent::KeyRelease, Qt::Key_Return, false, 2510);
    EXPECT_EQ(ups.count(), 0) << "held back for a repeat press";
    ASSERT_TRUE(ups.wait(2000));
    EXPECT_EQ(ups.count(), 1);
    EXPECT_EQ(downs.count(), 1);
    EXPECT_EQ(log.count("[TovrinKeys][mac] Enter PTT up"), 1);
}

TEST_F(KeyboardFixture, LatchTable)
{
    struct Step {
        const char* what;
        std::function<void(KeyboardFixture&)> act;
        int downs;
        int ups;
        bool held;
    };
    const Step steps[] = {
        {"release with no press is ignored", [](auto& f) { f.release(Qt::Key_Return); }, 0, 0, false},
        {"press", [](auto& f) { f.press(Qt::Key_Return); }, 1, 0, true},
        {"second press while held", [](auto& f) { f.press(Qt::Key_Return); }, 1, 0, true},
        {"shortcuts off while held", [](auto& f) { f.keys->setEnabled(false); }, 1, 1, false},
        {"late key-up ignored", [](auto& f) { f.release(Qt::Key_Return); }, 1, 1, false},
        {"press while disabled", [](auto& f) { f.press(Qt::Key_Return); }, 1, 1, false},
        {"enabled again, press", [](auto& f) { f.keys->setEnabled(true); f.press(Qt::Key_Return); }, 2, 1, true},
        {"release", [](auto& f) { f.release(Qt::Key_Return); f.settled(); }, 2, 2, false},
        {"press, release, press again at once", [](auto& f) { f.press(Qt::Key_Return); f.release(Qt::Key_Return); f.press(Qt::Key_Return); }, 4, 3, true},
        {"release", [](auto& f) { f.release(Qt::Key_Return); f.settled(); }, 4, 4, false},
    };
    for (const Step& step : steps) {
        step.act(*this);
        EXPECT_EQ(downs.count(), step.downs) << step.what;
        EXPECT_EQ(ups.count(), step.ups) << step.what;
        EXPECT_EQ(keys->enterHeld(), step.held) << step.what;
    }
}

TEST_F(KeyboardFixture, TextFocusKeepsReturnAndSpaceButALatchedPressStillEnds)
{
    press(Qt::Key_Return);
    field->setFocus();
    ASSERT_TRUE(MacTovrinKeyboardGate::isTextInputFocused());
    release(Qt::Key_Return);
    ASSERT_TRUE(settled());
    EXPECT_EQ(ups.count(), 1);

    press(Qt::Key_Return);
    press(Qt::Key_Space);
    EXPECT_EQ(downs.count(), 1);
    EXPECT_EQ(pagers.count(), 0);
    EXPECT_EQ(field->text(), " ");  // the Space went to the field
    field->clear();
    QTest::keyClicks(field, "a b");
    EXPECT_EQ(field->text(), "a b");
}

TEST_F(KeyboardFixture, EverySpacePressPagesButAutoRepeatDoesNot)
{
    press(Qt::Key_Space);
    release(Qt::Key_Space);
    press(Qt::Key_Space);
    press(Qt::Key_Space, true);
    EXPECT_EQ(pagers.count(), 2);
    keys->setEnabled(false);
    press(Qt::Key_Space);
    EXPECT_EQ(pagers.count(), 2);
}

TEST_F(KeyboardFixture, LosingTheWindowReleasesAndTheNextPressWorks)
{
    press(Qt::Key_Return);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&window, &deactivate);
    EXPECT_EQ(ups.count(), 1);
    EXPECT_FALSE(keys->enterHeld());
    press(Qt::Key_Return);
    EXPECT_EQ(downs.count(), 2);
}

TEST(FloatingPhoneWindow, FixesSizeAndTitleIdempotently)
{
    QWidget window;
    for (int pass = 0; pass < 2; ++pass) {
        FloatingPhoneWindowConfigurator::apply(&window);
        EXPECT_EQ(window.minimumSize(), QSize(402, 902));
        EXPECT_EQ(window.maximumSize(), QSize(402, 902));
        EXPECT_EQ(window.windowTitle(), "My Tovrin-Brisel");
    }
    window.resize(800, 600);
    EXPECT_EQ(window.size(), QSize(402, 902));
}

}  // namespace
