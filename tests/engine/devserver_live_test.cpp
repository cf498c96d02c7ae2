// The devserver's live side seen from plain sockets: what it sends, in which order.
#include "engine_harness.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace std::chrono_literals;

namespace {

// A bare live client that records every message in arrival order.
class RawClient {
public:
    RawClient(const DevServerProcess& server, const QString& path)
    {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, [this](const QString& text) {
            received.append(QJsonDocument::fromJson(text.toUtf8()).object().value("type").toString());
            texts.append(QJsonDocument::fromJson(text.toUtf8()).object());
        });
        QObject::connect(&socket, &QWebSocket::binaryMessageReceived, [this](const QByteArray& frame) {
            received.append(QStringLiteral("frame"));
            frames.append(frame);
        });
        QObject::connect(&socket, &QWebSocket::disconnected, [this] { closed = true; });
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1%2").arg(server.port()).arg(path)));
    }

    void forget()
    {
        received.clear();
        texts.clear();
        frames.clear();
    }

    void send(const QJsonObject& message) { socket.sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson())); }

    QWebSocket socket;
    QStringList received;  // message types, "frame" for binary
    QList<QJsonObject> texts;
    QList<QByteArray> frames;
    bool closed = false;
};

}  // namespace

TEST_F(LiveChannelTest, TheDevserverRefusesABadLiveAddress)
{
    for (const QString path : {"/v1/live/0?uid=a", "/v1/live/64001?uid=a", "/v1/live/12", "/v1/live/12?uid="}) {
        RawClient client(server, path);
        ASSERT_TRUE(eventually([&] { return client.closed; })) << path.toStdString();
        EXPECT_TRUE(client.received.isEmpty()) << path.toStdString();
        EXPECT_EQ(client.socket.closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
    }
}

TEST_F(LiveChannelTest, TheDevserverRelaysAPagerMessageBeforeItsFrames)
{
    RawClient sender(server, "/v1/live/42?uid=sender");
    RawClient listener(server, "/v1/live/42?uid=listener");
    ASSERT_TRUE(eventually([&] { return listener.received.contains("joined") && sender.received.contains("presence"); }));
    listener.forget();

    const QByteArray frame = QByteArray("\xFF\x51\x46\x01", 4) + QByteArray(1280, '\x07');
    sender.socket.sendBinaryMessage(frame);  // ahead of its message, as a sender may put it
    sender.send({{"type", "pager"}, {"sound", "siren"}, {"display_name", "S"}});
    sender.socket.sendBinaryMessage(frame);
    ASSERT_TRUE(eventually([&] { return listener.received.size() == 3; }));
    EXPECT_EQ(listener.received, (QStringList{"pager", "frame", "frame"}));
    EXPECT_EQ(listener.texts.last(), (QJsonObject{{"type", "pager"}, {"sound", "siren"}, {"uid", "sender"}}));
    EXPECT_EQ(listener.frames.first(), frame);

    // Inside the cooldown: the sender is told how long to wait and nothing is relayed.
    sender.send({{"type", "pager"}, {"sound", "siren"}});
    sender.socket.sendBinaryMessage(frame);
    ASSERT_TRUE(eventually([&] { return sender.received.contains("pager_denied"); }));
    const qint64 retryAfter = sender.texts.last().value("retry_after").toInteger();
    EXPECT_GE(retryAfter, 19);
    EXPECT_LE(retryAfter, 20);
    // A chat line sent after them reaches the listener behind anything relayed.
    sender.send({{"type", "chat"}, {"text", "sync"}});
    ASSERT_TRUE(eventually([&] { return listener.received.contains("chat"); }));
    EXPECT_EQ(listener.received, (QStringList{"pager", "frame", "frame", "chat"}));
}

TEST_F(LiveChannelTest, TheDevserverRelaysAnUtteranceInPlaybackFramesWithItsId)
{
    RawClient sender(server, "/v1/live/42?uid=sender");
    RawClient listener(server, "/v1/live/42?uid=listener");
    ASSERT_TRUE(eventually([&] { return listener.received.contains("joined") && sender.received.contains("presence"); }));
    listener.forget();

    QByteArray clip(20000, '\0');
    for (int i = 0; i < clip.size(); ++i)
        clip[i] = char(i % 251);
    sender.socket.sendBinaryMessage(QByteArray("\xFF\x51\x46\x02", 4) + "ignored: no utterance is open");
    sender.send({{"type", "utterance_open"}, {"id", "u1"}, {"sample_rate", 44100}, {"format", "aac"}});
    for (qsizetype offset = 0; offset < clip.size(); offset += 8192)
        sender.socket.sendBinaryMessage(QByteArray("\xFF\x51\x46\x02", 4) + clip.mid(offset, 8192));
    sender.send({{"type", "utterance_close"}, {"id", "u1"}, {"display_name", "S"}, {"format", "aac"}});

    ASSERT_TRUE(eventually([&] { return listener.received.contains("play_utterance_end"); }));
    EXPECT_EQ(listener.received, (QStringList{"play_utterance", "frame", "frame", "frame", "play_utterance_end"}));
    const QJsonObject announce = listener.texts.first();
    EXPECT_EQ(announce.value("uid").toString(), "sender");
    EXPECT_EQ(announce.value("bytes").toInteger(), clip.size());
    EXPECT_EQ(announce.value("format").toString(), "aac");
    const QByteArray id = announce.value("id").toString().toUtf8();
    EXPECT_EQ(listener.texts.last().value("id").toString().toUtf8(), id);

    QByteArray joined;
    for (const QByteArray& frame : listener.frames) {
        const QByteArray prefix = QByteArray("\xFF\x51\x46\x03", 4) + char(id.size()) + id;
        ASSERT_TRUE(frame.startsWith(prefix));
        EXPECT_LE(frame.size() - prefix.size(), 8192);
        joined += frame.mid(prefix.size());
    }
    EXPECT_EQ(joined, clip);
    EXPECT_FALSE(sender.received.contains("play_utterance")) << "the sender does not get its own utterance";
}
