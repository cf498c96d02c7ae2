#include "voice_pipe_harness.h"

#include "platform/audio_decoder.h"
#include "platform/audio_input.h"
#include "platform/diagnostics.h"
#include "services/voice_files.h"

#include <QDir>
#include <QFile>
#include <QCoroFuture>
#include <QFuture>
#include <QPointer>
#include <QPromise>
#include <QRegularExpression>

using namespace std::chrono_literals;

namespace {

QStringList txFiles()
{
    return VoiceFiles::present().filter(QRegularExpression("^tovrin-tx-.*\\.m4a$"));
}

QByteArray joinPayloads(const std::vector<QByteArray>& frames)
{
    QByteArray all;
    for (const QByteArray& f : frames)
        all += f.mid(4);
    return all;
}

}  // namespace

TEST(UtteranceFrames, SplitsTheFirst512000BytesIntoFramesOfAtMost8192)
{
    struct Case {
        qsizetype bytes;
        size_t frames;
        qsizetype lastPayload;
    };
    for (const Case& c : {Case{201, 1, 201}, Case{8192, 1, 8192}, Case{8193, 2, 1}, Case{600000, 63, 4096},
                          Case{512000, 63, 4096}}) {
        QByteArray file(c.bytes, '\0');
        for (qsizetype i = 0; i < file.size(); ++i)
            file[i] = char(i % 251);
        const std::vector<QByteArray> frames = TovrinVoicePipe::uploadFrames(file);
        ASSERT_EQ(frames.size(), c.frames) << c.bytes;
        EXPECT_EQ(frames.back().size() - 4, c.lastPayload) << c.bytes;
        for (const QByteArray& f : frames) {
            EXPECT_TRUE(f.startsWith(QByteArray("\xFF\x51\x46\x02", 4)));
            EXPECT_LE(f.size(), 8196);
        }
        EXPECT_EQ(joinPayloads(frames), file.left(512000)) << c.bytes;
    }
}

TEST(UtteranceFrames, RecognisesMpeg4FilesByTheirFtypBox)
{
    auto with = [](qsizetype size, qsizetype at) {
        QByteArray bytes(size, 'x');
        if (at >= 0)
            bytes.replace(at, 4, "ftyp");
        return bytes;
    };
    EXPECT_FALSE(TovrinVoicePipe::looksLikeM4A(QByteArray(11, 'x')));
    EXPECT_TRUE(TovrinVoicePipe::looksLikeM4A(with(12, 4)));
    EXPECT_TRUE(TovrinVoicePipe::looksLikeM4A(with(100, 63)));
    EXPECT_FALSE(TovrinVoicePipe::looksLikeM4A(with(100, 64)));
    EXPECT_FALSE(TovrinVoicePipe::looksLikeM4A(with(100, -1)));
}

TEST_F(VoicePipeTest, APressRecordsOneAacFileAndUploadsItAfterTheRelease)
{
    Diagnostics::LineCapture lines;
    const Outcome<bool> started = runTask(pipe.beginTalk());
    ASSERT_TRUE(started.ok());
    ASSERT_TRUE(*started.value);
    EXPECT_TRUE(pipe.isTalking());
    const QString id = pipe.utteranceID();
    EXPECT_EQ(id.size(), 36);
    EXPECT_EQ(id, id.toUpper());
    EXPECT_EQ(types(), QStringList{"utterance_open"});
    EXPECT_EQ(sent[0].json.value("sample_rate").toInt(), 44100);
    EXPECT_EQ(txFiles().size(), 1);

    ASSERT_TRUE(microphone.captured());
    ASSERT_FALSE(runVoidTask(pipe.endTalk("")));
    EXPECT_FALSE(pipe.isTalking());
    ASSERT_GE(frames().size(), 1u);
    EXPECT_EQ(types().first(), "utterance_open");
    EXPECT_EQ(types().last(), "utterance_close");
    const Sent close = ofType("utterance_close").front();
    EXPECT_EQ(close.json.value("id").toString(), id);
    EXPECT_EQ(close.json.value("display_name").toString(), "Radio User");

    std::vector<QByteArray> payloads;
    for (const Sent& f : frames())
        payloads.push_back(f.frame);
    const QByteArray file = joinPayloads(payloads);
    EXPECT_TRUE(TovrinVoicePipe::looksLikeM4A(file));
    const std::vector<float> pcm = AudioDecoder::openBytes(file, 44100)->readAll();
    EXPECT_NEAR(double(pcm.size()) / 44100, 1.0, 0.05);
    EXPECT_NEAR(tone::peakFrequency(pcm, 44100), 1000, 25);
    EXPECT_TRUE(txFiles().isEmpty());
    EXPECT_TRUE(lines.contains(QString("[VoicePipe][mac] TX start id=%1 build=1").arg(id.left(8))));
    EXPECT_TRUE(lines.contains(QString("[VoicePipe][mac] TX done chunks=%1 bytes=%2").arg(frames().size()).arg(file.size())));
}

