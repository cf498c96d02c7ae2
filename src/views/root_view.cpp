#include "views/root_view.h"

#include "platform/user_defaults.h"
#include "theme/theme_store.h"
#include "views/tovrin_bottom_tab_bar.h"

#include <QShowEvent>

RootView::RootView(const AppStores& stores, ScreenFactory factory, QWidget* parent)
    : QWidget(parent), stores_(stores), factory_(std::move(factory)), tabBar_(new TovrinBottomTabBar(this))
{
    connect(tabBar_, &TovrinBottomTabBar::tabTapped, this, &RootView::setSelectedTab);
    if (stores_.theme) {
        tabBar_->setAccent(stores_.theme->current().accent);
        connect(stores_.theme, &ThemeStore::currentChanged, tabBar_,
                [this] { tabBar_->setAccent(stores_.theme->current().accent); });
    }
    rebuildScreen();
}

void RootView::setSelectedTab(int tab)
{
    tabBar_->setSelection(tab);
    if (tab == selectedTab_)
        return;
    selectedTab_ = tab;
    rebuildScreen();
    Q_EMIT selectedTabChanged(tab);
}

void RootView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window restored from the dock shows again without appearing anew:
    // the screen in use and what was typed in it stay.
    if (event->spontaneous())
        return;
    // No tab is remembered between runs.
    UserDefaults().remove(QStringLiteral("tovrin.last_tab"));
    setSelectedTab(0);
}

void RootView::rebuildScreen()
{
    if (screen_)
        delete screen_.data();
    // Anything but Browse or Settings shows the radio.
    const int tab = (selectedTab_ == 1 || selectedTab_ == 2) ? selectedTab_ : 0;
    screen_ = factory_(tab, stores_, this);
    if (screen_) {
        screen_->show();
        screen_->lower();
    }
    layoutChildren();
}

void RootView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutChildren();
}

void RootView::layoutChildren()
{
    if (screen_)
        screen_->setGeometry(rect());
    const int barHeight = tabBar_->sizeHint().height();
    tabBar_->setGeometry(0, height() - barHeight, width(), barHeight);
    tabBar_->raise();
}
