// Pagers between engines on one devserver channel, watched by a bare listener.
#include "pager_harness.h"

#include "platform/audio_engine.h"
#include "platform/diagnostics.h"
#include "services/app_notifications.h"
#include "services/channel_playback.h"
#include "support/audio_fakes.h"
#include "support/tone.h"

#include <QSignalSpy>
#include <QtEndian>

#include <cmath>
#include <numbers>

using namespace std::chrono_literals;

namespace {

class PagerChannelTest : public LiveChannelTest {
protected:
    // Waits until `listener` has handled everything the server relayed to it
    // before now: a chat line from the bare listener comes after it.
    void syncWith(ChannelAudioService& listener)
    {
        const QString marker = QStringLiteral("sync-%1").arg(++syncs_);
        raw.sendChat(marker);
        ASSERT_TRUE(eventually([&] { return chatTexts(listener).contains(marker); }));
    }

    void openRaw() { ASSERT_TRUE(raw.open(server.port(), channel, "uid-raw")); }

    RawListener raw;
    int syncs_ = 0;
};

}  // namespace

TEST_F(PagerChannelTest, APagerReachesTheChannelAsItsMessageThenItsFrames)
{
    auto alice = joinedEngine("uid-alice", "Alice");
    auto bob = joinedEngine("uid-bob");
    ManualClock bobClock;
    bob->setPagerClockForTesting(bobClock.function(), 1s);
    openRaw();
    ASSERT_TRUE(eventually([&] { return alice->listenerCount() == 3 && bob->listenerCount() == 3; }));

    QSignalSpy pagers(&AppNotifications::instance(), &AppNotifications::tovrinRemotePager);
    Diagnostics::LineCapture lines;
    const QByteArray pcm = rampPCM(3000);
    EXPECT_TRUE(alice->sendPager("siren", pcm));
    EXPECT_EQ(alice->pagerCooldownRemaining(), 20);

    ASSERT_TRUE(eventually([&] { return raw.frames().size() == 3; }));
    const qsizetype message = raw.indexOfType("pager");
    ASSERT_GE(message, 0);
    EXPECT_LT(message, raw.indexOfFirstFrame()) << "the message comes before its frames";
    EXPECT_EQ(raw.messages()[message].json(), (QJsonObject{{"type", "pager"}, {"sound", "siren"}, {"uid", "uid-alice"}}));

    const QList<QByteArray> frames = raw.frames();
    EXPECT_EQ(frames[0].size(), 4 + 1280);
    EXPECT_EQ(frames[1].size(), 4 + 1280);
    EXPECT_EQ(frames[2].size(), 4 + 440);
    for (const QByteArray& frame : frames)
        EXPECT_TRUE(frame.startsWith(QByteArray("\xFF\x51\x46\x01", 4)));
    EXPECT_EQ(joinedPayloads(frames), pcm);

    EXPECT_TRUE(lines.contains("[TovrinPager][mac] TX n=1 sound=siren pcmBytes=3000 live=true ws=true"));
    EXPECT_TRUE(lines.contains("[TovrinAudio][mac] JSON SEND OK type=pager"));
    EXPECT_TRUE(lines.contains("[TovrinPager][mac] emitted chunks=3 totalPCM=3000"));

    // Bob is told and plays the alert himself; its frames fall inside his window.
    ASSERT_TRUE(eventually([&] { return pagers.size() == 1; }));
    EXPECT_EQ(pagers.first().first().toString(), "siren");
    EXPECT_TRUE(lines.contains("[TovrinPager][mac] RX n=1 sound=siren from=uid-alice build="));
    syncWith(*bob);
    EXPECT_EQ(lines.count("SFX RX"), 0);

    // Pager audio after the window is played.
    bobClock.advance(550ms);
    EXPECT_TRUE(runTask(alice->sendDataAwait(frames[0], "pager-frame")).value.value_or(false));
    EXPECT_TRUE(eventually([&] { return lines.contains("[TovrinPager][mac] SFX RX recv=2 bytes=1280"); }));
}