TEST_F(VoicePipeTest, AFailingThirdFrameStopsTheUploadButStillCloses)
{
    microphone.seconds = 3.0;  // about 36 KB: five frames
    binaryAnswer = [](int n) { return n != 3; };
    Diagnostics::LineCapture lines;
    ASSERT_TRUE(*runTask(pipe.beginTalk()).value);
    ASSERT_TRUE(microphone.captured());
    ASSERT_FALSE(runVoidTask(pipe.endTalk("Alice")));
    EXPECT_EQ(frames().size(), 3u);
    EXPECT_EQ(types().last(), "utterance_close");
    EXPECT_TRUE(lines.contains("[VoicePipe][mac] TX chunk FAIL at 16384"));
    EXPECT_EQ(lines.lines().filter("TX done chunks=2 ").size(), 1);
}

TEST_F(VoicePipeTest, WithoutHooksTheUploadFailsAtTheFirstFrameAndNothingIsSent)
{
    pipe.sendJSON = nullptr;
    pipe.sendBinary = nullptr;
    Diagnostics::LineCapture lines;
    ASSERT_TRUE(*runTask(pipe.beginTalk()).value);
    ASSERT_TRUE(microphone.captured());
    ASSERT_FALSE(runVoidTask(pipe.endTalk("Alice")));
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(lines.contains("[VoicePipe][mac] TX chunk FAIL at 0"));
    EXPECT_TRUE(txFiles().isEmpty());
}

TEST_F(VoicePipeTest, DeniedOrFailedStartsAnswerFalse)
{
    {
        RecordPermission::Override denied(RecordPermission::State::denied, false);
        Diagnostics::LineCapture lines;
        EXPECT_FALSE(*runTask(pipe.beginTalk()).value);
        EXPECT_TRUE(lines.contains("[VoicePipe][mac] beginTalk mic DENIED"));
    }
    {
        AudioDevices::InputOverride none([](int) { return std::unique_ptr<AudioInputDevice>(); });
        Diagnostics::LineCapture lines;
        EXPECT_FALSE(*runTask(pipe.beginTalk()).value);
        EXPECT_TRUE(lines.contains("[VoicePipe][mac] recorder FAIL no audio input device"));
    }
    EXPECT_FALSE(pipe.isTalking());
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(txFiles().isEmpty());
    // Nothing under way: an end sends nothing.
    ASSERT_FALSE(runVoidTask(pipe.endTalk("Alice")));
    EXPECT_TRUE(sent.empty());
}

TEST_F(VoicePipeTest, ASecondPressWhileTalkingAnswersFalse)
{
    ASSERT_TRUE(*runTask(pipe.beginTalk()).value);
    const QString id = pipe.utteranceID();
    EXPECT_FALSE(*runTask(pipe.beginTalk()).value);
    EXPECT_EQ(pipe.utteranceID(), id);
    EXPECT_EQ(txFiles().size(), 1);
    pipe.reset();
    EXPECT_TRUE(txFiles().isEmpty());
    EXPECT_EQ(types(), QStringList{"utterance_open"});
}

