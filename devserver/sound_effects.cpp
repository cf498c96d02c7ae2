#include "sound_effects.h"

#include <QHash>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace SoundEffects {
namespace {

constexpr int kSampleRate = 44100;

// One tone segment: frequency in Hz (0 = silence) and length in milliseconds.
struct Segment {
    double frequency;
    int milliseconds;
};

std::vector<qint16> render(std::initializer_list<Segment> segments)
{
    std::vector<qint16> samples;
    for (const Segment& segment : segments) {
        const int count = kSampleRate * segment.milliseconds / 1000;
        const int fade = std::min(count / 2, kSampleRate / 200);  // 5 ms, no clicks
        for (int i = 0; i < count; ++i) {
            const double envelope = std::min({1.0, double(i) / std::max(fade, 1), double(count - i) / std::max(fade, 1)});
            const double value = std::sin(2.0 * std::numbers::pi * segment.frequency * i / kSampleRate);
            samples.push_back(qint16(std::lround(value * envelope * 0.5 * 32767.0)));
        }
    }
    return samples;
}

void appendBig32(QByteArray& out, quint32 v)
{
    char bytes[4];
    qToBigEndian(v, bytes);
    out.append(bytes, 4);
}

void appendBig64(QByteArray& out, quint64 v)
{
    char bytes[8];
    qToBigEndian(v, bytes);
    out.append(bytes, 8);
}

// A Core Audio Format file: file header, "desc" chunk, "data" chunk; all big-endian.
QByteArray wrapAsCaf(const std::vector<qint16>& samples)
{
    QByteArray out("caff");
    out.append(char(0)).append(char(1));  // version 1
    out.append(char(0)).append(char(0));  // flags

    out.append("desc");
    appendBig64(out, 32);
    const double rate = kSampleRate;
    quint64 rateBits;
    std::memcpy(&rateBits, &rate, sizeof rateBits);
    appendBig64(out, rateBits);
    out.append("lpcm");
    appendBig32(out, 0);   // format flags: signed integer, big-endian
    appendBig32(out, 2);   // bytes per packet
    appendBig32(out, 1);   // frames per packet
    appendBig32(out, 1);   // channels per frame
    appendBig32(out, 16);  // bits per channel

    out.append("data");
    appendBig64(out, 4 + 2 * quint64(samples.size()));
    appendBig32(out, 0);  // edit count
    for (qint16 sample : samples) {
        char bytes[2];
        qToBigEndian(sample, bytes);
        out.append(bytes, 2);
    }
    return out;
}

QHash<QString, QByteArray> makeFiles()
{
    return {
        {QStringLiteral("rx_open"), wrapAsCaf(render({{1200, 40}, {1800, 60}}))},
        {QStringLiteral("call_tone"), wrapAsCaf(render({{880, 150}, {0, 50}, {1320, 150}}))},
        {QStringLiteral("ptt_end"), wrapAsCaf(render({{1600, 50}, {1000, 70}}))},
    };
}

}  // namespace

std::optional<QByteArray> file(const QString& kind)
{
    static const QHash<QString, QByteArray> files = makeFiles();
    auto it = files.constFind(kind);
    if (it == files.constEnd())
        return std::nullopt;
    return *it;
}

}  // namespace SoundEffects
