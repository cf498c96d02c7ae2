#pragma once

#include "dev_state.h"
#include "live_room.h"

#include <QHash>
#include <QObject>
#include <QWebSocket>

#include <chrono>
#include <map>
#include <memory>

// The live side: one room per channel, fed by upgraded sockets. A socket's
// address is "/v1/live/<channel>?uid=<uid>"; anything else is refused at once.
class LiveHub : public QObject {
    Q_OBJECT
public:
    explicit LiveHub(DevState& state, QObject* parent = nullptr);
    ~LiveHub() override;

    void accept(std::unique_ptr<QWebSocket> socket);

    // Tells a listener of the channel that it was banned and closes its socket.
    void kick(int channelNumber, const QString& uid, const QString& reason);

private:
    void onText(LiveMember* member, const QString& text);
    void onBinary(LiveMember* member, const QByteArray& frame);
    void onGone(LiveMember* member);
    void handlePager(LiveRoom& room, LiveMember& member, const QJsonObject& message);

    LiveRoom* roomOf(const LiveMember* member);
    // Tells the REST side who is on the channel (its active talker count).
    void publishListeners(int channel, const LiveRoom& room);

    DevState& state_;
    std::map<int, LiveRoom> rooms_;
    // When each user last sent a pager that was relayed.
    QHash<QString, std::chrono::steady_clock::time_point> lastPagerAt_;
};
