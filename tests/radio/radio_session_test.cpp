#include "radio_session_fixture.h"

#include "services/tovrin_api.h"

#include <QPointer>
#include <QWebSocket>
#include <QWebSocketServer>

using namespace std::chrono_literals;
using State = RadioSession::ConnectionState;

namespace {

// A devserver and a user channel whose owner checked in.
class OwnedChannelTest : public RadioSessionTest {
protected:
    void SetUp() override
    {
        RadioSessionTest::SetUp();
        ASSERT_TRUE(server.start());
        const auto reply = runTask(TovrinAPI::shared().checkin(owner, {}, {}, {}));
        ASSERT_TRUE(reply.ok());
        channel = reply.value->ownedChannelNumber.value_or(0);
        ASSERT_GT(channel, 100);
    }

    DevServerProcess server;
    const QString owner = "radio-owner";
    qint64 channel = 0;
};

TEST_F(RadioSessionTest, StartsOnTheStoredChannelWhenItIsInRange)
{
    const struct {
        std::optional<qint64> stored;
        qint64 channel;
        const char* display;
    } cases[] = {
        {std::nullopt, 1, "001.001"}, {0, 1, "001.001"},         {64001, 1, "001.001"},
        {-7, 1, "001.001"},           {64000, 64000, "200.320"}, {777, 777, "003.137"},
    };
    for (const auto& c : cases) {
        UserDefaults defaults;
        if (c.stored)
            defaults.set(RadioSession::lastChannelKey, *c.stored);
        else
            defaults.remove(RadioSession::lastChannelKey);
        RadioSession session;
        EXPECT_EQ(session.channelNumber(), c.channel) << c.stored.value_or(-1);
        EXPECT_EQ(session.displayFrequency(), QString::fromUtf8(c.display));
        EXPECT_EQ(session.connectionState(), State::idle);
        EXPECT_EQ(session.lcdStatus(), "STANDBY");
        EXPECT_EQ(session.listenersOnTunedChannel(), 0);
        EXPECT_EQ(session.lastError(), std::nullopt);
        EXPECT_EQ(storedChannel(), c.stored) << "the constructor persists nothing";
    }
}

TEST_F(RadioSessionTest, SetChannelClampsAndPersistsWithoutTouchingTheConnection)
{
    const struct {
        qint64 n;
        qint64 channel;
        const char* display;
    } cases[] = {{0, 1, "001.001"}, {70000, 64000, "200.320"}, {321, 321, "002.001"}};
    RadioSession session;
    for (const auto& c : cases) {
        session.setChannel(c.n);
        EXPECT_EQ(session.channelNumber(), c.channel) << c.n;
        EXPECT_EQ(session.displayFrequency(), QString::fromUtf8(c.display));
        EXPECT_EQ(storedChannel(), c.channel);
        EXPECT_EQ(session.connectionState(), State::idle);
    }
}

TEST_F(RadioSessionTest, TunesJoinsSeesItsOwnListenersLeavesAndRetunes)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    RadioSession session(shortTiming());
    session.applyChannel(42);
    EXPECT_EQ(session.displayFrequency(), "001.042");
    EXPECT_EQ(storedChannel(), 42);

    QStringList words;
    QObject::connect(&session, &RadioSession::lcdStatusChanged, &session, [&] { words << session.lcdStatus(); });
    joinNow(session);
    EXPECT_EQ(session.connectionState(), State::connected);
    EXPECT_EQ(session.lastError(), std::nullopt);
    EXPECT_TRUE(session.live()->isLive());
    EXPECT_EQ(words, QStringList({"TUNING…", "ON CHANNEL"})) << "on the channel only once the server answered";
    EXPECT_EQ(storedChannel(), 42);
    EXPECT_EQ(storedWasLive(), true);
    ASSERT_TRUE(waitUntil([&] { return session.listenersOnTunedChannel() == 1; }));

    // A second listener on the channel: the count follows its presence.
    ChannelAudioService other;
    EXPECT_FALSE(runVoidTask(other.connect(42, "radio-test-b", "Other", "Q-TEST02", {})));
    ASSERT_TRUE(waitUntil([&] { return session.listenersOnTunedChannel() == 2; }));

