// Faults a join or a refresh could cause when replies arrive late or hold
// values the session must not take as they are.
#include "radio_session_fixture.h"

#include "services/tovrin_api.h"

using namespace std::chrono_literals;
using State = RadioSession::ConnectionState;

namespace {

// The devserver's count of people on a home channel, from its channel list.
qint64 talkersOn(qint64 channel)
{
    const auto reply = runTask(TovrinAPI::shared().fetchChannels(ChannelMath::display(channel), 1));
    if (!reply.ok())
        return -1;
    for (const Channel& listed : reply.value->channels) {
        if (listed.channelNumber == channel)
            return listed.activeTalkerCount.value_or(0);
    }
    return 0;
}

TEST_F(RadioSessionTest, AJoinInFlightIsDroppedWhenTheUserMovesOn)
{
    const struct {
        const char* name;
        std::function<void(RadioSession&)> moveOn;
        qint64 channelAfter;
    } cases[] = {
        {"leave", [](RadioSession& s) { s.leaveChannel(); }, 5},
        {"retune", [](RadioSession& s) { s.applyChannel(6); }, 6},
        {"retune by display", [](RadioSession& s) { s.applyDisplay("001.007"); }, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedResponder responder;
        responder.script({{200, json({{"allowed", true}, {"channel", channelRecord(5)}}), false, 200ms}});
        RadioSession session;
        session.setChannel(5);
        QSignalSpy liveChanges(session.live(), &ChannelAudioService::isLiveChanged);
        auto joining = join(session);
        ASSERT_TRUE(waitForRequests(responder, 1));

        c.moveOn(session);
        EXPECT_FALSE(runVoidTask(std::move(joining)));
        EXPECT_EQ(session.connectionState(), State::idle);
        EXPECT_EQ(session.channelNumber(), c.channelAfter);
        EXPECT_EQ(storedChannel(), c.channelAfter);
        EXPECT_NE(storedWasLive(), true);
        EXPECT_EQ(liveChanges.count(), 0) << "the engine was never connected";
    }
}

TEST_F(RadioSessionTest, AfterLeavingTheUserCanJoinAgainBeforeTheOldReplyArrives)
{
    ScriptedResponder responder;
    // The stale join's reply comes late; the channel search and the new join get the refusal.
    responder.script({{200, json({{"allowed", true}, {"channel", channelRecord(5)}}), false, 300ms},
                      {200, json({{"allowed", false}, {"reason", "not_active"}})}});
    RadioSession session;
    session.setChannel(5);
    auto stale = join(session);
    ASSERT_TRUE(waitForRequests(responder, 1));
    session.leaveChannel();
    joinNow(session);
    EXPECT_EQ(session.lastError(), "Channel not active.");
    EXPECT_FALSE(runVoidTask(std::move(stale)));
    EXPECT_EQ(session.connectionState(), State::idle);
    EXPECT_EQ(session.lastError(), "Channel not active.");
    EXPECT_FALSE(session.live()->isLive());
}

TEST_F(RadioSessionTest, AnAllowedReplyWithoutAChannelConnectsToTheRequestedOne)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    RadioSession session;
    session.setChannel(5);
    // Another screen tunes while the join is out; that is not a retune.
    joinWithScriptedReply(session, {{"allowed", true}}, server.baseURL(), [&] { session.setChannel(9); });

    EXPECT_EQ(session.connectionState(), State::connected);
    EXPECT_EQ(session.channelNumber(), 5);
    EXPECT_EQ(session.displayFrequency(), "001.005");
    EXPECT_EQ(storedChannel(), 5);
    EXPECT_TRUE(waitUntil([] { return talkersOn(5) == 1; }));
    EXPECT_EQ(talkersOn(9), 0);
    session.leaveChannel();
}

TEST_F(RadioSessionTest, AnOutOfRangeChannelInAReplyIsClampedBeforeUse)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    RadioSession session;
    session.setChannel(5);
    joinWithScriptedReply(session, {{"allowed", true}, {"channel", channelRecord(-4)}}, server.baseURL());

    EXPECT_EQ(session.channelNumber(), 1);
    EXPECT_EQ(session.displayFrequency(), "001.001");
    EXPECT_EQ(storedChannel(), 1);
    EXPECT_TRUE(waitUntil([] { return talkersOn(1) == 1; })) << "the engine is on channel 1";
    session.leaveChannel();
}

TEST_F(RadioSessionTest, TheListenerCountIsTheTunedChannelsOwn)
{
    const QJsonArray tenAndEleven{channelRecord(10, 3), channelRecord(11)};
    const struct {
        qint64 tuned;
        QJsonArray channels;
        qint64 count;
    } cases[] = {
        {10, tenAndEleven, 3},
        {11, tenAndEleven, 0},
        {12, tenAndEleven, 0},  // never another channel's count
        {12, QJsonArray{}, 0},
        {13, QJsonArray{channelRecord(14, 2), channelRecord(13, 5)}, 5},
    };
    for (const auto& c : cases) {
        ScriptedResponder responder;
        responder.script({{200, json({{"channels", c.channels}, {"total", c.channels.size()}, {"page", 1}})}});
        RadioSession session;
        session.setChannel(c.tuned);
        EXPECT_FALSE(runVoidTask(session.refreshListenersOnTunedChannel()));
        EXPECT_EQ(session.listenersOnTunedChannel(), c.count) << "tuned to " << c.tuned;
    }
}

TEST_F(RadioSessionTest, ASearchForAChannelTunedAwayFromIsDropped)
{
    const auto list = [](qint64 channel, qint64 talkers) {
        return json({{"channels", QJsonArray{channelRecord(channel, talkers)}}, {"total", 1}, {"page", 1}});
    };
    ScriptedResponder responder;
    responder.script({{200, list(5, 4), false, 300ms}, {200, list(6, 2)}});
    RadioSession session;
    session.setChannel(5);
    auto stale = session.refreshListenersOnTunedChannel();
    ASSERT_TRUE(waitForRequests(responder, 1));
    session.applyChannel(6);
    ASSERT_TRUE(waitUntil([&] { return session.listenersOnTunedChannel() == 2; }));
    EXPECT_FALSE(runVoidTask(std::move(stale)));
    EXPECT_EQ(session.listenersOnTunedChannel(), 2);
}

TEST_F(RadioSessionTest, AJoinThatDropsALiveEngineClearsTheResumeFlag)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    RadioSession session;
    session.setChannel(42);
    joinNow(session);
    ASSERT_TRUE(session.live()->isLive());
    ASSERT_EQ(storedWasLive(), true);

    Server::setBaseURLForTesting(closedLoopbackURL());
    session.setChannel(43);
    joinNow(session);
    EXPECT_EQ(session.lastError(), "Could not join channel.");
    EXPECT_EQ(session.connectionState(), State::idle);
    EXPECT_FALSE(session.live()->isLive());
    EXPECT_EQ(storedWasLive(), false);
}

}  // namespace
