#include "theme/theme_store.h"

#include "platform/user_defaults.h"

ThemeStore::ThemeStore(QObject* parent)
    : QObject(parent)
    , current_(FacePlateTheme::byId(UserDefaults().string(QString::fromLatin1(kKey)).value_or(QStringLiteral("classic"))))
{
}

void ThemeStore::setCurrent(const FacePlateTheme& theme)
{
    const bool changed = !(theme == current_);
    current_ = theme;
    UserDefaults defaults;
    defaults.set(QString::fromLatin1(kKey), theme.id);
    defaults.sync();
    if (changed)
        emit currentChanged();
}
