// What a pager puts on the wire, in order, seen by a server that records it.
#include "pager_harness.h"

#include "platform/diagnostics.h"
#include "platform/server_test_seam.h"

#include <QWebSocketServer>

using namespace std::chrono_literals;

namespace {

// Accepts live sockets on loopback and records what they send; can hold
// handshakes back so a client's socket stays in its opening state.
class RecordingServer : public ReceivedLog {
public:
    RecordingServer()
    {
        QObject::connect(&server_, &QWebSocketServer::newConnection, &server_, [this] {
            while (QWebSocket* socket = server_.nextPendingConnection()) {
                sockets_.emplace_back(socket);
                record(socket);
            }
        });
    }

    bool listen()
    {
        if (!server_.listen(QHostAddress::LocalHost, 0))
            return false;
        Server::setBaseURLForTesting(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort())));
        return true;
    }
    void holdHandshakes() { server_.pauseAccepting(); }
    void releaseHandshakes() { server_.resumeAccepting(); }
    size_t connections() const { return sockets_.size(); }

private:
    QWebSocketServer server_{QStringLiteral("recording"), QWebSocketServer::NonSecureMode};
    std::vector<std::unique_ptr<QWebSocket>> sockets_;
};

// The pager message arrived exactly as given, before any frame.
void expectMessageBeforeFrames(const RecordingServer& server, const QJsonObject& expected)
{
    const qsizetype message = server.indexOfType("pager");
    ASSERT_GE(message, 0);
    EXPECT_LT(message, server.indexOfFirstFrame());
    EXPECT_EQ(server.messages()[message].json(), expected);
}

}  // namespace

TEST(PagerOrder, APagerWhileTheSocketStillOpensIsRefusedAndNothingLeaves)
{
    RecordingServer server;
    ASSERT_TRUE(server.listen());
    server.holdHandshakes();

    ChannelAudioService engine;
    Diagnostics::LineCapture lines;
    QCoro::Task<void> connecting = engine.connect(77, "uid-alice", "Alice", "Q-ABC123", {});
    ASSERT_TRUE(eventually([&] { return engine.linkState() == ChannelAudioService::LinkState::opening; }));
    EXPECT_FALSE(engine.isLive()) << "not live before the server answered";
    EXPECT_FALSE(engine.sendPager("siren", rampPCM(3000)));
    EXPECT_TRUE(lines.contains("[TovrinPager][mac] TX skipped not-live"));

    server.releaseHandshakes();
    EXPECT_FALSE(runVoidTask(std::move(connecting)));
    EXPECT_TRUE(engine.isLive());
    ASSERT_TRUE(eventually([&] { return server.indexOfType("voice_filter") >= 0; }));
    EXPECT_LT(server.indexOfType("pager"), 0);
    EXPECT_TRUE(server.frames().isEmpty());
    EXPECT_EQ(server.connections(), 1u);
}

TEST(PagerOrder, OnAnOpenSocketTheMessageStillComesFirst)
{
    RecordingServer server;
    ASSERT_TRUE(server.listen());

    ChannelAudioService engine;
    EXPECT_FALSE(runVoidTask(engine.connect(77, "uid-alice", QString(), "Q-ABC123", {})));
    ASSERT_TRUE(eventually([&] { return server.indexOfType("voice_filter") >= 0; }));
    ASSERT_TRUE(engine.sendPager("bell", QByteArray()));
    ASSERT_TRUE(eventually([&] { return server.frames().size() == 2; }));
    expectMessageBeforeFrames(server, {{"type", "pager"}, {"sound", "bell"}, {"display_name", "Radio User"}});
}
