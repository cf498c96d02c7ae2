#include "views/tovrin_bottom_tab_bar.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(TovrinTab, RawValuesOutsideTheRangeGiveNoTab)
{
    for (int raw : {-1, 3, 99})
        EXPECT_FALSE(TovrinTabs::fromRaw(raw).has_value()) << raw;
    EXPECT_EQ(TovrinTabs::fromRaw(2), TovrinTab::settings);
    EXPECT_EQ(TovrinTabs::caption(TovrinTab::browse), "Browse");
}

TEST(TovrinBottomTabBar, TapsEmitTheTabsRawValueWithEqualWidths)
{
    TovrinBottomTabBar bar;
    bar.resize(bar.sizeHint());
    bar.setSelection(3);  // no tab selected; taps still work
    QSignalSpy taps(&bar, &TovrinBottomTabBar::tabTapped);
    for (TovrinTab tab : TovrinTabs::all)
        QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.buttonRect(tab).center().toPoint());
    ASSERT_EQ(taps.count(), 3);
    EXPECT_EQ(taps.at(0).at(0).toInt(), 0);
    EXPECT_EQ(taps.at(2).at(0).toInt(), 2);
    EXPECT_DOUBLE_EQ(bar.buttonRect(TovrinTab::radio).width(), bar.buttonRect(TovrinTab::settings).width());
    EXPECT_EQ(bar.selection(), 3);  // the bar never changes its own selection
}

TEST(TovrinBottomTabBar, SelectedTabTakesTheAccent)
{
    TovrinBottomTabBar bar;
    bar.resize(bar.sizeHint());
    bar.setAccent(QColor(255, 0, 0));
    bar.setSelection(1);
    const QImage image = bar.grab().toImage();
    auto redPixels = [&](TovrinTab tab) {
        const QRect r = bar.buttonRect(tab).toRect();
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                n += (c.red() > 200 && c.green() < 80 && c.blue() < 80) ? 1 : 0;
            }
        return n;
    };
    EXPECT_GT(redPixels(TovrinTab::browse), 10);
    EXPECT_EQ(redPixels(TovrinTab::radio), 0);
}

}  // namespace
