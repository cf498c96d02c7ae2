#include "services/tovrin_api.h"

#include "platform/errors.h"
#include "platform/json.h"
#include "platform/server.h"

#include <QCoreApplication>
#include <QDir>
#include <QNetworkRequest>
#include <QPointer>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

namespace {

// The reply envelope {ok, error} of the operations that test it. Both fields
// may be missing or null.
struct APIResult {
    std::optional<bool> ok;
    std::optional<QString> error;

    static APIResult fromJson(const QJsonObject& object)
    {
        return {Json::optionalBool(object, QStringLiteral("ok")), Json::optionalString(object, QStringLiteral("error"))};
    }
};

// The reply of "/v1/blocks".
struct BlocksResp {
    QStringList blockedUids;

    static BlocksResp fromJson(const QJsonObject& object)
    {
        return {Json::requireStringArray(object, QStringLiteral("blocked_uids"))};
    }
};

// A POST reply record; any decoding failure is the client's `decode`.
template <class T>
T decodePostReply(const QJsonObject& object)
{
    try {
        return T::fromJson(object);
    } catch (const DecodeError&) {
        throw TovrinAPIError::decode();
    }
}

void putIfPresent(QJsonObject& body, const QString& key, const std::optional<QString>& value)
{
    if (value)
        body.insert(key, *value);
}

void putIfNotEmpty(QJsonObject& body, const QString& key, const std::optional<QString>& value)
{
    if (value && !value->isEmpty())
        body.insert(key, *value);
}

// Names and values percent-encoded one by one, so that "+", "&" and "=" in a
// value reach the server as themselves, in the order given.
template <class Items>
QString encodeQuery(const Items& items)
{
    QStringList parts;
    for (const auto& item : items)
        parts.append(QString::fromLatin1(QUrl::toPercentEncoding(item.name) + '=' + QUrl::toPercentEncoding(item.value)));
    return parts.join(QLatin1Char('&'));
}

// An absolute http(s) address with a host, or badURL.
QUrl requireUsable(const QUrl& url)
{
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        throw TovrinAPIError::badURL();
    return url;
}

// The base address with `path` appended as a path component, and the query.
QUrl appendedURL(const QString& path, const QString& query = {})
{
    QString text = Server::baseURL().toString(QUrl::FullyEncoded | QUrl::RemoveQuery | QUrl::RemoveFragment);
    if (text.endsWith(QLatin1Char('/')))
        text.chop(1);
    text += QString::fromLatin1(QUrl::toPercentEncoding(path, "/"));
    if (!query.isEmpty())
        text += QLatin1Char('?') + query;
    return requireUsable(QUrl(text, QUrl::StrictMode));
}

// `path` resolved against the base address: a leading "/" replaces its path.
QUrl resolvedURL(const QString& path)
{
    const QUrl base = Server::baseURL();
    if (!base.isValid() || base.isRelative())
        throw TovrinAPIError::badURL();
    return requireUsable(base.resolved(QUrl(path)));
}

// A short body that is UTF-8 text holding "error" is a server error, not a sound.
bool looksLikeErrorBody(const QByteArray& body)
{
    if (body.size() > 63)
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(body);
    return !utf8.hasError() && text.contains(QLatin1String("error"));
}

}  // namespace

TovrinAPI& TovrinAPI::shared()
{
    static QPointer<TovrinAPI> instance;
    if (!instance) {
        instance = new TovrinAPI(Timeouts{}, QCoreApplication::instance());
        // Its network manager runs a thread of its own. That thread must stop
        // while the application object still stands: an event it delivers
        // after the application is gone crashes the exit.
        qAddPostRoutine([] { delete instance; });
    }
    return *instance;
}

TovrinAPI::TovrinAPI(Timeouts timeouts, QObject* parent)
    : QObject(parent), timeouts_(timeouts), session_({timeouts.idle, timeouts.resource}, this)
{
}

// ---- the procedures every endpoint follows --------------------------------------

