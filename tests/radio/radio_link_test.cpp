// The radio tells the truth about its live link: a dead link is noticed and
// replaced while the radio says it is tuning, and a link the server refuses
// ends the join with the refusal's text instead of a retry loop.
#include "radio_session_fixture.h"

#include "platform/diagnostics.h"
#include "services/reconnect_backoff.h"
#include "services/tovrin_api.h"

using namespace std::chrono_literals;
using State = RadioSession::ConnectionState;
using LinkState = ChannelAudioService::LinkState;

namespace {

// The link's timing scaled down: the same rules, in milliseconds. Twenty
// pings fit in the idle limit, so a loaded machine cannot miss them all.
ChannelAudioService::LinkTiming quickLink()
{
    return {.openTimeout = 2s, .pingInterval = 50ms, .idleLimit = 1s, .firstRetry = 50ms, .maxRetry = 200ms,
            .stableAfter = 500ms};
}

}  // namespace

// A radio on a devserver whose live link runs on the quick timing.
class RadioLinkTest : public RadioSessionTest {
protected:
    void SetUp() override
    {
        RadioSessionTest::SetUp();
        ASSERT_TRUE(server.start());
        session.live()->setLinkTimingForTesting(quickLink());
    }

    DevServerProcess server;
    RadioSession session{shortTiming()};
};

TEST_F(RadioLinkTest, ALinkWhoseServerFallsSilentIsReplacedWhileTheRadioSaysTuning)
{
    session.setChannel(7);
    joinNow(session);
    ASSERT_EQ(session.lcdStatus(), "ON CHANNEL");

    // Pings keep a quiet but healthy link alive past the idle limit.
    Diagnostics::LineCapture lines;
    ASSERT_TRUE(waitPastTimers(quickLink().idleLimit));
    EXPECT_EQ(session.lcdStatus(), "ON CHANNEL");
    EXPECT_EQ(lines.count("WS silent"), 0);

    QStringList words;
    std::vector<State> states;
    QObject::connect(&session, &RadioSession::lcdStatusChanged, &session, [&] { words << session.lcdStatus(); });
    QObject::connect(&session, &RadioSession::connectionStateChanged, &session,
                     [&] { states.push_back(session.connectionState()); });
    ASSERT_TRUE(server.silenceLiveSockets());
    ASSERT_TRUE(waitUntil([&] { return lines.contains("WS silent"); }));
    ASSERT_TRUE(waitUntil([&] { return session.live()->isLive() && session.live()->listenerCount() == 1; }));
    EXPECT_EQ(words, QStringList({"TUNING…", "ON CHANNEL"}));
    EXPECT_EQ(states, (std::vector<State>{State::connecting, State::connected}));
    EXPECT_EQ(lines.count("WS reconnect ch=7"), 1);

    // The new link carries the channel again.
    ChannelAudioService other;
    EXPECT_TRUE(runTask(TovrinAPI::shared().checkin("radio-test-b", "", "", "")).ok());
    EXPECT_FALSE(runVoidTask(other.connect(7, "radio-test-b", "Other", "Q-TEST02", {})));
    ASSERT_TRUE(waitUntil([&] { return session.listenersOnTunedChannel() == 2; }));
    session.leaveChannel();
}

TEST_F(RadioLinkTest, ALiveSocketTheServerRefusesEndsTheJoinWithItsTextAndNoRetry)
{
    session.setChannel(5);
    Diagnostics::LineCapture lines;
    // The join is allowed, but nobody holds channel 320: its live socket is refused.
    joinWithScriptedReply(session, {{"allowed", true}, {"channel", channelRecord(320)}}, server.baseURL());
    ASSERT_TRUE(waitUntil([&] { return session.connectionState() == State::idle; }));
    EXPECT_EQ(session.lastError(), "Channel not active.");
    EXPECT_EQ(session.lcdStatus(), "STANDBY");
    EXPECT_FALSE(session.live()->isLive());
    EXPECT_EQ(storedWasLive(), false);
    EXPECT_TRUE(lines.contains("[TovrinAudio][mac] WS refused reason=not_active"));

    // Nothing tries again.
    EXPECT_FALSE(session.live()->isReconnectPending());
    EXPECT_EQ(lines.count("WS reconnect"), 0);
    EXPECT_EQ(session.connectionState(), State::idle);
}

TEST(ReconnectBackoff, StartsAtTheFirstWaitDoublesUpToTheCapAndJittersWithinIt)
{
    const struct {
        double jitter;
        std::vector<int> waits;
    } cases[] = {
        {0.0, {1000, 2000, 4000, 8000, 16000, 30000, 30000}},
        {0.999, {1249, 2499, 4999, 9998, 19996, 30000, 30000}},
        {0.5, {1125, 2250, 4500, 9000, 18000, 30000, 30000}},
    };
    for (const auto& c : cases) {
        ReconnectBackoff backoff(1s, 30s, [&] { return c.jitter; });
        std::vector<int> waits;
        for (size_t i = 0; i < c.waits.size(); ++i)
            waits.push_back(int(backoff.next().count()));
        EXPECT_EQ(waits, c.waits) << "jitter " << c.jitter;
        backoff.reset();
        EXPECT_EQ(backoff.next(), std::chrono::milliseconds(c.waits.front())) << "starts over";
    }
}

TEST_F(RadioLinkTest, WhileTheServerIsDownTheRadioSaysTuningUntilALinkOpensAgain)
{
    auto timing = quickLink();
    timing.firstRetry = 20ms;
    timing.maxRetry = 80ms;
    session.live()->setLinkTimingForTesting(timing);
    session.setChannel(9);
    joinNow(session);

    Diagnostics::LineCapture lines;
    server.kill();
    ASSERT_TRUE(waitUntil([&] { return lines.count("WS reconnect ch=9") >= 3; }));
    EXPECT_EQ(session.connectionState(), State::connecting);
    EXPECT_EQ(session.lcdStatus(), "TUNING…");
    EXPECT_FALSE(session.isInChannel());
    ASSERT_TRUE(server.restart());
    ASSERT_TRUE(waitUntil([&] { return session.live()->isLive(); }));
    EXPECT_EQ(session.connectionState(), State::connected);
    EXPECT_EQ(session.lcdStatus(), "ON CHANNEL");
    session.leaveChannel();
}
