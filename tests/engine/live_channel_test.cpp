// Two engines on one devserver channel over real loopback sockets.
#include "engine_harness.h"

#include "platform/diagnostics.h"
#include "services/app_notifications.h"
#include "services/tovrin_api.h"
#include "support/manual_clock.h"

#include <QSignalSpy>

using namespace std::chrono_literals;

TEST_F(LiveChannelTest, EnginesSeeEachOtherInTheRosterAndLeaveCleanly)
{
    auto alice = joinedEngine("uid-alice");
    auto bob = joinedEngine("uid-bob");

    ASSERT_TRUE(eventually([&] { return alice->listenerCount() == 2 && bob->listenerCount() == 2; }));
    EXPECT_EQ(rosterUids(*alice), (QStringList{"uid-alice", "uid-bob"}));
    EXPECT_EQ(rosterUids(*bob), (QStringList{"uid-alice", "uid-bob"}));
    for (const ChannelRosterMember& member : bob->channelRoster())
        EXPECT_TRUE(QRegularExpression("^Q-[A-Z0-9]{6}$").match(member.radioId).hasMatch()) << member.radioId.toStdString();

    Diagnostics::LineCapture lines;
    bob->setLinkTimingForTesting({.firstRetry = 50ms, .maxRetry = 50ms});  // a reconnect would come at once
    bob->disconnect();
    EXPECT_FALSE(bob->isLive());
    EXPECT_EQ(bob->listenerCount(), 0);
    EXPECT_TRUE(bob->channelRoster().isEmpty());
    EXPECT_TRUE(lines.contains("[TovrinAudio][mac] disconnect"));
    ASSERT_TRUE(eventually([&] { return alice->listenerCount() == 1; }));
    EXPECT_EQ(rosterUids(*alice), QStringList{"uid-alice"});

    // A close by disconnect never leads to a reconnect.
    ASSERT_TRUE(waitPastTimers(50ms));
    EXPECT_FALSE(bob->isLive());
    EXPECT_EQ(lines.count("WS reconnect"), 0);
}

TEST_F(LiveChannelTest, ChatIsEchoedToEveryoneWithTheSendersIdentity)
{
    auto alice = joinedEngine("uid-alice", "Alice");
    auto bob = joinedEngine("uid-bob");
    ASSERT_TRUE(eventually([&] { return alice->listenerCount() == 2; }));

    Diagnostics::LineCapture lines;
    alice->sendChat("  hello there \n");
    ASSERT_TRUE(eventually([&] { return alice->chatMessages().size() == 1 && bob->chatMessages().size() == 1; }));
    const ChatMessage line = bob->chatMessages().first();
    EXPECT_EQ(line.text, "hello there");
    EXPECT_EQ(line.uid, "uid-alice");
    EXPECT_EQ(line.displayName, "Alice");
    EXPECT_FALSE(line.radioId.isEmpty());
    EXPECT_EQ(alice->chatMessages().first(), line);
    EXPECT_TRUE(lines.contains("[TovrinChat][mac] TX n=1 len=11"));
    EXPECT_TRUE(lines.contains("[TovrinAudio][mac] JSON SEND OK type=chat"));
    EXPECT_TRUE(lines.contains("[TovrinChat][mac] RX from=Alice len=11"));

    // A late joiner gets the history with "joined".
    auto carol = joinedEngine("uid-carol");
    ASSERT_TRUE(eventually([&] { return carol->chatMessages().size() == 1; }));
    EXPECT_EQ(carol->chatMessages().first().id, line.id);
}

TEST_F(LiveChannelTest, ChatIsCutAtFiveHundredCharactersAsAReaderCountsThem)
{
    auto alice = joinedEngine("uid-alice");
    // Each thumb with its skin tone is one character of four UTF-16 units.
    const QString thumb = QString::fromUtf8("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD");
    QString text;
    for (int i = 0; i < 600; ++i)
        text += thumb;

    Diagnostics::LineCapture lines;
    alice->sendChat(" " + text + " ");
    ASSERT_TRUE(eventually([&] { return alice->chatMessages().size() == 1; }));
    EXPECT_EQ(alice->chatMessages().first().text, text.left(500 * thumb.size()));
    EXPECT_TRUE(lines.contains("[TovrinChat][mac] TX n=1 len=600"));
}