QCoro::Task<QJsonObject> TovrinAPI::get(QString path, QueryItems items)
{
    const QUrl url = appendedURL(path, encodeQuery(items));
    const HttpReply reply = co_await session_.send(QNetworkRequest(url), "GET");
    if (reply.status != 200)
        throw TovrinAPIError::badResponse();
    co_return Json::parseObject(reply.body);
}

QCoro::Task<QJsonObject> TovrinAPI::post(QString path, QJsonObject body)
{
    QNetworkRequest request(resolvedURL(path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    const HttpReply reply = co_await session_.send(request, "POST", Json::serialize(body), timeouts_.post);
    if (reply.status < 200 || reply.status > 299)
        throw TovrinAPIError::badResponse();
    try {
        co_return Json::parseObject(reply.body);
    } catch (const DecodeError&) {
        throw TovrinAPIError::decode();
    }
}

QCoro::Task<void> TovrinAPI::postChecked(QString path, QJsonObject body)
{
    const auto result = decodePostReply<APIResult>(co_await post(std::move(path), std::move(body)));
    if (result.ok == false)
        throw TovrinAPIError::server(result.error.value_or(QStringLiteral("request_failed")));
}

QCoro::Task<bool> TovrinAPI::healthOK()
{
    try {
        const HttpReply reply =
            co_await session_.send(QNetworkRequest(resolvedURL(QStringLiteral("/healthz"))), "GET", {}, timeouts_.health);
        co_return reply.status == 200;
    } catch (...) {
        co_return false;
    }
}

// ---- channels, joining and channel administration ---------------------------------

QCoro::Task<ChannelListResponse> TovrinAPI::fetchChannels(QString query, qint64 page)
{
    const QueryItems items{{"q", query}, {"page", QString::number(page)}, {"limit", "40"}};
    const QJsonObject reply = co_await get(QStringLiteral("/v1/channels"), items);
    co_return ChannelListResponse::fromJson(reply);
}

QCoro::Task<ChannelListResponse> TovrinAPI::fetchCommercialChannels(QString query, qint64 page)
{
    const QueryItems items{{"q", query}, {"page", QString::number(page)}, {"limit", "40"}};
    const QJsonObject reply = co_await get(QStringLiteral("/v1/channels/commercial"), items);
    co_return ChannelListResponse::fromJson(reply);
}

QCoro::Task<JoinChannelResponse> TovrinAPI::joinChannel(QString uid, qint64 channelNumber, std::optional<QString> passkey)
{
    QJsonObject body{{"uid", uid}, {"channel_number", channelNumber}};
    putIfNotEmpty(body, QStringLiteral("passkey"), passkey);
    co_return decodePostReply<JoinChannelResponse>(co_await post(QStringLiteral("/v1/join-channel"), body));
}

QCoro::Task<void> TovrinAPI::banFromChannel(QString uid, qint64 channelNumber, QString targetUID)
{
    const QJsonObject body{{"uid", uid}, {"channel_number", channelNumber}, {"target_uid", targetUID}};
    co_await postChecked(QStringLiteral("/v1/channel-ban"), body);
}

QCoro::Task<void> TovrinAPI::unbanFromChannel(QString uid, qint64 channelNumber, QString targetUID)
{
    const QJsonObject body{{"uid", uid}, {"channel_number", channelNumber}, {"target_uid", targetUID}};
    co_await postChecked(QStringLiteral("/v1/channel-unban"), body);
}

QCoro::Task<std::vector<ChannelBanEntry>> TovrinAPI::fetchChannelBans(QString uid, qint64 channelNumber)
{
    const QueryItems items{{"uid", uid}, {"channel_number", QString::number(channelNumber)}};
    const QJsonObject reply = co_await get(QStringLiteral("/v1/channel-bans"), items);
    co_return ChannelBansResponse::fromJson(reply).bans;
}

QCoro::Task<ChannelSettings> TovrinAPI::fetchChannelSettings(QString uid, qint64 channelNumber)
{
    const QueryItems items{{"uid", uid}, {"channel_number", QString::number(channelNumber)}};
    const QJsonObject reply = co_await get(QStringLiteral("/v1/channel-settings"), items);
    co_return ChannelSettings::fromJson(reply);
}

QCoro::Task<ChannelSettings> TovrinAPI::updateChannelSettings(QString uid, qint64 channelNumber, QJsonObject payload)
{
    QJsonObject body = payload;
    body.insert(QStringLiteral("uid"), uid);
    body.insert(QStringLiteral("channel_number"), channelNumber);
    const auto reply =
        decodePostReply<ChannelSettingsResponse>(co_await post(QStringLiteral("/v1/channel-settings"), body));
    if (!reply.settings)
        throw TovrinAPIError::badResponse();
    co_return *reply.settings;
}

// ---- account --------------------------------------------------------------------

QCoro::Task<CheckinResponse> TovrinAPI::checkin(QString uid, QString email, QString firstName, QString lastName)
{
    QJsonObject body{{"uid", uid}, {"email", email}, {"platform", "mac"}};
    putIfNotEmpty(body, QStringLiteral("first_name"), firstName);
    putIfNotEmpty(body, QStringLiteral("last_name"), lastName);
    co_return decodePostReply<CheckinResponse>(co_await post(QStringLiteral("/v1/checkin"), body));
}

QCoro::Task<UserProfile> TovrinAPI::updateProfile(QString uid, ProfileUpdate fields)
{
    QJsonObject body{{"uid", uid}};
    putIfNotEmpty(body, QStringLiteral("email"), fields.email);
    putIfNotEmpty(body, QStringLiteral("first_name"), fields.firstName);
    putIfNotEmpty(body, QStringLiteral("last_name"), fields.lastName);
    putIfNotEmpty(body, QStringLiteral("apple_id"), fields.appleId);
    putIfNotEmpty(body, QStringLiteral("display_name"), fields.displayName);
    const auto reply = decodePostReply<ProfileUpdateResponse>(co_await post(QStringLiteral("/v1/profile"), body));
    if (!reply.profile)
        throw TovrinAPIError::decode();
    co_return *reply.profile;
}

// ---- saved channels ----------------------------------------------------------------

QCoro::Task<std::vector<SavedChannelSlot>> TovrinAPI::fetchSavedChannels(QString uid)
{
    const QueryItems items{{"uid", uid}};
    const QJsonObject reply = co_await get(QStringLiteral("/v1/saved-channels"), items);
    co_return SavedChannelsResponse::fromJson(reply).savedSlots;
}

QCoro::Task<void> TovrinAPI::addSavedChannel(QString uid, QString label, qint64 channelNumber, QString iconId,
                                             std::optional<QString> iconCustom, std::optional<QString> friendRadioId,
                                             std::optional<QString> friendUid)
{
    QJsonObject body{{"uid", uid}, {"label", label}, {"channel_number", channelNumber}, {"icon_id", iconId}};
    putIfPresent(body, QStringLiteral("icon_custom"), iconCustom);
    putIfPresent(body, QStringLiteral("friend_radio_id"), friendRadioId);
    putIfPresent(body, QStringLiteral("friend_uid"), friendUid);
    co_await postChecked(QStringLiteral("/v1/saved-channels"), body);
}

QCoro::Task<SavedChannelSlot> TovrinAPI::updateSavedChannel(QString uid, qint64 slotId, QString iconId,
                                                            std::optional<QString> iconCustom)
{
    QJsonObject body{{"uid", uid}, {"id", slotId}, {"icon_id", iconId}};
    putIfPresent(body, QStringLiteral("icon_custom"), iconCustom);
    const auto reply =
        decodePostReply<SavedChannelUpdateResponse>(co_await post(QStringLiteral("/v1/saved-channels/update"), body));
    if (!reply.ok || !reply.slot)
        throw TovrinAPIError::badResponse();
    co_return *reply.slot;
}

QCoro::Task<void> TovrinAPI::removeSavedChannel(QString uid, qint64 slotId)
{
    const QJsonObject body{{"uid", uid}, {"id", slotId}};
    co_await postChecked(QStringLiteral("/v1/saved-channels/remove"), body);
}

// ---- users and blocks -------------------------------------------------------------

QCoro::Task<std::vector<UserSearchResult>> TovrinAPI::searchUsers(QString query, QString uid)
{
    const QueryItems items{{"q", query}, {"uid", uid}};
    const QJsonObject reply = co_await get(QStringLiteral("/v1/users/search"), items);
    co_return UserSearchResponse::fromJson(reply).users;
}

QCoro::Task<QStringList> TovrinAPI::fetchBlocked(QString uid)
{
    const QueryItems items{{"uid", uid}};
    const QJsonObject reply = co_await get(QStringLiteral("/v1/blocks"), items);
    co_return BlocksResp::fromJson(reply).blockedUids;
}

QCoro::Task<void> TovrinAPI::blockUser(QString uid, QString blockedUID)
{
    const QJsonObject body{{"uid", uid}, {"blocked_uid", blockedUID}};
    co_await postChecked(QStringLiteral("/v1/block"), body);
}

QCoro::Task<void> TovrinAPI::unblockUser(QString uid, QString blockedUID)
{
    const QJsonObject body{{"uid", uid}, {"blocked_uid", blockedUID}};
    co_await postChecked(QStringLiteral("/v1/unblock"), body);
}

// ---- workplace ------------------------------------------------------------------------

QCoro::Task<std::optional<WorkplaceMembership>> TovrinAPI::fetchWorkplace(QString uid)
{
    const QueryItems items{{"uid", uid}};
    const QJsonObject reply = co_await get(QStringLiteral("/v1/workplace/mine"), items);
    co_return WorkplaceMineResponse::fromJson(reply).workplace;
}

QCoro::Task<WorkplaceActionResponse> TovrinAPI::redeemWorkplaceCode(QString uid, QString code)
{
    const QJsonObject body{{"uid", uid}, {"code", code.toUpper()}};
    co_return decodePostReply<WorkplaceActionResponse>(co_await post(QStringLiteral("/v1/workplace/redeem"), body));
}

QCoro::Task<WorkplaceActionResponse> TovrinAPI::createWorkplace(QString uid, QString companyName, qint64 seatTier)
{
    const QJsonObject body{{"uid", uid}, {"company_name", companyName}, {"seat_tier", seatTier}};
    co_return decodePostReply<WorkplaceActionResponse>(co_await post(QStringLiteral("/v1/workplace/create"), body));
}

QCoro::Task<WorkplaceActionResponse> TovrinAPI::rotateWorkplaceCode(QString uid, QString orgId)
{
    const QJsonObject body{{"uid", uid}, {"org_id", orgId}};
    co_return decodePostReply<WorkplaceActionResponse>(co_await post(QStringLiteral("/v1/workplace/rotate-code"), body));
}

QCoro::Task<void> TovrinAPI::updateWorkplaceIcon(QString uid, QString orgId, QString iconId,
                                                 std::optional<QString> iconCustom)
{
    QJsonObject body{{"uid", uid}, {"org_id", orgId}, {"icon_id", iconId}};
    putIfPresent(body, QStringLiteral("icon_custom"), iconCustom);
    co_await postChecked(QStringLiteral("/v1/workplace/icon"), body);
}

// ---- sound effects ----------------------------------------------------------------------

QString TovrinAPI::soundEffectsDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/sfx");
}

QCoro::Task<QString> TovrinAPI::downloadSFX(SFXKind kind)
{
    const QString raw = rawValue(kind);
    const HttpReply reply = co_await session_.send(QNetworkRequest(appendedURL(QStringLiteral("/v1/sfx/") + raw)), "GET");
    if (reply.status != 200)
        throw TovrinAPIError::badResponse();
    if (reply.contentType.toLower().contains("json") || looksLikeErrorBody(reply.body))
        throw TovrinAPIError::badResponse();

    // The name is ours (the kind's raw value), never taken from the reply.
    const QString directory = soundEffectsDirectory();
    if (!QDir().mkpath(directory))
        throw FileError(directory, QStringLiteral("cannot create the directory"));
    const QString path = directory + QLatin1Char('/') + raw + QStringLiteral(".caf");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(reply.body) != reply.body.size() || !file.commit())
        throw FileError(path, file.errorString());
    co_return path;
}
