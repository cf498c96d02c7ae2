#pragma once

#include "models/alert_sound.h"

#include <cstdint>
#include <vector>

// Renders the twenty pager sounds from fixed recipes (sines, swept tones and
// seeded noise, linear envelopes, second-order filters), finished through the
// shared sound-effect bus into mono signed 16-bit samples.
//
// Threads: any. Everything is local to a call except the shared bus, whose
// lock serialises concurrent renders; its state carries over between renders,
// so two renders of one sound may differ slightly at their start.
namespace AlertSoundSynth {

// 44,100 Hz for local playback, 16,000 Hz for pager frames. An unusable rate
// (not positive, not finite, absurdly high) gives no samples.
std::vector<std::int16_t> generate(AlertSound sound, double sampleRate);

// The recipe alone, before the bus: what generate() finishes. Deterministic.
std::vector<double> render(AlertSound sound, double sampleRate);

}  // namespace AlertSoundSynth
