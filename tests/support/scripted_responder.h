#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QUrl>

#include <chrono>
#include <functional>

// A tiny HTTP/1.1 responder on loopback for replies the devserver would never
// give (odd statuses, broken bodies, silence). Each request is answered with
// the next scripted reply, or the last one again; it records what it received.
class ScriptedResponder : public QObject {
    Q_OBJECT
public:
    struct Reply {
        int status = 200;
        QByteArray body;
        // Never answer: lets a client's time-out fire.
        bool silent = false;
        std::chrono::milliseconds delay{0};
        // Sent as the "Content-Type" header; empty sends none.
        QByteArray contentType = "application/json";
        // Close the connection without a reply.
        bool hangUp = false;
        // Answered only by release(): lets a test decide which reply lands last.
        bool held = false;
        // Send only this many bytes of the body, though the header declares
        // all of it; then close, or stay silent when `stallAfterPart`.
        qsizetype partialBody = -1;
        bool stallAfterPart = false;
    };

    struct Request {
        QByteArray method;
        QByteArray target;  // path and query as sent
        QByteArray contentType;
        QByteArray body;
        QList<QByteArray> headerNames;
    };

    explicit ScriptedResponder(QObject* parent = nullptr);

    void script(QList<Reply> replies) { replies_ = std::move(replies); }
    // Also points the client at this responder through the server seam.
    QUrl baseURL() const;
    const QList<Request>& requests() const { return requests_; }
    // Sends every held reply, in the order their requests came.
    void release();

private:
    void serve(QTcpSocket* socket);

    QTcpServer server_;
    QList<Reply> replies_;
    QList<Request> requests_;
    QList<std::function<void()>> held_;
};
