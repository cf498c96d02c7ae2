#include "platform/user_defaults.h"
#include "theme/theme_store.h"
#include "views/placeholder_screen.h"
#include "views/root_view.h"
#include "views/tovrin_bottom_tab_bar.h"

#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QWidget* buildPlaceholder(int tab, const AppStores&, QWidget* parent)
{
    static const char* titles[] = {"Radio", "Browse", "Settings"};
    return new PlaceholderScreen(QString::fromLatin1(titles[tab]), parent);
}

QString currentTitle(const RootView& root)
{
    return static_cast<PlaceholderScreen*>(root.currentScreen())->title();
}

TEST(RootView, OnlyTheSelectedScreenExistsAndOddValuesShowTheRadio)
{
    ThemeStore theme;
    AppStores stores;
    stores.theme = &theme;
    RootView root(stores, buildPlaceholder);
    root.resize(402, 902);
    EXPECT_EQ(currentTitle(root), "Radio");

    QPointer<QWidget> radio = root.currentScreen();
    root.setSelectedTab(1);
    EXPECT_EQ(currentTitle(root), "Browse");
    EXPECT_TRUE(radio.isNull());  // the old screen is gone, not hidden
    EXPECT_EQ(root.findChildren<PlaceholderScreen*>().size(), 1);

    for (int odd : {3, -1}) {
        root.setSelectedTab(odd);
        EXPECT_EQ(currentTitle(root), "Radio") << odd;
    }
}

TEST(RootView, ShowingSelectsRadioAndForgetsAStoredTab)
{
    UserDefaults().set("tovrin.last_tab", 2);
    ThemeStore theme;
    AppStores stores;
    stores.theme = &theme;
    RootView root(stores, buildPlaceholder);
    root.setSelectedTab(2);
    root.show();
    EXPECT_EQ(root.selectedTab(), 0);
    EXPECT_FALSE(UserDefaults().contains("tovrin.last_tab"));
    EXPECT_EQ(root.tabBar()->selection(), 0);
}

TEST(RootView, RestoringAMinimisedWindowKeepsTheScreenInUse)
{
    ThemeStore theme;
    AppStores stores;
    stores.theme = &theme;
    RootView root(stores, buildPlaceholder);
    root.resize(402, 902);
    root.show();
    root.setSelectedTab(1);
    QPointer<QWidget> browse = root.currentScreen();

    root.setWindowState(Qt::WindowMinimized);
    root.setWindowState(Qt::WindowNoState);
    ASSERT_TRUE(root.isVisible());
    EXPECT_EQ(root.selectedTab(), 1);
    EXPECT_EQ(root.currentScreen(), browse.data());  // not rebuilt: what was typed stays

    // Hidden and shown again is a real appearance: the radio again.
    root.hide();
    root.show();
    EXPECT_EQ(root.selectedTab(), 0);
    EXPECT_TRUE(browse.isNull());
}

TEST(RootView, TabBarTapsSwitchAndTheAccentFollowsTheTheme)
{
    ThemeStore theme;
    AppStores stores;
    stores.theme = &theme;
    RootView root(stores, buildPlaceholder);
    root.resize(402, 902);
    QTest::mouseClick(root.tabBar(), Qt::LeftButton, {}, root.tabBar()->buttonRect(TovrinTab::settings).center().toPoint());
    EXPECT_EQ(currentTitle(root), "Settings");

    const FacePlateTheme& other = FacePlateTheme::catalog().at(5);
    ASSERT_NE(other.accent, theme.current().accent);
    theme.setCurrent(other);
    EXPECT_EQ(root.tabBar()->accent(), other.accent);
}

}  // namespace
