#include "dev_server.h"

#include "low_delay_tcp_server.h"

#include <QHostAddress>
#include <QWebSocket>

DevServer::DevServer(QObject* parent)
    : QObject(parent), live_(state_), rest_(state_, live_)
{
    http_.route(QStringLiteral("/healthz"), [] { return QHttpServerResponse(QByteArray("ok"), QHttpServerResponder::StatusCode::Ok); });

    // The upgrade only reaches newWebSocketConnection when a route matches the
    // path; a plain GET there is told to upgrade.
    // Writing any reply to the upgrade request itself corrupts the handshake.
    http_.route(QStringLiteral("/v1/live/<arg>"), [](int, const QHttpServerRequest& request, QHttpServerResponder&& responder) {
        if (request.value("Upgrade").compare("websocket", Qt::CaseInsensitive) != 0)
            responder.write(QHttpServerResponder::StatusCode::UpgradeRequired);
    });
    connect(&http_, &QHttpServer::newWebSocketConnection, this, [this] {
        while (auto socket = http_.nextPendingWebSocketConnection())
            live_.accept(std::move(socket));
    });

    rest_.registerRoutes(http_);
    updates_.registerRoutes(http_);
}

quint16 DevServer::listen(quint16 port)
{
    auto* tcp = new LowDelayTcpServer(this);
    if (!tcp->listen(QHostAddress::LocalHost, port)) {
        delete tcp;
        return 0;
    }
    http_.bind(tcp);
    return tcp->serverPort();
}
