#pragma once

#include <QCoroTask>
#include <QString>
#include <QStringList>

#include <functional>

// The record permission as the engine, the voice pipe and the settings
// screen ask for it, and the way to the system's microphone settings.
namespace MicPrivacy {

// True when recording is allowed; asks once while the answer is still open.
QCoro::Task<bool> ensurePermission();

// Opens the first sound-settings program the desktop has installed; logs it
// when it started, silently does nothing otherwise.
void openMicrophoneSettings();

// One settings address: a program and its arguments.
struct SettingsAddress {
    QString program;
    QStringList arguments;
    QString text() const;
    bool operator==(const SettingsAddress&) const = default;
};
// The addresses tried, in order.
QList<SettingsAddress> settingsAddresses();

// Test seam: which addresses exist and whether opening one succeeds.
struct Launcher {
    std::function<bool(const SettingsAddress&)> exists;
    std::function<bool(const SettingsAddress&)> open;
};
void setLauncherForTesting(Launcher launcher);

}  // namespace MicPrivacy
