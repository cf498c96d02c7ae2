#include "platform/audio_session_notifications.h"

#include <QCoreApplication>
#include <QMediaDevices>

AudioSessionNotifications& AudioSessionNotifications::instance()
{
    // Owned by the application object, so it goes before Qt Multimedia does.
    static AudioSessionNotifications* shared = new AudioSessionNotifications;
    return *shared;
}

AudioSessionNotifications::AudioSessionNotifications() : QObject(QCoreApplication::instance())
{
    auto* devices = new QMediaDevices(this);
    connect(devices, &QMediaDevices::audioOutputsChanged, this, &AudioSessionNotifications::routeChanged);
    connect(devices, &QMediaDevices::audioInputsChanged, this, &AudioSessionNotifications::routeChanged);
}
