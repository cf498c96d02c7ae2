#include "support/scripted_responder.h"

#include "platform/server_test_seam.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <utility>

ScriptedResponder::ScriptedResponder(QObject* parent) : QObject(parent)
{
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            socket->setParent(this);
            serve(socket);
        }
    });
    Server::setBaseURLForTesting(baseURL());
}

QUrl ScriptedResponder::baseURL() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()));
}

void ScriptedResponder::serve(QTcpSocket* socket)
{
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
        buffer->append(socket->readAll());
        const qsizetype headerEnd = buffer->indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QList<QByteArray> lines = buffer->left(headerEnd).split('\n');
        Request request;
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.target = first.value(1);
        qsizetype contentLength = 0;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon < 0)
                continue;
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            request.headerNames.append(name);
            if (name == "content-length")
                contentLength = value.toLongLong();
            else if (name == "content-type")
                request.contentType = value;
        }
        if (buffer->size() < headerEnd + 4 + contentLength)
            return;
        request.body = buffer->mid(headerEnd + 4, contentLength);
        buffer->remove(0, headerEnd + 4 + contentLength);

        const Reply reply = replies_.isEmpty() ? Reply{} : replies_.value(requests_.size(), replies_.last());
        requests_.append(request);
        if (reply.silent)
            return;
        if (reply.hangUp) {
            socket->abort();
            return;
        }
        QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + " Scripted\r\n";
        if (!reply.contentType.isEmpty())
            out += "Content-Type: " + reply.contentType + "\r\n";
        out += "Connection: close\r\n";
        out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n\r\n";
        out += reply.partialBody < 0 ? reply.body : reply.body.left(reply.partialBody);
        const bool stall = reply.partialBody >= 0 && reply.stallAfterPart;
        const auto send = [socket = QPointer<QTcpSocket>(socket), out, stall] {
            if (!socket)
                return;
            socket->write(out);
            if (!stall)
                socket->disconnectFromHost();
        };
        if (reply.held)
            held_.append(send);
        else
            QTimer::singleShot(reply.delay, socket, send);
    });
}

void ScriptedResponder::release()
{
    const auto sends = std::exchange(held_, {});
    for (const auto& send : sends)
        send();
}