    session.leaveChannel();
    EXPECT_EQ(session.connectionState(), State::idle);
    EXPECT_EQ(session.lcdStatus(), "STANDBY");
    EXPECT_EQ(session.lastError(), std::nullopt);
    EXPECT_FALSE(session.live()->isLive());
    EXPECT_EQ(storedChannel(), 42);
    EXPECT_EQ(storedWasLive(), false);
    // Off the channel, the count comes from the channel list: the other listener stays.
    ASSERT_TRUE(waitUntil([&] { return session.listenersOnTunedChannel() == 1; }));

    session.applyChannel(43);
    EXPECT_EQ(session.displayFrequency(), "001.043");
    EXPECT_EQ(storedChannel(), 43);
    EXPECT_TRUE(waitUntil([&] { return session.listenersOnTunedChannel() == 0; }));
    other.disconnect();
}

TEST_F(RadioSessionTest, RetuningByDisplayDropsTheConnectionAndAJoinSnapsIt)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    RadioSession session(shortTiming());
    session.setChannel(42);
    joinNow(session);
    ASSERT_EQ(session.connectionState(), State::connected);

    session.applyDisplay("001.043");
    EXPECT_EQ(session.connectionState(), State::idle);
    EXPECT_FALSE(session.live()->isLive());
    EXPECT_EQ(session.displayFrequency(), "001.043");
    EXPECT_EQ(session.channelNumber(), 43);
    EXPECT_EQ(storedChannel(), 43);
    EXPECT_EQ(storedWasLive(), false);

    // A rolled digit that names no channel is only shown.
    session.applyDisplay("000.001");
    EXPECT_EQ(session.displayFrequency(), "000.001");
    EXPECT_EQ(session.channelNumber(), 43);

    joinNow(session);
    EXPECT_EQ(session.displayFrequency(), "001.001");
    EXPECT_EQ(session.channelNumber(), 1);
    EXPECT_EQ(session.connectionState(), State::connected);
    EXPECT_EQ(storedChannel(), 1);
    session.leaveChannel();
}

TEST_F(RadioSessionTest, RefusalsShowTheirTextAndClearTheResumeFlag)
{
    const struct {
        std::optional<QString> reason;
        QString text;
    } cases[] = {
        {std::nullopt, "Join denied."},
        {"banned", "You are banned from this channel."},
        {"passkey_required", "This channel requires a passkey."},
        {"not_allowed", "You are not on the allowlist for this channel."},
        {"not_active", "Channel not active."},
        {"not_found", "Channel not found."},
        {"workplace_required", "Employees only — enter your company code in Settings."},
        {"Banned", "Join denied."},
        {"rate_limited", "Join denied."},
    };
    for (const auto& c : cases) {
        QJsonObject reply{{"allowed", false}};
        if (c.reason)
            reply.insert("reason", *c.reason);
        ScriptedResponder responder;
        responder.script({{200, json(reply)}});
        UserDefaults().set(RadioSession::wasLiveKey, true);
        RadioSession session;
        session.applyChannel(7);
        joinNow(session);
        EXPECT_EQ(session.lastError(), c.text) << c.reason.value_or("(none)").toStdString();
        EXPECT_EQ(session.connectionState(), State::idle);
        EXPECT_FALSE(session.live()->isLive());
        EXPECT_EQ(storedChannel(), 7);
        EXPECT_EQ(storedWasLive(), false);
    }
}

TEST_F(RadioSessionTest, TheDevserversRefusalsReachTheUser)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    RadioSession session;
    // A user channel nobody holds.
    session.setChannel(63999);
    joinNow(session);
    EXPECT_EQ(session.lastError(), "Channel not active.");
    EXPECT_EQ(session.connectionState(), State::idle);

    // A home channel lets anyone in, and a successful join clears the text.
    session.applyChannel(3);
    joinNow(session);
    EXPECT_EQ(session.lastError(), std::nullopt);
    EXPECT_EQ(session.connectionState(), State::connected);
    session.leaveChannel();
}

