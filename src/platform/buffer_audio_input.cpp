#include "platform/buffer_audio_input.h"

#include <algorithm>

BufferAudioInput::BufferAudioInput(int sampleRate, std::vector<float> samples, Pace pace)
    : AudioInputDevice(sampleRate), samples_(std::move(samples)),
      piece_(size_t(pace == Pace::realTime ? sampleRate / 100 : sampleRate / 10))
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(pace == Pace::realTime ? 10 : 0);
    connect(&timer_, &QTimer::timeout, this, &BufferAudioInput::deliver);
}

bool BufferAudioInput::start(Sink sink)
{
    sink_ = std::move(sink);
    timer_.start();
    return true;
}

void BufferAudioInput::stop()
{
    timer_.stop();
    sink_ = nullptr;
}

void BufferAudioInput::deliver()
{
    const size_t n = std::min(piece_, samples_.size() - position_);
    if (n > 0 && sink_) {
        delivered_ += n;
        sink_(samples_.data() + position_, int(n));
    }
    position_ += n;
    if (exhausted())
        timer_.stop();
}
