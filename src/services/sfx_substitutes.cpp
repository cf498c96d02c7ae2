#include "services/sfx_substitutes.h"

#include "services/alert_sound_synth.h"
#include "services/synth_primitives.h"

#include <algorithm>
#include <cmath>

using namespace Synth;

namespace {

std::vector<double> squelchShwihh(double R)
{
    constexpr double kBurstEnd = 0.06;
    constexpr double kToneStart = 0.08;
    constexpr double kToneSpan = 0.14;

    std::vector<double> out(sampleCount(0.26, R));
    Noise noise(0xC1A55EEDu);
    Biquad band = Biquad::bandPass(1350, 1.5, R);
    Biquad hiss = Biquad::lowPass(3200, 1.414, R);
    Biquad toneFilter = Biquad::lowPass(880, 1.414, R);
    Sweep sweep(R);
    double coloured = 0.0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / R;
        coloured = 0.12 * noise.next() + 0.88 * coloured;
        const double h = hiss.process(band.process(coloured));
        const double e1 = t < kBurstEnd ? env(48, 18, kBurstEnd, t) : 0.0;

        double e2 = 0.0;
        double tone = 0.0;
        const double tau = t - kToneStart;
        if (t >= kToneStart && t < kToneStart + kToneSpan)
            e2 = env(48, 18, kToneSpan, tau);
        if (e2 > 0.0) {
            const double ramp = std::min(tau / kToneSpan, 1.0);
            const double phi = sweep.advance(420 + 640 * ramp);
            tone = ramp * toneFilter.process(std::sin(phi)) * 0.085 * e2;
        }
        out[i] = tone + (e1 * h * 0.36 + h * e2 * 0.28);
    }
    return out;
}

}  // namespace

namespace SFXSubstitutes {

std::vector<double> render(SFXKind kind, double sampleRate)
{
    if (!isUsableRate(sampleRate))
        return {};
    switch (kind) {
    case SFXKind::rxOpen: return squelchShwihh(sampleRate);
    case SFXKind::callTone: return AlertSoundSynth::render(AlertSound::pager, sampleRate);
    case SFXKind::pttEnd: return toneSequence(sampleRate, {{882, 0.09, 0.58}, {660, 0.07, 0.48}}, 0.025);
    }
    return {};
}

}  // namespace SFXSubstitutes