TEST_F(OwnedChannelTest, APasskeyChannelTurnsAwayAWrongPasskey)
{
    ASSERT_FALSE(runTask(TovrinAPI::shared().updateChannelSettings(
                             owner, channel, QJsonObject{{"join_policy", "passkey"}, {"passkey", "4321"}}))
                     .error);

    RadioSession session;
    session.setChannel(channel);
    for (const std::optional<QString>& wrong : {std::optional<QString>(), std::optional<QString>(""),
                                                std::optional<QString>("1234")}) {
        joinNow(session, "radio-test-a", wrong);
        EXPECT_EQ(session.lastError(), "This channel requires a passkey.");
        EXPECT_EQ(session.connectionState(), State::idle);
    }
    joinNow(session, "radio-test-a", "4321");
    EXPECT_EQ(session.lastError(), std::nullopt);
    EXPECT_EQ(session.connectionState(), State::connected);
    session.leaveChannel();
}

TEST_F(OwnedChannelTest, ABanRemovesTheListenerAndKeepsThemOut)
{
    RadioSession session;
    session.setChannel(channel);
    joinNow(session, "radio-test-a");
    ASSERT_EQ(session.connectionState(), State::connected);
    ASSERT_EQ(storedWasLive(), true);
    // The server has the listener in the room before the owner bans them.
    ASSERT_TRUE(waitUntil([&] { return session.listenersOnTunedChannel() == 1; }));

    EXPECT_FALSE(runVoidTask(TovrinAPI::shared().banFromChannel(owner, channel, "radio-test-a")));
    ASSERT_TRUE(waitUntil([&] { return session.lastError().has_value(); }));
    EXPECT_EQ(session.lastError(), "You were banned from this channel.");
    EXPECT_EQ(session.connectionState(), State::idle);
    EXPECT_EQ(session.lcdStatus(), "STANDBY");
    EXPECT_EQ(storedChannel(), channel);
    EXPECT_EQ(storedWasLive(), false);
    EXPECT_TRUE(waitUntil([&] { return !session.live()->isLive(); }));

    joinNow(session, "radio-test-a");
    EXPECT_EQ(session.lastError(), "You are banned from this channel.");
}

TEST_F(RadioSessionTest, ARemovalSaysWhyAndEndsTheResumeState)
{
    const struct {
        std::optional<QString> reason;
        QString text;
    } cases[] = {
        {"banned", "You were banned from this channel."},
        {"removed", "Removed from channel."},
        {std::nullopt, "Removed from channel."},
        {"idle_timeout", "Removed from channel."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason.value_or("(none)").toStdString());
        // A live server of our own, to send a "kicked" the devserver never sends.
        QWebSocketServer live(QStringLiteral("radio-test"), QWebSocketServer::NonSecureMode);
        ASSERT_TRUE(live.listen(QHostAddress::LocalHost, 0));
        QPointer<QWebSocket> peer;
        QObject::connect(&live, &QWebSocketServer::newConnection, &live, [&] { peer = live.nextPendingConnection(); });

        RadioSession session;
        session.setChannel(4);
        joinWithScriptedReply(session, {{"allowed", true}},
                              QUrl(QStringLiteral("http://127.0.0.1:%1").arg(live.serverPort())));
        ASSERT_EQ(storedWasLive(), true);
        ASSERT_TRUE(waitUntil([&] { return peer && peer->state() == QAbstractSocket::ConnectedState; }));

        QJsonObject kicked{{"type", "kicked"}};
        if (c.reason)
            kicked.insert("reason", *c.reason);
        peer->sendTextMessage(QString::fromUtf8(json(kicked)));
        ASSERT_TRUE(waitUntil([&] { return session.lastError().has_value(); }));
        EXPECT_EQ(session.lastError(), c.text);
        EXPECT_EQ(session.connectionState(), State::idle);
        EXPECT_EQ(storedChannel(), 4);
        EXPECT_EQ(storedWasLive(), false);
    }
}

TEST_F(RadioSessionTest, ATransportFailureIsOneTextAndKeepsTheStoredState)
{
    UserDefaults defaults;
    defaults.set(RadioSession::lastChannelKey, 9);
    defaults.set(RadioSession::wasLiveKey, true);
    Server::setBaseURLForTesting(closedLoopbackURL());
    RadioSession session;
    ASSERT_EQ(session.channelNumber(), 9);
    joinNow(session);
    EXPECT_EQ(session.lastError(), "Could not join channel.");
    EXPECT_EQ(session.connectionState(), State::idle);
    EXPECT_FALSE(session.live()->isLive());
    EXPECT_EQ(storedChannel(), 9);
    EXPECT_EQ(storedWasLive(), true);
}

