// The account side of the REST endpoints: check-in, profile, saved channels,
// user search, blocks and the workplace.
#include "rest_api.h"

#include "rest_records.h"
#include "rest_request.h"

#include <QJsonArray>

using namespace RestRequest;

namespace {

constexpr int kMaxSlots = 64;
constexpr int kMaxSearchHits = 25;
constexpr qint64 kMaxSeats = 1000;

}  // namespace

// ---- check-in and profile ----------------------------------------------------

QHttpServerResponse RestApi::checkin(const QHttpServerRequest& request)
{
    const Body body(request);
    const QString uid = body.string("uid");
    const QString email = body.stringOrEmpty("email");
    body.string("platform");
    const auto firstName = body.optionalString("first_name");
    const auto lastName = body.optionalString("last_name");

    DevUser& user = state_.user(uid);
    user.email = email;
    user.firstName = firstName.value_or(user.firstName);
    user.lastName = lastName.value_or(user.lastName);

    QJsonObject reply = RestRecords::profile(state_, user);
    reply.remove("apple_id");
    reply.remove("channel_name");
    reply.insert("ok", true);
    if (const DevOrg* org = state_.orgOf(user))
        reply.insert("workplace", RestRecords::workplace(*org, uid));
    return json(reply);
}

QHttpServerResponse RestApi::updateProfile(const QHttpServerRequest& request)
{
    const Body body(request);
    DevUser& user = state_.user(body.string("uid"));
    user.email = body.optionalString("email").value_or(user.email);
    user.firstName = body.optionalString("first_name").value_or(user.firstName);
    user.lastName = body.optionalString("last_name").value_or(user.lastName);
    user.appleId = body.optionalString("apple_id").value_or(user.appleId);
    user.displayName = body.optionalString("display_name").value_or(user.displayName);
    return json({{"ok", true}, {"profile", RestRecords::profile(state_, user)}});
}

// ---- saved channels ------------------------------------------------------------

QHttpServerResponse RestApi::savedChannels(const QHttpServerRequest& request)
{
    QJsonArray list;
    for (const DevSlot& slot : state_.user(queryUid(request)).savedSlots)
        list.append(RestRecords::slot(slot));
    return json({{"slots", list}});
}

QHttpServerResponse RestApi::addSavedChannel(const QHttpServerRequest& request)
{
    const Body body(request);
    const QString uid = body.string("uid");
    DevSlot slot;
    slot.label = body.stringOrEmpty("label");
    slot.channelNumber = body.integer("channel_number");
    slot.iconId = body.stringOrEmpty("icon_id");
    slot.iconCustom = body.optionalString("icon_custom");
    slot.friendRadioId = body.optionalString("friend_radio_id");
    slot.friendUid = body.optionalString("friend_uid");

    if (!DevState::isValidChannel(slot.channelNumber))
        return refused("bad_request");
    if (!state_.isActive(slot.channelNumber))
        return refused("not_found");
    DevUser& user = state_.user(uid);
    if (user.savedSlots.size() >= kMaxSlots)
        return refused("too_many_slots");
    slot.id = state_.nextSlotId++;
    user.savedSlots.append(slot);
    return json({{"ok", true}, {"slot", RestRecords::slot(slot)}});
}

QHttpServerResponse RestApi::updateSavedChannel(const QHttpServerRequest& request)
{
    const Body body(request);
    DevUser& user = state_.user(body.string("uid"));
    const qint64 id = body.integer("id");
    const QString iconId = body.stringOrEmpty("icon_id");
    const auto iconCustom = body.optionalString("icon_custom");
    for (DevSlot& slot : user.savedSlots) {
        if (slot.id == id) {
            slot.iconId = iconId;
            slot.iconCustom = iconCustom;
            return json({{"ok", true}, {"slot", RestRecords::slot(slot)}});
        }
    }
    return refused("not_found");
}

QHttpServerResponse RestApi::removeSavedChannel(const QHttpServerRequest& request)
{
    const Body body(request);
    DevUser& user = state_.user(body.string("uid"));
    const qint64 id = body.integer("id");
    const auto removed = user.savedSlots.removeIf([id](const DevSlot& slot) { return slot.id == id; });
    return removed > 0 ? ok() : refused("not_found");
}

// ---- users and blocks ------------------------------------------------------------

