#pragma once

#include "platform/audio_input.h"

#include <QTimer>

#include <vector>

// An input fed from a given signal instead of a microphone: it delivers the
// samples in 10 ms pieces at real-time pace, or in 100 ms pieces as fast as
// the event loop runs, then falls silent. Tests and benchmarks hand it to the
// recorder through AudioDevices. GUI thread only.
class BufferAudioInput final : public AudioInputDevice {
    Q_OBJECT
public:
    enum class Pace { realTime, fast };

    BufferAudioInput(int sampleRate, std::vector<float> samples, Pace pace = Pace::fast);
    bool start(Sink sink) override;
    void stop() override;
    bool exhausted() const { return position_ >= samples_.size(); }
    // Samples handed to the sink so far.
    size_t deliveredFrames() const { return delivered_; }

private:
    void deliver();

    std::vector<float> samples_;
    size_t piece_;
    size_t position_ = 0;
    size_t delivered_ = 0;
    Sink sink_;
    QTimer timer_;
};
