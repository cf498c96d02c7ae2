#include "services/tovrin_voice_bus.h"

#include <algorithm>
#include <cmath>

namespace {

struct Corners {
    double highPass;
    double presence;
    double lowPass;
};

Corners cornersFor(TovrinBusKind kind)
{
    switch (kind) {
    case TovrinBusKind::transmit:
    case TovrinBusKind::receive:
        return {75.0, 2400.0, 5800.0};
    case TovrinBusKind::sfx:
        return {120.0, 2400.0, 4800.0};
    }
    return {120.0, 2400.0, 4800.0};
}

constexpr double kShelfQ = 1.414;
constexpr double kPresenceQ = 1.7;  // Q 0.85
constexpr std::size_t kLongReceiveBlock = 4500;

}  // namespace

TovrinVoiceBus::TovrinVoiceBus(TovrinBusKind kind)
    : kind_(kind)
{
    design(kCreationRate);
}

void TovrinVoiceBus::design(double sampleRate)
{
    const Corners c = cornersFor(kind_);
    hpf_ = Biquad::highPass(c.highPass, kShelfQ, sampleRate);
    presence_ = Biquad::bandPass(c.presence, kPresenceQ, sampleRate);
    air_ = Biquad::lowPass(c.lowPass, kShelfQ, sampleRate);
    designRate_ = sampleRate;
}

TovrinVoiceBus::Profile TovrinVoiceBus::profileFor(std::size_t blockLength) const
{
    switch (kind_) {
    case TovrinBusKind::transmit:
        return {1.08, 0.22, 2.4, 0.06, 0.12};
    case TovrinBusKind::receive:
        if (blockLength < kLongReceiveBlock)
            return {1.05, 0.32, 1.6, 0.03, 0.24};
        return {1.14, 0.20, 2.2, 0.07, 0.16};
    case TovrinBusKind::sfx:
        break;
    }
    return {1.05, 0.18, 2.0, 0.04, 0.22};
}

std::vector<double> TovrinVoiceBus::processSamples(const std::vector<double>& samples, double sampleRate)
{
    std::lock_guard guard(lock_);
    // Remember the design rate: a block back at 16 kHz after one at 44.1 kHz
    // must not run through filters designed for 44.1 kHz.
    if (std::abs(sampleRate - designRate_) > 1.0)
        design(sampleRate);
    const Profile profile = profileFor(samples.size());
    std::vector<double> out;
    out.reserve(samples.size());
    for (double x : samples)
        out.push_back(processSample(x, profile));
    return out;
}

double TovrinVoiceBus::processSample(double x, const Profile& p)
{
    const double a = hpf_.process(x);
    prev_ += (1.0 - p.smoothing) * (a - prev_);
    double y = prev_;
    env_ = 0.992 * env_ + 0.008 * std::abs(y);
    if (env_ > p.threshold)
        y = y * (p.threshold + (env_ - p.threshold) / p.ratio) / env_;
    const double pres = presence_.process(y);
    const double q = air_.process(p.presenceMix * pres + (1.0 - p.presenceMix) * y);
    double o = p.gain * q;
    o = o < 1.2 ? std::max(o, -1.2) : 1.2;
    return o / (1.0 + 0.22 * std::abs(o));
}

TovrinVoiceBus::Filters TovrinVoiceBus::filters() const
{
    std::lock_guard guard(lock_);
    return {hpf_, presence_, air_, designRate_};
}
