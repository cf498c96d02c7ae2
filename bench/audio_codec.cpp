// Encoding and decoding cost of one 30 s utterance, as real-time factors
// (seconds of audio per second of work; higher is cheaper), and our decoder
// beside a bare libavcodec loop over the same file in the same run. Prints
// ratios only.
#include "platform/aac_file_encoder.h"
#include "platform/audio_decoder.h"
#include "platform/ffmpeg_util.h"

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
constexpr int kDecodeRounds = 5;

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

// The least any decoder must do: demux, decode, count the samples. Handles
// come from the one factory; nothing is converted or kept.
size_t bareDecode(const QString& path)
{
    ff::InputFormat demuxer = ff::openInput(ff::allocInput().release(), path);
    ff::check(avformat_find_stream_info(demuxer.get(), nullptr), "stream info");
    const AVCodec* codec = nullptr;
    const int stream = ff::check(av_find_best_stream(demuxer.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0), "stream");
    ff::CodecContext context = ff::makeCodecContext(codec);
    ff::check(avcodec_parameters_to_context(context.get(), demuxer->streams[stream]->codecpar), "parameters");
    ff::check(avcodec_open2(context.get(), codec, nullptr), "open");
    ff::Packet packet = ff::makePacket();
    ff::Frame frame = ff::makeFrame();
    size_t samples = 0;
    auto drain = [&] {
        while (avcodec_receive_frame(context.get(), frame.get()) == 0) {
            samples += size_t(frame->nb_samples);
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(demuxer.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream && avcodec_send_packet(context.get(), packet.get()) >= 0)
            drain();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(context.get(), nullptr);
    drain();
    return samples;
}

}  // namespace

int main()
{
    const std::vector<float> pcm = utterance();
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("utterance.m4a");
    std::vector<double> encodeFactors, decodeFactors, bareFactors, ratios;
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

        // Each decoder runs several times in turn, so both see the same cache and clock.
        for (int i = 0; i < kDecodeRounds; ++i) {
            start = std::chrono::steady_clock::now();
            const size_t bare = bareDecode(path);
            const double bareFactor = kSeconds / secondsSince(start);
            start = std::chrono::steady_clock::now();
            const size_t frames = AudioDecoder::openFile(path, 44100)->readAll().size();
            const double ourFactor = kSeconds / secondsSince(start);
            if (frames == 0 || bare == 0)
                return 1;
            bareFactors.push_back(bareFactor);
            decodeFactors.push_back(ourFactor);
            ratios.push_back(ourFactor / bareFactor);
        }
    }
    std::sort(encodeFactors.begin(), encodeFactors.end());
    std::sort(decodeFactors.begin(), decodeFactors.end());
    std::sort(bareFactors.begin(), bareFactors.end());
    std::sort(ratios.begin(), ratios.end());
    const size_t decodes = decodeFactors.size();
    std::printf("aac encode 30 s utterance: %.1fx real time (median of %d)\n", encodeFactors[kRuns / 2], kRuns);
    std::printf("aac decode 30 s utterance: %.1fx real time (median of %zu)\n", decodeFactors[decodes / 2], decodes);
    std::printf("bare libavcodec loop, same file: %.1fx real time (median of %zu)\n", bareFactors[decodes / 2], decodes);
    std::printf("our decode / bare loop: %.2f (median of %zu pairs; target at least 0.8)\n", ratios[decodes / 2], decodes);
    return 0;
}