TEST_F(RadioSessionTest, ADisplayIsValidatedOrSnappedBeforeAJoin)
{
    ScriptedResponder responder;
    responder.script({{200, json({{"allowed", false}, {"reason", "not_found"}})}});
    RadioSession session;
    session.setChannel(5);

    // No dot: nothing is asked of the server.
    session.applyDisplay("12");
    joinNow(session);
    EXPECT_EQ(session.lastError(), RadioSession::invalidFrequencyText);
    EXPECT_EQ(session.connectionState(), State::idle);
    EXPECT_EQ(session.displayFrequency(), "12");
    EXPECT_EQ(session.channelNumber(), 5);
    EXPECT_EQ(storedChannel(), 5);
    runQueued();  // the retune's background search, if any
    const auto joinRequests = [&] {
        qsizetype count = 0;
        for (const auto& request : responder.requests())
            count += request.target.startsWith("/v1/join-channel");
        return count;
    };
    EXPECT_EQ(joinRequests(), 0);

    // Readable but out of range: snapped to the nearest frequency.
    session.applyDisplay("250.400");
    EXPECT_EQ(session.lastError(), std::nullopt) << "a retune clears the last error";
    joinNow(session);
    EXPECT_EQ(session.displayFrequency(), "200.320");
    EXPECT_EQ(session.channelNumber(), 64000);
    ASSERT_EQ(joinRequests(), 1);
    EXPECT_EQ(requestedChannel(responder.requests().constLast()), 64000);

    // A rolled digit below range keeps number and key until the join snaps it.
    session.applyDisplay("000.001");
    EXPECT_EQ(session.channelNumber(), 64000);
    EXPECT_EQ(storedChannel(), 64000);
    joinNow(session);
    EXPECT_EQ(session.displayFrequency(), "001.001");
    EXPECT_EQ(requestedChannel(responder.requests().constLast()), 1);
}

TEST_F(RadioSessionTest, ApplyingTheTunedChannelChangesNothing)
{
    ScriptedResponder responder;
    responder.script({{200, json({{"allowed", false}})}});
    RadioSession session;
    session.setChannel(8);
    joinNow(session);
    ASSERT_EQ(session.lastError(), "Join denied.");
    const qsizetype requests = responder.requests().size();

    session.applyChannel(8);
    session.applyDisplay("001.008");
    runQueued();
    EXPECT_EQ(session.lastError(), "Join denied.");
    EXPECT_EQ(responder.requests().size(), requests) << "no refresh was started";
}

TEST_F(RadioSessionTest, AnAllowedReplyNamingAChannelTunesToIt)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    RadioSession session;
    session.setChannel(5);
    // A home channel: the live socket is let onto it without a join of its own.
    joinWithScriptedReply(session, {{"allowed", true}, {"channel", channelRecord(99)}}, server.baseURL());
    EXPECT_EQ(session.channelNumber(), 99);
    EXPECT_EQ(session.displayFrequency(), "001.099");
    EXPECT_EQ(session.connectionState(), State::connected);
    EXPECT_EQ(storedChannel(), 99);
    EXPECT_EQ(storedWasLive(), true);
    EXPECT_TRUE(waitUntil([&] { return session.listenersOnTunedChannel() == 1; }));
    session.leaveChannel();
}

TEST_F(RadioSessionTest, ASecondJoinWhileOneRunsReturnsAtOnce)
{
    ScriptedResponder responder;
    responder.script({{200, json({{"allowed", false}, {"reason", "not_found"}}), false, 200ms}});
    RadioSession session;
    auto first = join(session);
    ASSERT_TRUE(waitForRequests(responder, 1));
    EXPECT_FALSE(runVoidTask(join(session)));
    EXPECT_EQ(session.connectionState(), State::connecting);
    EXPECT_EQ(session.lcdStatus(), "TUNING…");
    EXPECT_FALSE(runVoidTask(std::move(first)));
    EXPECT_EQ(responder.requests().size(), 1);
    EXPECT_EQ(session.lastError(), "Channel not found.");
}

