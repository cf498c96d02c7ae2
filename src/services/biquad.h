#pragma once

#include <cmath>

// One second-order IIR section in transposed direct form II, with the RBJ
// audio-EQ cookbook designs used by the voice buses and the sound synthesis.
// A plain value: no locking, the owner serialises access.
struct Biquad {
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;
    double z1 = 0.0;
    double z2 = 0.0;

    // Corner (or centre) fc in Hz at `sampleRate`; alpha = sin(w0) / q.
    static Biquad lowPass(double fc, double q, double sampleRate);
    static Biquad highPass(double fc, double q, double sampleRate);
    // Constant 0 dB peak gain band-pass.
    static Biquad bandPass(double fc, double q, double sampleRate);

    // One sample through the section. A non-finite output clears the state
    // and yields 0, so one overflow cannot poison every later sample.
    double process(double x)
    {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        if (!std::isfinite(y)) {
            z1 = z2 = 0.0;
            return 0.0;
        }
        return y;
    }
};
