#pragma once

#include "platform/audio_input.h"
#include "platform/audio_output.h"

#include <functional>
#include <memory>

// Where audio streams come from and go to. With a sound server, Qt
// Multimedia devices; without one, a null output that keeps time (logged once)
// and no input. Tests replace either side for their lifetime. Called on the GUI thread;
// an output then lives on its engine's render thread.
namespace AudioDevices {

using OutputFactory = std::function<std::unique_ptr<AudioOutputDevice>(int sampleRate)>;
using InputFactory = std::function<std::unique_ptr<AudioInputDevice>(int sampleRate)>;

std::unique_ptr<AudioOutputDevice> openOutput(int sampleRate);
// Null when the system has no input device.
std::unique_ptr<AudioInputDevice> openInput(int sampleRate);
// Whether the system lists an input device (without opening one).
bool hasInput();

// Test seam: while one lives, openOutput (or openInput) uses its factory.
template <class Factory>
class Override {
public:
    explicit Override(Factory factory);
    ~Override();
    Override(const Override&) = delete;
    Override& operator=(const Override&) = delete;

private:
    Factory previous_;
};
using OutputOverride = Override<OutputFactory>;
using InputOverride = Override<InputFactory>;

}  // namespace AudioDevices