TEST_F(LiveChannelTest, ChatIsRefusedWhenBlankOrNotLive)
{
    ChannelAudioService idle;
    Diagnostics::LineCapture lines;
    idle.sendChat("hello");
    EXPECT_TRUE(lines.contains("[TovrinChat][mac] send skipped live=false"));

    auto alice = joinedEngine("uid-alice");
    alice->sendChat(" \n\t ");
    EXPECT_TRUE(lines.contains("[TovrinChat][mac] send skipped live=true"));
    EXPECT_EQ(lines.count("TX n="), 0);
}

TEST_F(LiveChannelTest, ReactionsToggleAndReplaceTheWholeMapEverywhere)
{
    auto alice = joinedEngine("uid-alice");
    auto bob = joinedEngine("uid-bob");
    alice->sendChat("react to me");
    ASSERT_TRUE(eventually([&] { return bob->chatMessages().size() == 1 && alice->chatMessages().size() == 1; }));
    const QString id = bob->chatMessages().first().id;

    bob->sendReaction(id, "🔥");
    const QMap<QString, QStringList> fire{{"🔥", {"uid-bob"}}};
    ASSERT_TRUE(eventually([&] { return alice->chatMessages().first().reactions == fire; }));
    ASSERT_TRUE(eventually([&] { return bob->chatMessages().first().reactions == fire; }));

    bob->sendReaction(id, "🔥");
    ASSERT_TRUE(eventually([&] { return alice->chatMessages().first().reactions.isEmpty(); }));

    // Refused locally: an empty emoji, or an engine that is not live.
    Diagnostics::LineCapture lines;
    bob->sendReaction(id, "");
    bob->disconnect();
    bob->sendReaction(id, "🔥");
    EXPECT_EQ(lines.count("type=reaction"), 0);
}

TEST_F(LiveChannelTest, ABlockedSendersLinesAndRosterRowAreDropped)
{
    auto alice = joinedEngine("uid-alice");
    auto bob = joinedEngine("uid-bob");
    ASSERT_TRUE(eventually([&] { return bob->listenerCount() == 2; }));
    alice->sendChat("before the block");
    ASSERT_TRUE(eventually([&] { return bob->chatMessages().size() == 1; }));

    bob->updateBlocked({"uid-alice"});
    EXPECT_TRUE(bob->chatMessages().isEmpty());
    EXPECT_EQ(rosterUids(*bob), QStringList{"uid-bob"});

    alice->sendChat("after the block");
    bob->sendChat("bob speaks");
    ASSERT_TRUE(eventually([&] { return bob->chatMessages().size() == 1; }));
    EXPECT_EQ(chatTexts(*bob), QStringList{"bob speaks"});
    ASSERT_TRUE(eventually([&] { return alice->chatMessages().size() == 3; }));

    // Unblocking brings nothing back until the next "presence" or "joined".
    bob->updateBlocked({});
    EXPECT_EQ(rosterUids(*bob), QStringList{"uid-bob"});
    auto carol = joinedEngine("uid-carol");
    ASSERT_TRUE(eventually([&] { return bob->channelRoster().size() == 3; }));
    EXPECT_EQ(chatTexts(*bob), QStringList{"bob speaks"});

    // Blocked from the start: the history of "joined" leaves the sender out.
    auto dave = joinedEngine("uid-dave", QString(), {"uid-alice"});
    ASSERT_TRUE(eventually([&] { return dave->chatMessages().size() == 1; }));
    EXPECT_EQ(chatTexts(*dave), QStringList{"bob speaks"});
    EXPECT_FALSE(rosterUids(*dave).contains("uid-alice"));
}

