// What the network can make the engine keep is bounded, each bound tested at
// its edge: one unit under it is kept whole, one over it is cut or dropped.
#include "engine_harness.h"

#include "platform/diagnostics.h"
#include "services/app_notifications.h"
#include "support/manual_clock.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>

using namespace std::chrono_literals;

namespace {

using Engine = ChannelAudioService;

QString json(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString chat(const QJsonObject& line)
{
    return json({{"type", "chat"}, {"message", line}});
}

QJsonObject line(const QString& id, const QString& text = QStringLiteral("t"))
{
    return QJsonObject{{"id", id}, {"uid", "a"}, {"text", text}};
}

// A string of n characters as a reader counts them: each an emoji of two code units.
QString emojiText(qsizetype n)
{
    QString text;
    for (qsizetype i = 0; i < n; ++i)
        text += QStringLiteral("😀");
    return text;
}

}  // namespace

TEST(EngineBounds, ChatLineFieldsAreCutAtTheirLimits)
{
    struct Case {
        const char* key;
        qsizetype limit;
        bool characters;  // counted as a reader counts them, else by code unit
        std::function<QString(const ChatMessage&)> field;
    };
    const std::vector<Case> cases{
        {"text", Engine::kMaxChatCharacters, true, [](const ChatMessage& m) { return m.text; }},
        {"display_name", Engine::kMaxNameCharacters, true, [](const ChatMessage& m) { return m.displayName; }},
        {"radio_id", Engine::kMaxRadioIdLength, false, [](const ChatMessage& m) { return m.radioId; }},
        {"uid", Engine::kMaxIdLength, false, [](const ChatMessage& m) { return m.uid; }},
        {"id", Engine::kMaxIdLength, false, [](const ChatMessage& m) { return m.id; }},
    };
    for (const Case& c : cases) {
        for (const qsizetype length : {c.limit, c.limit + 1}) {
            const QString value = c.characters ? emojiText(length) : QString(length, QLatin1Char('x'));
            QJsonObject object = line(QStringLiteral("m-%1").arg(length));
            object.insert(QLatin1String(c.key), value);
            Engine engine;
            engine.handleJSON(chat(object));
            ASSERT_EQ(engine.chatMessages().size(), 1) << c.key;
            const QString expected = c.characters ? emojiText(c.limit) : QString(c.limit, QLatin1Char('x'));
            EXPECT_EQ(c.field(engine.chatMessages()[0]), expected) << c.key << " length " << length;
        }
    }
}

TEST(EngineBounds, RosterRowsAndTheirFieldsAreBounded)
{
    QJsonArray roster;
    for (qsizetype i = 0; i <= Engine::kMaxRosterMembers; ++i)
        roster.append(QJsonObject{{"uid", QStringLiteral("u%1").arg(i)}});
    roster[0] = QJsonObject{{"uid", QString(Engine::kMaxIdLength + 1, 'u')},
                            {"radio_id", QString(Engine::kMaxRadioIdLength + 1, 'R')},
                            {"display_name", emojiText(Engine::kMaxNameCharacters + 1)}};
    Engine engine;
    engine.handleJSON(json({{"type", "presence"}, {"listeners", 1}, {"roster", roster}}));
    const QList<ChannelRosterMember> members = engine.channelRoster();
    ASSERT_EQ(members.size(), Engine::kMaxRosterMembers);
    EXPECT_EQ(members.back().uid, QStringLiteral("u%1").arg(Engine::kMaxRosterMembers - 1));
    EXPECT_EQ(members[0].uid, QString(Engine::kMaxIdLength, 'u'));
    EXPECT_EQ(members[0].radioId, QString(Engine::kMaxRadioIdLength, 'R'));
    EXPECT_EQ(members[0].displayName, emojiText(Engine::kMaxNameCharacters));
}

TEST(EngineBounds, ReactionsKeepABoundedNumberOfWholeEmojiAndGivers)
{
    QJsonObject reactions;
    for (qsizetype i = 0; i < Engine::kMaxReactionEmoji; ++i)
        reactions.insert(QStringLiteral("e%1").arg(i, 2, 10, QLatin1Char('0')), QJsonArray{"a"});
    reactions.insert("z-one-too-many", QJsonArray{"a"});
    QJsonArray givers;
    for (qsizetype i = 0; i <= Engine::kMaxRosterMembers; ++i)
        givers.append(QStringLiteral("g%1").arg(i));
    givers[0] = QString(Engine::kMaxIdLength + 1, 'g');
    reactions.insert("e00", givers);
    reactions.insert(QString(Engine::kMaxEmojiLength + 1, 'E'), QJsonArray{"a"});

    Engine engine;
    engine.handleJSON(chat(line("m1")));
    engine.handleJSON(json({{"type", "reaction"}, {"message_id", "m1"}, {"reactions", reactions}}));
    const QMap<QString, QStringList> kept = engine.chatMessages()[0].reactions;
    EXPECT_EQ(kept.size(), Engine::kMaxReactionEmoji);
    EXPECT_FALSE(kept.contains("z-one-too-many"));
    EXPECT_FALSE(kept.contains(QString(Engine::kMaxEmojiLength + 1, 'E'))) << "a long emoji is dropped, not cut";
    ASSERT_EQ(kept.value("e00").size(), Engine::kMaxRosterMembers);
    EXPECT_EQ(kept.value("e00").first(), QString(Engine::kMaxIdLength, 'g'));
}

TEST(EngineBounds, PagerSoundsAndUtteranceIdsAreCut)
{
    Engine engine;
    QSignalSpy pagers(&AppNotifications::instance(), &AppNotifications::tovrinRemotePager);
    engine.handleJSON(json({{"type", "pager"}, {"sound", QString(Engine::kMaxSoundNameLength + 1, 's')}}));
    ASSERT_EQ(pagers.size(), 1);
    EXPECT_EQ(pagers[0].first().toString(), QString(Engine::kMaxSoundNameLength, 's'));

    // The pipe keeps the announcement under the cut id.
    engine.handleJSON(json({{"type", "play_utterance"}, {"id", QString(Engine::kMaxIdLength + 1, 'i')}}));
    engine.voicePipe().appendPlayChunk(QString(Engine::kMaxIdLength, 'i'), "piece");
    EXPECT_EQ(engine.voicePipe().collectedBytes(QString(Engine::kMaxIdLength, 'i')), "piece");
}

TEST(EngineBounds, NetworkTextCannotForgeALogLine)
{
    Engine engine;
    Diagnostics::LineCapture lines;
    QJsonObject object = line("m1");
    object.insert("display_name", "Eve\n[TovrinFAULT] forged\r\x1b[2J\u2028");
    engine.handleJSON(chat(object));
    const QStringList rx = lines.lines().filter("RX from=");
    ASSERT_EQ(rx.size(), 1);
    EXPECT_EQ(rx[0], "[TovrinChat][mac] RX from=Eve\\n[TovrinFAULT] forged\\r\\x1b[2J\\u{2028} len=1");
}

TEST(EngineFrames, PagerFramesOverTheSendersPayloadAreDropped)
{
    const QByteArray header("\xFF\x51\x46\x01", 4);
    const auto full = ChannelAudioService::routeFrame(header + QByteArray(Engine::kMaxPagerPayload, '\x01'));
    EXPECT_EQ(full.kind, ChannelAudioService::FrameRoute::Kind::pager);
    EXPECT_EQ(full.payload.size(), Engine::kMaxPagerPayload);
    const auto over = ChannelAudioService::routeFrame(header + QByteArray(Engine::kMaxPagerPayload + 1, '\x01'));
    EXPECT_EQ(over.kind, ChannelAudioService::FrameRoute::Kind::drop);
}

class PagerQueueTest : public LiveChannelTest {};

TEST_F(PagerQueueTest, QueuedPagerAudioStopsAtItsLimitAndMakesRoomAsItPlays)
{
    auto engine = joinedEngine("uid-listener");
    ManualClock clock;
    engine->setPagerClockForTesting(clock.function(), 1s);

    // 1,280 bytes are 640 samples: 40 ms at 16 kHz.
    const QByteArray frame = QByteArray("\xFF\x51\x46\x01", 4) + QByteArray(Engine::kMaxPagerPayload, '\x01');
    const int framesInLimit = int(Engine::kMaxQueuedPagerAudio / 40ms);
    for (int i = 0; i < framesInLimit; ++i)
        engine->enqueueRXPCM(frame);
    EXPECT_EQ(engine->queuedPagerAudio(), Engine::kMaxQueuedPagerAudio);
    engine->enqueueRXPCM(frame);
    EXPECT_EQ(engine->queuedPagerAudio(), Engine::kMaxQueuedPagerAudio) << "the frame past the limit is dropped";

    clock.advance(1s);
    EXPECT_EQ(engine->queuedPagerAudio(), Engine::kMaxQueuedPagerAudio - 1s);
    engine->enqueueRXPCM(frame);
    EXPECT_EQ(engine->queuedPagerAudio(), Engine::kMaxQueuedPagerAudio - 1s + 40ms);

    engine->disconnect();
    EXPECT_EQ(engine->queuedPagerAudio(), 0ms);
}
