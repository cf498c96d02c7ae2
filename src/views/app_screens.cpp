#include "views/app_screens.h"

#include "views/browse_view.h"
#include "views/placeholder_screen.h"
#include "views/radio_view.h"
#include "views/settings_view.h"

namespace AppScreens {

QWidget* build(int tab, const AppStores& stores, QWidget* parent)
{
    switch (tab) {
    case 1:
        return new BrowseView(stores, parent);
    case 2:
        return new SettingsView(stores, parent);
    default:
        return new RadioView(stores, parent);
    }
}

}  // namespace AppScreens
