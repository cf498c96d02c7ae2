#include "platform/audio_devices.h"
#include "platform/diagnostics.h"
#include "platform/pulse_connection.h"

#include <QTest>

#include <gtest/gtest.h>

TEST(AudioDevices, WithoutASoundServerOutputsRunSilentlyAndSaySoOnce)
{
    if (PulseConnection::instance().waitForFirstAnswer(std::chrono::seconds(2)))
        GTEST_SKIP() << "this machine has a sound server";
    Diagnostics::LineCapture lines;
    std::unique_ptr<AudioOutputDevice> a = AudioDevices::openOutput(16000, "Test tone");
    std::unique_ptr<AudioOutputDevice> b = AudioDevices::openOutput(44100, "Test tone");
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
    // Recording is refused at its start, with a reason the caller can report.
    EXPECT_FALSE(AudioDevices::hasInput());
    std::unique_ptr<AudioInputDevice> input = AudioDevices::openInput(16000);
    ASSERT_TRUE(input);
    EXPECT_FALSE(input->start([](const float*, int) {}));
    EXPECT_EQ(input->errorText(), "no sound server");
}
