#include "models/channel_math.h"
#include "support/view_test_support.h"
#include "theme/theme_store.h"
#include "views/hardware_digit_module.h"
#include "views/swipeable_frequency_lcd.h"
#include "views/tuner_lcd_panel.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// ---------- drag quantisation ----------

TEST(DigitDragUnits, AxisByRawMovementThenTruncateTowardZero)
{
    struct Row {
        QPointF translation;
        int units;
    };
    const Row table[] = {
        {{0, 7}, 0},      // a short pull down is no step yet
        {{0, 20}, -1},
        {{0, 20.1}, -1},
        {{0, 41}, -2},
        {{0, -19.9}, 0},
        {{0, -20}, 1},
        {{0, -45}, 2},
        {{-45, 10}, 2},   // left counts like up
        {{10, 0}, 0},     // a small move right is no step
        {{30, 0}, -1},
        {{5, -15}, 0},    // slanted upward swipe never counts down
        {{19, -21}, 1},
        {{4, 5}, 0},      // wobble
        {{-20, 20}, -1},  // a tie goes to the vertical axis
    };
    for (const Row& row : table)
        EXPECT_EQ(digitDragUnits(row.translation, 20), row.units) << row.translation.x() << "," << row.translation.y();
}

// ---------- one module ----------

class DigitModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        HapticLog::clear();
        module = std::make_unique<HardwareDigitModule>(QChar('5'));
        module->resize(46, 72);
        QObject::connect(module.get(), &HardwareDigitModule::nudged, [this](int delta) { deltas.push_back(delta); });
        module->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(module.get(), 2000));
    }

    void press() { QTest::mousePress(module.get(), Qt::LeftButton, {}, centre); }
    void moveBy(QPointF d) { dragMove(module.get(), QPointF(centre) + d); }
    void release(QPointF d = {}) { QTest::mouseRelease(module.get(), Qt::LeftButton, {}, (QPointF(centre) + d).toPoint()); }

    std::vector<int> deltas;
    std::unique_ptr<HardwareDigitModule> module;
    const QPoint centre{23, 36};
};

TEST_F(DigitModuleTest, ArrowTapsReportOneStepAndUnpressShortlyAfter)
{
    QTest::mouseClick(module.get(), Qt::LeftButton, {}, {23, 5});
    EXPECT_TRUE(module->isPressed());
    QTest::mouseClick(module.get(), Qt::LeftButton, {}, {23, 67});
    EXPECT_EQ(deltas, std::vector<int>({1, -1}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !module->isPressed(); }, 2000));
    EXPECT_EQ(hapticTrace(), QStringList({"prepare medium", "impact light", "prepare medium", "impact light"}));
}

TEST_F(DigitModuleTest, TapOnTheGlyphOrOffTheArrowReportsNothing)
{
    QTest::mouseClick(module.get(), Qt::LeftButton, {}, centre);
    QTest::mousePress(module.get(), Qt::LeftButton, {}, {23, 5});
    QTest::mouseRelease(module.get(), Qt::LeftButton, {}, {23, 67});
    EXPECT_TRUE(deltas.empty());
}

TEST_F(DigitModuleTest, DragDownStepsEveryTwentyPoints)
{
    press();
    moveBy({0, 5});  // below the 6-point recognition distance
    EXPECT_FALSE(module->isPressed());
    moveBy({0, 7});
    EXPECT_TRUE(module->isPressed());
    EXPECT_TRUE(deltas.empty());
    moveBy({0, 20.5});
    moveBy({0, 30});
    moveBy({0, 41});
    EXPECT_EQ(deltas, std::vector<int>({-1, -1}));
    EXPECT_EQ(module->steppedUnits(), -2);
    EXPECT_DOUBLE_EQ(module->dragOffset(), 41);
    release({0, 41});
    EXPECT_FALSE(module->isPressed());
    EXPECT_EQ(module->steppedUnits(), 0);
    EXPECT_EQ(module->dragOffset(), 0);
    EXPECT_EQ(deltas.size(), 2u);  // nothing on release
}

