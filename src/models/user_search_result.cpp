#include "models/user_search_result.h"

#include "models/record_decoding.h"

UserSearchResult UserSearchResult::fromJson(const QJsonObject& o)
{
    return UserSearchResult{
        .uid = Json::requireString(o, QStringLiteral("uid")),
        .radioId = Json::optionalString(o, QStringLiteral("radio_id")),
        .displayName = Json::optionalString(o, QStringLiteral("display_name")),
        .firstName = Json::optionalString(o, QStringLiteral("first_name")),
        .lastName = Json::optionalString(o, QStringLiteral("last_name")),
        .email = Json::optionalString(o, QStringLiteral("email")),
        .ownedChannelNumber = Json::optionalInt(o, QStringLiteral("owned_channel_number")),
        .ownedChannelDisplay = Json::optionalString(o, QStringLiteral("owned_channel_display")),
    };
}

UserSearchResponse UserSearchResponse::fromJson(const QJsonObject& o)
{
    return {Records::requireRecordList<UserSearchResult>(o, QStringLiteral("users"))};
}
