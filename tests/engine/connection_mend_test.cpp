// The engine's own rules for its sockets: callbacks of an old socket do
// nothing, a dropped socket is always closed, one reconnect at a time.
#include "engine_harness.h"

#include "platform/diagnostics.h"
#include "platform/server_test_seam.h"

#include <QTcpServer>
#include <QWebSocketServer>
#include <QTcpSocket>

using namespace std::chrono_literals;

TEST_F(LiveChannelTest, ALateFailureOfAReplacedSocketLeavesTheCurrentConnectionAlone)
{
    auto alice = joinedEngine("uid-alice");
    alice->setLinkTimingForTesting({.firstRetry = 50ms, .maxRetry = 50ms});  // a reconnect would come at once
    Diagnostics::LineCapture lines;
    // The first socket is closed by the second connect; its failure arrives after the new socket exists.
    joinWith(*alice, "uid-alice");
    joinWith(*alice, "uid-alice");
    ASSERT_TRUE(waitPastTimers(50ms));
    EXPECT_EQ(lines.count("WS recv fail"), 0);
    EXPECT_EQ(lines.count("WS reconnect"), 0);
    EXPECT_TRUE(alice->isLive());

    // The current socket still carries the conversation.
    auto bob = joinedEngine("uid-bob");
    alice->sendChat("still here");
    ASSERT_TRUE(eventually([&] { return chatTexts(*bob) == QStringList{"still here"}; }));
}

TEST_F(LiveChannelTest, AConnectCancelsTheReconnectThatWasPending)
{
    auto alice = joinedEngine("uid-alice");
    alice->setLinkTimingForTesting({.firstRetry = 1h, .maxRetry = 1h});
    Diagnostics::LineCapture lines;
    server.kill();
    ASSERT_TRUE(eventually([&] { return lines.contains("WS recv fail"); }));
    EXPECT_TRUE(alice->isReconnectPending());

    ASSERT_TRUE(server.restart());
    joinWith(*alice, "uid-alice");
    EXPECT_FALSE(alice->isReconnectPending()) << "the pending reconnect must not replace the new socket";
    EXPECT_EQ(lines.count("WS reconnect"), 0);
    EXPECT_EQ(alice->listenerCount(), 1);

    auto bob = joinedEngine("uid-bob");
    bob->sendChat("hello");
    ASSERT_TRUE(eventually([&] { return chatTexts(*alice) == QStringList{"hello"}; }));
}

TEST(EngineSockets, AHandshakeThatNeverEndsIsClosedAndRetried)
{
    // A server that accepts connections and never answers the upgrade.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    std::vector<QPointer<QTcpSocket>> accepted;
    QObject::connect(&silent, &QTcpServer::newConnection, &silent, [&] {
        while (QTcpSocket* socket = silent.nextPendingConnection())
            accepted.emplace_back(socket);
    });
    Server::setBaseURLForTesting(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort())));

    RecordPermission::Override microphone(RecordPermission::State::granted, true);
    ChannelAudioService engine;
    engine.setLinkTimingForTesting({.openTimeout = 200ms, .firstRetry = 50ms, .maxRetry = 50ms});
    Diagnostics::LineCapture lines;
    EXPECT_FALSE(runVoidTask(engine.connect(77, "uid-alice", "Alice", "Q-ABC123", {})));
    ASSERT_TRUE(eventually([&] { return accepted.size() >= 3; }));
    EXPECT_FALSE(engine.isLive()) << "never live: the server never answered";
    EXPECT_GE(lines.count("WS reconnect ch=77"), 2);

    auto closedByEngine = [](const QPointer<QTcpSocket>& socket) {
        return !socket || socket->state() == QAbstractSocket::UnconnectedState;
    };
    ASSERT_TRUE(eventually([&] { return std::all_of(accepted.begin(), accepted.begin() + 2, closedByEngine); }));

    engine.disconnect();
    const size_t total = accepted.size();
    const qsizetype attempts = lines.count("WS reconnect");
    ASSERT_TRUE(eventually([&] { return std::all_of(accepted.begin(), accepted.end(), closedByEngine); }));
    ASSERT_TRUE(waitPastTimers(200ms));  // the longest: a handshake's time-out
    EXPECT_EQ(lines.count("WS reconnect"), attempts) << "no attempt after disconnect";
    EXPECT_EQ(accepted.size(), total);
}

