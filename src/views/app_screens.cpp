#include "views/app_screens.h"

#include "views/placeholder_screen.h"

namespace AppScreens {

QWidget* build(int tab, const AppStores&, QWidget* parent)
{
    switch (tab) {
    case 1:
        return new PlaceholderScreen(QStringLiteral("Browse"), parent);
    case 2:
        return new PlaceholderScreen(QStringLiteral("Settings"), parent);
    default:
        return new PlaceholderScreen(QStringLiteral("Radio"), parent);
    }
}

}  // namespace AppScreens