TEST_F(VoicePipeTest, ANewPressDuringTheStopPauseKeepsBothTalksApart)
{
    ASSERT_TRUE(*runTask(pipe.beginTalk()).value);
    const QString first = pipe.utteranceID();
    ASSERT_TRUE(microphone.captured());
    bool firstDone = false;
    QCoro::connect(pipe.endTalk("Alice"), &pipe, [&] { firstDone = true; });
    // Pressed again inside the 80 ms pause.
    ASSERT_TRUE(*runTask(pipe.beginTalk()).value);
    const QString second = pipe.utteranceID();
    EXPECT_NE(first, second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return firstDone; }, 5000));

    // The first talk uploaded its own file; the second still records into its own.
    const auto closes = ofType("utterance_close");
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].json.value("id").toString(), first);
    EXPECT_GT(frames().size(), 0u);
    EXPECT_EQ(txFiles(), QStringList{QString("tovrin-tx-%1.m4a").arg(second)});
    // The second "utterance_open" went out only after the first talk's close.
    const QStringList order = types();
    EXPECT_EQ(order.indexOf("utterance_open", 1), order.indexOf("utterance_close") + 1) << order.join(",").toStdString();

    ASSERT_FALSE(runVoidTask(pipe.endTalk("Alice")));
    EXPECT_EQ(ofType("utterance_close").back().json.value("id").toString(), second);
    EXPECT_TRUE(txFiles().isEmpty());
}

TEST_F(VoicePipeTest, APressDuringTheUploadRecordsItsOwnTalkWhichGoesOutAfterIt)
{
    // Hold the send lane with a first talk whose upload waits at its first
    // frame until the gate opens, so that the second talk waits to start.
    QPromise<void> gate;
    gate.start();
    bool holding = false;
    pipe.sendBinary = [&, opened = gate.future()](QByteArray frame) -> QCoro::Task<bool> {
        if (!opened.isFinished()) {
            holding = true;
            co_await opened;
        }
        sent.push_back({"frame", {}, frame});
        co_return true;
    };
    ASSERT_TRUE(*runTask(pipe.beginTalk()).value);
    const QString first = pipe.utteranceID();
    ASSERT_TRUE(microphone.captured());
    bool firstDone = false;
    QCoro::connect(pipe.endTalk("Alice"), &pipe, [&] { firstDone = true; });
    ASSERT_TRUE(waitUntil([&] { return holding; }));  // the first upload holds the lane

    ASSERT_TRUE(*runTask(pipe.beginTalk()).value) << "records at once, whatever the lane does";
    const QString second = pipe.utteranceID();
    EXPECT_TRUE(pipe.isTalking());
    EXPECT_FALSE(*runTask(pipe.beginTalk()).value) << "a third press while the second is held";
    ASSERT_TRUE(microphone.captured());
    bool secondDone = false;
    QCoro::connect(pipe.endTalk("Alice"), &pipe, [&] { secondDone = true; });
    gate.finish();
    ASSERT_TRUE(QTest::qWaitFor([&] { return firstDone && secondDone; }, 10000));

    // Each talk's open, frames and close in turn: none of the second's
    // messages slips in before the first's close.
    QStringList order;
    for (const Sent& s : sent)
        order.append(s.type == "frame" ? "frame" : s.type + ":" + s.json.value("id").toString());
    const qsizetype firstClose = order.indexOf("utterance_close:" + first);
    const qsizetype secondOpen = order.indexOf("utterance_open:" + second);
    EXPECT_EQ(order.first(), "utterance_open:" + first);
    EXPECT_EQ(secondOpen, firstClose + 1) << order.join(",").toStdString();
    EXPECT_EQ(order.last(), "utterance_close:" + second);
    EXPECT_GT(firstClose, 1);
    EXPECT_GT(order.size() - 1, secondOpen + 1) << "the second talk sent frames of its own";
    EXPECT_TRUE(txFiles().isEmpty());
}

