#include "platform/audio_recorder.h"
#include "services/engine_mic_capture.h"
#include "services/ptt_capture_service.h"
#include "services/voice_note_recorder.h"
#include "services/wire_pcm.h"
#include "support/async.h"
#include "support/audio_fakes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

#include <atomic>

namespace {

const PcmFormat kWire{PcmFormat::Sample::int16, 16000, 1};

PcmBuffer floatBlock(double rate, int frames, float value)
{
    PcmBuffer buffer = PcmBuffer::make({PcmFormat::Sample::float32, rate, 1}, frames);
    std::fill(buffer.floatChannels[0].begin(), buffer.floatChannels[0].end(), value);
    return buffer;
}

}  // namespace

TEST(PTTCaptureService, DeliversNothingWithoutATargetAndCallback)
{
    PTTCaptureService capture;
    int calls = 0;
    capture.captureOutput(floatBlock(48000, 480, 0.5f));
    capture.setTarget(kWire, nullptr);
    capture.captureOutput(floatBlock(48000, 480, 0.5f));
    capture.setTarget(std::nullopt, [&](const QByteArray&) { ++calls; });
    capture.captureOutput(floatBlock(48000, 480, 0.5f));
    EXPECT_EQ(calls, 0);
}

TEST(PTTCaptureService, ConvertsCapturedBlocksToWirePcmUntilStopped)
{
    PTTCaptureService capture;
    QByteArray wire;
    capture.setTarget(kWire, [&](const QByteArray& bytes) { wire += bytes; });
    for (int i = 0; i < 10; ++i)
        capture.captureOutput(floatBlock(48000, 4800, 0.5f));
    // One second at 48 kHz becomes about one second at 16 kHz, 2 bytes a sample.
    EXPECT_NEAR(double(wire.size()) / 2, 16000, 100);
    const qint16 middle = qFromLittleEndian<qint16>(wire.constData() + wire.size() / 2);
    EXPECT_NEAR(middle, 16384, 40);

    ASSERT_FALSE(runVoidTask(capture.stop()));
    const qsizetype before = wire.size();
    capture.captureOutput(floatBlock(48000, 4800, 0.5f));
    EXPECT_EQ(wire.size(), before);
}

TEST(PTTCaptureService, StopAsyncOnItsOwnQueueStopsAtOnceAndStopResumesEveryCaller)
{
    PTTCaptureService capture;
    int calls = 0;
    capture.setTarget(kWire, [&](const QByteArray&) { ++calls; });
    std::atomic<int> deliveredOnQueue{-1};
    auto& queue = const_cast<SerialQueue&>(capture.sessionQueue());
    queue.post([&] {
        capture.stopAsync();  // runs here and now: the target is gone right after
        capture.captureOutput(floatBlock(48000, 480, 0.5f));
        deliveredOnQueue = calls;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return deliveredOnQueue.load() >= 0; }, 2000));
    EXPECT_EQ(deliveredOnQueue.load(), 0);

    // Two stops in a row: both callers resume.
    ASSERT_FALSE(runVoidTask(capture.stop()));
    ASSERT_FALSE(runVoidTask(capture.stop()));
    capture.stopAsync();
}

TEST(EngineMicCapture, StopReleasesAHeldCaptureAndIsSafeOnAFreshObject)
{
    EngineMicCapture fresh;
    fresh.stop();
    EXPECT_FALSE(fresh.hasEngine());

    EngineMicCapture tap;
    bool delivered = false;
    auto input = std::make_unique<BufferAudioInput>(16000, std::vector<float>(16000, 0.1f));
    ASSERT_TRUE(input->start([&](const float*, int) { delivered = true; }));
    tap.setEngine(std::move(input));
    tap.stop();
    runQueued();
    EXPECT_FALSE(delivered);
    EXPECT_FALSE(tap.hasEngine());
    EXPECT_EQ(tap.framesEmitted(), 0);
}

TEST(VoiceNoteRecorder, StopClearsAndRemovesTheFileOnlyWhenAsked)
{
    QTemporaryDir dir;
    const QString kept = dir.filePath("kept.m4a"), removed = dir.filePath("removed.m4a");
    for (const QString& path : {kept, removed}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    VoiceNoteRecorder notes;
    notes.stop(true);  // nothing held: only clears
    EXPECT_FALSE(notes.fileURL());

    notes.setRecording(std::make_unique<AudioRecorder>(kept), kept);
    notes.stop(false);
    EXPECT_TRUE(QFile::exists(kept));
    EXPECT_FALSE(notes.hasRecorder());
    EXPECT_FALSE(notes.fileURL());

    notes.setRecording(nullptr, removed);
    notes.stop(true);
    EXPECT_FALSE(QFile::exists(removed));
    notes.setRecording(nullptr, removed);  // already gone: still cleared
    notes.stop(true);
    EXPECT_FALSE(notes.fileURL());
}

TEST(WirePcm, Int16ToFloatPlaybackBuffers)
{
    EXPECT_FALSE(WirePcm::makeFloatPlaybackBuffer(QByteArray("\x01", 1)));
    const auto five = WirePcm::makeFloatPlaybackBuffer(QByteArray("\xFF\x7F\x00\x80\x09", 5));
    ASSERT_TRUE(five);
    EXPECT_EQ(five->frameLength, 2);
    EXPECT_EQ(five->format, WirePcm::playbackFormat());
    EXPECT_FLOAT_EQ(five->floatChannels[0][0], 1.0f);
    EXPECT_FLOAT_EQ(five->floatChannels[0][1], -32768.0f / 32767.0f);
}

TEST(WirePcm, PacksTheFirstChannelAsLittleEndianInt16)
{
    PcmBuffer floats = PcmBuffer::make({PcmFormat::Sample::float32, 16000, 2}, 4);
    floats.floatChannels[0] = {1.5f, -1.5f, 0.49999f, std::nanf("")};
    floats.floatChannels[1] = {0.5f, 0.5f, 0.5f, 0.5f};
    // 32767, -32767, 16383, 32767
    EXPECT_EQ(WirePcm::packWireInt16PCM(floats), QByteArray("\xFF\x7F\x01\x80\xFF\x3F\xFF\x7F", 8));

    PcmBuffer ints = PcmBuffer::make(kWire, 2);
    ints.int16Channels[0] = {-32768, 258};
    EXPECT_EQ(WirePcm::packWireInt16PCM(ints), QByteArray("\x00\x80\x02\x01", 4));

    EXPECT_FALSE(WirePcm::packWireInt16PCM(PcmBuffer::make(kWire, 0)));
}
