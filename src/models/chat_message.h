#pragma once

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The name a person without one goes by, on screen and on the wire.
inline const QString kDefaultDisplayName = QStringLiteral("Radio User");

// The name screens show for a person: the display name trimmed of blanks and
// newlines, or kDefaultDisplayName when that is empty or only repeats the radio ID
// (letter case aside). Never the radio ID itself, never empty.
QString chatNickname(const QString& displayName, const QString& radioId);

// One chat line. Identity is `id`; equality takes every field.
struct ChatMessage {
    QString id;
    QString uid;
    QString radioId;
    QString displayName;
    QString text;
    double ts = 0;  // seconds since 1970-01-01 00:00 UTC
    // For each emoji given, the user ids of those who gave it.
    QMap<QString, QStringList> reactions;

    QString chatNickname() const { return ::chatNickname(displayName, radioId); }

    static ChatMessage fromJson(const QJsonObject& object);

    friend bool operator==(const ChatMessage&, const ChatMessage&) = default;
};

// One listener on the channel. Identity is `uid`.
struct ChannelRosterMember {
    QString uid;
    QString radioId;
    QString displayName;

    const QString& id() const { return uid; }
    QString chatNickname() const { return ::chatNickname(displayName, radioId); }

    static ChannelRosterMember fromJson(const QJsonObject& object);

    friend bool operator==(const ChannelRosterMember&, const ChannelRosterMember&) = default;
};

size_t qHash(const ChannelRosterMember& member, size_t seed = 0);

// One user banned from a channel the user owns. Identity is `uid`.
struct ChannelBanEntry {
    QString uid;
    QString radioId;
    QString displayName;

    const QString& id() const { return uid; }
    QString chatNickname() const { return ::chatNickname(displayName, radioId); }

    static ChannelBanEntry fromJson(const QJsonObject& object);

    friend bool operator==(const ChannelBanEntry&, const ChannelBanEntry&) = default;
};

size_t qHash(const ChannelBanEntry& entry, size_t seed = 0);

// The reply of the channel-bans endpoint; only `bans` is read.
struct ChannelBansResponse {
    std::optional<bool> ok;
    std::optional<QString> error;
    std::vector<ChannelBanEntry> bans;

    static ChannelBansResponse fromJson(const QJsonObject& object);
};
