#include "app/app_identity.h"

#include "platform/bundled_resources.h"

#include <QApplication>
#include <QIcon>

void AppIdentity::apply()
{
    const QString name = QStringLiteral("tovrin-brisel");
    QApplication::setOrganizationName(QStringLiteral("TovrinBrisel"));
    QApplication::setApplicationName(name);
    QApplication::setApplicationDisplayName(QStringLiteral("My Tovrin-Brisel"));
    QApplication::setApplicationVersion(QStringLiteral(TOVRIN_APP_VERSION));
    // Desktops match the window to its entry (and so to its icon) by this name.
    QGuiApplication::setDesktopFileName(name);
    BundledResources::ensureLoaded();
    // The same picture as the installed icon, for desktops that take it from the window.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(name)));
}
