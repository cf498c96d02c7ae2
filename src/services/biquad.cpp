#include "services/biquad.h"

#include <cmath>
#include <numbers>

namespace {

struct Design {
    double c;
    double alpha;
    double a0;
};

Design design(double fc, double q, double sampleRate)
{
    const double w0 = 2.0 * std::numbers::pi * fc / sampleRate;
    const double alpha = std::sin(w0) / q;
    return {std::cos(w0), alpha, 1.0 + alpha};
}

Biquad make(const Design& d, double b0, double b1, double b2)
{
    Biquad f;
    f.b0 = b0 / d.a0;
    f.b1 = b1 / d.a0;
    f.b2 = b2 / d.a0;
    f.a1 = -2.0 * d.c / d.a0;
    f.a2 = (1.0 - d.alpha) / d.a0;
    return f;
}

}  // namespace

Biquad Biquad::lowPass(double fc, double q, double sampleRate)
{
    const Design d = design(fc, q, sampleRate);
    const double b0 = (1.0 - d.c) * 0.5;
    return make(d, b0, 1.0 - d.c, b0);
}

Biquad Biquad::highPass(double fc, double q, double sampleRate)
{
    const Design d = design(fc, q, sampleRate);
    const double b0 = (1.0 + d.c) * 0.5;
    return make(d, b0, -(1.0 + d.c), b0);
}

Biquad Biquad::bandPass(double fc, double q, double sampleRate)
{
    const Design d = design(fc, q, sampleRate);
    return make(d, d.alpha, 0.0, -d.alpha);
}
