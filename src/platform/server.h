#pragma once

#include <QUrl>

// The one server the client talks to. The address is compiled in (CMake cache
// variable TOVRIN_SERVER_BASE_URL) and no user setting can change it.
namespace Server {

// Scheme and host (a local development build may add a port); never a path.
QUrl baseURL();

// The live socket address of a channel: "/v1/live/<channel>?uid=<uid>" on the
// base host, "wss" for an https base and "ws" otherwise.
QUrl liveURL(int channelNumber, const QString& uid);

}  // namespace Server
