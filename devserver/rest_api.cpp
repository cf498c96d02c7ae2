#include "rest_api.h"

#include "live_hub.h"
#include "rest_records.h"
#include "rest_request.h"
#include "sound_effects.h"

#include <QJsonArray>
#include <QRegularExpression>

#include <algorithm>

using namespace RestRequest;
using Method = QHttpServerRequest::Method;

RestApi::RestApi(DevState& state, LiveHub& live) : state_(state), live_(live) {}

void RestApi::add(QHttpServer& http, const char* path, Method method, Handler handler)
{
    http.route(QLatin1String(path), method, [this, handler](const QHttpServerRequest& request) {
        try {
            return (this->*handler)(request);
        } catch (const BadRequest&) {
            return badRequest();
        }
    });
}

void RestApi::registerRoutes(QHttpServer& http)
{
    add(http, "/v1/channels", Method::Get, &RestApi::channels);
    add(http, "/v1/channels/commercial", Method::Get, &RestApi::commercialChannels);
    add(http, "/v1/join-channel", Method::Post, &RestApi::joinChannel);
    add(http, "/v1/channel-ban", Method::Post, &RestApi::ban);
    add(http, "/v1/channel-unban", Method::Post, &RestApi::unban);
    add(http, "/v1/channel-bans", Method::Get, &RestApi::bans);
    add(http, "/v1/channel-settings", Method::Get, &RestApi::channelSettings);
    add(http, "/v1/channel-settings", Method::Post, &RestApi::updateChannelSettings);

    add(http, "/v1/checkin", Method::Post, &RestApi::checkin);
    add(http, "/v1/profile", Method::Post, &RestApi::updateProfile);
    add(http, "/v1/saved-channels", Method::Get, &RestApi::savedChannels);
    add(http, "/v1/saved-channels", Method::Post, &RestApi::addSavedChannel);
    add(http, "/v1/saved-channels/update", Method::Post, &RestApi::updateSavedChannel);
    add(http, "/v1/saved-channels/remove", Method::Post, &RestApi::removeSavedChannel);
    add(http, "/v1/users/search", Method::Get, &RestApi::searchUsers);
    add(http, "/v1/blocks", Method::Get, &RestApi::blocks);
    add(http, "/v1/block", Method::Post, &RestApi::block);
    add(http, "/v1/unblock", Method::Post, &RestApi::unblock);

    add(http, "/v1/workplace/mine", Method::Get, &RestApi::workplaceMine);
    add(http, "/v1/workplace/redeem", Method::Post, &RestApi::redeemWorkplaceCode);
    add(http, "/v1/workplace/create", Method::Post, &RestApi::createWorkplace);
    add(http, "/v1/workplace/rotate-code", Method::Post, &RestApi::rotateWorkplaceCode);
    add(http, "/v1/workplace/icon", Method::Post, &RestApi::updateWorkplaceIcon);

    // The web pages of the legal documents, as the in-app browser opens them.
    for (const char* page : {"privacy", "terms"}) {
        const QByteArray title = qstrcmp(page, "privacy") == 0 ? "Privacy Policy" : "Terms of Use";
        http.route(QLatin1Char('/') + QLatin1String(page), Method::Get, [title] {
            return QHttpServerResponse(QByteArrayLiteral("text/html; charset=utf-8"),
                                       "<html><body><h1>" + title + "</h1><p>Development server copy.</p></body></html>");
        });
    }

    http.route(QStringLiteral("/v1/sfx/<arg>"), Method::Get, [](const QString& kind) {
        if (const auto file = SoundEffects::file(kind))
            return QHttpServerResponse(QByteArrayLiteral("audio/x-caf"), *file);
        return json({{"ok", false}, {"error", "not_found"}}, QHttpServerResponder::StatusCode::NotFound);
    });
}

// ---- channel lists ---------------------------------------------------------

QHttpServerResponse RestApi::channels(const QHttpServerRequest& request)
{
    return channelList(request, false);
}

QHttpServerResponse RestApi::commercialChannels(const QHttpServerRequest& request)
{
    return channelList(request, true);
}

