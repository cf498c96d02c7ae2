#pragma once

#include "dev_state.h"
#include "live_hub.h"
#include "rest_api.h"
#include "update_feed.h"

#include <QHttpServer>
#include <QObject>

// The devserver: REST routes and the live socket upgrade on one QHttpServer port.
class DevServer : public QObject {
    Q_OBJECT
public:
    // testHooks adds "POST /v1/test/silence-live", which silences every live
    // socket open at that moment (see LiveHub::silenceAll).
    explicit DevServer(bool testHooks = false, QObject* parent = nullptr);

    // Listens on 127.0.0.1; port 0 picks a free one. Returns the port, 0 on failure.
    quint16 listen(quint16 port);

private:
    DevState state_;
    QHttpServer http_;
    LiveHub live_;
    RestApi rest_;
    UpdateFeed updates_;
};
