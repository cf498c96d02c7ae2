#include "models/channel.h"

#include "models/record_decoding.h"

Channel Channel::fromJson(const QJsonObject& o)
{
    return Channel{
        .channelNumber = Json::requireInt(o, QStringLiteral("channel_number")),
        .displayFrequency = Json::requireString(o, QStringLiteral("display_frequency")),
        .name = Json::optionalString(o, QStringLiteral("name")),
        .status = Json::optionalString(o, QStringLiteral("status")),
        .isPublic = Json::optionalBool(o, QStringLiteral("is_public")),
        .listedPublic = Json::optionalBool(o, QStringLiteral("listed_public")),
        .activeTalkerCount = Json::optionalInt(o, QStringLiteral("active_talker_count")),
        .ageMode = Json::optionalString(o, QStringLiteral("age_mode")),
        .joinPolicy = Json::optionalString(o, QStringLiteral("join_policy")),
        .isCommercial = Json::optionalBool(o, QStringLiteral("is_commercial")),
        .companyName = Json::optionalString(o, QStringLiteral("company_name")),
        .orgId = Json::optionalString(o, QStringLiteral("org_id")),
        .seatLimit = Json::optionalInt(o, QStringLiteral("seat_limit")),
        .seatsUsed = Json::optionalInt(o, QStringLiteral("seats_used")),
        .ownerRadioId = Json::optionalString(o, QStringLiteral("owner_radio_id")),
        .ownerDisplayName = Json::optionalString(o, QStringLiteral("owner_display_name")),
    };
}

size_t qHash(const Channel& c, size_t seed)
{
    return Records::Hasher(seed)
        .add(c.channelNumber).add(c.displayFrequency).add(c.name).add(c.status).add(c.isPublic)
        .add(c.listedPublic).add(c.activeTalkerCount).add(c.ageMode).add(c.joinPolicy).add(c.isCommercial)
        .add(c.companyName).add(c.orgId).add(c.seatLimit).add(c.seatsUsed).add(c.ownerRadioId)
        .add(c.ownerDisplayName)
        .result();
}

ChannelListResponse ChannelListResponse::fromJson(const QJsonObject& o)
{
    return ChannelListResponse{
        .channels = Records::requireRecordList<Channel>(o, QStringLiteral("channels")),
        .total = Json::requireInt(o, QStringLiteral("total")),
        .page = Json::requireInt(o, QStringLiteral("page")),
    };
}

JoinChannelResponse JoinChannelResponse::fromJson(const QJsonObject& o)
{
    return JoinChannelResponse{
        .allowed = Json::requireBool(o, QStringLiteral("allowed")),
        .reason = Json::optionalString(o, QStringLiteral("reason")),
        .channel = Records::optionalRecord<Channel>(o, QStringLiteral("channel")),
    };
}

CheckinResponse CheckinResponse::fromJson(const QJsonObject& o)
{
    return CheckinResponse{
        .ok = Json::requireBool(o, QStringLiteral("ok")),
        .uid = Json::requireString(o, QStringLiteral("uid")),
        .radioId = Json::optionalString(o, QStringLiteral("radio_id")),
        .ownedChannelNumber = Json::optionalInt(o, QStringLiteral("owned_channel_number")),
        .ownedChannelDisplay = Json::optionalString(o, QStringLiteral("owned_channel_display")),
        .firstName = Json::optionalString(o, QStringLiteral("first_name")),
        .lastName = Json::optionalString(o, QStringLiteral("last_name")),
        .email = Json::optionalString(o, QStringLiteral("email")),
        .displayName = Json::optionalString(o, QStringLiteral("display_name")),
        .workplace = Records::optionalRecord<WorkplaceMembership>(o, QStringLiteral("workplace")),
    };
}