QHttpServerResponse RestApi::channelList(const QHttpServerRequest& request, bool commercial)
{
    const QString q = optionalQuery(request, "q").value_or(QString()).trimmed();
    const qint64 page = queryInteger(request, "page", 1);
    const qint64 limit = std::min<qint64>(queryInteger(request, "limit", 40), 100);
    if (page < 1 || limit < 1)
        throw BadRequest{};

    // A listed channel, or one the query names exactly (so a client can read
    // the count of the channel it is tuned to).
    QList<qint64> candidates;
    if (commercial) {
        for (const auto& [id, org] : state_.orgsById) {
            if (org.listedCommercial)
                candidates.append(org.channelNumber);
        }
    } else {
        for (qint64 n = DevState::firstChannel; n <= DevState::lastHomeChannel; ++n)
            candidates.append(n);
        for (const auto& [uid, user] : state_.usersByUid) {
            const bool named = q == DevState::displayFrequency(user.ownedChannel) || q == QString::number(user.ownedChannel);
            if (state_.settings(user.ownedChannel).listedPublic || named)
                candidates.append(user.ownedChannel);
        }
    }

    QList<QJsonObject> matching;
    for (qint64 n : std::as_const(candidates)) {
        const QJsonObject channel = RestRecords::channel(state_, n);
        const bool match = q.isEmpty() || q == QString::number(n)
                           || channel.value("display_frequency").toString().contains(q, Qt::CaseInsensitive)
                           || channel.value("name").toString().contains(q, Qt::CaseInsensitive)
                           || channel.value("company_name").toString().contains(q, Qt::CaseInsensitive);
        if (match)
            matching.append(channel);
    }
    // Busy channels first; among equally busy ones, listed user channels
    // before home channels (a hundred idle home channels would otherwise fill
    // the first page); then by number.
    const auto rank = [](const QJsonObject& channel) {
        const qint64 number = channel.value("channel_number").toInteger();
        return std::pair(-channel.value("active_talker_count").toInt(), DevState::isHomeChannel(number));
    };
    std::stable_sort(matching.begin(), matching.end(),
                     [&](const QJsonObject& a, const QJsonObject& b) { return rank(a) < rank(b); });

    // A page past the end is empty; the multiplication never overflows.
    QJsonArray pageOfChannels;
    const qint64 total = matching.size();
    const qint64 first = page - 1 > total / limit ? total : (page - 1) * limit;
    for (qint64 i = first; i < std::min<qint64>(first + limit, total); ++i)
        pageOfChannels.append(matching[i]);
    return json({{"channels", pageOfChannels}, {"total", qint64(matching.size())}, {"page", page}});
}

// ---- joining -----------------------------------------------------------------

QHttpServerResponse RestApi::joinChannel(const QHttpServerRequest& request)
{
    const Body body(request);
    const QString uid = body.string("uid");
    const qint64 channel = body.integer("channel_number");
    const QString passkey = body.optionalString("passkey").value_or(QString());

    const JoinDecision decision = state_.decideJoin(uid, channel, passkey);
    if (!decision.allowed)
        return json({{"allowed", false}, {"reason", decision.reason}});
    // The live socket carries no passkey: it is let in on the one given here.
    if (!passkey.isEmpty())
        state_.rememberPasskey(uid, channel, passkey);
    return json({{"allowed", true}, {"channel", RestRecords::channel(state_, channel)}});
}

// ---- channel administration --------------------------------------------------

std::optional<qint64> RestApi::ownedChannelOf(const QString& uid, qint64 channelNumber)
{
    if (state_.user(uid).ownedChannel != channelNumber)
        return std::nullopt;
    return channelNumber;
}

// The owner, the owner's channel and the user a ban or unban names.
struct RestApi::BanRequest {
    QString uid;
    std::optional<qint64> channel;  // none: the caller does not own the channel
    QString target;
};

RestApi::BanRequest RestApi::readBanRequest(const QHttpServerRequest& request)
{
    const Body body(request);
    const QString uid = body.string("uid");
    const qint64 channel = body.integer("channel_number");
    return {uid, ownedChannelOf(uid, channel), body.string("target_uid")};
}

