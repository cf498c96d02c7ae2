#include "platform/audio_decoder.h"
#include "platform/audio_recorder.h"
#include "support/audio_fakes.h"
#include "support/tone.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

TEST(AudioRecorder, RecordsAToneFromAnInputIntoAnAacFile)
{
    BufferAudioInput* input = nullptr;
    AudioDevices::InputOverride devices([&](int) {
        auto made = std::make_unique<BufferAudioInput>(48000, tone::sine(1000, 2.0, 48000));
        input = made.get();
        return made;
    });
    QTemporaryDir dir;
    AudioRecorder recorder(dir.filePath("talk.m4a"));
    recorder.setMeteringEnabled(true);
    ASSERT_TRUE(recorder.prepareToRecord()) << recorder.errorText().toStdString();
    ASSERT_TRUE(recorder.record());
    EXPECT_TRUE(recorder.isRecording());
    ASSERT_TRUE(QTest::qWaitFor([&] { return input->exhausted(); }, 5000));
    EXPECT_NEAR(recorder.currentTime(), 2.0, 0.001);
    recorder.updateMeters();
    EXPECT_NEAR(recorder.averagePower(0), -9.03, 0.1);  // a sine of amplitude 0.5

    bool ok = false;
    QObject::connect(&recorder, &AudioRecorder::finished, [&](bool good, const QString&) { ok = good; });
    recorder.stop();
    EXPECT_FALSE(recorder.isRecording());
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder.isFinished(); }, 5000));
    EXPECT_TRUE(ok);

    auto decoder = AudioDecoder::openFile(recorder.path(), 44100);
    const std::vector<float> pcm = decoder->readAll();
    EXPECT_NEAR(double(pcm.size()) / 44100, 2.0, 0.05);
    EXPECT_NEAR(tone::peakFrequency(pcm, 44100), 1000, 25);
}

TEST(AudioRecorder, WithoutAnInputDeviceFailsToPrepare)
{
    AudioDevices::InputOverride devices([](int) { return std::unique_ptr<AudioInputDevice>(); });
    QTemporaryDir dir;
    AudioRecorder recorder(dir.filePath("talk.m4a"));
    EXPECT_FALSE(recorder.prepareToRecord());
    EXPECT_FALSE(recorder.record());
    EXPECT_FALSE(recorder.errorText().isEmpty());
    EXPECT_FALSE(QFile::exists(recorder.path()));
    recorder.stop();
    EXPECT_TRUE(recorder.isFinished());
}

TEST(AudioRecorder, MeterIsSilentWhenOffOrBeforeAnySound)
{
    AudioDevices::InputOverride devices([](int rate) {
        return std::make_unique<BufferAudioInput>(rate, std::vector<float>(rate / 10, 0.0f));
    });
    QTemporaryDir dir;
    AudioRecorder recorder(dir.filePath("talk.m4a"));
    ASSERT_TRUE(recorder.record());
    recorder.updateMeters();
    EXPECT_EQ(recorder.averagePower(0), AudioRecorder::kSilentPower);
    recorder.setMeteringEnabled(true);
    recorder.updateMeters();
    EXPECT_EQ(recorder.averagePower(0), AudioRecorder::kSilentPower);
}
