#include "services/wav_image.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace {

quint32 u32(const QByteArray& b, int offset)
{
    return qFromLittleEndian<quint32>(b.constData() + offset);
}

quint16 u16(const QByteArray& b, int offset)
{
    return qFromLittleEndian<quint16>(b.constData() + offset);
}

TEST(WavImage, HeaderDescribesMonoSixteenBitPCM)
{
    const std::vector<std::int16_t> samples = {0, 1, -1, 32767, -32768};
    const auto image = WavImage::build(samples, 44100.7);
    ASSERT_TRUE(image);
    const QByteArray& b = *image;
    ASSERT_EQ(b.size(), 44 + 10);
    EXPECT_EQ(b.mid(0, 4), "RIFF");
    EXPECT_EQ(u32(b, 4), 36u + 10u);
    EXPECT_EQ(b.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(u32(b, 16), 16u);
    EXPECT_EQ(u16(b, 20), 1u);
    EXPECT_EQ(u16(b, 22), 1u);
    EXPECT_EQ(u32(b, 24), 44100u);  // truncated
    EXPECT_EQ(u32(b, 28), 88200u);
    EXPECT_EQ(u16(b, 32), 2u);
    EXPECT_EQ(u16(b, 34), 16u);
    EXPECT_EQ(b.mid(36, 4), "data");
    EXPECT_EQ(u32(b, 40), 10u);
    EXPECT_EQ(b.mid(44), QByteArray::fromHex("00000100ffffff7f0080"));
}

TEST(WavImage, SizesThatDoNotFitTheHeaderAreRefused)
{
    char header[WavImage::kHeaderBytes];
    EXPECT_TRUE(WavImage::writeHeader(header, 0xFFFFFFFFull - 36, 16000));
    EXPECT_FALSE(WavImage::writeHeader(header, 0xFFFFFFFFull - 35, 16000));
    EXPECT_TRUE(WavImage::writeHeader(header, 0, 2147483647.0));
    EXPECT_FALSE(WavImage::writeHeader(header, 0, 2147483648.0));
    EXPECT_FALSE(WavImage::writeHeader(header, 0, std::nan("")));
    EXPECT_FALSE(WavImage::build({1, 2}, -1.0));
}

}  // namespace
