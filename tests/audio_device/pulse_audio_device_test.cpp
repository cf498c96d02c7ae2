// Plays and records through Qt Multimedia on a real sound server: the
// contained PulseAudio daemon of scripts/with-pulseaudio, whose microphone
// "ci_loop" hears its speaker. Skips when that daemon is not running.
#include "platform/aac_file_encoder.h"
#include "platform/audio_decoder.h"
#include "platform/audio_devices.h"
#include "platform/audio_player.h"
#include "platform/audio_recorder.h"
#include "support/tone.h"

#include <QMediaDevices>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QAudioDevice findInput(const QByteArray& id)
{
    for (const QAudioDevice& device : QMediaDevices::audioInputs())
        if (device.id() == id)
            return device;
    return {};
}

}  // namespace

TEST(PulseAudioDevice, AToneSentToTheSpeakerIsRecordedFromTheMicrophone)
{
    const QByteArray server = qgetenv("TOVRIN_CI_PULSE_SERVER");
    if (server.isEmpty())
        GTEST_SKIP() << "no contained PulseAudio daemon (run under scripts/with-pulseaudio)";
    qputenv("PULSE_SERVER", server);

    const QAudioDevice loop = findInput("ci_loop");
    if (loop.isNull() || QMediaDevices::defaultAudioOutput().isNull())
        GTEST_SKIP() << "the PulseAudio daemon offers no ci_loop input or no output";

    QTemporaryDir dir;
    const QString clip = dir.filePath("clip.m4a");
    {
        const std::vector<float> pcm = tone::sine(1000, 1.5, 44100);
        AacFileEncoder encoder(clip, 44100);
        encoder.write(pcm.data(), int(pcm.size()));
        encoder.finish();
    }

    AudioDevices::InputOverride microphone([&](int rate) { return std::make_unique<QtAudioInput>(loop, rate); });
    auto recorder = std::make_unique<AudioRecorder>(dir.filePath("heard.m4a"));
    ASSERT_TRUE(recorder->record()) << recorder->errorText().toStdString();

    QString error;
    auto player = AudioPlayer::fromFile(clip, &error);
    ASSERT_TRUE(player) << error.toStdString();
    bool finished = false;
    QObject::connect(player.get(), &AudioPlayer::finished, [&] { finished = true; });
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 10000));
    QTest::qWait(300);  // the speaker's tail reaches the microphone

    recorder->stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder->isFinished(); }, 5000));
    EXPECT_GT(recorder->currentTime(), 1.0);
    const QString heard = recorder->path();
    // Tear the device objects down before the application goes.
    player.reset();
    recorder.reset();

    const std::vector<float> pcm = AudioDecoder::openFile(heard, 44100)->readAll();
    ASSERT_GT(pcm.size(), 44100u);
    EXPECT_NEAR(tone::peakFrequency(pcm, 44100), 1000, 25);
    EXPECT_GT(tone::rms(pcm), 0.05);
}