TEST_F(DigitModuleTest, FastDragReportsAllStepsInOneCallAndBackReportsTheDifference)
{
    press();
    moveBy({0, -45});
    EXPECT_EQ(deltas, std::vector<int>({2}));
    EXPECT_EQ(hapticTrace(), QStringList({"prepare medium", "impact medium", "prepare medium", "impact light"}));
    moveBy({0, -15});
    EXPECT_EQ(deltas, std::vector<int>({2, -2}));
    release({0, -15});
}

TEST_F(DigitModuleTest, SidewaysDragAndSlantedSwipes)
{
    press();
    moveBy({-45, 10});
    EXPECT_EQ(deltas, std::vector<int>({2}));
    release({-45, 10});

    deltas.clear();
    press();
    moveBy({5, -15});  // up with a little drift right: no step, and never down
    moveBy({4, 5});
    EXPECT_TRUE(deltas.empty());
    moveBy({8, -26});
    EXPECT_EQ(deltas, std::vector<int>({1}));
    release({8, -26});
}

TEST_F(DigitModuleTest, GlyphFollowsTheDragAndSettles)
{
    press();
    moveBy({0, 50});
    EXPECT_DOUBLE_EQ(module->glyphShift(), 4);
    release({0, 50});
    EXPECT_TRUE(QTest::qWaitFor([&] { return module->glyphShift() == 0; }, 2000));
}

// ---------- the row ----------

class FrequencyRowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        row = std::make_unique<SwipeableFrequencyLCD>();
        row->resize(400, 72);
        row->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(row.get(), 2000));
    }

    HardwareDigitModule* digit(int index) { return qobject_cast<HardwareDigitModule*>(row->modules().at(size_t(index))); }

    std::unique_ptr<SwipeableFrequencyLCD> row;
};

TEST_F(FrequencyRowTest, ModulesAndNaturalWidth)
{
    row->setFrequency("001.001");
    ASSERT_EQ(row->modules().size(), 7u);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(qobject_cast<HardwareDecimalModule*>(row->modules()[size_t(i)]) != nullptr, i == 3) << i;
    EXPECT_EQ(SwipeableFrequencyLCD::contentWidth("001.001"), 326);
    EXPECT_EQ(SwipeableFrequencyLCD::contentWidth(""), 0);
    EXPECT_EQ(SwipeableFrequencyLCD::contentWidth("1..2"), 46 + 14 + 14 + 46 + 3 * 6);
    EXPECT_EQ(row->rowScale(), 1);
    EXPECT_EQ(digit(0)->geometry().size(), QSize(46, 72));
    EXPECT_EQ(row->accessibleName(), "Channel 001.001");

    row->resize(300, 72);
    EXPECT_DOUBLE_EQ(row->rowScale(), 300.0 / 326);
    EXPECT_NEAR(digit(0)->height(), 72 * 300.0 / 326, 1);

    row->setFrequency("");
    EXPECT_TRUE(row->modules().empty());
    EXPECT_EQ(row->rowScale(), 1);
}

TEST_F(FrequencyRowTest, ArrowTapsReportCharacterIndex)
{
    row->setFrequency("123.456");
    QSignalSpy spy(row.get(), &SwipeableFrequencyLCD::digitNudged);
    QTest::mouseClick(digit(5), Qt::LeftButton, {}, {23, 67});
    QTest::mouseClick(digit(0), Qt::LeftButton, {}, {23, 5});
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0), QVariantList({5, -1}));
    EXPECT_EQ(spy.at(1), QVariantList({0, 1}));
}

TEST_F(FrequencyRowTest, NonDigitGetsAnUnlitModule)
{
    row->setFrequency("12-5");
    ASSERT_EQ(row->modules().size(), 4u);
    EXPECT_EQ(digit(2)->character(), QChar('-'));
}

