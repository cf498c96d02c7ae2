#include "radio_session_fixture.h"

namespace {

using State = RadioSession::ConnectionState;

TEST_F(RadioSessionTest, AnInvalidDisplayKeepsALiveConnectionAndTheTunedChannelRestoresIt)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    RadioSession session(shortTiming());
    session.setChannel(42);
    joinNow(session);
    ASSERT_EQ(session.connectionState(), State::connected) << session.lastError().value_or("").toStdString();
    ASSERT_TRUE(waitUntil([&] { return session.live()->isLive(); }));

    // The band's first digit rolled down: 001.042 shows 901.042, no channel.
    session.applyDisplay("901.042");
    EXPECT_EQ(session.displayFrequency(), "901.042");
    EXPECT_EQ(session.channelNumber(), 42);
    EXPECT_EQ(session.connectionState(), State::connected);
    EXPECT_TRUE(session.live()->isLive());

    // A stepper whose target is the tuned channel (as SUB plus at 64000 is).
    session.applyChannel(42);
    EXPECT_EQ(session.displayFrequency(), "001.042");
    EXPECT_EQ(session.connectionState(), State::connected);
    EXPECT_TRUE(session.live()->isLive());

    // Rolling back to the tuned channel's own text keeps the connection too.
    session.applyDisplay("901.042");
    session.applyDisplay("001.042");
    EXPECT_EQ(session.connectionState(), State::connected);
    EXPECT_TRUE(session.live()->isLive());
    session.leaveChannel();
}

TEST_F(RadioSessionTest, AnInvalidDisplayClearsAnOldErrorWithoutRetuning)
{
    ScriptedResponder responder;
    responder.script({{200, json({{"allowed", false}})}});
    RadioSession session;
    session.setChannel(8);
    joinNow(session);
    ASSERT_TRUE(session.lastError().has_value());

    session.applyDisplay("001.908");
    EXPECT_EQ(session.lastError(), std::nullopt);
    EXPECT_EQ(session.channelNumber(), 8);
    EXPECT_EQ(session.connectionState(), State::idle);
}

}  // namespace
