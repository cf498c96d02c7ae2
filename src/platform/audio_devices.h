#pragma once

#include "platform/audio_input.h"
#include "platform/audio_output.h"

#include <QString>

#include <functional>
#include <memory>

// Where audio streams come from and go to. With a sound server, its default
// sink and source (followed as the user changes them); while there is none, a
// silent stand-in output that keeps time (logged once) and an input that
// fails to start. Tests replace either side for their lifetime. Called on
// the GUI thread; an output then lives on its engine's render thread.
namespace AudioDevices {

using OutputFactory = std::function<std::unique_ptr<AudioOutputDevice>(int sampleRate)>;
using InputFactory = std::function<std::unique_ptr<AudioInputDevice>(int sampleRate)>;

// `name` tells the desktop's mixer what the stream plays.
std::unique_ptr<AudioOutputDevice> openOutput(int sampleRate, const QString& name);
// Null when the sound server has no input device.
std::unique_ptr<AudioInputDevice> openInput(int sampleRate);
// Whether the sound server offers an input (without opening one); false
// while there is no server, which serverAvailable() tells apart. Never waits.
bool hasInput();
// Whether the sound server is there now (any thread, never waits).
bool serverAvailable();

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
