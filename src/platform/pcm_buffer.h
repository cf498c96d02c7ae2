#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A block of non-interleaved PCM with its format: int16 or float samples,
// one vector per channel, frameLength of them valid.
struct PcmFormat {
    enum class Sample { int16, float32 };
    Sample sample = Sample::float32;
    double sampleRate = 0;
    int channels = 1;
    bool operator==(const PcmFormat&) const = default;
};

struct PcmBuffer {
    PcmFormat format;
    int frameLength = 0;
    std::vector<std::vector<float>> floatChannels;    // when format.sample is float32
    std::vector<std::vector<int16_t>> int16Channels;  // when format.sample is int16

    // A buffer of capacity frames (all zero, frameLength = capacity).
    static PcmBuffer make(const PcmFormat& format, int capacity);
};
