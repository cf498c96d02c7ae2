#pragma once

#include "models/sfx_kind.h"

#include <vector>

// Locally synthesised stand-ins for the server's sound effects, played until a
// download has produced a playable file. Pure; any thread. The caller finishes
// them through the shared effects bus (Synth::finalize) like an alert sound.
namespace SFXSubstitutes {

// rxOpen: a 0.26 s squelch burst with a rising tone; callTone: the pager
// alert; pttEnd: two falling notes, 0.185 s.
std::vector<double> render(SFXKind kind, double sampleRate);

}  // namespace SFXSubstitutes
