#pragma once

#include "models/workplace_membership.h"

#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

// One channel as the server lists it. Identity is the channel number;
// equality and hash take every field.
struct Channel {
    qint64 channelNumber = 0;
    QString displayFrequency;
    std::optional<QString> name;
    std::optional<QString> status;
    std::optional<bool> isPublic;
    std::optional<bool> listedPublic;
    std::optional<qint64> activeTalkerCount;
    std::optional<QString> ageMode;
    std::optional<QString> joinPolicy;
    std::optional<bool> isCommercial;
    std::optional<QString> companyName;
    std::optional<QString> orgId;
    std::optional<qint64> seatLimit;
    std::optional<qint64> seatsUsed;
    std::optional<QString> ownerRadioId;
    std::optional<QString> ownerDisplayName;

    qint64 id() const { return channelNumber; }

    static Channel fromJson(const QJsonObject& object);

    friend bool operator==(const Channel&, const Channel&) = default;
};

size_t qHash(const Channel& channel, size_t seed = 0);

// One page of a channel list.
struct ChannelListResponse {
    std::vector<Channel> channels;
    qint64 total = 0;
    qint64 page = 0;

    static ChannelListResponse fromJson(const QJsonObject& object);
};

// The server's answer to a join request.
struct JoinChannelResponse {
    bool allowed = false;
    std::optional<QString> reason;
    std::optional<Channel> channel;

    static JoinChannelResponse fromJson(const QJsonObject& object);
};

// The answer to the device check-in.
struct CheckinResponse {
    bool ok = false;
    QString uid;
    std::optional<QString> radioId;
    std::optional<qint64> ownedChannelNumber;
    std::optional<QString> ownedChannelDisplay;
    std::optional<QString> firstName;
    std::optional<QString> lastName;
    std::optional<QString> email;
    std::optional<QString> displayName;
    std::optional<WorkplaceMembership> workplace;

    static CheckinResponse fromJson(const QJsonObject& object);
};
