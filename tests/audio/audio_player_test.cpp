#include "platform/aac_file_encoder.h"
#include "platform/audio_player.h"
#include "support/audio_fakes.h"
#include "support/tone.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString writeToneFile(const QTemporaryDir& dir, double seconds)
{
    const QString path = dir.filePath("clip.m4a");
    const std::vector<float> pcm = tone::sine(1000, seconds, 44100);
    AacFileEncoder encoder(path, 44100);
    encoder.write(pcm.data(), int(pcm.size()));
    encoder.finish();
    return path;
}

size_t soundCount(const std::vector<float>& samples)
{
    return size_t(std::count_if(samples.begin(), samples.end(), [](float s) { return std::abs(s) > 0.05f; }));
}

}  // namespace

TEST(AudioPlayer, PlaysAFileToItsEndAndReportsTheRealDuration)
{
    CapturedOutputs outputs;
    QTemporaryDir dir;
    QString error;
    auto player = AudioPlayer::fromFile(writeToneFile(dir, 0.5), "Clip", &error);
    ASSERT_TRUE(player) << error.toStdString();
    EXPECT_NEAR(player->duration(), 0.5, 0.01);
    bool finished = false;
    QObject::connect(player.get(), &AudioPlayer::finished, [&] { finished = true; });
    player->setVolume(1.0f);
    ASSERT_TRUE(player->prepareToPlay());
    ASSERT_TRUE(player->play());
    EXPECT_TRUE(player->isPlaying());
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 3000));
    EXPECT_FALSE(player->isPlaying());

    const std::vector<float>& played = outputs.last()->samples;
    EXPECT_NEAR(tone::peakFrequency(played, 44100), 1000, 25);
    // Half a second of a sine: about two thirds of its samples are above 0.05 of 0.5.
    EXPECT_NEAR(double(soundCount(played)) / 44100, 0.5 * 0.936, 0.03);
}

TEST(AudioPlayer, VolumeScalesAndStopEndsWithoutFinishing)
{
    CapturedOutputs outputs;
    QTemporaryDir dir;
    auto player = AudioPlayer::fromFile(writeToneFile(dir, 1.0), "Clip", nullptr);
    ASSERT_TRUE(player);
    bool finished = false;
    QObject::connect(player.get(), &AudioPlayer::finished, [&] { finished = true; });
    player->setVolume(0.5f);
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(waitUntil([&] { return outputs.last()->samples.size() >= 4410; }));  // a tenth of it
    player->stop();
    EXPECT_FALSE(player->isPlaying());
    runQueued();
    EXPECT_FALSE(finished);
    const std::vector<float>& played = outputs.last()->samples;
    const float peak = *std::max_element(played.begin(), played.end());
    EXPECT_NEAR(peak, 0.25f, 0.03f);
}

TEST(AudioPlayer, RewindPlaysAgainFromTheStart)
{
    CapturedOutputs outputs;
    QTemporaryDir dir;
    auto player = AudioPlayer::fromFile(writeToneFile(dir, 0.2), "Clip", nullptr);
    ASSERT_TRUE(player);
    int finished = 0;
    QObject::connect(player.get(), &AudioPlayer::finished, [&] { ++finished; });
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished == 1; }, 3000));
    player->rewind();
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished == 2; }, 3000));
    size_t total = 0;
    for (const auto& stream : outputs.streams())
        total += soundCount(stream->samples);
    EXPECT_NEAR(double(total) / 44100, 2 * 0.2 * 0.936, 0.03);
}

TEST(AudioPlayer, PlaysWavBytesFromMemory)
{
    CapturedOutputs outputs;
    // 0.3 s of 16 kHz 16-bit mono PCM behind a 44-byte WAV header.
    const std::vector<float> pcm = tone::sine(800, 0.3, 16000);
    QByteArray wav;
    auto put32 = [&](quint32 v) { for (int i = 0; i < 4; ++i) wav.append(char((v >> (8 * i)) & 0xFF)); };
    auto put16 = [&](quint16 v) { wav.append(char(v & 0xFF)); wav.append(char(v >> 8)); };
    const quint32 bytes = quint32(pcm.size() * 2);
    wav.append("RIFF"); put32(bytes + 36); wav.append("WAVEfmt "); put32(16); put16(1); put16(1);
    put32(16000); put32(32000); put16(2); put16(16); wav.append("data"); put32(bytes);
    for (float s : pcm)
        put16(quint16(qint16(s * 32767)));

    QString error;
    auto player = AudioPlayer::fromBytes(wav, "Clip", &error);
    ASSERT_TRUE(player) << error.toStdString();
    EXPECT_NEAR(player->duration(), 0.3, 0.001);
    bool finished = false;
    QObject::connect(player.get(), &AudioPlayer::finished, [&] { finished = true; });
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 3000));
    EXPECT_NEAR(tone::peakFrequency(outputs.last()->samples, 44100), 800, 25);
}

TEST(AudioPlayer, RefusesBytesThatAreNoAudio)
{
    QString error;
    EXPECT_FALSE(AudioPlayer::fromBytes(QByteArray(500, 'x'), "Clip", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(AudioPlayer::fromFile("/nonexistent/clip.m4a", "Clip", &error));
}
