#include "radio_view_fixture.h"

#include "models/channel_math.h"
#include "models/saved_channel_slot.h"
#include "platform/record_permission.h"
#include "services/tovrin_api.h"
#include "support/audio_fakes.h"
#include "support/tone.h"
#include "support/view_test_support.h"

#include <QRegularExpression>

using namespace std::chrono_literals;

namespace {

using PTT = RadioOperations::PTTSource;

const QRegularExpression clockOnly(QStringLiteral(" t=[0-9.e+-]+$"));
const QRegularExpression clockAndBuild(QStringLiteral(" t=[0-9.e+-]+ build=1$"));

class RadioOperationsTest : public RadioScreenTest {};

// ---- joining ----------------------------------------------------------------------------

TEST_F(RadioOperationsTest, ShortcutsTuneAndJoinTheirChannel)
{
    checkIn();
    ASSERT_TRUE(session->ownedChannelNumber());
    const qint64 owned = *session->ownedChannelNumber();
    RadioOperations ops(stores(), &effects);

    struct Row {
        const char* line;
        std::function<void()> tap;
        qint64 channel;
    };
    SavedChannelSlot friendSlot;
    friendSlot.channelNumber = 7;
    const Row rows[] = {
        {"[UIJANK] joinMy tap", [&] { ops.joinMyChannel(); }, owned},
        {"[UIJANK] joinFriend tap", [&] { ops.joinFriendChannel(friendSlot); }, 7},
        {"[UIJANK] joinHome tap", [&] { ops.joinHomeChannel(); }, 1},
        // Home again while on home: reconnects to the same channel.
        {"[UIJANK] joinHome tap", [&] { ops.joinHomeChannel(); }, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        Diagnostics::LineCapture capture;
        HapticLog::clear();
        row.tap();
        EXPECT_EQ(radio->connectionState(), RadioSession::ConnectionState::connecting);
        ASSERT_TRUE(waitUntil([&] { return inChannel() && radio->channelNumber() == row.channel; }));
        const QStringList lines = linesWith(capture, QStringLiteral("[UIJANK] join"));
        ASSERT_EQ(lines.size(), 1);
        EXPECT_TRUE(lines[0].startsWith(QLatin1String(row.line)));
        EXPECT_TRUE(clockOnly.match(lines[0]).hasMatch()) << lines[0].toStdString();
        EXPECT_EQ(hapticImpacts(), 0);
        EXPECT_TRUE(effects.calls.isEmpty());
    }
}

TEST_F(RadioOperationsTest, ShortcutsWithoutAChannelDoNothing)
{
    // No check-in: no owned channel and no company in either store.
    RadioOperations ops(stores(), &effects);
    radio->setChannel(500);
    Diagnostics::LineCapture capture;
    ops.joinMyChannel();
    ops.joinCompanyChannel();
    runQueued();
    EXPECT_TRUE(capture.lines().filter(QStringLiteral("[UIJANK]")).isEmpty());
    EXPECT_EQ(radio->channelNumber(), 500);
    EXPECT_EQ(radio->connectionState(), RadioSession::ConnectionState::idle);
}

TEST_F(RadioOperationsTest, CompanyShortcutFallsBackToTheCheckInWorkplace)
{
    checkIn();
    ASSERT_TRUE(runTask(workplace->create(session->uid(), QStringLiteral("Acme"), 5)).value.value_or(false));
    ASSERT_TRUE(workplace->membership());
    const qint64 company = workplace->membership()->channelNumber;
    session->setWorkplace(workplace->membership());
    workplace->setMembership(std::nullopt);

    RadioOperations ops(stores(), &effects);
    Diagnostics::LineCapture capture;
    ops.joinCompanyChannel();
    ASSERT_TRUE(waitUntil([&] { return inChannel() && radio->channelNumber() == company; }));
    EXPECT_EQ(linesWith(capture, QStringLiteral("[UIJANK] joinCompany tap t=")).size(), 1);
}

TEST_F(RadioOperationsTest, AShortcutDuringAJoinMakesTheRadioJoinTheChannelItShows)
{
    checkIn();
    RadioOperations ops(stores(), &effects);
    SavedChannelSlot second;
    second.channelNumber = 9;
    ops.joinHomeChannel();
    ASSERT_EQ(radio->connectionState(), RadioSession::ConnectionState::connecting);
    ops.joinFriendChannel(second);  // tapped while channel 1 is still being joined
    EXPECT_EQ(radio->channelNumber(), 9);
    ASSERT_TRUE(waitUntil([&] { return inChannel(); }));
    runQueued();
    // The newer join wins: the radio is on, and joined to, the channel it shows.
    EXPECT_EQ(radio->channelNumber(), 9);
    EXPECT_EQ(radio->displayFrequency(), "001.009");
    EXPECT_TRUE(inChannel());
}

TEST_F(RadioOperationsTest, JoinKeyJoinsTheTunedChannelAndLeavesWhenInIt)
{
    checkIn();
    RadioOperations ops(stores(), &effects);
    radio->setChannel(3);

    Diagnostics::LineCapture capture;
    ops.joinOrLeave();
    ASSERT_TRUE(waitUntil([&] { return inChannel(); }));
    EXPECT_EQ(radio->channelNumber(), 3);
    EXPECT_EQ(hapticTrace(), QStringList({"prepare medium", "impact medium"}));
    const QStringList tap = linesWith(capture, QStringLiteral("[UIJANK] join/leave tap"));
    ASSERT_EQ(tap.size(), 1);
    EXPECT_TRUE(clockAndBuild.match(tap[0]).hasMatch()) << tap[0].toStdString();
    EXPECT_EQ(linesWith(capture, QStringLiteral("[UIJANK] joinCurrent start t=")).size(), 1);
    EXPECT_EQ(linesWith(capture, QStringLiteral("[UIJANK] joinCurrent end t=")).size(), 1);

    ops.joinOrLeave();
    EXPECT_EQ(radio->connectionState(), RadioSession::ConnectionState::idle);
    EXPECT_EQ(radio->channelNumber(), 3);
    EXPECT_EQ(linesWith(capture, QStringLiteral("[UIJANK] joinCurrent start")).size(), 1);
}

TEST_F(RadioOperationsTest, JoinCurrentPrintsItsEndLineWhenRefused)
{
    checkIn();
    RadioOperations ops(stores(), &effects);
    radio->setChannel(*session->ownedChannelNumber() == 5000 ? 5001 : 5000);  // nobody's channel
    Diagnostics::LineCapture capture;
    EXPECT_FALSE(runVoidTask(ops.joinCurrent()));
    EXPECT_EQ(radio->connectionState(), RadioSession::ConnectionState::idle);
    EXPECT_TRUE(radio->lastError().has_value());
    EXPECT_EQ(linesWith(capture, QStringLiteral("[UIJANK] joinCurrent end t=")).size(), 1);
}

// ---- tuning -----------------------------------------------------------------------------

TEST_F(RadioOperationsTest, TuningTable)
{
    RadioOperations ops(stores(), &effects);
    struct Row {
        const char* name;
        QString startDisplay;
        std::function<void()> step;
        QString display;
        qint64 channel;
    };
    const Row rows[] = {
        {"sub up at the top", "200.320", [&] { ops.tune(1); }, "200.320", 64000},
        {"sub down at the bottom", "001.001", [&] { ops.tune(-1); }, "001.001", 1},
        {"sub up crosses the band", "001.320", [&] { ops.tune(1); }, "002.001", 321},
        {"sub down crosses the band", "002.001", [&] { ops.tune(-1); }, "001.320", 320},
        {"band up keeps the sub-channel", "001.320", [&] { ops.tuneMajor(1); }, "002.320", 640},
        {"band up in band 200", "200.017", [&] { ops.tuneMajor(1); }, "200.017", 63697},
        {"band down in band 1", "001.017", [&] { ops.tuneMajor(-1); }, "001.017", 17},
        {"nudge the point", "001.001", [&] { ops.nudgeDigit(3, 1); }, "001.001", 1},
        {"nudge a delta of 0", "001.001", [&] { ops.nudgeDigit(5, 0); }, "001.001", 1},
        {"nudge past the text", "001.001", [&] { ops.nudgeDigit(7, 1); }, "001.001", 1},
        {"nudge band hundreds out of range", "200.320", [&] { ops.nudgeDigit(0, 1); }, "300.320", 64000},
        {"nudge sub units rolls without carry", "001.009", [&] { ops.nudgeDigit(6, 1); }, "001.000", 9},
        {"nudge down rolls to 9", "001.010", [&] { ops.nudgeDigit(6, -1); }, "001.019", 19},
        {"nudge sub tens to a valid channel", "001.001", [&] { ops.nudgeDigit(5, 2); }, "001.021", 21},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        radio->setChannel(*ChannelMath::number(row.startDisplay));
        HapticLog::clear();
        SystemSounds::clearForTesting();
        effects.calls.clear();
        row.step();
        EXPECT_EQ(radio->displayFrequency(), row.display);
        EXPECT_EQ(radio->channelNumber(), row.channel);
        // The feedback comes with every step, also one that changes nothing.
        EXPECT_EQ(hapticTrace(), QStringList({"prepare rigid", "impact rigid"}));
        EXPECT_EQ(effects.calls, QStringList({"wake"}));
        EXPECT_EQ(SystemSounds::played(), QList<quint32>({1104}));
    }
}

// ---- push-to-talk -----------------------------------------------------------------------

TEST_F(RadioOperationsTest, PushToTalkOutsideAChannelOnlyClicks)
{
    RadioOperations ops(stores(), &effects);
    Diagnostics::LineCapture capture;
    ops.beginPTT(PTT::key);
    EXPECT_EQ(hapticTrace(), QStringList({"prepare rigid", "impact rigid"}));
    EXPECT_EQ(effects.calls, QStringList({"play rx_open"}));
    EXPECT_FALSE(radio->live()->isTransmitting());
    HapticLog::clear();
    ops.endPTT(PTT::key);
    EXPECT_EQ(hapticImpacts(), 0);
    EXPECT_EQ(effects.calls, QStringList({"play rx_open", "chirp ptt_end"}));
    const QStringList down = linesWith(capture, QStringLiteral("[UIJANK] PTT down"));
    const QStringList up = linesWith(capture, QStringLiteral("[UIJANK] PTT up"));
    ASSERT_EQ(down.size(), 1);
    ASSERT_EQ(up.size(), 1);
    EXPECT_TRUE(clockAndBuild.match(down[0]).hasMatch()) << down[0].toStdString();
    EXPECT_TRUE(clockOnly.match(up[0]).hasMatch()) << up[0].toStdString();
}

TEST_F(RadioOperationsTest, AReleaseWithoutAPressStillEnds)
{
    RadioOperations ops(stores(), &effects);
    Diagnostics::LineCapture capture;
    ops.endPTT(PTT::keyboard);
    EXPECT_EQ(effects.calls, QStringList({"chirp ptt_end"}));
    EXPECT_EQ(linesWith(capture, QStringLiteral("[UIJANK] PTT up")).size(), 1);
}

TEST_F(RadioOperationsTest, KeyAndReturnHeldTogetherAreOnePushToTalk)
{
    RadioOperations ops(stores(), &effects);
    Diagnostics::LineCapture capture;
    ops.beginPTT(PTT::key);
    ops.beginPTT(PTT::keyboard);  // a second begin while held: ignored
    ops.endPTT(PTT::key);         // Return still holds: nothing ends
    EXPECT_TRUE(ops.isPTTHeld());
    EXPECT_EQ(effects.count("chirp ptt_end"), 0);
    ops.endPTT(PTT::keyboard);
    EXPECT_FALSE(ops.isPTTHeld());
    EXPECT_EQ(effects.calls, QStringList({"play rx_open", "chirp ptt_end"}));
    EXPECT_EQ(linesWith(capture, QStringLiteral("[UIJANK] PTT down")).size(), 1);
    EXPECT_EQ(linesWith(capture, QStringLiteral("[UIJANK] PTT up")).size(), 1);
}

TEST_F(RadioOperationsTest, PushToTalkInAChannelTransmitsAndIsHeard)
{
    RecordPermission::Override granted(RecordPermission::State::granted, true);
    ToneMicrophone microphone(440, 2.0);
    checkIn();
    RadioOperations ops(stores(), &effects);
    radio->setChannel(1);
    joinTuned(ops);
    ChannelAudioService listener;
    EXPECT_FALSE(runVoidTask(listener.connect(1, "ptt-listener", "L", "Q-LLLLLL", {})));
    ASSERT_TRUE(waitUntil([&] { return listener.isLive(); }));
    HapticLog::clear();
    effects.calls.clear();
    Diagnostics::LineCapture capture;

    ops.beginPTT(PTT::keyboard);
    EXPECT_TRUE(radio->live()->isTransmitting());
    EXPECT_EQ(hapticImpacts(), 0);  // the key gives its own; Return none
    ASSERT_TRUE(waitUntil([&] { return capture.contains(QStringLiteral("TX start")); }));
    ASSERT_TRUE(microphone.captured());
    ops.beginPTT(PTT::key);
    ops.endPTT(PTT::keyboard);
    EXPECT_TRUE(radio->live()->isTransmitting());
    ops.endPTT(PTT::key);
    EXPECT_FALSE(radio->live()->isTransmitting());
    EXPECT_EQ(effects.calls, QStringList({"chirp rx_open", "chirp ptt_end"}));
    EXPECT_TRUE(waitUntil([&] { return capture.contains(QStringLiteral("PLAY announce")); }));
    EXPECT_EQ(capture.count(QStringLiteral("TX upload")), 1);
}

TEST_F(RadioOperationsTest, AKeyPressAfterTheEngineEndedAReturnTransmissionStartsANewTalk)
{
    RecordPermission::Override granted(RecordPermission::State::granted, true);
    AudioDevices::InputOverride microphone(
        [](int rate) { return std::make_unique<BufferAudioInput>(rate, tone::sine(440, 2.0, rate)); });
    checkIn();
    RadioOperations ops(stores(), &effects);
    radio->setChannel(1);
    joinTuned(ops);

    ops.beginPTT(PTT::keyboard);
    ASSERT_TRUE(radio->live()->isTransmitting());
    radio->live()->endTransmit();  // the 30 s limit, with Return still down
    ops.beginPTT(PTT::key);
    EXPECT_TRUE(radio->live()->isTransmitting()) << "the key's press is not swallowed";
    ops.endPTT(PTT::keyboard);  // Return let go: the key still holds
    EXPECT_TRUE(radio->live()->isTransmitting());
    ops.endPTT(PTT::key);
    EXPECT_FALSE(radio->live()->isTransmitting());
    EXPECT_EQ(effects.count("chirp rx_open"), 2);
}

TEST_F(RadioOperationsTest, AScreenGoneWhileHoldingEndsTheTransmission)
{
    auto ops = std::make_unique<RadioOperations>(stores(), &effects);
    ops->beginPTT(PTT::keyboard);
    ops.reset();
    EXPECT_EQ(effects.calls, QStringList({"play rx_open", "chirp ptt_end"}));
}

// ---- pager ------------------------------------------------------------------------------

TEST_F(RadioOperationsTest, PagerOutsideAChannelPlaysLocallyOnly)
{
    alerts->setCurrent(AlertSound::cat);
    RadioOperations ops(stores(), &effects);
    Diagnostics::LineCapture capture;
    ops.sendCallTone();
    EXPECT_EQ(effects.calls, QStringList({"alert cat"}));
    const QStringList pager = linesWith(capture, QStringLiteral("[TovrinPager][mac] "));
    EXPECT_EQ(pager, QStringList({"[TovrinPager][mac] tap sound=cat live=false build=1",
                                  "[TovrinPager][mac] TX skipped not-connected"}));
    EXPECT_FALSE(radio->live()->pagerCooldownRemaining());
}

TEST_F(RadioOperationsTest, PagerDuringTheCooldownIsBlocked)
{
    RadioOperations ops(stores(), &effects);
    radio->live()->applyServerPagerCooldown(12);
    ASSERT_EQ(radio->live()->pagerCooldownRemaining(), 12);
    Diagnostics::LineCapture capture;
    HapticLog::clear();
    ops.sendCallTone();
    EXPECT_EQ(linesWith(capture, QStringLiteral("[TovrinPager][mac] ")),
              QStringList({"[TovrinPager][mac] blocked cooldown=12s"}));
    EXPECT_TRUE(effects.calls.isEmpty());
    EXPECT_EQ(hapticImpacts(), 0);
}

TEST_F(RadioOperationsTest, PagerInAChannelIsRelayedWithTheSoundOfTheTap)
{
    checkIn();
    RadioOperations ops(stores(), &effects);
    radio->setChannel(1);
    joinTuned(ops);
    alerts->setCurrent(AlertSound::cow);
    effects.holdRelay();

    Diagnostics::LineCapture capture;
    ops.sendCallTone();
    alerts->setCurrent(AlertSound::drum);  // changed while the relay is synthesised
    effects.releaseRelay();
    EXPECT_TRUE(linesWith(capture, QStringLiteral("[TovrinPager][mac] tap sound=cow live=true build=1")).size() == 1);
    ASSERT_TRUE(waitUntil([&] { return radio->live()->pagerCooldownRemaining().has_value(); }));
    EXPECT_EQ(radio->live()->pagerCooldownRemaining(), 20);
    EXPECT_EQ(effects.calls, QStringList({"alert cow", "relay cow 16000"}));
    EXPECT_TRUE(linesWith(capture, QStringLiteral("not-connected")).isEmpty());
}

TEST_F(RadioOperationsTest, APagerWithoutSamplesIsNotSentAndStartsNoCooldown)
{
    checkIn();
    RadioOperations ops(stores(), &effects);
    radio->setChannel(1);
    joinTuned(ops);
    for (const std::optional<QByteArray>& samples : {std::optional<QByteArray>(), std::optional<QByteArray>(QByteArray())}) {
        effects.relaySamples = samples;
        Diagnostics::LineCapture capture;
        ops.sendCallTone();
        ASSERT_TRUE(waitUntil([&] { return capture.contains(QStringLiteral("[TovrinPager][mac] TX skipped no-samples")); }));
        EXPECT_EQ(linesWith(capture, QStringLiteral("[TovrinPager][mac] TX skipped no-samples sound=pager")).size(), 1);
        runQueued();
        EXPECT_FALSE(radio->live()->pagerCooldownRemaining());
    }
}

TEST_F(RadioOperationsTest, APagerWhoseScreenIsGoneIsNotSent)
{
    checkIn();
    auto ops = std::make_unique<RadioOperations>(stores(), &effects);
    radio->setChannel(1);
    joinTuned(*ops);
    effects.holdRelay();
    ops->sendCallTone();
    ops.reset();
    effects.releaseRelay();
    runQueued();
    EXPECT_TRUE(inChannel());
    EXPECT_FALSE(radio->live()->pagerCooldownRemaining());
}

// ---- chat -------------------------------------------------------------------------------

TEST_F(RadioOperationsTest, OpenChatTapsLogsAndAsksForTheChat)
{
    RadioOperations ops(stores(), &effects);
    int requested = 0;
    QObject::connect(&ops, &RadioOperations::chatRequested, [&] { ++requested; });
    Diagnostics::LineCapture capture;
    ops.openChat();
    EXPECT_EQ(requested, 1);
    EXPECT_EQ(hapticTrace(), QStringList({"prepare medium", "impact medium"}));
    const QStringList lines = linesWith(capture, QStringLiteral("[UIJANK] openChat tap"));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(clockAndBuild.match(lines[0]).hasMatch()) << lines[0].toStdString();
}

}  // namespace