TEST_F(PagerChannelTest, PagerAudioAfterTheWindowPlaysOnTheListenersOwnPlayback)
{
    auto alice = joinedEngine("uid-alice");
    CapturedOutputs outputs;
    auto bob = joinedEngine("uid-bob");
    ASSERT_EQ(outputs.streams().size(), 1u) << "Bob's playback engine";
    const std::shared_ptr<PlayedAudio> played = outputs.last();
    EXPECT_EQ(played->sampleRate, 16000);
    ManualClock bobClock;
    bob->setPagerClockForTesting(bobClock.function(), 1s);
    openRaw();

    QByteArray pcm;
    std::vector<float> expected;
    for (float sample : tone::sine(1000, 0.1, 16000)) {
        const auto value = qint16(sample * 32767);
        char bytes[2];
        qToLittleEndian(value, bytes);
        pcm.append(bytes, 2);
        expected.push_back(float(value) / 32767.0f);
    }
    ASSERT_TRUE(alice->sendPager("siren", pcm));
    syncWith(*bob);

    // The same frames once Bob's window has passed: heard once, sample for sample.
    bobClock.advance(550ms);
    for (const QByteArray& frame : ChannelAudioService::pagerFrames(pcm))
        EXPECT_TRUE(runTask(alice->sendDataAwait(frame, "pager-frame")).value.value_or(false));
    const auto audible = [&] {
        std::vector<float> samples = played->samples;
        const auto first = std::find_if(samples.begin(), samples.end(), [](float s) { return s != 0.0f; });
        const auto last = std::find_if(samples.rbegin(), samples.rend(), [](float s) { return s != 0.0f; }).base();
        return first < last ? std::vector<float>(first, last) : std::vector<float>();
    };
    const auto trimmed = [](std::vector<float> samples) {
        samples.erase(samples.begin(), std::find_if(samples.begin(), samples.end(), [](float s) { return s != 0.0f; }));
        return samples;
    };
    ASSERT_TRUE(eventually([&] { return audible().size() >= trimmed(expected).size(); }));
    // A second copy would be queued by now: wait until all that is queued was heard.
    syncWith(*bob);
    const std::vector<PlayerQueue*>& players = bob->playback().rxPlayers();
    ASSERT_TRUE(eventually([&] {
        return std::none_of(players.begin(), players.end(), [](PlayerQueue* p) { return p->hasPendingAudio(); });
    }));
    EXPECT_EQ(audible(), trimmed(expected));
}

TEST_F(PagerChannelTest, APagerWithoutSamplesSendsTheFallbackTone)
{
    auto alice = joinedEngine("uid-alice");
    openRaw();
    Diagnostics::LineCapture lines;

    EXPECT_TRUE(alice->sendPager("chime%3", QByteArray()));
    ASSERT_TRUE(eventually([&] { return raw.frames().size() == 2; }));
    const QList<QByteArray> frames = raw.frames();
    EXPECT_EQ(frames[0].size(), 4 + 1280);
    EXPECT_EQ(frames[1].size(), 4 + 1280);
    EXPECT_EQ(joinedPayloads(frames), ChannelAudioService::fallbackPagerPCM());
    EXPECT_TRUE(lines.contains("[TovrinPager][mac] TX n=1 sound=chime%3 pcmBytes=2560 live=true ws=true"));
    EXPECT_EQ(raw.ofType("pager").value(0).json().value("sound"), "chime%3");
}

TEST(PagerTone, TheFallbackIsEightyMillisecondsOf880HzWithFades)
{
    const QByteArray tone = ChannelAudioService::fallbackPagerPCM();
    ASSERT_EQ(tone.size(), 2560);
    const auto sample = [&](int i) { return qint16(quint16(uchar(tone[2 * i])) | quint16(uchar(tone[2 * i + 1])) << 8); };
    const auto expected = [](int i) {
        const double fade = std::min({i / 160.0, 1.0, (1280 - i) / 160.0});
        return qint16(std::trunc(std::sin(2 * std::numbers::pi * 880.0 * i / 16000.0) * 12000.0 * fade));
    };
    EXPECT_EQ(sample(0), 0);
    EXPECT_NE(sample(1279), 0) << "the last sample is scaled by 1/160, not silenced";
    int peak = 0;
    for (int i = 0; i < 1280; ++i) {
        EXPECT_EQ(sample(i), expected(i)) << "sample " << i;
        peak = std::max(peak, std::abs(int(sample(i))));
    }
    EXPECT_GT(peak, 11900);
    EXPECT_LE(peak, 12000);
}

