#include "platform/audio_devices.h"
#include "platform/diagnostics.h"

#include <QMediaDevices>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Silence final : public AudioRenderer {
public:
    void render(float* out, int frames) override
    {
        std::fill(out, out + frames, 0.0f);
        rendered += frames;
    }
    int rendered = 0;
};

}  // namespace

TEST(AudioDevices, WithoutASoundServerOutputsRunSilentlyAndSaySoOnce)
{
    if (!QMediaDevices::audioOutputs().isEmpty())
        GTEST_SKIP() << "this machine has an audio output";
    Diagnostics::LineCapture lines;
    Silence first, second;
    std::unique_ptr<AudioOutputDevice> a = AudioDevices::openOutput(16000);
    std::unique_ptr<AudioOutputDevice> b = AudioDevices::openOutput(44100);
    ASSERT_TRUE(a->start(&first));
    ASSERT_TRUE(b->start(&second));
    EXPECT_TRUE(a->isRunning());
    // The null device keeps time: a tenth of a second renders about that much.
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.rendered >= 1600 && second.rendered >= 4410; }, 2000));
    // Said once per process, and CTest runs each case in its own process.
    EXPECT_EQ(lines.count("playing silently"), 1);
    a->stop();
    EXPECT_FALSE(a->isRunning());
    EXPECT_FALSE(AudioDevices::openInput(16000)) << "no input without a sound server";
}
