#include "services/alert_sound_synth.h"

#include "services/synth_primitives.h"
#include "services/tovrin_audio_pipeline.h"

#include <cmath>
#include <functional>
#include <numbers>

using namespace Synth;

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kShelfQ = 1.414;

struct Segment {
    double start;
    double span;
    double pitch = 0.0;
};

// Calls `inside(segment, tau)` for every sample inside a segment; samples
// between segments stay 0 and nothing advances there.
std::vector<double> renderSegments(double seconds, double R, const std::vector<Segment>& segments,
                                   const std::function<double(const Segment&, double)>& inside)
{
    std::vector<double> out(sampleCount(seconds, R), 0.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / R;
        for (const Segment& s : segments) {
            if (t >= s.start && t < s.start + s.span) {
                out[i] = inside(s, t - s.start);
                break;
            }
        }
    }
    return out;
}

// One value per sample of a whole-length sound, from its time t.
std::vector<double> renderWhole(double seconds, double R, const std::function<double(double)>& at)
{
    std::vector<double> out(sampleCount(seconds, R));
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = at(double(i) / R);
    return out;
}

std::vector<double> pagerTone(double R)
{
    Biquad lp = Biquad::lowPass(4200, kShelfQ, R);
    return renderWhole(0.42, R, [&](double t) {
        const double x = 0.4 * (std::sin(kTwoPi * 1006.4 * t) + std::sin(kTwoPi * 1218.5 * t)) * env(180, 14, 0.42, t);
        return lp.process(x);
    });
}

std::vector<double> meow(double R)
{
    Biquad lp = Biquad::lowPass(2800, kShelfQ, R);
    Sweep sweep(R);
    return renderWhole(0.38, R, [&](double t) {
        const double phi = sweep.advance(620 - 420 * t + 35 * std::sin(28 * t));
        const double x = env(30, 8, 0.38, t) * (0.55 * std::sin(phi) + 0.12 * std::sin(2.1 * phi));
        return lp.process(x);
    });
}

std::vector<double> bark(double R)
{
    Biquad lp = Biquad::lowPass(900, kShelfQ, R);
    Noise noise(3334);
    return renderSegments(0.38, R, {{0, 0.07}, {0.11, 0.08}, {0.24, 0.09}}, [&](const Segment& s, double tau) {
        const double raw = 0.35 * std::sin(kTwoPi * 180 * tau) + 0.65 * noise.next();
        return env(80, 40, s.span, tau) * lp.process(raw);
    });
}

std::vector<double> alienWarble(double R)
{
    Sweep sweep(R);
    return renderWhole(0.55, R, [&](double t) {
        const double phi = sweep.advance(320 + 180 * std::sin(18 * t) + 90 * std::sin(7 * t));
        return env(12, 6, 0.55, t) * (0.45 * std::sin(phi) + 0.25 * std::sin(1.7 * phi));
    });
}

std::vector<double> laughBurst(double R)
{
    Biquad bp = Biquad::bandPass(900, 1.6, R);
    const std::vector<Segment> syllables = {
        {0, 0.07, 520}, {0.09, 0.07, 560}, {0.17, 0.07, 600}, {0.26, 0.07, 640}, {0.36, 0.07, 680},
    };
    return renderSegments(0.48, R, syllables, [&](const Segment& s, double tau) {
        const double x = std::sin(kTwoPi * s.pitch * tau) * env(60, 35, 0.07, tau) * 0.55;
        return bp.process(x);
    });
}

std::vector<double> sonicBoom(double R)
{
    Biquad lp = Biquad::lowPass(280, kShelfQ, R);
    Noise noise(0xB0000001u);
    return renderWhole(0.45, R, [&](double t) {
        const double y = lp.process(noise.next());
        const double e = env(35, 4, 0.45, t);
        return 0.85 * e * y + 0.45 * e * std::sin(kTwoPi * (90 - 60 * t) * t);
    });
}

std::vector<double> gunBurst(double R)
{
    Biquad bp = Biquad::bandPass(1200, 1.2, R);
    Noise noise(0xA4700001u);
    std::vector<Segment> shots;
    for (int k = 0; k < 5; ++k)
        shots.push_back({k * 0.07, 0.04});
    return renderSegments(0.40, R, shots, [&](const Segment& s, double tau) {
        return 0.75 * env(200, 80, s.span, tau) * bp.process(noise.next());
    });
}

std::vector<double> engineRev(double R)
{
    Biquad lp = Biquad::lowPass(1400, kShelfQ, R);
    Noise noise(0xCA000001u);
    Sweep sweep(R);
    return renderWhole(0.55, R, [&](double t) {
        const double phi = sweep.advance(80 + 420 * t);
        const double raw = 0.25 * noise.next() + 0.35 * std::sin(phi);
        return env(8, 5, 0.55, t) * lp.process(raw);
    });
}

