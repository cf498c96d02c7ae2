#pragma once

#include "services/biquad.h"

#include <cstdint>
#include <vector>

class TovrinVoiceBus;

// Building blocks shared by the synthesised alert sounds and sound effects.
// Pure and local to each render, except finalize(), which goes through a bus.
namespace Synth {

// Samples in a sound of `seconds` at `sampleRate`: the product truncated
// toward zero (0.35 s at 44.1 kHz is 15,434). 0 for an unusable rate.
std::size_t sampleCount(double seconds, double sampleRate);

// Rates a render accepts: positive, finite and not absurdly high.
bool isUsableRate(double sampleRate);

// Linear attack to full level after 1/a s, linear release over the last 1/r s
// of a span of `span` seconds, at time `tau` into it.
double env(double a, double r, double span, double tau);

// The seeded noise generator: each draw steps a 32-bit LCG.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed) {}
    double next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return double(state_ >> 16) / 32767.5 - 1.0;
    }

private:
    std::uint32_t state_;
};

// A swept tone's phase: advanced by 2*pi*f/R before each use.
class Sweep {
public:
    explicit Sweep(double sampleRate) : sampleRate_(sampleRate) {}
    double advance(double frequency);

private:
    double sampleRate_;
    double phase_ = 0.0;
};

struct Note {
    double frequency;  // Hz
    double duration;   // s
    double amplitude;  // linear
};

// Notes one after another with `gap` seconds between them, each with its own
// envelope, low-passed at 3800 Hz. An empty list renders 0.15 s of silence.
std::vector<double> toneSequence(double sampleRate, const std::vector<Note>& notes, double gap);

// The last step of every synthesised sound: through `bus` at the same rate,
// then scaled by 32767 x 0.96 into signed 16-bit samples.
std::vector<std::int16_t> finalize(const std::vector<double>& samples, double sampleRate, TovrinVoiceBus& bus);

}  // namespace Synth
