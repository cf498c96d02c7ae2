#include "voice_pipe_harness.h"

#include "platform/aac_file_encoder.h"
#include "platform/diagnostics.h"
#include "support/manual_clock.h"
#include "services/voice_files.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

using namespace std::chrono_literals;

QByteArray aacTone(double seconds, double frequency = 1000)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("clip.m4a");
    const std::vector<float> pcm = tone::sine(frequency, seconds, 44100);
    AacFileEncoder encoder(path, 44100);
    encoder.write(pcm.data(), int(pcm.size()));
    encoder.finish();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray pcmTone(double seconds, double frequency)
{
    QByteArray bytes;
    for (float s : tone::sine(frequency, seconds, 16000)) {
        char two[2];
        qToLittleEndian<qint16>(qint16(s * 32767), two);
        bytes.append(two, 2);
    }
    return bytes;
}

size_t audible(const std::vector<float>& samples)
{
    return size_t(std::count_if(samples.begin(), samples.end(), [](float s) { return std::abs(s) > 0.05f; }));
}

class VoicePipeReceiveTest : public VoicePipeTest {
protected:
    VoicePipeReceiveTest()
    {
        QObject::connect(&pipe, &TovrinVoicePipe::clipStarted, [this](const QString& f) { started.append(f); });
        QObject::connect(&pipe, &TovrinVoicePipe::clipEnded, [this](const QString& f) { ended.append(f); });
        pipe.stopEngines = [this] { ++engineStops; };
    }

    void deliver(const QString& id, const QByteArray& bytes, const QString& format = "aac", qint64 announce = -1)
    {
        pipe.notePlayAnnounce(id, announce < 0 ? bytes.size() : announce, format, "uid-sender-123");
        for (qsizetype offset = 0; offset < bytes.size(); offset += 8000)
            pipe.appendPlayChunk(id, bytes.mid(offset, 8000));
        pipe.notePlayEnd(id);
    }

    QStringList started, ended;
    int engineStops = 0;
};

}  // namespace

TEST_F(VoicePipeReceiveTest, AnAnnouncedClipPlaysToItsEndFromAFileNamedLocally)
{
    Diagnostics::LineCapture lines;
    const QByteArray clip = aacTone(1.2);
    const QString id = "../../etc/evil-ID-0123456789";
    deliver(id, clip);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !started.isEmpty(); }, 3000));
    EXPECT_EQ(engineStops, 1);
    const QString file = started.first();
    EXPECT_TRUE(QFileInfo(file).fileName().startsWith("tovrin-rx-"));
    EXPECT_FALSE(file.contains("evil")) << "never a name taken from the network";
    EXPECT_TRUE(file.endsWith(".m4a"));
    EXPECT_TRUE(lines.contains(QString("[VoicePipe][mac] PLAY announce id=../../et from=uid-send expect=%1 format=aac").arg(clip.size())));
    EXPECT_TRUE(lines.contains(QString("[VoicePipe][mac] PLAY m4a id=../../et bytes=%1 secs=").arg(clip.size())));

    ASSERT_TRUE(QTest::qWaitFor([&] { return !ended.isEmpty(); }, 5000));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_FALSE(pipe.isPlayingClip());
    std::vector<float> heard;
    for (const auto& stream : outputs.streams())
        if (stream->sampleRate == 44100)
            heard.insert(heard.end(), stream->samples.begin(), stream->samples.end());
    // The whole clip was heard, not only as much as a byte-count estimate allows.
    EXPECT_NEAR(double(audible(heard)) / 44100, 1.2 * 0.936, 0.05);
    EXPECT_NEAR(tone::peakFrequency(heard, 44100), 1000, 25);
    EXPECT_TRUE(pipe.collectedBytes(id).isEmpty());
}

TEST_F(VoicePipeReceiveTest, PcmUtterancesPlayAsSixteenKilohertzWav)
{
    deliver("pcm-1", pcmTone(0.5, 600), "PCM16");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ended.isEmpty(); }, 5000));
    EXPECT_TRUE(started.first().endsWith(".wav"));
    std::vector<float> heard;
    for (const auto& stream : outputs.streams())
        heard.insert(heard.end(), stream->samples.begin(), stream->samples.end());
    EXPECT_NEAR(tone::peakFrequency(heard, 44100), 600, 25);
}

