#include "models/saved_channel_slot.h"

#include "models/record_decoding.h"

SavedChannelSlot SavedChannelSlot::fromJson(const QJsonObject& o)
{
    return SavedChannelSlot{
        .id = Json::requireInt(o, QStringLiteral("id")),
        .label = Json::requireString(o, QStringLiteral("label")),
        .channelNumber = Json::requireInt(o, QStringLiteral("channel_number")),
        .displayFrequency = Json::optionalString(o, QStringLiteral("display_frequency")),
        .friendRadioId = Json::optionalString(o, QStringLiteral("friend_radio_id")),
        .friendUid = Json::optionalString(o, QStringLiteral("friend_uid")),
        .iconId = Json::optionalString(o, QStringLiteral("icon_id")),
        .iconCustom = Json::optionalString(o, QStringLiteral("icon_custom")),
    };
}

SavedChannelsResponse SavedChannelsResponse::fromJson(const QJsonObject& o)
{
    return {Records::requireRecordList<SavedChannelSlot>(o, QStringLiteral("slots"))};
}

SavedChannelUpdateResponse SavedChannelUpdateResponse::fromJson(const QJsonObject& o)
{
    return SavedChannelUpdateResponse{
        .ok = Json::requireBool(o, QStringLiteral("ok")),
        .error = Json::optionalString(o, QStringLiteral("error")),
        .slot = Records::optionalRecord<SavedChannelSlot>(o, QStringLiteral("slot")),
    };
}
