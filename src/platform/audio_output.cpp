#include "platform/audio_output.h"

#include <QCoreApplication>

#include <algorithm>

namespace {
constexpr int kNullBufferMs = 40;
}

NullAudioOutput::NullAudioOutput(int sampleRate, std::shared_ptr<PlayedAudio> played, Role role)
    : AudioOutputDevice(sampleRate), played_(std::move(played)), role_(role)
{
    if (played_)
        played_->sampleRate = sampleRate;
}

bool NullAudioOutput::open()
{
    written_ = 0;
    resume();
    return true;
}

void NullAudioOutput::close() { clock_.invalidate(); }

void NullAudioOutput::suspend() { clock_.invalidate(); }

void NullAudioOutput::resume()
{
    clockBase_ = written_;
    clock_.start();
}

int NullAudioOutput::writableFrames()
{
    if (!clock_.isValid())
        return 0;
    const int64_t due = clockBase_ + clock_.nsecsElapsed() * sampleRate() / 1'000'000'000;
    // After a long stall, catch up at most one second at a time.
    return int(std::clamp<int64_t>(due - written_, 0, sampleRate()));
}

void NullAudioOutput::write(const float* samples, int frames)
{
    written_ += frames;
    if (!played_)
        return;
    // Handed to the GUI thread, where tests read it.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [played = played_, block = std::vector<float>(samples, samples + frames)] {
            played->samples.insert(played->samples.end(), block.begin(), block.end());
        },
        Qt::QueuedConnection);
}

int NullAudioOutput::bufferFrames() const { return sampleRate() * kNullBufferMs / 1000; }
