#include "dev_server.h"

#include <QHostAddress>
#include <QWebSocket>

DevServer::DevServer(QObject* parent)
    : QObject(parent), live_(state_), rest_(state_, live_)
{
    http_.route(QStringLiteral("/healthz"), [] { return QHttpServerResponse(QByteArray("ok"), QHttpServerResponder::StatusCode::Ok); });

    // The upgrade only reaches newWebSocketConnection when a route matches the
    // path; a plain GET there is told to upgrade.
    http_.route(QStringLiteral("/v1/live/<arg>"), [](int, const QHttpServerRequest& request) {
        if (request.value("Upgrade").compare("websocket", Qt::CaseInsensitive) == 0)
            return QHttpServerResponse(QHttpServerResponder::StatusCode::SwitchingProtocols);
        return QHttpServerResponse(QHttpServerResponder::StatusCode::UpgradeRequired);
    });
    connect(&http_, &QHttpServer::newWebSocketConnection, this, [this] {
        while (auto socket = http_.nextPendingWebSocketConnection())
            live_.accept(std::move(socket));
    });

    rest_.registerRoutes(http_);
}

quint16 DevServer::listen(quint16 port)
{
    return http_.listen(QHostAddress::LocalHost, port);
}
