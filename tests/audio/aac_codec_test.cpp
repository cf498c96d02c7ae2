#include "platform/aac_file_encoder.h"
#include "platform/audio_decoder.h"
#include "support/tone.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString encodeTone(const QString& path, double seconds, int inputRate, int chunk = 480)
{
    const std::vector<float> pcm = tone::sine(1000, seconds, inputRate);
    AacFileEncoder encoder(path, inputRate);
    for (size_t offset = 0; offset < pcm.size(); offset += size_t(chunk))
        encoder.write(pcm.data() + offset, int(std::min<size_t>(size_t(chunk), pcm.size() - offset)));
    encoder.finish();
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

struct RoundTripCase {
    int inputRate;
    int outputRate;
};

class AacRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(AacRoundTrip, TwoSecondToneKeepsLengthAndPitch)
{
    QTemporaryDir dir;
    const QString path = encodeTone(dir.filePath("tone.m4a"), 2.0, GetParam().inputRate);

    auto decoder = AudioDecoder::openFile(path, GetParam().outputRate);
    EXPECT_NEAR(decoder->duration(), 2.0, 0.05);
    const std::vector<float> pcm = decoder->readAll();
    const double seconds = double(pcm.size()) / GetParam().outputRate;
    EXPECT_NEAR(seconds, 2.0, 0.05);
    EXPECT_NEAR(tone::peakFrequency(pcm, GetParam().outputRate), 1000, 25);
    EXPECT_GT(tone::rms(pcm, pcm.size() / 4, pcm.size() * 3 / 4), 0.25);
}

INSTANTIATE_TEST_SUITE_P(Rates, AacRoundTrip,
                         ::testing::Values(RoundTripCase{44100, 44100}, RoundTripCase{48000, 16000},
                                           RoundTripCase{16000, 48000}));

TEST(AacFile, PassesFfprobeAsAacLcMono44100)
{
    const QString ffprobe = QStandardPaths::findExecutable("ffprobe");
    if (ffprobe.isEmpty())
        GTEST_SKIP() << "ffprobe is not installed (Debian package ffmpeg)";
    QTemporaryDir dir;
    const QString path = encodeTone(dir.filePath("tone.m4a"), 2.0, 48000);

    QProcess probe;
    probe.start(ffprobe, {"-v", "error", "-select_streams", "a:0", "-show_entries",
                          "stream=codec_name,profile,sample_rate,channels,duration", "-of", "default=nw=1", path});
    ASSERT_TRUE(probe.waitForFinished(10000));
    ASSERT_EQ(probe.exitCode(), 0) << probe.readAllStandardError().toStdString();
    const QString out = QString::fromUtf8(probe.readAllStandardOutput());
    EXPECT_TRUE(out.contains("codec_name=aac")) << out.toStdString();
    EXPECT_TRUE(out.contains("profile=LC")) << out.toStdString();
    EXPECT_TRUE(out.contains("sample_rate=44100")) << out.toStdString();
    EXPECT_TRUE(out.contains("channels=1")) << out.toStdString();
    EXPECT_TRUE(out.contains("duration=2.0")) << out.toStdString();
}

TEST(AudioDecoder, DecodesBytesInMemoryLikeTheFile)
{
    QTemporaryDir dir;
    const QString path = encodeTone(dir.filePath("tone.m4a"), 1.0, 44100);
    const std::vector<float> fromFile = AudioDecoder::openFile(path, 16000)->readAll();
    const std::vector<float> fromBytes = AudioDecoder::openBytes(readFile(path), 16000)->readAll();
    EXPECT_EQ(fromFile, fromBytes);
}

TEST(AudioDecoder, ReadsWavPcm)
{
    // 0.5 s of 16 kHz 16-bit mono PCM in a WAV file, written by ffmpeg's own muxer.
    QTemporaryDir dir;
    const QString path = dir.filePath("tone.wav");
    const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    if (ffmpeg.isEmpty())
        GTEST_SKIP() << "ffmpeg is not installed";
    QProcess make;
    make.start(ffmpeg, {"-v", "error", "-f", "lavfi", "-i", "sine=frequency=500:sample_rate=16000:duration=0.5",
                        "-ac", "1", "-c:a", "pcm_s16le", path});
    ASSERT_TRUE(make.waitForFinished(10000));
    ASSERT_EQ(make.exitCode(), 0);

    auto decoder = AudioDecoder::openFile(path, 16000);
    EXPECT_NEAR(decoder->duration(), 0.5, 0.001);
    const std::vector<float> pcm = decoder->readAll();
    EXPECT_EQ(pcm.size(), 8000u);
    EXPECT_NEAR(tone::peakFrequency(pcm, 16000), 500, 25);
}

TEST(AudioDecoder, RejectsBytesThatAreNoAudio)
{
    const QByteArray cases[] = {QByteArray(), QByteArray("not audio at all, just text"), QByteArray(300, '\0')};
    for (const QByteArray& bytes : cases)
        EXPECT_THROW(AudioDecoder::openBytes(bytes, 16000), ff::MediaError) << bytes.size();
}
