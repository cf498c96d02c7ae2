#include "platform/audio_session_notifications.h"

#include "platform/pulse_connection.h"
#include "platform/tovrin_log.h"

#include <QCoreApplication>

AudioSessionNotifications& AudioSessionNotifications::instance()
{
    // Owned by the application object.
    static AudioSessionNotifications* shared = new AudioSessionNotifications;
    return *shared;
}

AudioSessionNotifications::AudioSessionNotifications()
    : QObject(QCoreApplication::instance())
{
    PulseConnection& connection = PulseConnection::instance();
    connect(&connection, &PulseConnection::availabilityChanged, this,
            &AudioSessionNotifications::serverAvailabilityChanged);
    connect(&connection, &PulseConnection::defaultDevicesChanged, this, &AudioSessionNotifications::routeChanged);
    // Read once connected: a change from now on arrives as a signal (one
    // that repeats this answer does nothing), and none falls in between.
    soundServerAvailable_ = connection.isReady();
}

void AudioSessionNotifications::serverAvailabilityChanged(bool available)
{
    if (available == soundServerAvailable_)
        return;
    soundServerAvailable_ = available;
    TovrinLog::audio(available ? QStringLiteral("sound server connected") : QStringLiteral("sound server went away"));
    emit soundServerAvailableChanged(available);
    if (available)
        emit interruption(Interruption{true, kInterruptionEnded, kShouldResume});
    else
        emit interruption(Interruption{true, kInterruptionBegan, std::nullopt});
}