TEST_F(RadioSessionTest, ThePresenceLoopFollowsTheTunedChannel)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    RadioSession session(shortTiming());
    session.setChannel(42);
    session.startPresencePolling();

    ChannelAudioService other;
    EXPECT_FALSE(runVoidTask(other.connect(42, "radio-test-b", "Other", "Q-TEST02", {})));
    EXPECT_TRUE(waitUntil([&] { return session.listenersOnTunedChannel() == 1; }));
    other.disconnect();
    EXPECT_TRUE(waitUntil([&] { return session.listenersOnTunedChannel() == 0; }));
    session.stopPresencePolling();
}

TEST_F(RadioSessionTest, TheResumeSnapshotSurvivesANewInstance)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    {
        RadioSession session;
        session.setChannel(77);
        joinNow(session);
        ASSERT_TRUE(session.live()->isLive());
        UserDefaults().set(RadioSession::wasLiveKey, false);
        session.snapshotResumeState();
        EXPECT_EQ(storedChannel(), 77);
        EXPECT_EQ(storedWasLive(), true);
        session.live()->disconnect();
    }
    RadioSession restored;
    EXPECT_EQ(restored.channelNumber(), 77);
    EXPECT_EQ(restored.displayFrequency(), "001.077");
    EXPECT_EQ(restored.connectionState(), State::idle);
    EXPECT_EQ(storedWasLive(), true) << "restoring writes nothing; the shell rejoins";

    // Not joined: a snapshot now says not live.
    restored.snapshotResumeState();
    EXPECT_EQ(storedWasLive(), false);
}

TEST_F(RadioSessionTest, ASnapshotDuringAJoinSaysNotLive)
{
    ScriptedResponder responder;
    responder.script({{200, json({{"allowed", false}}), false, 200ms}});
    UserDefaults().set(RadioSession::wasLiveKey, true);
    RadioSession session;
    session.setChannel(12);
    auto joining = join(session);
    ASSERT_TRUE(waitForRequests(responder, 1));
    ASSERT_EQ(session.connectionState(), State::connecting);
    session.snapshotResumeState();
    EXPECT_EQ(storedWasLive(), false);
    EXPECT_EQ(storedChannel(), 12);
    EXPECT_FALSE(runVoidTask(std::move(joining)));
}

TEST_F(RadioSessionTest, ChatGrowthIsAnnouncedOncePerThrottleInterval)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    RadioSession session({.presenceInterval = 8000ms, .chatThrottle = 1h});
    session.setChannel(42);
    joinNow(session);
    ASSERT_TRUE(waitUntil([&] { return session.listenersOnTunedChannel() == 1; }));
    runQueued();  // queued announcements of the join itself
    QSignalSpy announced(&session, &RadioSession::engineStateChanged);
    // Other engine state (a late microphone check) is announced too: count it apart.
    int otherChanges = 0;
    for (auto signal : {&ChannelAudioService::isTransmittingChanged, &ChannelAudioService::pttSecondsRemainingChanged,
                        &ChannelAudioService::pagerCooldownRemainingChanged, &ChannelAudioService::isLiveChanged,
                        &ChannelAudioService::transmitErrorChanged, &ChannelAudioService::micDeniedNeedsSettingsChanged})
        QObject::connect(session.live(), signal, &session, [&] { ++otherChanges; });

    ChannelAudioService other;
    EXPECT_FALSE(runVoidTask(other.connect(42, "radio-test-b", "Other", "Q-TEST02", {})));
    ASSERT_TRUE(waitUntil([&] { return session.listenersOnTunedChannel() == 2; }));
    for (const char* line : {"one", "two", "three"})
        other.sendChat(QString::fromUtf8(line));
    ASSERT_TRUE(waitUntil([&] { return session.live()->chatMessages().size() == 3; }));
    runQueued();
    EXPECT_EQ(announced.count() - otherChanges, 1);
    other.disconnect();
    session.leaveChannel();
}

}  // namespace
