#include "models/user_profile.h"

#include "models/record_decoding.h"

UserProfile UserProfile::fromJson(const QJsonObject& o)
{
    return UserProfile{
        .uid = Json::requireString(o, QStringLiteral("uid")),
        .radioId = Json::optionalString(o, QStringLiteral("radio_id")),
        .email = Json::optionalString(o, QStringLiteral("email")),
        .firstName = Json::optionalString(o, QStringLiteral("first_name")),
        .lastName = Json::optionalString(o, QStringLiteral("last_name")),
        .appleId = Json::optionalString(o, QStringLiteral("apple_id")),
        .displayName = Json::optionalString(o, QStringLiteral("display_name")),
        .ownedChannelNumber = Json::optionalInt(o, QStringLiteral("owned_channel_number")),
        .ownedChannelDisplay = Json::optionalString(o, QStringLiteral("owned_channel_display")),
        .channelName = Json::optionalString(o, QStringLiteral("channel_name")),
    };
}

ProfileUpdateResponse ProfileUpdateResponse::fromJson(const QJsonObject& o)
{
    return ProfileUpdateResponse{
        .ok = Json::requireBool(o, QStringLiteral("ok")),
        .profile = Records::optionalRecord<UserProfile>(o, QStringLiteral("profile")),
    };
}
