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

#include <algorithm>

namespace {

QAudioDevice findInput(const QByteArray& id)
{
    for (const QAudioDevice& device : QMediaDevices::audioInputs())
        if (device.id() == id)
            return device;
    return {};
}

bool audible(float sample)
{
    return std::abs(sample) > 0.05f;
}

// How far the heard stream's last audible stretch matches the clip's last
// `span` audible samples, at the best of a few sample offsets (the last
// sample can sit right at the audibility threshold). Samples lost inside the
// stream (a capture overrun on a busy machine) leave the tail alone; a clip
// cut short loses it, and a 1 kHz tone shifted by a whole period still
// differs by far more than the sink's 16-bit rounding.
float tailMismatch(const std::vector<float>& played, const std::vector<float>& heard, int span)
{
    const auto lastAudible = [](const std::vector<float>& samples) {
        const auto it = std::find_if(samples.rbegin(), samples.rend(), audible);
        return std::ptrdiff_t(samples.rend() - it) - 1;
    };
    const std::ptrdiff_t lastPlayed = lastAudible(played);
    const std::ptrdiff_t lastHeard = lastAudible(heard);
    float best = 2.0f;
    for (std::ptrdiff_t offset = -2; offset <= 2; ++offset) {
        float worst = 0.0f;
        for (std::ptrdiff_t j = 0; j < span && worst < best; ++j) {
            const std::ptrdiff_t h = lastHeard + offset - j;
            const std::ptrdiff_t p = lastPlayed - j;
            if (h < 0 || p < 0 || h >= std::ptrdiff_t(heard.size()))
                worst = 2.0f;
            else
                worst = std::max(worst, std::abs(heard[size_t(h)] - played[size_t(p)]));
        }
        best = std::min(best, worst);
    }
    return best;
}

class PulseAudioDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QByteArray server = qgetenv("TOVRIN_CI_PULSE_SERVER");
        if (server.isEmpty())
            GTEST_SKIP() << "no contained PulseAudio daemon (run under scripts/with-pulseaudio)";
        qputenv("PULSE_SERVER", server);
        loop = findInput("ci_loop");
        if (loop.isNull() || QMediaDevices::defaultAudioOutput().isNull())
            GTEST_SKIP() << "the PulseAudio daemon offers no ci_loop input or no output";
    }
    // An AAC file of a 1 kHz tone.
    QString writeClip(double seconds)
    {
        const QString clip = dir.filePath("clip.m4a");
        const std::vector<float> pcm = tone::sine(1000, seconds, 44100);
        AacFileEncoder encoder(clip, 44100);
        encoder.write(pcm.data(), int(pcm.size()));
        encoder.finish();
        return clip;
    }

    // Plays the clip until the player says it finished; null when it did not.
    std::unique_ptr<AudioPlayer> playToTheEnd(const QString& clip)
    {
        QString error;
        auto player = AudioPlayer::fromFile(clip, &error);
        EXPECT_TRUE(player) << error.toStdString();
        bool finished = false;
        if (!player || !player->play())
            return nullptr;
        const auto connection = QObject::connect(player.get(), &AudioPlayer::finished, [&] { finished = true; });
        const bool ended = QTest::qWaitFor([&] { return finished; }, 10000);
        QObject::disconnect(connection);
        EXPECT_TRUE(ended) << "the player never finished";
        return ended ? std::move(player) : nullptr;
    }

    QAudioDevice loop;  // the microphone that hears the speaker
    QTemporaryDir dir;
};

}  // namespace

TEST_F(PulseAudioDevice, AToneSentToTheSpeakerIsRecordedFromTheMicrophone)
{
    const QString clip = writeClip(1.5);

    AudioDevices::InputOverride microphone([&](int rate) { return std::make_unique<QtAudioInput>(loop, rate); });
    auto recorder = std::make_unique<AudioRecorder>(dir.filePath("heard.m4a"));
    ASSERT_TRUE(recorder->record()) << recorder->errorText().toStdString();

    auto player = playToTheEnd(clip);
    ASSERT_TRUE(player);
    // The speaker's tail reaches the microphone a little later.
    const double heardSoFar = recorder->currentTime();
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder->currentTime() >= heardSoFar + 0.3; }, 5000));

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

TEST_F(PulseAudioDevice, AClipIsHeardToItsLastSampleBeforeThePlayerFinishes)
{
    const QString clip = writeClip(1.0);
    // What the player plays, sample for sample.
    const std::vector<float> played = AudioDecoder::openFile(clip, 44100)->readAll();
    ASSERT_TRUE(std::any_of(played.begin(), played.end(), audible));

    std::vector<float> heard;
    auto microphone = std::make_unique<QtAudioInput>(loop, 44100);
    ASSERT_TRUE(microphone->start([&](const float* samples, int frames) { heard.insert(heard.end(), samples, samples + frames); }))
        << microphone->errorText().toStdString();
    // Listening already, so the clip's head is heard too.
    ASSERT_TRUE(QTest::qWaitFor([&] { return heard.size() >= 4410; }, 5000));

    auto player = playToTheEnd(clip);
    ASSERT_TRUE(player);
    // Gone at once, as the voice pipe drops a finished clip: whatever the
    // sound server still held would be lost now.
    player.reset();
    // The microphone hears the speaker a little later: half a second more of it.
    const size_t until = heard.size() + 22050;
    ASSERT_TRUE(QTest::qWaitFor([&] { return heard.size() >= until; }, 5000));
    microphone.reset();

    ASSERT_TRUE(std::any_of(heard.begin(), heard.end(), audible)) << "nothing of the clip was heard";
    // The last 10 ms, to the sample; the sink rounds to 16 bits.
    EXPECT_LT(tailMismatch(played, heard, 441), 0.002f) << "the clip's tail was cut";
}
