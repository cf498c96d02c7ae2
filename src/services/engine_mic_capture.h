#pragma once

#include "platform/audio_input.h"

#include <cstdint>
#include <memory>

// The state of a microphone tap on an audio engine. The engine owns one and
// stops it; nothing starts it. GUI thread only.
class EngineMicCapture {
public:
    void stop();

    // Wired up by a capture that starts this tap (none does yet).
    void setEngine(std::unique_ptr<AudioInputDevice> engine) { engine_ = std::move(engine); }
    bool hasEngine() const { return engine_ != nullptr; }
    int32_t framesEmitted() const { return framesEmitted_; }

private:
    std::unique_ptr<AudioInputDevice> engine_;
    int32_t framesEmitted_ = 0;
};
