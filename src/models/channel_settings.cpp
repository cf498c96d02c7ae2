#include "models/channel_settings.h"

#include "models/record_decoding.h"

AllowlistEntry AllowlistEntry::fromJson(const QJsonObject& o)
{
    return AllowlistEntry{
        .radioId = Json::requireString(o, QStringLiteral("radio_id")),
        .label = Json::optionalString(o, QStringLiteral("label")),
    };
}

ChannelSettings ChannelSettings::fromJson(const QJsonObject& o)
{
    return ChannelSettings{
        .channelNumber = Json::requireInt(o, QStringLiteral("channel_number")),
        .displayFrequency = Json::requireString(o, QStringLiteral("display_frequency")),
        .name = Json::optionalString(o, QStringLiteral("name")),
        .maxTalkers = Json::requireInt(o, QStringLiteral("max_talkers")),
        .joinPolicy = Json::requireString(o, QStringLiteral("join_policy")),
        .isLocked = Json::requireBool(o, QStringLiteral("is_locked")),
        .hasPasskey = Json::requireBool(o, QStringLiteral("has_passkey")),
        .listedPublic = Json::requireBool(o, QStringLiteral("listed_public")),
        .allowlist = Records::requireRecordList<AllowlistEntry>(o, QStringLiteral("allowlist")),
        .iconId = Json::optionalString(o, QStringLiteral("icon_id")),
        .iconCustom = Json::optionalString(o, QStringLiteral("icon_custom")),
    };
}

ChannelSettingsResponse ChannelSettingsResponse::fromJson(const QJsonObject& o)
{
    return ChannelSettingsResponse{
        .ok = Json::optionalBool(o, QStringLiteral("ok")),
        .error = Json::optionalString(o, QStringLiteral("error")),
        .settings = Records::optionalRecord<ChannelSettings>(o, QStringLiteral("settings")),
    };
}
