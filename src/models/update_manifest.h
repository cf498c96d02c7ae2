#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

// One platform's entry of the desktop update manifest (plain key names).
struct UpdatePlatformEntry {
    QString version;
    qint64 buildNumber = 0;
    QString downloadURL;
    std::optional<QString> checksumSHA256;  // hexadecimal, any letter case; empty: no check
    std::optional<bool> forceUpdate;
    std::optional<QString> releaseNotes;

    static UpdatePlatformEntry fromJson(const QJsonObject& object);
};

// The update manifest. A broken entry makes the whole manifest undecodable.
struct UpdateManifest {
    std::optional<UpdatePlatformEntry> mac;
    std::optional<UpdatePlatformEntry> ios;

    // Throws DecodeError.
    static UpdateManifest fromJson(const QByteArray& text);
};
