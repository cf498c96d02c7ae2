#include "dev_server.h"

#include "low_delay_tcp_server.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QWebSocket>

DevServer::DevServer(bool testHooks, QObject* parent)
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

    if (testHooks) {
        http_.route(QStringLiteral("/v1/test/silence-live"), QHttpServerRequest::Method::Post, [this] {
            // Connections belong to the listening server, upgraded ones to the HTTP server.
            live_.silenceAll(findChildren<QTcpSocket*>() + http_.findChildren<QTcpSocket*>());
            return QHttpServerResponse(QHttpServerResponder::StatusCode::NoContent);
        });
    }

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