TEST_F(FrequencyRowTest, DragSurvivesTheRetuneItsStepsCause)
{
    row->setFrequency("001.001");
    // The owner retunes on every nudge, as the radio screen does.
    QObject::connect(row.get(), &SwipeableFrequencyLCD::digitNudged, row.get(), [this](int index, int delta) {
        row->setFrequency(ChannelMath::nudgeDisplayCharacter(row->frequency(), index, delta));
    });
    HardwareDigitModule* module = digit(6);
    const QPointF start(23, 36);
    pressAndSwipeUp(module, start, 65);
    EXPECT_EQ(row->frequency(), "001.004");
    EXPECT_EQ(digit(6), module);
    EXPECT_EQ(module->steppedUnits(), 3);
    QTest::mouseRelease(module, Qt::LeftButton, {}, (start - QPointF(0, 65)).toPoint());
    EXPECT_EQ(module->steppedUnits(), 0);
    EXPECT_EQ(row->frequency(), "001.004");
}

TEST_F(FrequencyRowTest, NewShapeRebuildsTheModules)
{
    row->setFrequency("123.456");
    QWidget* first = row->modules().front();
    row->setFrequency("12.5");
    ASSERT_EQ(row->modules().size(), 4u);
    EXPECT_NE(row->modules().front(), first);
    EXPECT_EQ(qobject_cast<HardwareDecimalModule*>(row->modules()[2]) != nullptr, true);
}

// ---------- the panel ----------

class TunerPanelTest : public ::testing::Test {
protected:
    void SetUp() override { panel = std::make_unique<TunerLCDPanel>(&theme); }

    void useLcd(const QColor& lcdBg)
    {
        FacePlateTheme t = theme.current();
        t.lcdBg = lcdBg;
        theme.setCurrent(t);
    }

    ThemeStore theme;
    std::unique_ptr<TunerLCDPanel> panel;
};

TEST_F(TunerPanelTest, HintFollowsTheFrequency)
{
    const std::pair<const char*, bool> table[] = {
        {"001.001", true}, {"200.320", true}, {"12.5", true},   {"201.001", false},
        {"000.005", false}, {"123.456", false}, {"12-5", false}, {"", false},
    };
    for (const auto& [frequency, valid] : table) {
        panel->setFrequency(QString::fromLatin1(frequency));
        EXPECT_EQ(panel->hintText(), valid ? TunerLCDPanel::validHint : TunerLCDPanel::outOfRangeHint) << frequency;
    }
    EXPECT_EQ(TunerLCDPanel::validHint, QString::fromUtf8("tap ▲▼ or swipe digit · then JOIN"));
    EXPECT_EQ(TunerLCDPanel::outOfRangeHint, QString::fromUtf8("out of range — JOIN snaps to nearest valid"));
}

TEST_F(TunerPanelTest, StatusIsVerbatimAndInkFollowsLcdLuminance)
{
    panel->setStatus(QString::fromUtf8("TUNING…"));
    EXPECT_EQ(panel->statusText(), QString::fromUtf8("TUNING…"));
    panel->setFrequency("001.001");

    useLcd(QColor(10, 20, 10));
    EXPECT_EQ(panel->statusColour().rgb(), QColor(Qt::white).rgb());
    EXPECT_NEAR(panel->statusColour().alphaF(), 0.816, 0.005);
    EXPECT_NEAR(panel->hintColour().alphaF(), 0.384, 0.005);

    useLcd(QColor(230, 240, 220));
    EXPECT_EQ(panel->statusColour().rgb(), QColor(Qt::black).rgb());
    EXPECT_NEAR(panel->statusColour().alphaF(), 0.748, 0.005);
    EXPECT_NEAR(panel->hintColour().alphaF(), 0.352, 0.005);

    panel->setFrequency("300.320");
    EXPECT_NEAR(panel->hintColour().alphaF(), 0.85, 0.005);
    EXPECT_GT(panel->hintColour().redF(), 0.9f);  // orange
}

TEST_F(TunerPanelTest, ReportsNudges)
{
    panel->setFrequency("123.456");
    panel->resize(400, 160);
    panel->show();
    QSignalSpy spy(panel.get(), &TunerLCDPanel::digitNudged);
    auto* row = panel->frequencyRow();
    QTest::mouseClick(row->modules()[4], Qt::LeftButton, {}, {23, 5});
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0), QVariantList({4, 1}));
    saveArtifact(*panel, "tuner-lcd");
}

}  // namespace
