#include "services/mic_privacy.h"

#include "platform/record_permission.h"
#include "platform/tovrin_log.h"

#include <QProcess>
#include <QStandardPaths>

namespace MicPrivacy {
namespace {

Launcher& launcher()
{
    static Launcher current;
    return current;
}

bool exists(const SettingsAddress& address)
{
    if (launcher().exists)
        return launcher().exists(address);
    return !QStandardPaths::findExecutable(address.program).isEmpty();
}

bool open(const SettingsAddress& address)
{
    if (launcher().open)
        return launcher().open(address);
    return QProcess::startDetached(QStandardPaths::findExecutable(address.program), address.arguments);
}

}  // namespace

QCoro::Task<bool> ensurePermission()
{
    switch (RecordPermission::current()) {
    case RecordPermission::State::granted: co_return true;
    case RecordPermission::State::denied: co_return false;
    case RecordPermission::State::undetermined: break;
    }
    co_return RecordPermission::request();
}

QString SettingsAddress::text() const
{
    return (QStringList{program} + arguments).join(QLatin1Char(' '));
}

QList<SettingsAddress> settingsAddresses()
{
    // The desktop's own input-device settings, most specific first.
    return {
        {QStringLiteral("pavucontrol"), {QStringLiteral("--tab=4")}},
        {QStringLiteral("gnome-control-center"), {QStringLiteral("sound")}},
        {QStringLiteral("systemsettings"), {QStringLiteral("kcm_pulseaudio")}},
    };
}

void openMicrophoneSettings()
{
    const QList<SettingsAddress> addresses = settingsAddresses();
    const auto first = std::find_if(addresses.begin(), addresses.end(), exists);
    if (first != addresses.end() && open(*first))
        TovrinLog::ptt(QStringLiteral("[mic] opened settings url=") + first->text());
}

void setLauncherForTesting(Launcher l) { launcher() = std::move(l); }

}  // namespace MicPrivacy