TEST_F(LiveChannelTest, TheDevserverRestartedMakesTheEngineReconnectByItself)
{
    auto alice = joinedEngine("uid-alice");
    alice->sendChat("lost with the server");
    ASSERT_TRUE(eventually([&] { return alice->chatMessages().size() == 1; }));

    alice->setLinkTimingForTesting({.firstRetry = 200ms, .maxRetry = 400ms});
    Diagnostics::LineCapture lines;
    server.kill();
    ASSERT_TRUE(eventually([&] { return lines.contains("[TovrinAudio][mac] WS recv fail: "); }));
    EXPECT_FALSE(alice->isLive()) << "not live while waiting to reconnect";
    EXPECT_NE(alice->linkState(), ChannelAudioService::LinkState::open);
    // Sends fail at once while no socket is held.
    EXPECT_FALSE(runTask(alice->sendJSONAwait(QJsonObject{{"type", "probe"}})).value.value_or(true));
    EXPECT_TRUE(lines.contains("[TovrinAudio][mac] JSON SEND FAIL no-ws type=probe"));

    // While the server is down every attempt fails and the next one follows.
    ASSERT_TRUE(eventually([&] { return lines.count("WS reconnect ch=42") >= 2; }, 6s));
    ASSERT_TRUE(server.restart());
    ASSERT_TRUE(eventually([&] { return alice->listenerCount() == 1 && alice->chatMessages().isEmpty(); }, 6s));
    EXPECT_TRUE(alice->isLive());
    EXPECT_EQ(rosterUids(*alice), QStringList{"uid-alice"});
    ASSERT_TRUE(eventually([&] { return lines.contains("JSON SEND OK type=voice_filter"); }));

    auto bob = joinedEngine("uid-bob");
    alice->sendChat("back again");
    ASSERT_TRUE(eventually([&] { return chatTexts(*bob) == QStringList{"back again"}; }));
}

TEST_F(LiveChannelTest, ConnectWhileOpenReplacesTheOldChannelsState)
{
    auto alice = joinedEngine("uid-alice");
    auto bob = joinedEngine("uid-bob");
    alice->sendChat("on the first channel");
    ASSERT_TRUE(eventually([&] { return bob->chatMessages().size() == 1; }));

    QStringList seenOnNewChannel;
    QObject::connect(bob.get(), &ChannelAudioService::chatMessagesChanged, bob.get(),
                     [&] { seenOnNewChannel.append(chatTexts(*bob).join('|')); });
    joinWith(*bob, "uid-bob", QString(), {}, channel + 1);
    EXPECT_TRUE(bob->chatMessages().isEmpty());
    EXPECT_EQ(rosterUids(*bob), QStringList{"uid-bob"});
    ASSERT_TRUE(eventually([&] { return alice->listenerCount() == 1; }));
    EXPECT_FALSE(seenOnNewChannel.contains("on the first channel"));
}

TEST_F(LiveChannelTest, AnEngineIsLiveOnlyOnceTheServerHasAnswered)
{
    using LinkState = ChannelAudioService::LinkState;
    ChannelAudioService engine;
    std::vector<std::pair<LinkState, bool>> seen;
    QObject::connect(&engine, &ChannelAudioService::linkStateChanged, &engine,
                     [&] { seen.emplace_back(engine.linkState(), engine.isLive()); });
    Diagnostics::LineCapture lines;
    EXPECT_FALSE(runVoidTask(engine.connect(channel, "uid-alice", "Alice", "Q-ABC123", {})));
    EXPECT_EQ(seen, (std::vector<std::pair<LinkState, bool>>{{LinkState::opening, false}, {LinkState::open, true}}));
    EXPECT_TRUE(engine.isLive());
    EXPECT_TRUE(lines.contains("[TovrinAudio] [mac] connect ch=42 build="));
    EXPECT_TRUE(lines.contains(" path=voice-pipe-aac-28"));
    // The first send waited for the handshake instead of failing.
    ASSERT_TRUE(eventually([&] { return lines.contains("[TovrinAudio][mac] JSON SEND OK type=voice_filter"); }));
}

TEST_F(LiveChannelTest, VoiceFilterIsSentOnlyOnARealChangeAndAlwaysAsNormal)
{
    Diagnostics::LineCapture joining;
    auto alice = joinedEngine("uid-alice");
    ASSERT_TRUE(eventually([&] { return joining.contains("JSON SEND OK type=voice_filter"); }));  // the connect's own
    Diagnostics::LineCapture lines;
    alice->setVoiceFilter(VoiceFilter::normal);
    runQueued();
    EXPECT_EQ(lines.count("type=voice_filter"), 0);
    alice->setVoiceFilter(VoiceFilter::robot);
    ASSERT_TRUE(eventually([&] { return lines.contains("[TovrinAudio][mac] JSON SEND OK type=voice_filter"); }));
}

