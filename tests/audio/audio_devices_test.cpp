#include "platform/audio_devices.h"
#include "platform/diagnostics.h"

#include <QMediaDevices>
#include <QTest>

#include <gtest/gtest.h>

TEST(AudioDevices, WithoutASoundServerOutputsRunSilentlyAndSaySoOnce)
{
    if (!QMediaDevices::audioOutputs().isEmpty())
        GTEST_SKIP() << "this machine has an audio output";
    Diagnostics::LineCapture lines;
    std::unique_ptr<AudioOutputDevice> a = AudioDevices::openOutput(16000);
    std::unique_ptr<AudioOutputDevice> b = AudioDevices::openOutput(44100);
    ASSERT_TRUE(a->open());
    ASSERT_TRUE(b->open());
    // The null device keeps time: a tenth of a second asks for about that much.
    ASSERT_TRUE(QTest::qWaitFor([&] { return a->writableFrames() >= 1600 && b->writableFrames() >= 4410; }, 2000));
    std::vector<float> silence(size_t(a->writableFrames()), 0.0f);
    a->write(silence.data(), int(silence.size()));
    EXPECT_EQ(a->playedFrames(), int64_t(silence.size()));
    // Said once per process, and CTest runs each case in its own process.
    EXPECT_EQ(lines.count("playing silently"), 1);
    a->close();
    EXPECT_EQ(a->writableFrames(), 0);
    EXPECT_FALSE(AudioDevices::openInput(16000)) << "no input without a sound server";
}
