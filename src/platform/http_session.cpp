#include "platform/http_session.h"

#include "platform/errors.h"

#include <QPointer>
#include <QTimer>

#include <qcoro/qcoronetworkreply.h>

namespace {

bool isTimeout(QNetworkReply::NetworkError error)
{
    return error == QNetworkReply::TimeoutError || error == QNetworkReply::OperationCanceledError;
}

// Connection, proxy and protocol failures; the content and server ranges
// (201–299, 401–499) only restate an HTTP status.
bool brokeBelowHttp(QNetworkReply::NetworkError error)
{
    const int code = int(error);
    return (code > 0 && code < 200) || (code > 300 && code < 400);
}

}  // namespace

HttpSession::HttpSession(Timeouts timeouts, QObject* parent)
    : QObject(parent), timeouts_(timeouts), manager_(this)
{
    manager_.setAutoDeleteReplies(false);
}

QCoro::Task<HttpReply> HttpSession::send(QNetworkRequest request, QByteArray method, QByteArray body,
                                         std::optional<std::chrono::milliseconds> idleTimeout)
{
    request.setTransferTimeout(int(idleTimeout.value_or(timeouts_.idle).count()));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);

    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(
        manager_.sendCustomRequest(request, method, body), [](QNetworkReply* r) { r->deleteLater(); });

    bool resourceExpired = false;
    QTimer resourceTimer;
    resourceTimer.setSingleShot(true);
    resourceTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&resourceTimer, &QTimer::timeout, reply.get(), [&resourceExpired, r = reply.get()] {
        resourceExpired = true;
        r->abort();
    });
    resourceTimer.start(timeouts_.resource);

    co_await qCoro(reply.get()).waitForFinished(timeouts_.resource + std::chrono::seconds(5));
    resourceTimer.stop();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || resourceExpired) {
        const bool timedOut = resourceExpired || isTimeout(reply->error());
        const auto code = reply->isFinished() ? reply->error() : QNetworkReply::TimeoutError;
        if (!reply->isFinished())
            reply->abort();
        throw TransportError(code, reply->errorString(), timedOut);
    }
    // A status with a body cut off (idle time-out or a dropped connection
    // before the declared length) is no reply: errors below HTTP, unlike the
    // ones Qt derives from the status itself, mean the transfer broke.
    if (brokeBelowHttp(reply->error()))
        throw TransportError(reply->error(), reply->errorString(), isTimeout(reply->error()));
    HttpReply result{status.toInt(), reply->readAll(), reply->rawHeader("Content-Type")};
    // An error status hides the broken transfer behind its own error code:
    // a body shorter than declared tells it. (A compressed body has another
    // length; 204, 304 and HEAD replies carry none whatever they declare.)
    bool declared = false;
    const qint64 length = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&declared);
    const bool bodyExpected = result.status != 204 && result.status != 304 && method != "HEAD";
    if (declared && bodyExpected && !reply->hasRawHeader("Content-Encoding") && result.body.size() < length)
        throw TransportError(QNetworkReply::RemoteHostClosedError, QStringLiteral("reply body cut off"), false);
    co_return result;
}