QHttpServerResponse RestApi::searchUsers(const QHttpServerRequest& request)
{
    const QString text = query(request, "q");
    const QString uid = queryUid(request);
    QJsonArray users;
    for (const DevUser* hit : state_.searchUsers(text, uid, kMaxSearchHits))
        users.append(RestRecords::searchHit(*hit));
    return json({{"users", users}});
}

QHttpServerResponse RestApi::blocks(const QHttpServerRequest& request)
{
    return json({{"blocked_uids", QJsonArray::fromStringList(state_.user(queryUid(request)).blockedUids)}});
}

QHttpServerResponse RestApi::block(const QHttpServerRequest& request)
{
    const Body body(request);
    const QString uid = body.string("uid");
    const QString blocked = body.string("blocked_uid");
    if (blocked == uid)
        return refused("cannot_block_self");
    QStringList& list = state_.user(uid).blockedUids;
    if (!list.contains(blocked))
        list.append(blocked);
    return ok();
}

QHttpServerResponse RestApi::unblock(const QHttpServerRequest& request)
{
    const Body body(request);
    const QString uid = body.string("uid");
    state_.user(uid).blockedUids.removeAll(body.string("blocked_uid"));
    return ok();
}

// ---- workplace ---------------------------------------------------------------------

QHttpServerResponse RestApi::workplaceMine(const QHttpServerRequest& request)
{
    const QString uid = queryUid(request);
    const DevOrg* org = state_.orgOf(state_.user(uid));
    if (!org)
        return json({});
    return json({{"workplace", RestRecords::workplace(*org, uid)}});
}

QHttpServerResponse RestApi::redeemWorkplaceCode(const QHttpServerRequest& request)
{
    const Body body(request);
    const QString uid = body.string("uid");
    const QString code = body.stringOrEmpty("code");
    DevUser& user = state_.user(uid);

    DevOrg* org = state_.orgByCode(code);
    if (!org)
        return refused("invalid_code");
    if (!user.orgId.isEmpty())
        return refused(user.orgId == org->orgId ? "already_in_org" : "already_in_other_org");
    if (org->memberUids.size() >= org->seatLimit)
        return refused("seats_full");

    org->memberUids.append(uid);
    user.orgId = org->orgId;
    return json({{"ok", true}, {"workplace", RestRecords::workplace(*org, uid)}});
}

QHttpServerResponse RestApi::createWorkplace(const QHttpServerRequest& request)
{
    const Body body(request);
    const QString uid = body.string("uid");
    const QString name = body.stringOrEmpty("company_name").trimmed();
    const qint64 seats = body.integer("seat_tier");
    if (name.isEmpty() || name.size() > 80 || seats < 1 || seats > kMaxSeats)
        return refused("bad_request");

    DevUser& user = state_.user(uid);
    if (const DevOrg* current = state_.orgOf(user))
        return refused(current->adminUid == uid ? "already_admin" : "already_in_org");
    const DevOrg& org = state_.createOrg(user, name, seats);
    return json({{"ok", true}, {"workplace", RestRecords::workplace(org, uid)}, {"company_code", org.companyCode}});
}

QHttpServerResponse RestApi::rotateWorkplaceCode(const QHttpServerRequest& request)
{
    const Body body(request);
    const QString uid = body.string("uid");
    auto it = state_.orgsById.find(body.string("org_id"));
    if (it == state_.orgsById.end())
        return refused("not_found");
    DevOrg& org = it->second;
    if (org.adminUid != uid)
        return refused("not_admin");
    org.companyCode = state_.newCompanyCode();
    return json({{"ok", true}, {"workplace", RestRecords::workplace(org, uid)}, {"company_code", org.companyCode}});
}

QHttpServerResponse RestApi::updateWorkplaceIcon(const QHttpServerRequest& request)
{
    const Body body(request);
    const QString uid = body.string("uid");
    const QString orgId = body.string("org_id");
    const QString iconId = body.stringOrEmpty("icon_id");
    const auto iconCustom = body.optionalString("icon_custom");
    auto it = state_.orgsById.find(orgId);
    if (it == state_.orgsById.end())
        return refused("not_found");
    if (it->second.adminUid != uid)
        return refused("not_admin");
    it->second.iconId = iconId;
    it->second.iconCustom = iconCustom;
    return ok();
}
