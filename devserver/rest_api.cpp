#include "rest_api.h"

#include "live_hub.h"

RestApi::RestApi(DevState& state, LiveHub& live) : state_(state), live_(live) {}

void RestApi::registerRoutes(QHttpServer&) {}
