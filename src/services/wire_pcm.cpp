#include "services/wire_pcm.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace WirePcm {

PcmFormat playbackFormat() { return PcmFormat{PcmFormat::Sample::float32, kSampleRate, 1}; }

std::optional<PcmBuffer> makeFloatPlaybackBuffer(const QByteArray& int16PCM)
{
    const int frames = int(int16PCM.size() / 2);
    if (frames < 1)
        return std::nullopt;
    PcmBuffer buffer = PcmBuffer::make(playbackFormat(), frames);
    const auto* bytes = reinterpret_cast<const uchar*>(int16PCM.constData());
    std::vector<float>& samples = buffer.floatChannels[0];
    for (int i = 0; i < frames; ++i)
        samples[size_t(i)] = float(qFromLittleEndian<qint16>(bytes + 2 * i)) * (1.0f / 32767.0f);
    return buffer;
}

std::optional<QByteArray> packWireInt16PCM(const PcmBuffer& buffer)
{
    const int frames = buffer.frameLength;
    if (frames <= 0 || buffer.format.channels < 1)
        return std::nullopt;
    QByteArray out(qsizetype(frames) * 2, Qt::Uninitialized);
    auto* bytes = reinterpret_cast<uchar*>(out.data());
    if (buffer.format.sample == PcmFormat::Sample::int16) {
        if (buffer.int16Channels.empty() || buffer.int16Channels[0].size() < size_t(frames))
            return std::nullopt;
        for (int i = 0; i < frames; ++i)
            qToLittleEndian<qint16>(buffer.int16Channels[0][size_t(i)], bytes + 2 * i);
    } else {
        if (buffer.floatChannels.empty() || buffer.floatChannels[0].size() < size_t(frames))
            return std::nullopt;
        for (int i = 0; i < frames; ++i) {
            // Full scale maps to ±32767; NaN counts as full scale; truncated toward zero.
            const float x = buffer.floatChannels[0][size_t(i)];
            const float y = (x >= 1.0f || std::isnan(x)) ? 1.0f : std::max(x, -1.0f);
            qToLittleEndian<qint16>(qint16(y * 32767.0f), bytes + 2 * i);
        }
    }
    return out;
}

}  // namespace WirePcm
