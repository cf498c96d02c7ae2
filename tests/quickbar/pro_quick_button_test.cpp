#include "platform/tovrin_haptics.h"
#include "support/async.h"
#include "support/view_test_support.h"
#include "views/pro_quick_button.h"

#include <QHBoxLayout>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class ProQuickButtonTest : public ::testing::Test {
protected:
    void SetUp() override { HapticLog::clear(); }

    std::unique_ptr<ProQuickButton> make(bool withLongPress)
    {
        ProQuickButton::Face face{QStringLiteral("WAREHO"), QStringLiteral("012.005"), QStringLiteral("radio"),
                                  std::nullopt, QColor::fromRgbF(0.22f, 0.42f, 0.78f)};
        std::function<void()> longPress;
        if (withLongPress)
            longPress = [this] { ++longPresses; };
        auto button = std::make_unique<ProQuickButton>(face, [this] { ++taps; }, longPress);
        button->show();
        return button;
    }

    static const QPoint centre() { return {ProQuickButton::kWidth / 2, ProQuickButton::kHeight / 2}; }

    // Holds the button until a long press would have completed.
    static void hold(ProQuickButton& button) { QTest::mousePress(&button, Qt::LeftButton, {}, centre()); }

    int taps = 0;
    int longPresses = 0;
};

}  // namespace

TEST_F(ProQuickButtonTest, TapGivesMediumHapticThenAction)
{
    auto button = make(false);
    QTest::mouseClick(button.get(), Qt::LeftButton, {}, centre());
    EXPECT_EQ(taps, 1);
    EXPECT_EQ(hapticTrace(), QStringList({"prepare medium", "impact medium"}));
}

TEST_F(ProQuickButtonTest, HoldingAButtonWithoutLongPressOnlyTaps)
{
    auto button = make(false);
    hold(*button);
    EXPECT_FALSE(button->isPressing());
    ASSERT_TRUE(waitUntil([&] { return !button->longPressPending(); }));
    EXPECT_DOUBLE_EQ(button->contentScale(), 1.0);
    QTest::mouseRelease(button.get(), Qt::LeftButton, {}, centre());
    EXPECT_EQ(taps, 1) << "the release is a tap";
    EXPECT_FALSE(button->suppressNextTap());
    QTest::mouseClick(button.get(), Qt::LeftButton, {}, centre());
    EXPECT_EQ(taps, 2);
    EXPECT_EQ(hapticTrace().filter("rigid").size(), 0);
}

TEST_F(ProQuickButtonTest, LongPressGivesRigidHapticAndSwallowsItsOwnRelease)
{
    auto button = make(true);
    hold(*button);
    EXPECT_TRUE(button->isPressing());
    EXPECT_TRUE(QTest::qWaitFor([&] { return button->contentScale() < 0.95; }, 2000)) << "pressed look";
    ASSERT_TRUE(QTest::qWaitFor([&] { return longPresses == 1; }, 3000));
    EXPECT_EQ(hapticTrace(), QStringList({"prepare rigid", "impact rigid"}));
    EXPECT_TRUE(button->suppressNextTap());
    EXPECT_FALSE(button->isPressing());

    QTest::mouseRelease(button.get(), Qt::LeftButton, {}, centre());
    EXPECT_EQ(taps, 0);
    EXPECT_EQ(hapticImpacts(), 1) << "the swallowed tap gives no haptic";
    EXPECT_FALSE(button->suppressNextTap());
    QTest::mouseClick(button.get(), Qt::LeftButton, {}, centre());
    EXPECT_EQ(taps, 1);
    EXPECT_EQ(longPresses, 1);
}

TEST_F(ProQuickButtonTest, ALongPressWhoseReleaseGaveNoTapLeavesTheNextTapAlone)
{
    // Released outside the button, or never released on it at all (the
    // remove alert took the mouse): the next press is a tap of its own.
    for (const bool releasedOutside : {true, false}) {
        taps = longPresses = 0;
        auto button = make(true);
        hold(*button);
        ASSERT_TRUE(QTest::qWaitFor([&] { return longPresses == 1; }, 3000));
        if (releasedOutside) {
            dragMove(button.get(), QPointF(200, 200));
            QTest::mouseRelease(button.get(), Qt::LeftButton, {}, QPoint(200, 200));
            EXPECT_FALSE(button->suppressNextTap()) << "that press is over";
        }
        QTest::mouseClick(button.get(), Qt::LeftButton, {}, centre());
        EXPECT_EQ(taps, 1) << "released outside: " << releasedOutside;
        EXPECT_EQ(longPresses, 1);
    }
}

TEST_F(ProQuickButtonTest, MovingElevenPointsCancelsTheLongPress)
{
    auto button = make(true);
    hold(*button);
    dragMove(button.get(), QPointF(centre()) + QPointF(0, 5));
    EXPECT_TRUE(button->isPressing()) << "five points are within the limit";
    dragMove(button.get(), QPointF(centre()) + QPointF(0, 11));
    EXPECT_FALSE(button->isPressing());
    EXPECT_FALSE(button->longPressPending());
    EXPECT_EQ(longPresses, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return button->contentScale() == 1.0; }, 2000));
    QTest::mouseRelease(button.get(), Qt::LeftButton, {}, centre() + QPoint(0, 11));
    EXPECT_FALSE(button->suppressNextTap());
}

TEST_F(ProQuickButtonTest, ADisabledButtonRunsNothing)
{
    auto button = make(true);
    button->setEnabled(false);
    QTest::mouseClick(button.get(), Qt::LeftButton, {}, centre());
    hold(*button);
    EXPECT_FALSE(button->longPressPending());
    QTest::mouseRelease(button.get(), Qt::LeftButton, {}, centre());
    EXPECT_EQ(taps, 0);
    EXPECT_EQ(longPresses, 0);
    EXPECT_EQ(hapticImpacts(), 0);
}

TEST_F(ProQuickButtonTest, LongTextsStayOnOneLine)
{
    QWidget row;
    auto* layout = new QHBoxLayout(&row);
    const ProQuickButton::Face faces[] = {
        {"HOME", "1.001", QStringLiteral("home"), std::nullopt, QColor::fromRgbF(0.12f, 0.55f, 0.32f)},
        {"MY", QStringLiteral("\u2014"), QStringLiteral("star"), std::nullopt, QColor::fromRgbF(0.92f, 0.48f, 0.08f)},
        {"WAREHOUSE NORTH", "200.320 and more", QStringLiteral("mario"), std::nullopt,
         QColor::fromRgbF(0.22f, 0.42f, 0.78f)},
        {"SETUP", QStringLiteral("\u2699\uFE0E"), QStringLiteral("setup"), std::nullopt,
         QColor::fromRgbF(0.32f, 0.34f, 0.38f)},
    };
    for (const auto& face : faces)
        layout->addWidget(new ProQuickButton(face, [] {}));
    row.setStyleSheet(QStringLiteral("background: #2b2d33;"));
    row.adjustSize();
    EXPECT_EQ(row.findChildren<ProQuickButton*>().front()->size(), QSize(56, 70));
    saveArtifact(row, QStringLiteral("buttons"), QStringLiteral("quickbar"));
}
