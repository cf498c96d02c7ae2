#include "support/view_test_support.h"
#include "views/hold_button_reader.h"

#include <gtest/gtest.h>

#include <QPointingDevice>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// Records down/up as a string, "DU" for one press and release.
class HoldReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(200, 200);
        reader = new HoldButtonReader(window.get());
        reader->setGeometry(50, 50, 100, 100);
        QObject::connect(reader, &HoldButtonReader::down, [this] { calls += 'D'; });
        QObject::connect(reader, &HoldButtonReader::up, [this] { calls += 'U'; });
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 2000));
    }

    void move(QPoint pos) { dragMove(reader, pos); }

    QString calls;  // before the window: the window's teardown may still record
    std::unique_ptr<QWidget> window;
    HoldButtonReader* reader = nullptr;
};

TEST_F(HoldReaderTest, PressAndReleaseGiveOneDownThenOneUp)
{
    QTest::mousePress(reader, Qt::LeftButton, {}, {10, 10});
    EXPECT_TRUE(reader->isHeld());
    QTest::mouseRelease(reader, Qt::LeftButton, {}, {10, 10});
    EXPECT_FALSE(reader->isHeld());
    EXPECT_EQ(calls, "DU");
}

TEST_F(HoldReaderTest, DraggingOutReleasesOnceAndBackInsideDoesNothing)
{
    QTest::mousePress(reader, Qt::LeftButton, {}, {10, 10});
    move({50, 50});
    EXPECT_EQ(calls, "D");
    move({150, 50});
    EXPECT_EQ(calls, "DU");
    move({50, 50});
    move({200, 50});
    QTest::mouseRelease(reader, Qt::LeftButton, {}, {50, 50});
    EXPECT_EQ(calls, "DU");
    EXPECT_FALSE(reader->isHeld());
}

TEST_F(HoldReaderTest, OtherButtonsDoNotPress)
{
    QTest::mousePress(reader, Qt::RightButton, {}, {10, 10});
    QTest::mouseRelease(reader, Qt::RightButton, {}, {10, 10});
    EXPECT_EQ(calls, "");
}

TEST_F(HoldReaderTest, TokenChangeWhileHeldReleasesOnceAndLaterReleaseIsSilent)
{
    QTest::mousePress(reader, Qt::LeftButton, {}, {10, 10});
    reader->setReleaseToken(1);
    EXPECT_EQ(calls, "DU");
    EXPECT_FALSE(reader->isHeld());
    QTest::mouseRelease(reader, Qt::LeftButton, {}, {10, 10});
    EXPECT_EQ(calls, "DU");
}

TEST_F(HoldReaderTest, TokenChangeWhileIdleIsAdoptedSilently)
{
    reader->setReleaseToken(5);
    reader->setReleaseToken(-2);  // any change counts, not only an increase
    EXPECT_EQ(reader->releaseToken(), -2);
    EXPECT_EQ(calls, "");
    QTest::mousePress(reader, Qt::LeftButton, {}, {10, 10});
    QTest::mouseRelease(reader, Qt::LeftButton, {}, {10, 10});
    EXPECT_EQ(calls, "DU");
}

TEST_F(HoldReaderTest, SameTokenDoesNotRelease)
{
    reader->setReleaseToken(3);
    QTest::mousePress(reader, Qt::LeftButton, {}, {10, 10});
    reader->setReleaseToken(3);
    EXPECT_TRUE(reader->isHeld());
    EXPECT_EQ(calls, "D");
}

TEST_F(HoldReaderTest, WindowDeactivationAndHidingRelease)
{
    QTest::mousePress(reader, Qt::LeftButton, {}, {10, 10});
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(window.get(), &deactivate);
    EXPECT_EQ(calls, "DU");

    QTest::mousePress(reader, Qt::LeftButton, {}, {10, 10});
    reader->hide();
    EXPECT_EQ(calls, "DUDU");
    QTest::mouseRelease(reader, Qt::LeftButton, {}, {10, 10});
    EXPECT_EQ(calls, "DUDU");
}

TEST_F(HoldReaderTest, TouchPressIsSingleAndCancelReleases)
{
    QPointingDevice* device = QTest::createTouchDevice();
    QTest::touchEvent(reader, device).press(0, {10, 10});
    QTest::touchEvent(reader, device).stationary(0).press(1, {20, 20});  // second finger
    EXPECT_EQ(calls, "D");
    QTest::touchEvent(reader, device).move(0, {30, 30}).stationary(1);
    EXPECT_EQ(calls, "D");
    QTest::touchEvent(reader, device).release(0, {30, 30}).stationary(1);
    EXPECT_EQ(calls, "DU");
    QTest::touchEvent(reader, device).release(1, {20, 20});
    EXPECT_EQ(calls, "DU");

    QTest::touchEvent(reader, device).press(0, {10, 10});
    QTouchEvent cancel(QEvent::TouchCancel, device);
    QApplication::sendEvent(reader, &cancel);
    EXPECT_EQ(calls, "DUDU");
}

TEST_F(HoldReaderTest, TouchMovingOutReleases)
{
    QPointingDevice* device = QTest::createTouchDevice();
    QTest::touchEvent(reader, device).press(0, {10, 10});
    QTest::touchEvent(reader, device).move(0, {150, 10});
    EXPECT_EQ(calls, "DU");
    QTest::touchEvent(reader, device).move(0, {10, 10});
    QTest::touchEvent(reader, device).release(0, {10, 10});
    EXPECT_EQ(calls, "DU");
}

}  // namespace
