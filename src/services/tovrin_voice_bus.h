#pragma once

#include "services/biquad.h"

#include <atomic>
#include <mutex>
#include <vector>

enum class TovrinBusKind { transmit, receive, sfx };

// A fixed tone-shaping chain for mono double samples in -1..1: high-pass,
// one-pole smoother, envelope compressor, presence band-pass blended back,
// low-pass "air", make-up gain and a soft clip (output within about +-0.95).
//
// Threads: built on any thread; processSamples() may be called from any
// thread and holds the bus's own lock for the whole block, so blocks never
// interleave. Filter and level state carry over from block to block.
class TovrinVoiceBus {
public:
    static constexpr double kCreationRate = 16000.0;

    explicit TovrinVoiceBus(TovrinBusKind kind);
    TovrinVoiceBus(const TovrinVoiceBus&) = delete;
    TovrinVoiceBus& operator=(const TovrinVoiceBus&) = delete;

    TovrinBusKind kind() const { return kind_; }

    // Processes one block at `sampleRate`. When the rate differs by more than
    // 1 Hz from the rate the filters were last designed for, they are
    // redesigned for it and their state cleared; the level state is kept.
    std::vector<double> processSamples(const std::vector<double>& samples, double sampleRate);

    // Set by the channel engine on connect; processing does not consult it.
    std::atomic<bool> bypassProcessing{false};

    // For tests: the filters as they stand and the rate they were designed for.
    struct Filters {
        Biquad hpf, presence, air;
        double designRate;
    };
    Filters filters() const;

private:
    struct Profile {
        double gain;
        double threshold;
        double ratio;
        double presenceMix;
        double smoothing;
    };

    void design(double sampleRate);
    Profile profileFor(std::size_t blockLength) const;
    double processSample(double x, const Profile& p);

    mutable std::mutex lock_;
    const TovrinBusKind kind_;
    Biquad hpf_;
    Biquad presence_;
    Biquad air_;
    double env_ = 0.0;
    double prev_ = 0.0;
    double designRate_ = kCreationRate;
};