TEST_F(LiveChannelTest, UtterancesFromTheVoicePipeReachTheOtherListenersPipe)
{
    auto alice = joinedEngine("uid-alice");
    auto bob = joinedEngine("uid-bob");
    ASSERT_TRUE(eventually([&] { return alice->listenerCount() == 2; }));

    QByteArray clip(20000, '\0');
    for (int i = 0; i < clip.size(); ++i)
        clip[i] = char(i * 7);
    Diagnostics::LineCapture lines;
    TovrinVoicePipe& pipe = alice->voicePipe();
    ASSERT_TRUE(pipe.sendJSON && pipe.sendBinary);
    EXPECT_TRUE(runTask(pipe.sendJSON(QJsonObject{{"type", "utterance_open"}, {"id", "u1"}, {"sample_rate", 44100}, {"format", "aac"}})).value.value_or(false));
    for (qsizetype offset = 0; offset < clip.size(); offset += 8192) {
        const QByteArray frame = QByteArray("\xFF\x51\x46\x02", 4) + clip.mid(offset, 8192);
        EXPECT_TRUE(runTask(pipe.sendBinary(frame)).value.value_or(false));
    }
    EXPECT_TRUE(runTask(pipe.sendJSON(QJsonObject{{"type", "utterance_close"}, {"id", "u1"}, {"display_name", "A"}, {"format", "aac"}})).value.value_or(false));
    EXPECT_TRUE(lines.contains("[TovrinAudio][mac] JSON SEND OK type=utterance_close"));

    ASSERT_TRUE(eventually([&] { return lines.contains("PLAY announce"); }));
    const QString announce = lines.lines().filter("PLAY announce").first();
    EXPECT_TRUE(announce.contains("from=uid-alic expect=20000 format=aac")) << announce.toStdString();
    // Every byte arrived; not being an MPEG-4 file, the clip is refused at its end.
    ASSERT_TRUE(eventually([&] { return lines.contains("PLAY bad m4a"); }));
    EXPECT_TRUE(lines.lines().filter("PLAY bad m4a").first().endsWith("bytes=20000"));
    EXPECT_EQ(lines.count("PLAY announce"), 1) << "the sender does not hear itself";

    // Disconnect takes the send hooks away; stopping the engines stays possible.
    alice->disconnect();
    EXPECT_FALSE(pipe.sendJSON);
    EXPECT_FALSE(pipe.sendBinary);
    EXPECT_TRUE(pipe.stopEngines);
}

TEST_F(LiveChannelTest, APagerIsAnnouncedToTheOthersAndASecondOneIsDenied)
{
    auto alice = joinedEngine("uid-alice");
    auto bob = joinedEngine("uid-bob");
    ASSERT_TRUE(eventually([&] { return alice->listenerCount() == 2; }));
    ManualClock bobClock;
    bob->setPagerClockForTesting(bobClock.function(), 1s);
    // A chat line from Alice reaches Bob behind everything she sent before it.
    int syncs = 0;
    const auto syncBob = [&] {
        const QString marker = QStringLiteral("sync-%1").arg(++syncs);
        alice->sendChat(marker);
        return eventually([&] { return chatTexts(*bob).contains(marker); });
    };

    QSignalSpy pagers(&AppNotifications::instance(), &AppNotifications::tovrinRemotePager);
    Diagnostics::LineCapture lines;
    const QByteArray frame = QByteArray("\xFF\x51\x46\x01", 4) + QByteArray(1280, '\x10');
    // Frames ahead of their message wait for it on the server.
    EXPECT_TRUE(runTask(alice->sendDataAwait(frame, "pager-frame")).value.value_or(false));
    alice->sendJSON(QJsonObject{{"type", "pager"}, {"sound", "siren"}, {"display_name", "A"}}, QStringLiteral("pager"));
    ASSERT_TRUE(eventually([&] { return pagers.size() == 1; }));
    EXPECT_EQ(pagers.first().first().toString(), "siren");
    EXPECT_TRUE(lines.contains("[TovrinPager][mac] RX n=1 sound=siren from=uid-alice build="));

    // Frames within 0.55 s of the message are dropped; later ones are played.
    ASSERT_TRUE(syncBob());
    EXPECT_EQ(lines.count("SFX RX"), 0);
    bobClock.advance(550ms);
    EXPECT_TRUE(runTask(alice->sendDataAwait(frame, "pager-frame")).value.value_or(false));
    ASSERT_TRUE(eventually([&] { return lines.contains("[TovrinPager][mac] SFX RX recv=2 bytes=1280"); }));

    alice->sendJSON(QJsonObject{{"type", "pager"}, {"sound", "siren"}, {"display_name", "A"}}, QStringLiteral("pager"));
    ASSERT_TRUE(eventually([&] { return lines.contains("[TovrinPager][mac] denied retry_after="); }));
    ASSERT_TRUE(syncBob());
    EXPECT_EQ(pagers.size(), 1);
}

