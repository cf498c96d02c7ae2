#include "services/wav_image.h"

#include <QtEndian>

#include <cmath>
#include <cstring>

namespace WavImage {

bool writeHeader(char* base, std::uint64_t dataBytes, double sampleRate)
{
    if (!std::isfinite(sampleRate) || sampleRate < 0.0 || sampleRate >= 2147483648.0)
        return false;
    if (dataBytes + 36 > 0xFFFFFFFFull)
        return false;
    const auto rate = std::uint32_t(sampleRate);  // truncated
    auto u32 = [base](int offset, std::uint32_t v) { qToLittleEndian(v, base + offset); };
    auto u16 = [base](int offset, std::uint16_t v) { qToLittleEndian(v, base + offset); };
    std::memcpy(base, "RIFF", 4);
    u32(4, std::uint32_t(dataBytes + 36));
    std::memcpy(base + 8, "WAVEfmt ", 8);
    u32(16, 16);
    u16(20, 1);  // PCM
    u16(22, 1);  // mono
    u32(24, rate);
    u32(28, rate * 2u);
    u16(32, 2);
    u16(34, 16);
    std::memcpy(base + 36, "data", 4);
    u32(40, std::uint32_t(dataBytes));
    return true;
}

std::optional<QByteArray> build(const std::vector<std::int16_t>& samples, double sampleRate)
{
    const std::uint64_t dataBytes = 2ull * samples.size();
    QByteArray image(kHeaderBytes, '\0');
    if (!writeHeader(image.data(), dataBytes, sampleRate))
        return std::nullopt;
    image.reserve(qsizetype(kHeaderBytes + dataBytes));
    for (std::int16_t s : samples) {
        char le[2];
        qToLittleEndian(s, le);
        image.append(le, 2);
    }
    return image;
}

}  // namespace WavImage