TEST_F(VoicePipeReceiveTest, PiecesAndEndsOfUnannouncedUtterancesAreDropped)
{
    Diagnostics::LineCapture lines;
    const QByteArray clip = aacTone(0.3);
    pipe.appendPlayChunk("never-announced", clip);
    pipe.notePlayEnd("never-announced");
    EXPECT_TRUE(pipe.collectedBytes("never-announced").isEmpty());
    runQueued();
    EXPECT_TRUE(started.isEmpty());
    EXPECT_TRUE(lines.lines().isEmpty());
}

TEST_F(VoicePipeReceiveTest, PendingUtterancesAreForgottenWhenTooOld)
{
    ManualClock clock;
    pipe.setClockForTesting(clock.function());
    pipe.notePlayAnnounce("old", 10, "aac", "u");
    pipe.appendPlayChunk("old", "x");
    clock.advance(TovrinVoicePipe::kPendingMaxAge + 1s);
    // A newer announcement sweeps out what never finished in time.
    pipe.notePlayAnnounce("new", 10, "aac", "u");
    pipe.appendPlayChunk("old", "y");
    pipe.appendPlayChunk("new", "z");
    EXPECT_TRUE(pipe.collectedBytes("old").isEmpty());
    EXPECT_EQ(pipe.collectedBytes("new"), "z");
}

TEST_F(VoicePipeReceiveTest, PendingUtterancesAreBoundedInNumber)
{
    for (int i = 0; i < 20; ++i) {
        pipe.notePlayAnnounce(QString("id-%1").arg(i), 10, "aac", "u");
        pipe.appendPlayChunk(QString("id-%1").arg(i), "x");
    }
    int kept = 0;
    for (int i = 0; i < 20; ++i)
        kept += pipe.collectedBytes(QString("id-%1").arg(i)).isEmpty() ? 0 : 1;
    EXPECT_EQ(kept, TovrinVoicePipe::kMaxPendingUtterances);
    EXPECT_FALSE(pipe.collectedBytes("id-19").isEmpty()) << "the newest stay";
    EXPECT_TRUE(pipe.collectedBytes("id-0").isEmpty()) << "the oldest go";
}

TEST_F(VoicePipeReceiveTest, AnnouncementsStartAFreshBufferAndCapIt)
{
    pipe.notePlayAnnounce("a", 0, "aac", "u");
    pipe.appendPlayChunk("a", QByteArray(600000, 'x'));
    EXPECT_EQ(pipe.collectedBytes("a").size(), 512000);
    pipe.notePlayAnnounce("a", 0, "M4A", "u");
    EXPECT_TRUE(pipe.collectedBytes("a").isEmpty());
}

TEST_F(VoicePipeReceiveTest, StragglersAreAwaitedThenAShortClipPlaysWithWhatCame)
{
    const QByteArray clip = aacTone(0.5);
    pipe.notePlayAnnounce("late", clip.size(), "aac", "u");
    pipe.appendPlayChunk("late", clip.left(clip.size() - 100));
    pipe.notePlayEnd("late");
    runQueued();
    EXPECT_TRUE(started.isEmpty()) << "100 bytes missing: still waiting";
    pipe.appendPlayChunk("late", clip.right(100));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !started.isEmpty(); }, 2000));

    // 63 bytes short plays at once: it never waits a straggler step.
    pipe.setTimingForTesting(30s, 1h);
    const QByteArray second = aacTone(0.3);
    pipe.notePlayAnnounce("close", second.size() + 63, "aac", "u");
    pipe.appendPlayChunk("close", second);
    pipe.notePlayEnd("close");
    ASSERT_TRUE(waitUntil([&] { return started.size() == 2; }));
}

TEST_F(VoicePipeReceiveTest, ANewerClipCutsTheOlderOffAndRemovesItsFile)
{
    deliver("first", aacTone(2.0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.size() == 1; }, 3000));
    const QString firstFile = started.first();
    EXPECT_TRUE(QFile::exists(firstFile));
    deliver("second", aacTone(0.3, 700));
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.size() == 2; }, 3000));
    EXPECT_EQ(ended.first(), firstFile);
    EXPECT_FALSE(QFile::exists(firstFile));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.size() == 2; }, 3000));
    EXPECT_FALSE(QFile::exists(started.last()));
}

TEST_F(VoicePipeReceiveTest, BadOrEmptyClipsAreNotPlayed)
{
    Diagnostics::LineCapture lines;
    deliver("bad", QByteArray(5000, 'z'));
    deliver("tiny", "z");
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines.contains("PLAY skip empty id=tiny"); }, 2000));
    EXPECT_TRUE(lines.contains("[VoicePipe][mac] PLAY bad m4a id=bad bytes=5000"));
    EXPECT_TRUE(started.isEmpty());
    EXPECT_EQ(engineStops, 0);
}

