#pragma once

#include "platform/audio_devices.h"
#include "platform/buffer_audio_input.h"

#include <memory>
#include <vector>

// Routes every output stream opened while it lives to null devices that
// record what they play; last() is the most recently opened stream.
class CapturedOutputs {
public:
    CapturedOutputs()
        : override_([this](int sampleRate) {
              streams_.push_back(std::make_shared<PlayedAudio>());
              return std::make_unique<NullAudioOutput>(sampleRate, streams_.back());
          })
    {
    }
    const std::vector<std::shared_ptr<PlayedAudio>>& streams() const { return streams_; }
    std::shared_ptr<PlayedAudio> last() const { return streams_.empty() ? nullptr : streams_.back(); }

private:
    std::vector<std::shared_ptr<PlayedAudio>> streams_;
    AudioDevices::OutputOverride override_;
};
