#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

// The user's profile as the server stores it.
struct UserProfile {
    QString uid;
    std::optional<QString> radioId;
    std::optional<QString> email;
    std::optional<QString> firstName;
    std::optional<QString> lastName;
    std::optional<QString> appleId;
    std::optional<QString> displayName;
    std::optional<qint64> ownedChannelNumber;
    std::optional<QString> ownedChannelDisplay;
    std::optional<QString> channelName;

    static UserProfile fromJson(const QJsonObject& object);
};

// The reply to a profile change.
struct ProfileUpdateResponse {
    bool ok = false;
    std::optional<UserProfile> profile;

    static ProfileUpdateResponse fromJson(const QJsonObject& object);
};
