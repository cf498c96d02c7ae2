#pragma once

#include "views/app_stores.h"

class QWidget;

// Builds the screen of one tab (0 Radio, 1 Browse, 2 Settings) for the root view.
namespace AppScreens {

QWidget* build(int tab, const AppStores& stores, QWidget* parent);

}  // namespace AppScreens
