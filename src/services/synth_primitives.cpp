#include "services/synth_primitives.h"

#include "services/tovrin_voice_bus.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Synth {

namespace {
// Far above any rate the client uses; keeps a bad argument from allocating
// gigabytes.
constexpr double kMaxRate = 384000.0;
constexpr double kShelfQ = 1.414;
}  // namespace

bool isUsableRate(double sampleRate)
{
    return std::isfinite(sampleRate) && sampleRate > 0.0 && sampleRate <= kMaxRate;
}

std::size_t sampleCount(double seconds, double sampleRate)
{
    if (!isUsableRate(sampleRate) || !(seconds > 0.0))
        return 0;
    return std::size_t(seconds * sampleRate);
}

double env(double a, double r, double span, double tau)
{
    return std::min(a * tau, 1.0) * std::min(r * (span - tau), 1.0);
}

double Sweep::advance(double frequency)
{
    phase_ += 2.0 * std::numbers::pi * frequency / sampleRate_;
    return phase_;
}

std::vector<double> toneSequence(double sampleRate, const std::vector<Note>& notes, double gap)
{
    std::vector<double> starts;
    double start = 0.0;
    double length = notes.empty() ? 0.15 : 0.0;
    for (const Note& note : notes) {
        starts.push_back(start);
        length = std::max(length, start + note.duration);
        start = start + (note.duration + gap);
    }
    const std::size_t n = sampleCount(length, sampleRate);
    std::vector<double> out(n);
    Biquad lp = Biquad::lowPass(3800.0, kShelfQ, sampleRate);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = double(i) / sampleRate;
        double x = 0.0;
        for (std::size_t k = 0; k < notes.size(); ++k) {
            const Note& note = notes[k];
            if (t >= starts[k] && t < starts[k] + note.duration) {
                const double tau = t - starts[k];
                x += std::sin(2.0 * std::numbers::pi * note.frequency * tau) * note.amplitude
                     * env(45.0, 35.0, note.duration, tau);
            }
        }
        out[i] = lp.process(x);
    }
    return out;
}

std::vector<std::int16_t> finalize(const std::vector<double>& samples, double sampleRate, TovrinVoiceBus& bus)
{
    const std::vector<double> shaped = bus.processSamples(samples, sampleRate);
    std::vector<std::int16_t> out;
    out.reserve(shaped.size());
    for (double v : shaped) {
        const double scaled = std::clamp(v * 32767.0 * 0.96, -32768.0, 32767.0);
        out.push_back(std::int16_t(std::trunc(scaled)));
    }
    return out;
}

}  // namespace Synth
