#pragma once

#include "platform/audio_devices.h"
#include "platform/buffer_audio_input.h"
#include "support/async.h"
#include "support/tone.h"

#include <QPointer>

#include <functional>

#include <csignal>

#include <memory>
#include <vector>

// Routes every input opened while it lives to a microphone that delivers a
// sine tone of `seconds` (as fast as the event loop runs), then silence.
class ToneMicrophone {
public:
    ToneMicrophone(double frequency, double seconds) : seconds(seconds), frequency_(frequency) {}

    // Waits until the newest input has delivered the whole tone: the recorder has it all.
    bool captured() const
    {
        return waitUntil([this] { return input_ && input_->exhausted(); });
    }

    double seconds;  // for inputs opened from now on

private:
    double frequency_;
    QPointer<BufferAudioInput> input_;
    AudioDevices::InputOverride override_{[this](int rate) {
        auto input = std::make_unique<BufferAudioInput>(rate, tone::sine(frequency_, seconds, rate));
        input_ = input.get();
        return input;
    }};
};

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

// An output that only answers open() (on the render thread) and plays nothing.
class OpenOnlyOutput final : public AudioOutputDevice {
public:
    OpenOnlyOutput(int rate, std::function<bool()> open, const QString& error = {})
        : AudioOutputDevice(rate), open_(std::move(open))
    {
        errorText_ = error;
    }
    bool open() override { return open_(); }
    void close() override {}
    int writableFrames() override { return 0; }
    void write(const float*, int) override {}
    int64_t playedFrames() override { return 0; }
    int bufferFrames() const override { return sampleRate() / 20; }
    void suspend() override {}
    void resume() override {}

private:
    std::function<bool()> open_;
};

// Whether the calling thread has an alternate signal stack switched on.
inline bool threadHasSignalStack()
{
    stack_t current = {};
    return ::sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE);
}
