#pragma once

#include "platform/ffmpeg_util.h"

#include <QString>

#include <vector>

// Mono float PCM at any rate -> AAC-LC, 44,100 Hz, mono, 96,000 bit/s in an
// MPEG-4 (.m4a) file. Synchronous: one thread builds it, feeds it, finishes
// it and destroys it (the recorder's worker). Throws ff::MediaError.
class AacFileEncoder {
public:
    static constexpr int kSampleRate = 44100;
    static constexpr int kBitRate = 96000;

    AacFileEncoder(const QString& path, int inputRate);
    ~AacFileEncoder();
    AacFileEncoder(const AacFileEncoder&) = delete;
    AacFileEncoder& operator=(const AacFileEncoder&) = delete;

    void write(const float* samples, int frames);
    // Drains the resampler and the encoder and writes the trailer. Once only.
    void finish();

private:
    void resample(const float* samples, int frames);
    void encodePending(bool final);
    void encodeFrame(const float* samples, int frames);
    void drainPackets();

    ff::OutputFormat muxer_;
    ff::CodecContext codec_;
    ff::Resampler resampler_;
    ff::Frame frame_;
    ff::Packet packet_;
    AVStream* stream_ = nullptr;
    std::vector<float> pending_;
    std::vector<float> scratch_;
    int64_t nextPts_ = 0;
    bool finished_ = false;
};
