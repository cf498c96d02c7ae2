#include "models/workplace_membership.h"

#include "models/record_decoding.h"

WorkplaceMembership WorkplaceMembership::fromJson(const QJsonObject& o)
{
    return WorkplaceMembership{
        .orgId = Json::requireString(o, QStringLiteral("org_id")),
        .name = Json::requireString(o, QStringLiteral("name")),
        .channelNumber = Json::requireInt(o, QStringLiteral("channel_number")),
        .displayFrequency = Json::requireString(o, QStringLiteral("display_frequency")),
        .channelName = Json::optionalString(o, QStringLiteral("channel_name")),
        .seatLimit = Json::requireInt(o, QStringLiteral("seat_limit")),
        .seatsUsed = Json::optionalInt(o, QStringLiteral("seats_used")),
        .listedCommercial = Json::optionalBool(o, QStringLiteral("listed_commercial")),
        .role = Json::optionalString(o, QStringLiteral("role")),
        .companyCode = Json::optionalString(o, QStringLiteral("company_code")),
        .iconId = Json::optionalString(o, QStringLiteral("icon_id")),
        .iconCustom = Json::optionalString(o, QStringLiteral("icon_custom")),
    };
}

QString WorkplaceMembership::seatsLabel() const
{
    return QStringLiteral("%1/%2 users").arg(seatsUsed.value_or(0)).arg(seatLimit);
}

size_t qHash(const WorkplaceMembership& m, size_t seed)
{
    return Records::Hasher(seed)
        .add(m.orgId).add(m.name).add(m.channelNumber).add(m.displayFrequency).add(m.channelName)
        .add(m.seatLimit).add(m.seatsUsed).add(m.listedCommercial).add(m.role).add(m.companyCode)
        .add(m.iconId).add(m.iconCustom)
        .result();
}

WorkplaceMineResponse WorkplaceMineResponse::fromJson(const QJsonObject& o)
{
    return {Records::optionalRecord<WorkplaceMembership>(o, QStringLiteral("workplace"))};
}

WorkplaceActionResponse WorkplaceActionResponse::fromJson(const QJsonObject& o)
{
    return WorkplaceActionResponse{
        .ok = Json::requireBool(o, QStringLiteral("ok")),
        .error = Json::optionalString(o, QStringLiteral("error")),
        .workplace = Records::optionalRecord<WorkplaceMembership>(o, QStringLiteral("workplace")),
        .companyCode = Json::optionalString(o, QStringLiteral("company_code")),
    };
}
