#include "app/tovrin_app_delegate.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

TEST(AppDelegate, InstallsTheCrashLogThenStartsTheUpdatesAndReturnsTrue)
{
    QStringList steps;
    TovrinAppDelegate delegate(TovrinAppDelegate::Launch{
        .installCrashLog = [&] { steps << QStringLiteral("crash log"); },
        .checkForUpdates = [&] { steps << QStringLiteral("updates"); },
    });
    EXPECT_TRUE(delegate.didFinishLaunching());
    EXPECT_EQ(steps, (QStringList{"crash log", "updates"}));
}

}  // namespace
