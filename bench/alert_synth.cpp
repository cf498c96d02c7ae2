// Cost of rendering the alert sounds (recipe, shared effects bus, 16-bit
// scaling), as real-time factors: seconds of sound per second of work, the
// median over the twenty sounds. Also the slowest sound at each rate, and the
// substitute rendered on the GUI thread at a press. Prints ratios only.
#include "services/alert_sound_synth.h"
#include "services/sfx_substitutes.h"
#include "services/synth_primitives.h"
#include "services/tovrin_audio_pipeline.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 5;

template <class Render>
double realTimeFactor(double rate, Render render)
{
    std::vector<double> factors;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const std::size_t n = render();
        const double spent = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        factors.push_back((double(n) / rate) / spent);
    }
    std::sort(factors.begin(), factors.end());
    return factors[kRuns / 2];
}

}  // namespace

int main()
{
    for (double rate : {44100.0, 16000.0}) {
        std::vector<double> factors;
        double slowest = 1e300;
        QString slowestName;
        for (AlertSound sound : allCases<AlertSound>()) {
            const double f = realTimeFactor(rate, [&] { return AlertSoundSynth::generate(sound, rate).size(); });
            factors.push_back(f);
            if (f < slowest) {
                slowest = f;
                slowestName = rawValue(sound);
            }
        }
        std::sort(factors.begin(), factors.end());
        std::printf("alert render at %.0f Hz: median %.0fx real time, slowest %s %.0fx\n", rate,
                    factors[factors.size() / 2], qPrintable(slowestName), slowest);
    }
    const double squelch = realTimeFactor(44100, [] {
        return Synth::finalize(SFXSubstitutes::render(SFXKind::rxOpen, 44100), 44100, TovrinAudioPipeline::sfxBus())
            .size();
    });
    std::printf("rx_open substitute at 44100 Hz: %.0fx real time\n", squelch);
    return 0;
}
