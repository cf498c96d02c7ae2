#pragma once

#include "platform/audio_devices.h"

#include <QTimer>

#include <memory>
#include <vector>

// A capture device that delivers a given signal in 10 ms pieces at real-time
// pace, or in 100 ms pieces as fast as the event loop runs, then falls silent (no
// more samples). exhausted() tells when everything was delivered.
class ScriptedInput final : public AudioInputDevice {
public:
    enum class Pace { realTime, fast };

    ScriptedInput(int sampleRate, std::vector<float> samples, Pace pace = Pace::fast)
        : AudioInputDevice(sampleRate), samples_(std::move(samples)),
          piece_(size_t(pace == Pace::realTime ? sampleRate / 100 : sampleRate / 10))
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(pace == Pace::realTime ? 10 : 0);
        QObject::connect(&timer_, &QTimer::timeout, [this] { deliver(); });
    }

    bool start(Sink sink) override
    {
        sink_ = std::move(sink);
        timer_.start();
        return true;
    }
    void stop() override
    {
        timer_.stop();
        sink_ = nullptr;
    }
    bool exhausted() const { return position_ >= samples_.size(); }

private:
    void deliver()
    {
        const size_t n = std::min(piece_, samples_.size() - position_);
        if (n > 0 && sink_)
            sink_(samples_.data() + position_, int(n));
        position_ += n;
        if (exhausted())
            timer_.stop();
    }

    std::vector<float> samples_;
    size_t piece_;
    size_t position_ = 0;
    Sink sink_;
    QTimer timer_;
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
