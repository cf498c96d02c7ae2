#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

// One entry of a channel's allow list. Identity is `radioId`.
struct AllowlistEntry {
    QString radioId;
    std::optional<QString> label;

    const QString& id() const { return radioId; }

    static AllowlistEntry fromJson(const QJsonObject& object);
};

// The settings of the channel the user owns. It never carries the passkey.
struct ChannelSettings {
    qint64 channelNumber = 0;
    QString displayFrequency;
    std::optional<QString> name;
    qint64 maxTalkers = 0;
    QString joinPolicy;  // "open", "allowlist" or "passkey"
    bool isLocked = false;
    bool hasPasskey = false;
    bool listedPublic = false;
    std::vector<AllowlistEntry> allowlist;
    std::optional<QString> iconId;
    std::optional<QString> iconCustom;

    static ChannelSettings fromJson(const QJsonObject& object);
};

// The reply to a change of the channel settings.
struct ChannelSettingsResponse {
    std::optional<bool> ok;
    std::optional<QString> error;
    std::optional<ChannelSettings> settings;

    static ChannelSettingsResponse fromJson(const QJsonObject& object);
};