std::vector<double> jetPass(double R, bool high)
{
    const double length = high ? 0.65 : 0.85;
    Biquad lp = Biquad::lowPass(high ? 2400 : 1600, kShelfQ, R);
    Noise noise(high ? 0x4A000001u : 0x4B000001u);
    Sweep sweep(R);
    return renderWhole(length, R, [&](double t) {
        const double s = std::sin(std::numbers::pi * t / length);
        const double phi = sweep.advance(high ? 900 + 700 * s : 520 + 380 * s);
        const double raw = 0.15 * std::sin(phi) + 0.55 * noise.next();
        return 0.7 * s * lp.process(raw);
    });
}

std::vector<double> moo(double R)
{
    Biquad lp = Biquad::lowPass(600, kShelfQ, R);
    Sweep sweep(R);
    return renderWhole(0.72, R, [&](double t) {
        const double phi = sweep.advance(115 + 25 * std::sin(4.5 * t));
        return lp.process(0.62 * std::sin(phi) * env(6, 4, 0.72, t));
    });
}

std::vector<double> birdChirps(double R)
{
    const std::vector<Segment> chirps = {
        {0.02, 0.08, 2800}, {0.14, 0.07, 3200}, {0.26, 0.09, 2600}, {0.38, 0.06, 3400},
    };
    return renderSegments(0.52, R, chirps, [](const Segment& s, double tau) {
        return 0.35 * std::sin(kTwoPi * s.pitch * tau) * env(80, 50, s.span, tau);
    });
}

std::vector<double> scratchNoise(double R)
{
    Biquad hp = Biquad::highPass(1800, kShelfQ, R);
    Noise noise(0x5C000001u);
    return renderWhole(0.35, R, [&](double t) { return 0.55 * env(20, 12, 0.35, t) * hp.process(noise.next()); });
}

std::vector<double> chalkSqueak(double R)
{
    Sweep sweep(R);
    return renderWhole(0.42, R, [&](double t) {
        const double phi = sweep.advance(2200 + 600 * std::sin(55 * t));
        return env(15, 10, 0.42, t) * (0.42 * std::sin(phi) + 0.18 * std::sin(2.3 * phi));
    });
}

std::vector<double> sirenWail(double R)
{
    Sweep sweep(R);
    return renderWhole(0.60, R, [&](double t) {
        const double phi = sweep.advance(680 + 280 * std::sin(12 * t));
        return 0.5 * env(10, 6, 0.60, t) * std::sin(phi);
    });
}

std::vector<double> whistleTone(double R)
{
    Sweep sweep(R);
    return renderWhole(0.40, R, [&](double t) {
        const double phi = sweep.advance(1800 + 400 * t);
        return 0.48 * env(25, 8, 0.40, t) * std::sin(phi);
    });
}

std::vector<double> drumHit(double R)
{
    Biquad lp = Biquad::lowPass(220, kShelfQ, R);
    Noise noise(0xD0000001u);
    return renderWhole(0.28, R, [&](double t) { return 0.85 * env(120, 14, 0.28, t) * lp.process(noise.next()); });
}

}  // namespace

namespace AlertSoundSynth {

std::vector<double> render(AlertSound sound, double R)
{
    if (!isUsableRate(R))
        return {};
    switch (sound) {
    case AlertSound::pager: return pagerTone(R);
    case AlertSound::cat: return meow(R);
    case AlertSound::dog: return bark(R);
    case AlertSound::alien: return alienWarble(R);
    case AlertSound::horn: return toneSequence(R, {{420, 0.22, 0.62}, {380, 0.18, 0.55}}, 0.02);
    case AlertSound::laugh: return laughBurst(R);
    case AlertSound::whatsUp:
        return toneSequence(R, {{440, 0.06, 0.5}, {520, 0.06, 0.48}, {380, 0.08, 0.52}, {620, 0.1, 0.55}}, 0.04);
    case AlertSound::sonicBoom: return sonicBoom(R);
    case AlertSound::ak47: return gunBurst(R);
    case AlertSound::fastCar: return engineRev(R);
    case AlertSound::airplane: return jetPass(R, false);
    case AlertSound::fighterJet: return jetPass(R, true);
    case AlertSound::cow: return moo(R);
    case AlertSound::birds: return birdChirps(R);
    case AlertSound::scratch: return scratchNoise(R);
    case AlertSound::chalk: return chalkSqueak(R);
    case AlertSound::bell: return toneSequence(R, {{880, 0.35, 0.55}, {1760, 0.25, 0.22}}, 0.0);
    case AlertSound::siren: return sirenWail(R);
    case AlertSound::whistle: return whistleTone(R);
    case AlertSound::drum: return drumHit(R);
    }
    return {};
}

std::vector<std::int16_t> generate(AlertSound sound, double sampleRate)
{
    if (!isUsableRate(sampleRate))
        return {};
    return finalize(render(sound, sampleRate), sampleRate, TovrinAudioPipeline::sfxBus());
}

}  // namespace AlertSoundSynth
