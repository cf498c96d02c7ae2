// One main for every test executable: GoogleTest first, then one QApplication
// (offscreen unless told otherwise) on isolated per-process settings, data and
// cache directories so tests never touch the user's files or each other's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>

int main(int argc, char* argv[])
{
    ::testing::InitGoogleTest(&argc, argv);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tovrin-test-XXXXXX"));
    if (!home.isValid())
        return 3;
    const QString root = home.path();
    for (const char* sub : {"config", "data", "cache", "runtime"})
        QDir(root).mkpath(QLatin1String(sub));
    QFile::setPermissions(root + QStringLiteral("/runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (root + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CACHE_HOME", (root + QStringLiteral("/cache")).toUtf8());
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", (root + QStringLiteral("/runtime")).toUtf8());
    // No desktop session: keep Qt and the keychain off any session bus.
    if (qEnvironmentVariableIsEmpty("TOVRIN_TEST_KEEP_DBUS"))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("TovrinBrisel"));
    QApplication::setApplicationName(QStringLiteral("tovrin-brisel-tests"));

    return RUN_ALL_TESTS();
}