TEST(PagerFrames, PayloadsAreCutAt1280Bytes)
{
    struct Row {
        qsizetype bytes;
        QList<qsizetype> payloads;
    };
    const Row rows[] = {
        {0, {}},
        {1, {1}},
        {1280, {1280}},
        {1281, {1280, 1}},
        {2560, {1280, 1280}},
        {3000, {1280, 1280, 440}},
    };
    for (const Row& row : rows) {
        const QByteArray pcm = rampPCM(row.bytes);
        const QList<QByteArray> frames = ChannelAudioService::pagerFrames(pcm);
        QList<qsizetype> payloads;
        for (const QByteArray& frame : frames) {
            EXPECT_TRUE(frame.startsWith(ChannelAudioService::sfxPrefix));
            payloads.append(frame.size() - 4);
        }
        EXPECT_EQ(payloads, row.payloads) << row.bytes << " bytes";
        EXPECT_EQ(joinedPayloads(frames), pcm) << row.bytes << " bytes";
    }
}

TEST_F(PagerChannelTest, TheCooldownFollowsTheMonotonicClockAndTheServersDenial)
{
    auto alice = joinedEngine("uid-alice");
    ManualClock clock;
    alice->setPagerClockForTesting(clock.function(), 1s);
    openRaw();
    Diagnostics::LineCapture lines;

    ASSERT_TRUE(alice->sendPager("pager", rampPCM(64)));
    clock.advance(5.2s);
    EXPECT_FALSE(alice->sendPager("pager", rampPCM(64)));
    EXPECT_EQ(alice->pagerCooldownRemaining(), 15);
    EXPECT_TRUE(lines.contains("[TovrinPager][mac] TX blocked cooldown=15s"));

    clock.advance(14.4s);
    EXPECT_FALSE(alice->sendPager("pager", rampPCM(64)));
    EXPECT_EQ(alice->pagerCooldownRemaining(), 1);
    EXPECT_TRUE(lines.contains("[TovrinPager][mac] TX blocked cooldown=1s"));

    // 20 s on this clock, well under 20 s for the server: it refuses.
    clock.advance(0.4s);
    EXPECT_TRUE(alice->sendPager("pager", rampPCM(64)));
    ASSERT_TRUE(eventually([&] { return lines.contains("[TovrinPager][mac] denied retry_after=20"); }));
    EXPECT_EQ(alice->pagerCooldownRemaining(), 20);
    clock.advance(19.9s);
    EXPECT_FALSE(alice->sendPager("pager", rampPCM(64)));
    EXPECT_TRUE(lines.contains("[TovrinPager][mac] TX blocked cooldown=1s"));

    // The refused pager reached nobody, neither its message nor its frames.
    raw.sendChat("after");
    ASSERT_TRUE(eventually([&] { return !raw.ofType("chat").isEmpty(); }));
    EXPECT_EQ(raw.ofType("pager").size(), 1);
    EXPECT_EQ(raw.frames().size(), 1);
}

TEST_F(PagerChannelTest, TheCountdownShowsEverySecondThenNothing)
{
    auto alice = joinedEngine("uid-alice");
    ManualClock clock;
    alice->setPagerClockForTesting(clock.function(), 2ms);
    QList<std::optional<qint64>> shown;
    QObject::connect(alice.get(), &ChannelAudioService::pagerCooldownRemainingChanged, alice.get(),
                     [&] { shown.append(alice->pagerCooldownRemaining()); });

    ASSERT_TRUE(alice->sendPager("pager", rampPCM(64)));
    ASSERT_TRUE(eventually([&] { return !alice->pagerCooldownRemaining(); }));
    QList<std::optional<qint64>> expected;
    for (qint64 r = 20; r >= 1; --r)
        expected.append(r);
    expected.append(std::nullopt);
    EXPECT_EQ(shown, expected);
}

TEST_F(PagerChannelTest, ServerDenialIsClampedToOneToTwentySeconds)
{
    struct Row {
        const char* message;
        qint64 seconds;
    };
    const Row rows[] = {
        {R"({"type":"pager_denied","retry_after":0})", 1},
        {R"({"type":"pager_denied","retry_after":-3})", 1},
        {R"({"type":"pager_denied","retry_after":7})", 7},
        {R"({"type":"pager_denied","retry_after":45})", 20},
        {R"({"type":"pager_denied"})", 20},
    };
    int index = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        auto engine = joinedEngine(QStringLiteral("uid-row-%1").arg(++index));
        ManualClock clock;
        engine->setPagerClockForTesting(clock.function(), 1s);
        Diagnostics::LineCapture lines;

        engine->handleJSON(row.message);
        EXPECT_EQ(engine->pagerCooldownRemaining(), row.seconds);
        clock.advance(std::chrono::duration<double>(row.seconds - 0.1));
        EXPECT_FALSE(engine->sendPager("pager", rampPCM(64)));
        EXPECT_TRUE(lines.contains("[TovrinPager][mac] TX blocked cooldown=1s"));
        clock.advance(0.1s);
        EXPECT_TRUE(engine->sendPager("pager", rampPCM(64)));
    }
}

