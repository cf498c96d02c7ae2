#pragma once

#include "dev_state.h"
#include "live_room.h"

#include <QHash>
#include <QObject>
#include <QWebSocket>

#include <chrono>
#include <map>
#include <memory>

// The live side: one room per channel with someone in it, fed by upgraded
// sockets. A socket's address is "/v1/live/<channel>?uid=<uid>". A socket the
// user may not have (join-channel's rules) is closed at once with code 1008
// (policy violated) and join-channel's reason ("banned", "not_allowed",
// "passkey_required", "not_found", …), or "full" or "bad_request".
class LiveHub : public QObject {
    Q_OBJECT
public:
    explicit LiveHub(DevState& state, QObject* parent = nullptr);
    ~LiveHub() override;

    void accept(std::unique_ptr<QWebSocket> socket);

    // Tells a listener of the channel that it was removed ("kicked") and closes
    // its socket with the reason.
    void kick(int channelNumber, const QString& uid, const QString& reason);

    // Test hook: every socket open now goes silent (no frames, no pongs), as
    // behind a dead link; sockets opened later are served as usual.
    // `connections`: every TCP connection of the server.
    void silenceAll(const QList<QTcpSocket*>& connections);

private:
    void onText(LiveMember* member, const QString& text);
    void onBinary(LiveMember* member, const QByteArray& frame);
    void onGone(LiveMember* member);
    void handlePager(LiveRoom& room, LiveMember& member, const QJsonObject& message);

    // Closes a socket the user may not have, with the reason join-channel would give.
    static void refuse(QWebSocket& socket, const QString& reason);
    void pruneIfEmpty(int channel);
    LiveRoom* roomOf(const LiveMember* member);
    // Tells the REST side who is on the channel (its active talker count).
    void publishListeners(int channel, const LiveRoom& room);

    DevState& state_;
    std::map<int, LiveRoom> rooms_;
    // When each user last sent a pager that was relayed.
    QHash<QString, std::chrono::steady_clock::time_point> lastPagerAt_;
};