TEST_F(LiveChannelTest, ADeniedMicrophoneIsReportedAfterConnectAndListeningGoesOn)
{
    RecordPermission::Override denied(RecordPermission::State::denied, false);
    Diagnostics::LineCapture lines;
    auto alice = joinedEngine("uid-alice");
    ASSERT_TRUE(eventually([&] { return alice->micDeniedNeedsSettings(); }));
    EXPECT_EQ(alice->transmitError(), QString("Microphone access denied — enable My Tovrin-Brisel in Microphone settings."));
    EXPECT_TRUE(lines.contains("[TovrinFAULT] [mac] mic permission denied"));
    EXPECT_EQ(settingsOpened, 1);
    EXPECT_TRUE(alice->isLive());

    // Granted at the next connect: the banner and the microphone text go.
    RecordPermission::Override granted(RecordPermission::State::granted, true);
    joinWith(*alice, "uid-alice");
    ASSERT_TRUE(eventually([&] { return !alice->micDeniedNeedsSettings(); }));
    EXPECT_FALSE(alice->transmitError());
    EXPECT_EQ(settingsOpened, 1);
}

TEST_F(LiveChannelTest, TheOwnersBanKicksTheListenerWhoStaysClosed)
{
    TovrinAPI& api = TovrinAPI::shared();
    const auto owner = runTask(api.checkin("uid-owner", "", "", ""));
    ASSERT_TRUE(owner.ok());
    ASSERT_TRUE(owner.value->ownedChannelNumber);
    const int owned = int(*owner.value->ownedChannelNumber);

    auto ownerEngine = joinedEngine("uid-owner", "Owner", {}, owned);
    auto guest = joinedEngine("uid-guest", "Guest", {}, owned);
    ASSERT_TRUE(eventually([&] { return ownerEngine->listenerCount() == 2; }));
    QSignalSpy kicked(guest.get(), &ChannelAudioService::kickReasonChanged);
    guest->setLinkTimingForTesting({.firstRetry = 50ms, .maxRetry = 50ms});  // a reconnect would come at once

    Diagnostics::LineCapture lines;
    EXPECT_FALSE(runVoidTask(api.banFromChannel("uid-owner", owned, "uid-guest")));
    ASSERT_TRUE(eventually([&] { return guest->kickReason().has_value(); }));
    EXPECT_EQ(guest->kickReason(), QString("banned"));
    EXPECT_EQ(kicked.size(), 1);
    EXPECT_FALSE(guest->isLive());
    EXPECT_TRUE(guest->channelRoster().isEmpty());
    ASSERT_TRUE(eventually([&] { return ownerEngine->listenerCount() == 1; }));
    EXPECT_EQ(rosterUids(*ownerEngine), QStringList{"uid-owner"});

    // The server's close after "kicked" is no failure of a connection: nothing reconnects.
    ASSERT_TRUE(waitPastTimers(50ms));
    EXPECT_EQ(lines.count("WS reconnect"), 0);
    EXPECT_FALSE(guest->isLive());

    // Coming back is refused with the reason, once: no retry follows.
    EXPECT_FALSE(runVoidTask(guest->connect(owned, "uid-guest", "Guest", "Q-TEST01", {})));
    EXPECT_FALSE(guest->kickReason());
    ASSERT_TRUE(eventually([&] { return guest->linkState() == ChannelAudioService::LinkState::refused; }));
    EXPECT_EQ(guest->refusalReason(), QString("banned"));
    EXPECT_FALSE(guest->isLive());
    EXPECT_EQ(lines.count("WS reconnect"), 0);
    // Another channel clears the reason.
    joinWith(*guest, "uid-guest");
    EXPECT_FALSE(guest->kickReason());
    EXPECT_FALSE(guest->refusalReason());
}
