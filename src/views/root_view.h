#pragma once

#include "views/app_stores.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class TovrinBottomTabBar;

// The tab container: exactly one of Radio, Browse and Settings above the
// floating tab bar. Only the selected screen exists; switching tabs destroys
// the old screen and builds the new one, while the stores stay as they are.
// The Radio tab is selected every time the view appears; a window restored
// after being minimised does not count as appearing.
class RootView : public QWidget {
    Q_OBJECT
public:
    // Builds the screen of a tab; the root view owns what it returns.
    using ScreenFactory = std::function<QWidget*(int tab, const AppStores& stores, QWidget* parent)>;

    RootView(const AppStores& stores, ScreenFactory factory, QWidget* parent = nullptr);

    int selectedTab() const { return selectedTab_; }
    void setSelectedTab(int tab);
    QWidget* currentScreen() const { return screen_; }
    TovrinBottomTabBar* tabBar() const { return tabBar_; }

Q_SIGNALS:
    void selectedTabChanged(int tab);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuildScreen();
    void layoutChildren();

    AppStores stores_;
    ScreenFactory factory_;
    TovrinBottomTabBar* tabBar_;
    QPointer<QWidget> screen_;
    int selectedTab_ = 0;
};
