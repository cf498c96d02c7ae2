// The names the desktop and the sound server are given agree with the desktop
// entry that the install puts beside the binary, and the windows carry the icon.
#include "app/app_identity.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIcon>

#include <gtest/gtest.h>

namespace {

// The keys of the entry's [Desktop Entry] group.
QHash<QString, QString> desktopEntry(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QHash<QString, QString> keys;
    bool inEntry = false;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.contains(QLatin1Char('=')))
            keys.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    }
    return keys;
}

// The test executable's own identity, put back when the test ends.
struct SavedIdentity {
    QString organization = QCoreApplication::organizationName();
    QString name = QCoreApplication::applicationName();
    QString displayName = QGuiApplication::applicationDisplayName();
    QString version = QCoreApplication::applicationVersion();
    QString desktopFileName = QGuiApplication::desktopFileName();
    QIcon icon = QApplication::windowIcon();

    ~SavedIdentity()
    {
        QCoreApplication::setOrganizationName(organization);
        QCoreApplication::setApplicationName(name);
        QGuiApplication::setApplicationDisplayName(displayName);
        QCoreApplication::setApplicationVersion(version);
        QGuiApplication::setDesktopFileName(desktopFileName);
        QApplication::setWindowIcon(icon);
    }
};

TEST(AppIdentity, MatchesTheInstalledDesktopEntryAndCarriesTheIcon)
{
    const SavedIdentity saved;
    AppIdentity::apply();

    EXPECT_EQ(QGuiApplication::desktopFileName(), "tovrin-brisel");
    // The sound server is told this name as the application's id and icon.
    EXPECT_EQ(QCoreApplication::applicationName(), QGuiApplication::desktopFileName());
    EXPECT_FALSE(QApplication::windowIcon().pixmap(48).isNull());

    const QString path = QStringLiteral(TOVRIN_DESKTOP_ENTRY);
    EXPECT_EQ(QFileInfo(path).fileName(), QGuiApplication::desktopFileName() + QStringLiteral(".desktop"));
    const QHash<QString, QString> entry = desktopEntry(path);
    EXPECT_EQ(entry.value(QStringLiteral("Type")), "Application");
    EXPECT_EQ(entry.value(QStringLiteral("Name")), QGuiApplication::applicationDisplayName());
    EXPECT_EQ(entry.value(QStringLiteral("Exec")), TOVRIN_APP_BINARY_NAME);
    EXPECT_EQ(entry.value(QStringLiteral("Icon")), QCoreApplication::applicationName());
    EXPECT_EQ(entry.value(QStringLiteral("StartupWMClass")), QCoreApplication::applicationName());
}

}  // namespace
