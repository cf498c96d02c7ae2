#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QObject>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>

// An HTTP reply: anything that came back with a status line.
struct HttpReply {
    int status = 0;
    QByteArray body;
    QByteArray contentType;  // the "Content-Type" header as sent, empty when none
};

// One HTTP session: an idle (request) time-out applied per transfer and a
// resource time-out that aborts a request however busy it is. A request that
// fails below HTTP throws TransportError, and so does a reply whose body was
// cut off; any complete reply is returned, whatever its status. GUI thread only.
class HttpSession : public QObject {
    Q_OBJECT
public:
    struct Timeouts {
        std::chrono::milliseconds idle{12000};
        std::chrono::milliseconds resource{20000};
    };

    explicit HttpSession(Timeouts timeouts, QObject* parent = nullptr);

    // `idleTimeout` replaces the session's idle time-out for this request.
    QCoro::Task<HttpReply> send(QNetworkRequest request, QByteArray method, QByteArray body = {},
                                std::optional<std::chrono::milliseconds> idleTimeout = std::nullopt);

private:
    Timeouts timeouts_;
    QNetworkAccessManager manager_;
};
