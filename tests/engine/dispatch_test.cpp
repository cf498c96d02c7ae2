// What each received text message and binary frame does, fed straight into
// the engine's receive entry points without a socket.
#include "engine_harness.h"

#include "platform/diagnostics.h"
#include "services/app_notifications.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QSignalSpy>

namespace {

QString json(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QJsonObject chatObject(const QString& id, const QString& uid, const QString& text)
{
    return QJsonObject{{"id", id}, {"uid", uid}, {"radio_id", "Q-AAAAAA"}, {"display_name", "Ann"},
                       {"text", text}, {"ts", 1700000000.5}, {"reactions", QJsonObject{}}};
}

QString joined(const QJsonArray& roster, std::optional<QJsonArray> history = std::nullopt, QJsonValue listeners = 2)
{
    QJsonObject message{{"type", "joined"}, {"listeners", listeners}, {"roster", roster}};
    if (history)
        message.insert("chat_history", *history);
    return json(message);
}

QJsonObject member(const QString& uid)
{
    return QJsonObject{{"uid", uid}, {"radio_id", "Q-" + uid.toUpper().left(6)}, {"display_name", uid}};
}

// Records every published change of an engine.
struct ChangeCounter {
    explicit ChangeCounter(ChannelAudioService& engine)
    {
        const QMetaObject* meta = engine.metaObject();
        for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
            spies.push_back(std::make_unique<QSignalSpy>(&engine, meta->property(i).notifySignal()));
    }
    int total() const
    {
        int n = 0;
        for (const auto& spy : spies)
            n += int(spy->size());
        return n;
    }
    std::vector<std::unique_ptr<QSignalSpy>> spies;
};

}  // namespace

TEST(EngineDispatch, MalformedTextChangesNothingAndPrintsNothing)
{
    ChannelAudioService engine;
    engine.handleJSON(joined({member("a")}, QJsonArray{chatObject("m1", "a", "hi")}));
    ChangeCounter changes(engine);
    Diagnostics::LineCapture lines;

    const QStringList inputs{
        "", "not json", "[]", "null", "42", "\"joined\"", "{}", R"({"no":"type"})", R"({"type":5})",
        R"({"type":null})", R"({"type":["joined"]})", R"({"type":"joined")", R"({"type":"unknown"})",
        R"({"type":"chat"})", R"({"type":"chat","message":"text"})", R"({"type":"chat","message":{}})",
        R"({"type":"chat","message":{"id":1,"uid":"a","text":"x"}})", R"({"type":"reaction","message_id":"m1"})",
        R"({"type":"reaction","message_id":"m1","reactions":{"x":[1]}})", R"({"type":"reaction","message_id":"nope","reactions":{}})",
        R"({"type":"joined","listeners":"3","roster":[{"uid":"b"},7]})", R"({"type":"presence","listeners":2.5})",
        R"({"type":"play_utterance","id":""})", R"({"type":"play_utterance_end"})", "\xEF\xBF\xBF{",
    };
    for (const QString& input : inputs)
        engine.handleJSON(input);

    EXPECT_EQ(changes.total(), 0);
    EXPECT_TRUE(lines.lines().isEmpty()) << lines.lines().join('\n').toStdString();
    EXPECT_EQ(engine.listenerCount(), 2);
    EXPECT_EQ(engine.chatMessages().size(), 1);
    EXPECT_EQ(engine.channelRoster().size(), 1);
}

TEST(EngineDispatch, JoinedAndPresenceApplyListenersRosterAndHistory)
{
    ChannelAudioService engine;
    engine.handleJSON(joined({member("a"), member("b")}, QJsonArray{chatObject("m1", "a", "one")}, 7));
    EXPECT_EQ(engine.listenerCount(), 7);
    ASSERT_EQ(engine.channelRoster().size(), 2);
    EXPECT_EQ(engine.channelRoster()[1], (ChannelRosterMember{"b", "Q-B", "b"}));
    ASSERT_EQ(engine.chatMessages().size(), 1);

    // "listeners" that is not a whole number leaves the count; the roster still applies.
    engine.handleJSON(R"({"type":"joined","listeners":"3","roster":[{"uid":"c"}]})");
    EXPECT_EQ(engine.listenerCount(), 7);
    EXPECT_EQ(engine.channelRoster(), (QList<ChannelRosterMember>{{"c", "", "Radio User"}}));
    EXPECT_EQ(engine.chatMessages().size(), 1) << "no chat_history keeps the list";

    // "presence" never reads chat_history.
    engine.handleJSON(R"({"type":"presence","listeners":1,"roster":[{"radio_id":"x"},{"uid":"d"}],"chat_history":[]})");
    EXPECT_EQ(engine.listenerCount(), 1);
    EXPECT_EQ(engine.channelRoster(), (QList<ChannelRosterMember>{{"d", "", "Radio User"}}));
    EXPECT_EQ(engine.chatMessages().size(), 1);

    // An empty history empties the list; lines that do not make a line are skipped.
    engine.handleJSON(joined({}, QJsonArray{QJsonObject{{"id", "m2"}}, chatObject("m3", "a", "three")}));
    EXPECT_EQ(engine.chatMessages().size(), 1);
    engine.handleJSON(joined({}, QJsonArray{}));
    EXPECT_TRUE(engine.chatMessages().isEmpty());
}

TEST(EngineDispatch, ChatLinesAreBuiltLenientlyAndAppendedOnce)
{
    ChannelAudioService engine;
    Diagnostics::LineCapture lines;
    const double before = double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;

    engine.handleJSON(json({{"type", "chat"}, {"message", chatObject("m1", "a", "hello")}}));
    engine.handleJSON(json({{"type", "chat"}, {"message", chatObject("m1", "a", "again")}}));
    engine.handleJSON(json({{"type", "chat"}, {"message", QJsonObject{{"id", "m2"}, {"uid", "b"}, {"text", ""}}}}));
    engine.handleJSON(json({{"type", "chat"}, {"message", QJsonObject{{"id", "m3"}, {"uid", "b"}, {"text", "t"}, {"ts", "123"}, {"reactions", QJsonObject{{"👍", 1}}}}}}));
    engine.handleJSON(json({{"type", "chat"}, {"message", QJsonObject{{"id", "m4"}, {"uid", "b"}, {"text", "t"}, {"ts", 12}, {"reactions", QJsonObject{{"👍", QJsonArray{"a", "b"}}}}}}}));

    const QList<ChatMessage> chat = engine.chatMessages();
    ASSERT_EQ(chat.size(), 4);
    EXPECT_EQ(chat[0].text, "hello");
    EXPECT_EQ(chat[0].ts, 1700000000.5);
    EXPECT_EQ(chat[1].displayName, "Radio User");
    EXPECT_EQ(chat[1].radioId, "");
    EXPECT_GE(chat[1].ts, before);
    EXPECT_GE(chat[2].ts, before) << "a string time stamp counts as absent";
    EXPECT_TRUE(chat[2].reactions.isEmpty());
    EXPECT_EQ(chat[3].ts, 12.0);
    EXPECT_EQ(chat[3].reactions, (QMap<QString, QStringList>{{"👍", {"a", "b"}}}));
    EXPECT_EQ(lines.count("[TovrinChat][mac] RX from="), 4);
    EXPECT_TRUE(lines.contains("[TovrinChat][mac] RX from=Ann len=5"));
}

TEST(EngineDispatch, ChatKeepsOnlyTheNewestLines)
{
    ChannelAudioService engine;
    const qsizetype extra = 5;
    QJsonArray history;
    for (qsizetype i = 0; i < ChannelAudioService::kMaxChatMessages; ++i)
        history.append(chatObject(QStringLiteral("h%1").arg(i), "a", "old"));
    engine.handleJSON(joined({}, history));
    ASSERT_EQ(engine.chatMessages().size(), ChannelAudioService::kMaxChatMessages);
    for (qsizetype i = 0; i < extra; ++i)
        engine.handleJSON(json({{"type", "chat"}, {"message", chatObject(QStringLiteral("n%1").arg(i), "a", "new")}}));
    const QList<ChatMessage> chat = engine.chatMessages();
    ASSERT_EQ(chat.size(), ChannelAudioService::kMaxChatMessages);
    EXPECT_EQ(chat.front().id, QStringLiteral("h%1").arg(extra));
    EXPECT_EQ(chat.back().id, QStringLiteral("n%1").arg(extra - 1));
}

TEST(EngineDispatch, ReactionsReplaceTheWholeMapOfTheirLine)
{
    ChannelAudioService engine;
    engine.handleJSON(joined({}, QJsonArray{chatObject("m1", "a", "one"), chatObject("m2", "a", "two")}));

    engine.handleJSON(R"({"type":"reaction","message_id":"m2","reactions":{"🔥":["a"],"👍":["b","c"]}})");
    EXPECT_EQ(engine.chatMessages()[1].reactions, (QMap<QString, QStringList>{{"🔥", {"a"}}, {"👍", {"b", "c"}}}));
    engine.handleJSON(R"({"type":"reaction","message_id":"m2","reactions":{"👍":["b"]}})");
    EXPECT_EQ(engine.chatMessages()[1].reactions, (QMap<QString, QStringList>{{"👍", {"b"}}}));
    engine.handleJSON(R"({"type":"reaction","message_id":"m2","reactions":{}})");
    EXPECT_TRUE(engine.chatMessages()[1].reactions.isEmpty());
    EXPECT_TRUE(engine.chatMessages()[0].reactions.isEmpty());
}

TEST(EngineDispatch, BlockedUsersAreLeftOutOfEveryList)
{
    ChannelAudioService engine;
    engine.handleJSON(joined({member("a"), member("b")}, QJsonArray{chatObject("m1", "a", "x"), chatObject("m2", "b", "y")}));
    engine.updateBlocked({"a"});
    EXPECT_EQ(engine.channelRoster().size(), 1);
    ASSERT_EQ(engine.chatMessages().size(), 1);
    EXPECT_EQ(engine.chatMessages()[0].uid, "b");

    engine.handleJSON(json({{"type", "chat"}, {"message", chatObject("m3", "a", "z")}}));
    engine.handleJSON(json({{"type", "presence"}, {"listeners", 2}, {"roster", QJsonArray{member("a"), member("b")}}}));
    EXPECT_EQ(engine.chatMessages().size(), 1);
    EXPECT_EQ(engine.channelRoster().size(), 1);
}

TEST(EngineDispatch, APagerPostsTheNotificationUnlessItsSenderIsBlocked)
{
    ChannelAudioService engine;
    engine.updateBlocked({"blocked"});
    QSignalSpy pagers(&AppNotifications::instance(), &AppNotifications::tovrinRemotePager);
    Diagnostics::LineCapture lines;

    engine.handleJSON(R"({"type":"pager","sound":"siren","uid":"blocked"})");
    EXPECT_EQ(pagers.size(), 0);
    engine.handleJSON(R"({"type":"pager"})");
    engine.handleJSON(R"({"type":"pager","sound":"chime","uid":"friend"})");
    ASSERT_EQ(pagers.size(), 2);
    EXPECT_EQ(pagers[0].first().toString(), "pager");
    EXPECT_EQ(pagers[1].first().toString(), "chime");
    EXPECT_TRUE(lines.contains("[TovrinPager][mac] RX n=1 sound=pager from= build="));
    EXPECT_TRUE(lines.contains("[TovrinPager][mac] RX n=2 sound=chime from=friend build="));
}

TEST(EngineDispatch, PagerDeniedReportsItsRetryTime)
{
    ChannelAudioService engine;
    Diagnostics::LineCapture lines;
    engine.handleJSON(R"({"type":"pager_denied"})");
    engine.handleJSON(R"({"type":"pager_denied","retry_after":7})");
    engine.handleJSON(R"({"type":"pager_denied","retry_after":"7"})");
    EXPECT_EQ(lines.lines().filter("denied retry_after=").join('|'),
              "[TovrinPager][mac] denied retry_after=20|[TovrinPager][mac] denied retry_after=7|[TovrinPager][mac] denied retry_after=20");
}

TEST(EngineDispatch, AnnouncementsOfUtterancesReachTheVoicePipe)
{
    ChannelAudioService engine;
    engine.updateBlocked({"blocked"});
    Diagnostics::LineCapture lines;
    engine.handleJSON(R"({"type":"play_utterance","id":"u1","uid":"a","bytes":1200,"format":"AAC"})");
    engine.handleJSON(R"({"type":"play_utterance","id":"u2"})");
    engine.handleJSON(R"({"type":"play_utterance","id":"u3","uid":"blocked"})");
    engine.handleJSON(R"({"type":"play_utterance","id":"u4","bytes":"9","format":5})");
    const QStringList announced = lines.lines().filter("PLAY announce");
    ASSERT_EQ(announced.size(), 3);
    EXPECT_TRUE(announced[0].endsWith("id=u1 from=a expect=1200 format=aac"));
    EXPECT_TRUE(announced[1].endsWith("id=u2 from= expect=0 format=aac"));
    EXPECT_TRUE(announced[2].endsWith("id=u4 from= expect=0 format=aac"));
}

TEST(EngineDispatch, KickedSetsTheReasonAndClosesTheEngine)
{
    ChannelAudioService engine;
    Diagnostics::LineCapture lines;
    engine.handleJSON(R"({"type":"kicked"})");
    EXPECT_EQ(engine.kickReason(), QString("removed"));
    EXPECT_TRUE(lines.contains("[TovrinAudio][mac] disconnect"));
    engine.handleJSON(R"({"type":"kicked","reason":"banned"})");
    EXPECT_EQ(engine.kickReason(), QString("banned"));
    engine.disconnect();
    EXPECT_EQ(engine.kickReason(), QString("banned")) << "disconnect keeps the reason";
}

TEST(EngineFrames, FramesAreRoutedByTheirHeaderAndDroppedWhenMalformed)
{
    using Kind = ChannelAudioService::FrameRoute::Kind;
    struct Case {
        QByteArray frame;
        Kind kind;
        QString id;
        QByteArray payload;
    };
    const QByteArray play("\xFF\x51\x46\x03", 4);
    const QByteArray pager("\xFF\x51\x46\x01", 4);
    const std::vector<Case> cases{
        {{}, Kind::drop, {}, {}},
        {QByteArray("\xFF", 1), Kind::drop, {}, {}},
        {QByteArray("\xFF\x51\x46", 3), Kind::drop, {}, {}},
        {play, Kind::drop, {}, {}},                                          // no id length
        {play + QByteArray("\x05" "ab", 3), Kind::drop, {}, {}},             // id length past the end
        {play + QByteArray("\xFF", 1) + QByteArray(254, 'a'), Kind::drop, {}, {}},
        {play + QByteArray("\x02\xFF\xFE", 3) + "x", Kind::drop, {}, {}},    // id not UTF-8
        {play + QByteArray("\x02" "ab", 3), Kind::utterance, "ab", {}},
        {play + QByteArray("\x02" "abPAYLOAD", 10), Kind::utterance, "ab", "PAYLOAD"},
        {play + QByteArray("\x00" "xy", 3), Kind::drop, {}, {}},  // an empty id names no utterance
        {pager + "\x01\x02", Kind::pager, {}, "\x01\x02"},
        {pager, Kind::pager, {}, {}},
        {QByteArray("\xFF\x51\x46\x02", 4) + "upload", Kind::drop, {}, {}},  // upload frames are the client's own
        {QByteArray("\xFF\x51\x46\x09", 4) + "other", Kind::drop, {}, {}},
        {QByteArray("\x00\x51\x46\x03\x01" "a", 6), Kind::drop, {}, {}},
    };
    for (const Case& c : cases) {
        const auto route = ChannelAudioService::routeFrame(c.frame);
        EXPECT_EQ(route.kind, c.kind) << c.frame.toHex().toStdString();
        EXPECT_EQ(route.utteranceId, c.id) << c.frame.toHex().toStdString();
        EXPECT_EQ(route.payload, c.payload) << c.frame.toHex().toStdString();
    }
}

TEST(EngineFrames, NothingIsRoutedWhileTheEngineIsNotReceiving)
{
    ChannelAudioService engine;
    Diagnostics::LineCapture lines;
    engine.enqueueRXPCM(QByteArray("\xFF\x51\x46\x03\x02" "abPAYLOAD", 14));
    engine.enqueueRXPCM(QByteArray("\xFF\x51\x46\x01", 4) + QByteArray(640, '\x01'));
    EXPECT_TRUE(engine.voicePipe().collectedBytes("ab").isEmpty());
    EXPECT_TRUE(lines.lines().isEmpty());
}

TEST(EngineSend, SendingWithoutASocketFailsWithTheMessagesOwnType)
{
    ChannelAudioService engine;
    Diagnostics::LineCapture lines;
    EXPECT_FALSE(runTask(engine.sendJSONAwait(QJsonObject{{"type", "chat"}}, QStringLiteral("label"))).value.value_or(true));
    EXPECT_FALSE(runTask(engine.sendJSONAwait(QJsonObject{{"text", "x"}})).value.value_or(true));
    EXPECT_FALSE(runTask(engine.sendDataAwait(QByteArray("\xFF\x51\x46\x02", 4), "voice-pipe-chunk")).value.value_or(true));
    EXPECT_EQ(lines.lines(), (QStringList{"[TovrinAudio][mac] JSON SEND FAIL no-ws type=chat",
                                          "[TovrinAudio][mac] JSON SEND FAIL no-ws type=?",
                                          "[TovrinPTT][mac] voice-pipe-chunk FAIL no-ws"}));
}

TEST(EngineSend, DisconnectWhenClosedLeavesTheClosedState)
{
    ChannelAudioService engine;
    ChangeCounter changes(engine);
    Diagnostics::LineCapture lines;
    engine.disconnect();
    EXPECT_EQ(lines.lines(), QStringList{"[TovrinAudio][mac] disconnect"});
    EXPECT_EQ(changes.total(), 0);
    EXPECT_FALSE(engine.isLive());
}
