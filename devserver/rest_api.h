#pragma once

#include "dev_state.h"

#include <QHttpServer>

#include <functional>

class LiveHub;

// The REST endpoints under "/v1/" and the health check. Each handler reads its
// request strictly, changes the in-memory state and writes its own JSON.
// Unknown paths and wrong methods get Qt's empty 404.
class RestApi {
public:
    RestApi(DevState& state, LiveHub& live);

    void registerRoutes(QHttpServer& http);

private:
    using Handler = QHttpServerResponse (RestApi::*)(const QHttpServerRequest&);
    void add(QHttpServer& http, const char* path, QHttpServerRequest::Method method, Handler handler);

    // Channels, joining and channel administration.
    QHttpServerResponse channels(const QHttpServerRequest& request);
    QHttpServerResponse commercialChannels(const QHttpServerRequest& request);
    QHttpServerResponse joinChannel(const QHttpServerRequest& request);
    QHttpServerResponse ban(const QHttpServerRequest& request);
    QHttpServerResponse unban(const QHttpServerRequest& request);
    QHttpServerResponse bans(const QHttpServerRequest& request);
    QHttpServerResponse channelSettings(const QHttpServerRequest& request);
    QHttpServerResponse updateChannelSettings(const QHttpServerRequest& request);

    // Account, saved channels, users and blocks.
    QHttpServerResponse checkin(const QHttpServerRequest& request);
    QHttpServerResponse updateProfile(const QHttpServerRequest& request);
    QHttpServerResponse savedChannels(const QHttpServerRequest& request);
    QHttpServerResponse addSavedChannel(const QHttpServerRequest& request);
    QHttpServerResponse updateSavedChannel(const QHttpServerRequest& request);
    QHttpServerResponse removeSavedChannel(const QHttpServerRequest& request);
    QHttpServerResponse searchUsers(const QHttpServerRequest& request);
    QHttpServerResponse blocks(const QHttpServerRequest& request);
    QHttpServerResponse block(const QHttpServerRequest& request);
    QHttpServerResponse unblock(const QHttpServerRequest& request);

    // Workplace.
    QHttpServerResponse workplaceMine(const QHttpServerRequest& request);
    QHttpServerResponse redeemWorkplaceCode(const QHttpServerRequest& request);
    QHttpServerResponse createWorkplace(const QHttpServerRequest& request);
    QHttpServerResponse rotateWorkplaceCode(const QHttpServerRequest& request);
    QHttpServerResponse updateWorkplaceIcon(const QHttpServerRequest& request);

    QHttpServerResponse channelList(const QHttpServerRequest& request, bool commercial);
    struct BanRequest;
    BanRequest readBanRequest(const QHttpServerRequest& request);
    // The owner's channel named in the request, or nothing when `uid` does not own it.
    std::optional<qint64> ownedChannelOf(const QString& uid, qint64 channelNumber);

    DevState& state_;
    LiveHub& live_;
};
