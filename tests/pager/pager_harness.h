#pragma once

#include "engine/engine_harness.h"
#include "support/manual_clock.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>
#include <QWebSocket>

// One message a socket received, in arrival order.
struct ReceivedMessage {
    bool binary = false;
    QByteArray data;

    QJsonObject json() const { return binary ? QJsonObject() : QJsonDocument::fromJson(data).object(); }
    QString type() const { return json().value("type").toString(); }
};

// Everything a socket received, in arrival order.
class ReceivedLog {
public:
    // Records the socket's text and binary messages from now on.
    void record(QWebSocket* socket)
    {
        QObject::connect(socket, &QWebSocket::textMessageReceived, [this](const QString& text) {
            messages_.append({false, text.toUtf8()});
        });
        QObject::connect(socket, &QWebSocket::binaryMessageReceived, [this](const QByteArray& frame) {
            messages_.append({true, frame});
        });
    }

    const QList<ReceivedMessage>& messages() const { return messages_; }

    QList<ReceivedMessage> ofType(const QString& type) const
    {
        QList<ReceivedMessage> found;
        for (const ReceivedMessage& message : messages_) {
            if (message.type() == type)
                found.append(message);
        }
        return found;
    }
    // Where the first message of a type arrived, -1 when none did.
    qsizetype indexOfType(const QString& type) const
    {
        for (qsizetype i = 0; i < messages_.size(); ++i) {
            if (messages_[i].type() == type)
                return i;
        }
        return -1;
    }
    qsizetype indexOfFirstFrame() const
    {
        for (qsizetype i = 0; i < messages_.size(); ++i) {
            if (messages_[i].binary)
                return i;
        }
        return -1;
    }
    QList<QByteArray> frames() const
    {
        QList<QByteArray> found;
        for (const ReceivedMessage& message : messages_) {
            if (message.binary)
                found.append(message.data);
        }
        return found;
    }

private:
    QList<ReceivedMessage> messages_;
};

// A bare listener on a devserver channel that records everything it is sent.
class RawListener : public ReceivedLog {
public:
    bool open(quint16 port, int channel, const QString& uid)
    {
        record(&socket_);
        QUrl url(QStringLiteral("ws://127.0.0.1:%1/v1/live/%2").arg(port).arg(channel));
        url.setQuery(QUrlQuery{{QStringLiteral("uid"), uid}});
        socket_.open(url);
        return eventually([&] { return !ofType("joined").isEmpty(); });
    }

    void sendChat(const QString& text)
    {
        socket_.sendTextMessage(QJsonDocument(QJsonObject{{"type", "chat"}, {"text", text}}).toJson(QJsonDocument::Compact));
    }

private:
    QWebSocket socket_;
};

// Little-endian 16-bit PCM whose every byte differs from its neighbours, so a
// misplaced or lost byte shows.
inline QByteArray rampPCM(qsizetype bytes)
{
    QByteArray pcm(bytes, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes; ++i)
        pcm[i] = char(i * 7 + 3);
    return pcm;
}

// The payloads of pager frames, joined.
inline QByteArray joinedPayloads(const QList<QByteArray>& frames)
{
    QByteArray pcm;
    for (const QByteArray& frame : frames)
        pcm += frame.mid(ChannelAudioService::frameHeaderSize);
    return pcm;
}
