#pragma once

#include "services/tovrin_voice_bus.h"

// The shared voice buses, each created once on first use (safe from any
// thread) and kept for the life of the process.
namespace TovrinAudioPipeline {

// Shapes received voice; the channel engine only sets its bypassProcessing.
TovrinVoiceBus& receiveBus();
// The last step of every synthesised alert sound and sound effect.
TovrinVoiceBus& sfxBus();

}  // namespace TovrinAudioPipeline