TEST_F(PagerChannelTest, APagerWhileNotLiveIsRefusedAndTakesNoCooldown)
{
    ChannelAudioService engine;
    Diagnostics::LineCapture lines;
    EXPECT_FALSE(engine.sendPager("pager", rampPCM(64)));
    EXPECT_TRUE(lines.contains("[TovrinPager][mac] TX skipped not-live"));
    EXPECT_FALSE(engine.pagerCooldownRemaining());
    EXPECT_EQ(lines.count("TX n="), 0);

    joinWith(engine, "uid-alice");
    EXPECT_TRUE(engine.sendPager("pager", rampPCM(64)));
}

TEST_F(PagerChannelTest, ABlockedSendersPagerIsNeitherAnnouncedNorHeard)
{
    auto alice = joinedEngine("uid-alice");
    auto bob = joinedEngine("uid-bob", QString(), {"uid-alice"});
    ManualClock bobClock;
    bob->setPagerClockForTesting(bobClock.function(), 1s);
    openRaw();
    ASSERT_TRUE(eventually([&] { return bob->listenerCount() == 3; }));

    QSignalSpy pagers(&AppNotifications::instance(), &AppNotifications::tovrinRemotePager);
    Diagnostics::LineCapture lines;
    const QByteArray pcm = rampPCM(3000);
    ASSERT_TRUE(alice->sendPager("siren", pcm));
    ASSERT_TRUE(eventually([&] { return raw.frames().size() == 3; })) << "the server relayed it";
    syncWith(*bob);
    EXPECT_EQ(pagers.size(), 0);
    EXPECT_EQ(lines.count("[TovrinPager][mac] RX n="), 0);
    EXPECT_EQ(lines.count("SFX RX"), 0) << "its frames are dropped like anyone's";

    // The window, not the block, kept them out: later pager audio plays.
    bobClock.advance(550ms);
    EXPECT_TRUE(runTask(alice->sendDataAwait(raw.frames()[2], "pager-frame")).value.value_or(false));
    EXPECT_TRUE(eventually([&] { return lines.contains("[TovrinPager][mac] SFX RX recv=1 bytes=440"); }));
}

TEST_F(PagerChannelTest, ARefusalAfterADisconnectStillCountsDown)
{
    auto alice = joinedEngine("uid-alice");
    ManualClock clock;
    alice->setPagerClockForTesting(clock.function(), 2ms);
    ASSERT_TRUE(alice->sendPager("pager", rampPCM(64)));
    alice->disconnect();
    EXPECT_FALSE(alice->pagerCooldownRemaining());

    joinWith(*alice, "uid-alice");
    clock.advance(5.2s);
    EXPECT_FALSE(alice->sendPager("pager", rampPCM(64)));
    EXPECT_EQ(alice->pagerCooldownRemaining(), 15);
    EXPECT_TRUE(eventually([&] { return !alice->pagerCooldownRemaining(); })) << "the button stayed blocked";
}

TEST(PagerCountdown, TicksOnAPreciseTimer)
{
    ChannelAudioService engine;
    const auto* ticker = engine.findChild<QTimer*>("pagerCooldownTask");
    ASSERT_NE(ticker, nullptr);
    EXPECT_EQ(ticker->timerType(), Qt::PreciseTimer);
    EXPECT_EQ(ticker->interval(), 1000);
}

TEST_F(PagerChannelTest, APagerWhileTheLinkIsDownIsRefusedAndTakesNoCooldown)
{
    auto alice = joinedEngine("uid-alice");
    alice->setLinkTimingForTesting({.firstRetry = 30s, .maxRetry = 30s});
    Diagnostics::LineCapture lines;
    server.kill();
    ASSERT_TRUE(eventually([&] { return lines.contains("WS recv fail"); }));
    EXPECT_FALSE(alice->isLive()) << "not live while it waits to reconnect";

    EXPECT_FALSE(alice->sendPager("pager", QByteArray()));
    EXPECT_FALSE(alice->pagerCooldownRemaining());
    EXPECT_TRUE(lines.contains("[TovrinPager][mac] TX skipped not-live"));
    EXPECT_FALSE(lines.contains("emit FAIL"));
}
