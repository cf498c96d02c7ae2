#pragma once

#include "models/channel.h"
#include "models/channel_settings.h"
#include "models/chat_message.h"
#include "models/saved_channel_slot.h"
#include "models/sfx_kind.h"
#include "models/user_profile.h"
#include "models/user_search_result.h"
#include "models/workplace_membership.h"
#include "platform/http_session.h"
#include "services/tovrin_api_error.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>
#include <vector>

// The one client of the server's JSON REST interface; stateless (no login, no
// token: the caller's uid travels in the query or the body).
//
// Every operation but healthOK() returns its result or throws:
//   - TovrinAPIError (its kinds are documented there);
//   - TransportError, unchanged, when the request itself fails;
//   - DecodeError, unchanged, when a GET reply does not decode (a POST reply
//     that does not decode is TovrinAPIError::decode instead);
//   - FileError from downloadSFX when the cache file cannot be written.
// GET accepts status 200 only; POST accepts 200–299 and sends a JSON body
// with "Content-Type: application/json" and no other header of ours.
//
// Thread contract: built, called and destroyed on the GUI thread. Arguments
// are taken by value because every operation is a coroutine that starts at once.
class TovrinAPI : public QObject {
    Q_OBJECT
public:
    struct Timeouts {
        std::chrono::milliseconds idle{12000};      // per request, reset by progress
        std::chrono::milliseconds resource{20000};  // whole request
        std::chrono::milliseconds post{60000};      // idle time-out of a POST
        std::chrono::milliseconds health{8000};     // idle time-out of the health check
    };

    // The fields a profile update may carry; each is sent only when present and non-empty.
    struct ProfileUpdate {
        std::optional<QString> email;
        std::optional<QString> firstName;
        std::optional<QString> lastName;
        std::optional<QString> appleId;
        std::optional<QString> displayName;
    };

    // The one instance the app uses, made on first use with the default time-outs.
    static TovrinAPI& shared();

    // A separate client, for tests that need short time-outs.
    explicit TovrinAPI(Timeouts timeouts, QObject* parent = nullptr);

    // True exactly when "/healthz" answers 200; never throws.
    QCoro::Task<bool> healthOK();

    // Channels, joining and channel administration.
    QCoro::Task<ChannelListResponse> fetchChannels(QString query, qint64 page);
    QCoro::Task<ChannelListResponse> fetchCommercialChannels(QString query, qint64 page);
    // A refusal is a reply (allowed false with a reason), not an error.
    QCoro::Task<JoinChannelResponse> joinChannel(QString uid, qint64 channelNumber, std::optional<QString> passkey);
    QCoro::Task<void> banFromChannel(QString uid, qint64 channelNumber, QString targetUID);
    QCoro::Task<void> unbanFromChannel(QString uid, qint64 channelNumber, QString targetUID);
    QCoro::Task<std::vector<ChannelBanEntry>> fetchChannelBans(QString uid, qint64 channelNumber);
    QCoro::Task<ChannelSettings> fetchChannelSettings(QString uid, qint64 channelNumber);
    // `payload`'s keys are sent as they are; "uid" and "channel_number" always come from the arguments.
    QCoro::Task<ChannelSettings> updateChannelSettings(QString uid, qint64 channelNumber, QJsonObject payload);

    // Account.
    QCoro::Task<CheckinResponse> checkin(QString uid, QString email, QString firstName, QString lastName);
    QCoro::Task<UserProfile> updateProfile(QString uid, ProfileUpdate fields);

    // Saved channels.
    QCoro::Task<std::vector<SavedChannelSlot>> fetchSavedChannels(QString uid);
    QCoro::Task<void> addSavedChannel(QString uid, QString label, qint64 channelNumber, QString iconId,
                                      std::optional<QString> iconCustom = std::nullopt,
                                      std::optional<QString> friendRadioId = std::nullopt,
                                      std::optional<QString> friendUid = std::nullopt);
    QCoro::Task<SavedChannelSlot> updateSavedChannel(QString uid, qint64 slotId, QString iconId,
                                                     std::optional<QString> iconCustom = std::nullopt);
    QCoro::Task<void> removeSavedChannel(QString uid, qint64 slotId);

    // Users and blocks.
    QCoro::Task<std::vector<UserSearchResult>> searchUsers(QString query, QString uid);
    QCoro::Task<QStringList> fetchBlocked(QString uid);
    QCoro::Task<void> blockUser(QString uid, QString blockedUID);
    QCoro::Task<void> unblockUser(QString uid, QString blockedUID);

    // Workplace. The action replies come back whole; their "ok" is the caller's to read.
    QCoro::Task<std::optional<WorkplaceMembership>> fetchWorkplace(QString uid);
    QCoro::Task<WorkplaceActionResponse> redeemWorkplaceCode(QString uid, QString code);
    QCoro::Task<WorkplaceActionResponse> createWorkplace(QString uid, QString companyName, qint64 seatTier);
    QCoro::Task<WorkplaceActionResponse> rotateWorkplaceCode(QString uid, QString orgId);
    QCoro::Task<void> updateWorkplaceIcon(QString uid, QString orgId, QString iconId,
                                          std::optional<QString> iconCustom = std::nullopt);

    // Downloads a sound effect into the per-user cache as "<kind>.caf", replacing
    // an older copy atomically, and returns the file's path.
    QCoro::Task<QString> downloadSFX(SFXKind kind);

    // Where downloadSFX keeps its files.
    static QString soundEffectsDirectory();

private:
    struct QueryItem {
        QString name;
        QString value;
    };
    using QueryItems = std::vector<QueryItem>;

    // GET "path?items": the reply body as a JSON object (DecodeError passes through).
    QCoro::Task<QJsonObject> get(QString path, QueryItems items);
    // POST the body to path and return the reply object; a body that is not a
    // JSON object becomes TovrinAPIError::decode.
    QCoro::Task<QJsonObject> post(QString path, QJsonObject body);
    // post() and then the reply envelope: "ok": false fails with `server`.
    QCoro::Task<void> postChecked(QString path, QJsonObject body);

    Timeouts timeouts_;
    HttpSession session_;
};
