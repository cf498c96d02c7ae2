// Encoding and decoding cost of one 30 s utterance, as real-time factors
// (seconds of audio per second of work; higher is cheaper). Prints ratios only.
#include "platform/aac_file_encoder.h"
#include "platform/audio_decoder.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

constexpr double kSeconds = 30.0;
constexpr int kInputRate = 48000;
constexpr int kRuns = 3;

// A voice-like signal: a gliding fundamental with harmonics and a syllable envelope.
std::vector<float> utterance()
{
    std::vector<float> pcm(size_t(kSeconds * kInputRate));
    double phase = 0;
    for (size_t i = 0; i < pcm.size(); ++i) {
        const double t = double(i) / kInputRate;
        phase += 2 * std::numbers::pi * (140 + 40 * std::sin(2 * std::numbers::pi * 0.7 * t)) / kInputRate;
        const double envelope = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * 3.1 * t);
        pcm[i] = float(0.3 * envelope * (std::sin(phase) + 0.5 * std::sin(2 * phase) + 0.25 * std::sin(3 * phase)));
    }
    return pcm;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main()
{
    const std::vector<float> pcm = utterance();
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("utterance.m4a");
    std::vector<double> encodeFactors, decodeFactors;
    for (int run = 0; run < kRuns; ++run) {
        auto start = std::chrono::steady_clock::now();
        {
            AacFileEncoder encoder(path, kInputRate);
            constexpr int kChunk = 960;  // 20 ms, as a microphone delivers it
            for (size_t offset = 0; offset < pcm.size(); offset += kChunk)
                encoder.write(pcm.data() + offset, int(std::min<size_t>(kChunk, pcm.size() - offset)));
            encoder.finish();
        }
        encodeFactors.push_back(kSeconds / secondsSince(start));

        start = std::chrono::steady_clock::now();
        const size_t frames = AudioDecoder::openFile(path, 44100)->readAll().size();
        decodeFactors.push_back(kSeconds / secondsSince(start));
        if (frames == 0)
            return 1;
    }
    std::sort(encodeFactors.begin(), encodeFactors.end());
    std::sort(decodeFactors.begin(), decodeFactors.end());
    std::printf("aac encode 30 s utterance: %.1fx real time (median of %d)\n", encodeFactors[kRuns / 2], kRuns);
    std::printf("aac decode 30 s utterance: %.1fx real time (median of %d)\n", decodeFactors[kRuns / 2], kRuns);
    return 0;
}
