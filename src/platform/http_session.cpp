#include "platform/http_session.h"

#include "platform/errors.h"

#include <QPointer>
#include <QTimer>

#include <qcoro/qcoronetworkreply.h>

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
        const bool timedOut = resourceExpired || reply->error() == QNetworkReply::TimeoutError
                              || reply->error() == QNetworkReply::OperationCanceledError;
        const auto code = reply->isFinished() ? reply->error() : QNetworkReply::TimeoutError;
        if (!reply->isFinished())
            reply->abort();
        throw TransportError(code, reply->errorString(), timedOut);
    }
    co_return HttpReply{status.toInt(), reply->readAll(), reply->rawHeader("Content-Type")};
}