QHttpServerResponse RestApi::ban(const QHttpServerRequest& request)
{
    const BanRequest ban = readBanRequest(request);
    if (!ban.channel)
        return refused("not_owner");
    if (ban.target == ban.uid)
        return refused("cannot_ban_self");

    state_.user(ban.target);  // known from now on, for the ban list
    QStringList& banned = state_.settings(*ban.channel).bannedUids;
    if (!banned.contains(ban.target))
        banned.append(ban.target);
    live_.kick(int(*ban.channel), ban.target, QStringLiteral("banned"));
    return ok();
}

QHttpServerResponse RestApi::unban(const QHttpServerRequest& request)
{
    const BanRequest unban = readBanRequest(request);
    if (!unban.channel)
        return refused("not_owner");
    state_.settings(*unban.channel).bannedUids.removeAll(unban.target);
    return ok();
}

QHttpServerResponse RestApi::bans(const QHttpServerRequest& request)
{
    const auto channel = ownedChannelOf(queryUid(request), queryInteger(request, "channel_number"));
    if (!channel)
        return json({{"ok", false}, {"error", "not_owner"}, {"bans", QJsonArray()}});
    QJsonArray entries;
    for (const QString& banned : state_.settings(*channel).bannedUids)
        entries.append(RestRecords::person(state_.user(banned)));
    return json({{"ok", true}, {"bans", entries}});
}

QHttpServerResponse RestApi::channelSettings(const QHttpServerRequest& request)
{
    const auto channel = ownedChannelOf(queryUid(request), queryInteger(request, "channel_number"));
    if (!channel)
        return json({{"ok", false}, {"error", "not_owner"}}, QHttpServerResponder::StatusCode::Forbidden);
    return json(RestRecords::channelSettings(state_, *channel));
}

QHttpServerResponse RestApi::updateChannelSettings(const QHttpServerRequest& request)
{
    static const QStringList policies{"open", "allowlist", "passkey"};
    static const QRegularExpression radioIdPattern(QStringLiteral("^Q-[A-Z0-9]{6}$"));

    const Body body(request);
    const QString uid = body.string("uid");
    const auto channel = ownedChannelOf(uid, body.integer("channel_number"));
    if (!channel)
        return refused("not_owner");

    // Check everything before changing anything.
    const auto name = body.optionalString("name");
    const auto maxTalkers = body.optionalInteger("max_talkers");
    const auto joinPolicy = body.optionalString("join_policy");
    const auto isLocked = body.optionalBool("is_locked");
    const auto listedPublic = body.optionalBool("listed_public");
    const auto iconId = body.optionalString("icon_id");
    const auto iconCustom = body.optionalString("icon_custom");
    const auto passkey = body.optionalString("passkey");
    QStringList additions;
    for (const QString& entry : body.optionalStrings("allow_add").value_or(QStringList()))
        additions.append(entry.trimmed().toUpper());
    if ((name && name->size() > 80) || (maxTalkers && (*maxTalkers < 1 || *maxTalkers > 100))
        || (joinPolicy && !policies.contains(*joinPolicy)))
        return refused("bad_request");
    for (const QString& entry : std::as_const(additions)) {
        if (!radioIdPattern.match(entry).hasMatch())
            return refused("invalid_radio_id");
    }

    DevChannelSettings& settings = state_.settings(*channel);
    settings.name = name.value_or(settings.name).trimmed();
    settings.maxTalkers = maxTalkers.value_or(settings.maxTalkers);
    settings.joinPolicy = joinPolicy.value_or(settings.joinPolicy);
    settings.isLocked = isLocked.value_or(settings.isLocked);
    settings.listedPublic = listedPublic.value_or(settings.listedPublic);
    if (iconId) {
        settings.iconId = iconId;
        settings.iconCustom = iconCustom;  // a preset icon drops the custom picture
    }
    if (passkey && !passkey->isEmpty())
        settings.passkey = *passkey;
    for (const QString& entry : std::as_const(additions)) {
        if (!settings.allowlist.contains(entry))
            settings.allowlist.append(entry);
    }
    return json({{"ok", true}, {"settings", RestRecords::channelSettings(state_, *channel)}});
}