TEST_F(LiveChannelTest, ALeaveWhileTheSessionWakesUpWinsOverTheConnect)
{
    ChannelAudioService engine;
    Diagnostics::LineCapture lines;
    // connect suspends while the audio session is activated off the GUI thread.
    QCoro::Task<void> connecting = engine.connect(channel, "uid-alice", "Alice", "Q-ABC123", {});
    engine.disconnect();
    EXPECT_FALSE(runVoidTask(std::move(connecting)));
    runQueued();
    EXPECT_FALSE(engine.isLive());
    EXPECT_EQ(lines.count("connect ch="), 0);
    EXPECT_EQ(engine.listenerCount(), 0);
}

TEST(EngineSockets, LeavingAndConnectAgainCloseTheSocketWithGoingAway)
{
    RecordPermission::Override microphone(RecordPermission::State::granted, true);
    QWebSocketServer server(QStringLiteral("probe"), QWebSocketServer::NonSecureMode);
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    std::vector<std::unique_ptr<QWebSocket>> accepted;
    std::vector<QWebSocketProtocol::CloseCode> closeCodes;
    QObject::connect(&server, &QWebSocketServer::newConnection, &server, [&] {
        while (QWebSocket* socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QWebSocket::disconnected, socket, [&closeCodes, socket] { closeCodes.push_back(socket->closeCode()); });
            accepted.emplace_back(socket);
        }
    });
    Server::setBaseURLForTesting(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort())));

    ChannelAudioService engine;
    EXPECT_FALSE(runVoidTask(engine.connect(88, "uid-alice", "Alice", "Q-ABC123", {})));
    ASSERT_TRUE(eventually([&] { return accepted.size() == 1; }));
    EXPECT_EQ(accepted[0]->requestUrl().path(), "/v1/live/88");
    EXPECT_EQ(accepted[0]->requestUrl().query(), "uid=uid-alice");

    EXPECT_FALSE(runVoidTask(engine.connect(89, "uid-alice", "Alice", "Q-ABC123", {})));
    ASSERT_TRUE(eventually([&] { return accepted.size() == 2 && closeCodes.size() == 1; }));
    engine.disconnect();
    ASSERT_TRUE(eventually([&] { return closeCodes.size() == 2; }));
    EXPECT_EQ(closeCodes, (std::vector<QWebSocketProtocol::CloseCode>{QWebSocketProtocol::CloseCodeGoingAway,
                                                                       QWebSocketProtocol::CloseCodeGoingAway}));
}

TEST_F(LiveChannelTest, RetriesWaitLongerEachTimeAndStartOverOnceALinkHeld)
{
    auto alice = joinedEngine("uid-alice");
    alice->setLinkTimingForTesting({.firstRetry = 40ms, .maxRetry = 1000ms, .stableAfter = 100ms});
    const auto* retry = alice->findChild<QTimer*>(QStringLiteral("reconnectTimer"));
    const auto* stable = alice->findChild<QTimer*>(QStringLiteral("stableTimer"));
    ASSERT_TRUE(retry && stable);
    // The wait of each attempt, read when it starts: the first wait doubled per attempt, plus at most a quarter.
    std::vector<int> waits;
    QObject::connect(alice.get(), &ChannelAudioService::linkStateChanged, alice.get(), [&] {
        if (alice->linkState() == ChannelAudioService::LinkState::waiting)
            waits.push_back(retry->interval());
    });

    server.kill();
    ASSERT_TRUE(eventually([&] { return waits.size() >= 4; }));
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_GE(waits[i], 40 << i) << "attempt " << i;
        EXPECT_LE(waits[i], (40 << i) + (10 << i)) << "attempt " << i;
    }

    // A link that stays open starts the back-off over.
    ASSERT_TRUE(server.restart());
    // Open starts the stable wait in the same step.
    ASSERT_TRUE(eventually([&] { return alice->isLive(); }));
    ASSERT_TRUE(eventually([&] { return !stable->isActive(); }));
    waits.clear();
    server.kill();
    ASSERT_TRUE(eventually([&] { return !waits.empty(); }));
    EXPECT_GE(waits.front(), 40);
    EXPECT_LE(waits.front(), 50);
}
