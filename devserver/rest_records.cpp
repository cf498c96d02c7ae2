#include "rest_records.h"

#include <QJsonArray>

namespace RestRecords {
namespace {

void putIfSet(QJsonObject& object, const QString& key, const QString& value)
{
    if (!value.isEmpty())
        object.insert(key, value);
}

void putIfSet(QJsonObject& object, const QString& key, const std::optional<QString>& value)
{
    if (value)
        object.insert(key, *value);
}

}  // namespace

QJsonObject channel(DevState& state, qint64 channelNumber)
{
    QJsonObject out{
        {"channel_number", channelNumber},
        {"display_frequency", DevState::displayFrequency(channelNumber)},
        {"active_talker_count", state.listenerCount(channelNumber)},
        {"age_mode", "all"},
    };
    if (DevState::isHomeChannel(channelNumber)) {
        out.insert("name", QStringLiteral("Home %1").arg(DevState::displayFrequency(channelNumber)));
        out.insert("status", "public");
        out.insert("is_public", true);
        out.insert("listed_public", true);
        out.insert("join_policy", "open");
        out.insert("is_commercial", false);
    } else if (const DevOrg* org = state.orgOfChannel(channelNumber)) {
        out.insert("name", org->name);
        out.insert("status", "active");
        out.insert("is_public", false);
        out.insert("listed_public", org->listedCommercial);
        out.insert("join_policy", "workplace");
        out.insert("is_commercial", true);
        out.insert("company_name", org->name);
        out.insert("org_id", org->orgId);
        out.insert("seat_limit", org->seatLimit);
        out.insert("seats_used", qint64(org->memberUids.size()));
    } else if (const DevUser* owner = state.ownerOf(channelNumber)) {
        const DevChannelSettings& settings = state.settings(channelNumber);
        putIfSet(out, "name", settings.name);
        out.insert("status", "active");
        out.insert("is_public", settings.listedPublic && settings.joinPolicy == QLatin1String("open"));
        out.insert("listed_public", settings.listedPublic);
        out.insert("join_policy", settings.joinPolicy);
        out.insert("is_commercial", false);
        out.insert("owner_radio_id", owner->radioId);
        putIfSet(out, "owner_display_name", shownName(*owner));
    } else {
        out.insert("status", "inactive");
    }
    return out;
}

QJsonObject channelSettings(DevState& state, qint64 channelNumber)
{
    const DevChannelSettings& settings = state.settings(channelNumber);
    QJsonArray allowlist;
    for (const QString& radioId : settings.allowlist)
        allowlist.append(QJsonObject{{"radio_id", radioId}});
    QJsonObject out{
        {"channel_number", channelNumber},
        {"display_frequency", DevState::displayFrequency(channelNumber)},
        {"max_talkers", settings.maxTalkers},
        {"join_policy", settings.joinPolicy},
        {"is_locked", settings.isLocked},
        {"has_passkey", !settings.passkey.isEmpty()},
        {"listed_public", settings.listedPublic},
        {"allowlist", allowlist},
    };
    putIfSet(out, "name", settings.name);
    putIfSet(out, "icon_id", settings.iconId);
    putIfSet(out, "icon_custom", settings.iconCustom);
    return out;
}

QJsonObject person(const DevUser& user)
{
    return {{"uid", user.uid}, {"radio_id", user.radioId}, {"display_name", shownName(user)}};
}

QJsonObject person(const DevState& state, const QString& uid)
{
    if (const DevUser* user = state.findUser(uid))
        return person(*user);
    return {{"uid", uid}, {"radio_id", ""}, {"display_name", ""}};
}

QJsonObject slot(const DevSlot& slot)
{
    QJsonObject out{
        {"id", slot.id},
        {"label", slot.label},
        {"channel_number", slot.channelNumber},
        {"display_frequency", DevState::displayFrequency(slot.channelNumber)},
    };
    putIfSet(out, "friend_radio_id", slot.friendRadioId);
    putIfSet(out, "friend_uid", slot.friendUid);
    putIfSet(out, "icon_id", slot.iconId);
    putIfSet(out, "icon_custom", slot.iconCustom);
    return out;
}

QJsonObject profile(DevState& state, const DevUser& user)
{
    QJsonObject out{
        {"uid", user.uid},
        {"radio_id", user.radioId},
        {"owned_channel_number", user.ownedChannel},
        {"owned_channel_display", DevState::displayFrequency(user.ownedChannel)},
    };
    putIfSet(out, "email", user.email);
    putIfSet(out, "first_name", user.firstName);
    putIfSet(out, "last_name", user.lastName);
    putIfSet(out, "apple_id", user.appleId);
    putIfSet(out, "display_name", user.displayName);
    putIfSet(out, "channel_name", state.settings(user.ownedChannel).name);
    return out;
}

QJsonObject searchHit(const DevUser& user)
{
    QJsonObject out{
        {"uid", user.uid},
        {"radio_id", user.radioId},
        {"owned_channel_number", user.ownedChannel},
        {"owned_channel_display", DevState::displayFrequency(user.ownedChannel)},
    };
    putIfSet(out, "display_name", user.displayName);
    putIfSet(out, "first_name", user.firstName);
    putIfSet(out, "last_name", user.lastName);
    putIfSet(out, "email", user.email);
    return out;
}

QJsonObject workplace(const DevOrg& org, const QString& viewerUid)
{
    const bool admin = org.adminUid == viewerUid;
    QJsonObject out{
        {"org_id", org.orgId},
        {"name", org.name},
        {"channel_number", org.channelNumber},
        {"display_frequency", DevState::displayFrequency(org.channelNumber)},
        {"channel_name", org.name},
        {"seat_limit", org.seatLimit},
        {"seats_used", qint64(org.memberUids.size())},
        {"listed_commercial", org.listedCommercial},
        {"role", admin ? "admin" : "member"},
    };
    if (admin)
        out.insert("company_code", org.companyCode);
    putIfSet(out, "icon_id", org.iconId);
    putIfSet(out, "icon_custom", org.iconCustom);
    return out;
}

}  // namespace RestRecords