TEST_F(VoicePipeReceiveTest, PressingTalkCutsTheClipOff)
{
    deliver("clip", aacTone(2.0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.size() == 1; }, 3000));
    ASSERT_TRUE(*runTask(pipe.beginTalk()).value);
    EXPECT_FALSE(pipe.isPlayingClip());
    EXPECT_FALSE(QFile::exists(started.first()));
    pipe.reset();
}

TEST_F(VoicePipeReceiveTest, NoVoiceIsLeftOnDiskAfterTalkingPlayingACutOffAFailureAndAQuit)
{
    // Talking: the recording is on disk while held and gone once uploaded.
    ASSERT_TRUE(*runTask(pipe.beginTalk()).value);
    EXPECT_EQ(VoiceFiles::present().size(), 1);
    ASSERT_TRUE(microphone.captured());
    ASSERT_FALSE(runVoidTask(pipe.endTalk("Alice")));
    EXPECT_EQ(VoiceFiles::present(), QStringList());

    // A failed upload removes its recording too.
    binaryAnswer = [](int) { return false; };
    ASSERT_TRUE(*runTask(pipe.beginTalk()).value);
    ASSERT_TRUE(microphone.captured());
    ASSERT_FALSE(runVoidTask(pipe.endTalk("Alice")));
    EXPECT_EQ(VoiceFiles::present(), QStringList());

    // Playing: a clip is on disk while it plays and gone once played.
    deliver("played", aacTone(0.3));
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.size() == 1; }, 3000));
    EXPECT_EQ(VoiceFiles::present().size(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.size() == 1; }, 3000));
    EXPECT_EQ(VoiceFiles::present(), QStringList());

    // A cut-off clip goes at once, the one that cut it off once played; a
    // clip dropped as a bad file is never written.
    deliver("long", aacTone(2.0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.size() == 2; }, 3000));
    deliver("dropped", QByteArray(5000, 'z'));
    deliver("short", aacTone(0.3, 700));
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.size() == 3; }, 3000));
    EXPECT_EQ(VoiceFiles::present().size(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.size() == 3; }, 3000));
    EXPECT_EQ(VoiceFiles::present(), QStringList());

    // A quit with a talk held and a clip playing takes both files with it.
    auto other = std::make_unique<TovrinVoicePipe>();
    bool otherPlays = false;
    QObject::connect(other.get(), &TovrinVoicePipe::clipStarted, [&] { otherPlays = true; });
    const QByteArray clip = aacTone(2.0);
    other->notePlayAnnounce("quit", clip.size(), "aac", "u");
    other->appendPlayChunk("quit", clip);
    other->notePlayEnd("quit");
    ASSERT_TRUE(QTest::qWaitFor([&] { return otherPlays; }, 3000));
    ASSERT_TRUE(*runTask(pipe.beginTalk()).value);
    EXPECT_EQ(VoiceFiles::present().size(), 2);
    other.reset();
    pipe.reset();
    EXPECT_EQ(VoiceFiles::present(), QStringList());
}

TEST(VoiceFiles, AStartClearsWhatEndedRunsLeftAndAQuitClearsItsOwn)
{
    const QDir own = QFileInfo(VoiceFiles::path("probe")).dir();
    QDir base = own;
    ASSERT_TRUE(base.cdUp());
    auto leave = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write("voice") == 5;
    };
    // A run that was killed: its folder, with no live holder of its lock.
    ASSERT_TRUE(base.mkpath("killed"));
    ASSERT_TRUE(leave(base.filePath("killed/tovrin-tx-LEFT.m4a")));
    // A run still going holds its lock.
    ASSERT_TRUE(base.mkpath("running"));
    ASSERT_TRUE(leave(base.filePath("running/tovrin-rx-1-1.m4a")));
    QLockFile running(base.filePath("running.lock"));
    ASSERT_TRUE(running.tryLock(0));
    ASSERT_TRUE(leave(VoiceFiles::path("tovrin-rx-2-2.m4a")));

    VoiceFiles::removeLeftovers();
    EXPECT_FALSE(base.exists("killed"));
    EXPECT_TRUE(QFile::exists(base.filePath("running/tovrin-rx-1-1.m4a")));
    EXPECT_EQ(VoiceFiles::present(), QStringList{"tovrin-rx-2-2.m4a"});

    VoiceFiles::removeAll();
    EXPECT_EQ(VoiceFiles::present(), QStringList());
    running.unlock();
    QDir(base.filePath("running")).removeRecursively();
}
