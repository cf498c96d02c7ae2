#pragma once

#include <functional>

// The work done once per process before any window exists: the crash log
// first, then the update checker's two tasks. Built and run on the GUI thread
// by main(), after the application object and before the window.
class TovrinAppDelegate {
public:
    struct Launch {
        std::function<void()> installCrashLog;
        std::function<void()> checkForUpdates;
    };

    // The application's own launch steps.
    static Launch standardLaunch();

    explicit TovrinAppDelegate(Launch launch = standardLaunch());

    // Runs the launch steps in order; returns true, always, without waiting for the network.
    bool didFinishLaunching();

private:
    Launch launch_;
};
