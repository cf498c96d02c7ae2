#pragma once

#include "dev_state.h"

#include <QObject>
#include <QWebSocket>

#include <memory>

// The live side: one room per channel, fed by upgraded sockets.
class LiveHub : public QObject {
    Q_OBJECT
public:
    explicit LiveHub(DevState& state, QObject* parent = nullptr);
    ~LiveHub() override;

    void accept(std::unique_ptr<QWebSocket> socket);

    // Tells a listener of the channel that it was banned and closes its socket.
    void kick(int channelNumber, const QString& uid, const QString& reason);

private:
    DevState& state_;
    std::vector<std::unique_ptr<QWebSocket>> sockets_;
};