TEST_F(VoicePipeTest, AReleaseWhileTheOpenWaitsOnASlowSocketStopsTheRecordingThere)
{
    // A microphone at real-time pace, and a socket that takes its time with the open.
    BufferAudioInput* input = nullptr;
    AudioDevices::InputOverride paced([&](int rate) {
        auto made = std::make_unique<BufferAudioInput>(rate, tone::sine(1000, 3.0, rate), BufferAudioInput::Pace::realTime);
        input = made.get();
        return made;
    });
    QPromise<void> socket;
    socket.start();
    pipe.sendJSON = [&](QJsonObject object) -> QCoro::Task<bool> {
        if (object.value("type") == "utterance_open")
            co_await socket.future();
        sent.push_back({object.value("type").toString(), object, {}});
        co_return true;
    };

    ASSERT_TRUE(*runTask(pipe.beginTalk()).value);
    ASSERT_NE(input, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return input->deliveredFrames() >= 24000; }, 5000));
    bool done = false;
    QCoro::connect(pipe.endTalk("Alice"), &pipe, [&] { done = true; });
    const double heldSeconds = double(input->deliveredFrames()) / input->sampleRate();
    EXPECT_FALSE(pipe.isTalking());
    EXPECT_TRUE(sent.empty()) << "the open is still on its way";
    QTimer::singleShot(400ms, [&] { socket.finish(); });  // the socket gets to it later
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));

    std::vector<QByteArray> payloads;
    for (const Sent& f : frames())
        payloads.push_back(f.frame);
    const std::vector<float> pcm = AudioDecoder::openBytes(joinPayloads(payloads), 44100)->readAll();
    EXPECT_NEAR(double(pcm.size()) / 44100, heldSeconds, 0.06) << "nothing recorded after the release";
    EXPECT_EQ(types().first(), "utterance_open");
    EXPECT_EQ(types().last(), "utterance_close");
}

TEST_F(VoicePipeTest, ATalkNobodyEndsIsUploadedByItsOwnTimer)
{
    pipe.setTimingForTesting(400ms, 50ms);
    Diagnostics::LineCapture lines;
    ASSERT_TRUE(*runTask(pipe.beginTalk()).value);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ofType("utterance_close").empty(); }, 5000));
    EXPECT_TRUE(lines.contains("[VoicePipe][mac] auto-end at 0s"));
    EXPECT_EQ(ofType("utterance_close").front().json.value("display_name").toString(), "Radio User");
    const size_t count = sent.size();
    ASSERT_FALSE(runVoidTask(pipe.endTalk("Alice")));  // nothing left to end
    EXPECT_EQ(sent.size(), count);
}

// A microphone whose first samples come only when the test hands them over.
class LateInput final : public AudioInputDevice {
public:
    using AudioInputDevice::AudioInputDevice;
    bool start(Sink sink) override
    {
        sink_ = std::move(sink);
        return true;
    }
    void stop() override { sink_ = nullptr; }
    void deliver()
    {
        const std::vector<float> tone = tone::sine(1000, 0.2, sampleRate());
        if (sink_)
            sink_(tone.data(), int(tone.size()));
    }

private:
    Sink sink_;
};

TEST_F(VoicePipeTest, TheLimitCountsFromTheFirstRecordedSample)
{
    pipe.setTimingForTesting(150ms, 50ms);
    QPointer<LateInput> input;
    AudioDevices::InputOverride late([&](int rate) {
        auto made = std::make_unique<LateInput>(rate);
        input = made.get();
        return made;
    });
    bool recording = false;
    QObject::connect(&pipe, &TovrinVoicePipe::recordingStarted, [&] { recording = true; });
    Diagnostics::LineCapture lines;
    ASSERT_TRUE(*runTask(pipe.beginTalk()).value);
    ASSERT_TRUE(waitPastTimers(150ms));
    EXPECT_FALSE(lines.contains("auto-end")) << "nothing recorded yet: the limit has not begun";
    EXPECT_TRUE(pipe.isTalking());
    EXPECT_FALSE(recording);

    ASSERT_TRUE(input);
    input->deliver();
    EXPECT_TRUE(recording);
    ASSERT_TRUE(waitUntil([&] { return lines.contains("[VoicePipe][mac] auto-end at 0s"); }));
    ASSERT_TRUE(waitUntil([&] { return !ofType("utterance_close").empty(); }));
}

TEST_F(VoicePipeTest, ResetDuringATalkRemovesItsFileAndSendsNothingMore)
{
    ASSERT_TRUE(*runTask(pipe.beginTalk()).value);
    EXPECT_EQ(txFiles().size(), 1);
    pipe.reset();
    EXPECT_FALSE(pipe.isTalking());
    EXPECT_TRUE(txFiles().isEmpty());
    runQueued();
    EXPECT_EQ(types(), QStringList{"utterance_open"});
}
