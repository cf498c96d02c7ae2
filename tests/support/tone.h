#pragma once

#include <cmath>
#include <numbers>
#include <vector>

// Synthetic test signals and a small single-bin DFT (Goertzel) to find where
// a signal's energy lies, so audio tests check pitch without an FFT library.
namespace tone {

inline std::vector<float> sine(double frequency, double seconds, int sampleRate, float amplitude = 0.5f)
{
    std::vector<float> samples(size_t(std::lround(seconds * sampleRate)));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = amplitude * float(std::sin(2 * std::numbers::pi * frequency * double(i) / sampleRate));
    return samples;
}

// Power of one frequency over the samples (Goertzel).
inline double power(const std::vector<float>& samples, double frequency, int sampleRate)
{
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / sampleRate);
    double previous = 0, beforePrevious = 0;
    for (float sample : samples) {
        const double current = sample + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    return previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
}

// The frequency between low and high (in steps) that holds the most power.
inline double peakFrequency(const std::vector<float>& samples, int sampleRate, double low = 100, double high = 4000,
                            double step = 25)
{
    double best = low, bestPower = -1;
    for (double f = low; f <= high; f += step) {
        const double p = power(samples, f, sampleRate);
        if (p > bestPower) {
            bestPower = p;
            best = f;
        }
    }
    return best;
}

inline double rms(const std::vector<float>& samples, size_t from = 0, size_t to = SIZE_MAX)
{
    to = std::min(to, samples.size());
    if (from >= to)
        return 0;
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(to - from));
}

}  // namespace tone
