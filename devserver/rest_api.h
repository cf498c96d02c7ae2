#pragma once

#include "dev_state.h"

#include <QHttpServer>

class LiveHub;

// The REST endpoints under "/v1/".
class RestApi {
public:
    RestApi(DevState& state, LiveHub& live);

    void registerRoutes(QHttpServer& http);

private:
    DevState& state_;
    LiveHub& live_;
};
