#include "app/tovrin_app_delegate.h"

#include "services/tovrin_brisel_auto_update.h"
#include "services/tovrin_crash_log.h"

TovrinAppDelegate::Launch TovrinAppDelegate::standardLaunch()
{
    return Launch{.installCrashLog = &TovrinCrashLog::install,
                  .checkForUpdates = &TovrinBriselAutoUpdate::checkOnLaunch};
}

TovrinAppDelegate::TovrinAppDelegate(Launch launch) : launch_(std::move(launch)) {}

bool TovrinAppDelegate::didFinishLaunching()
{
    if (launch_.installCrashLog)
        launch_.installCrashLog();
    if (launch_.checkForUpdates)
        launch_.checkForUpdates();
    return true;
}
