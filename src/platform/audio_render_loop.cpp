#include "platform/audio_render_loop.h"

#include "platform/audio_output.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kMinPeriodMs = 5;
constexpr int kQuietBeforeSleepMs = 250;
// A stream that starts, or resumes after a pause, has the sink remix what it
// had already rendered ahead; a sound right at its start loses about 10 ms
// there (heard so on a sink's monitor). Silence goes first instead.
constexpr int kLeadInMs = 20;
}

AudioRenderLoop::AudioRenderLoop(EndedReport ended, FailedReport failed)
    : endedReport_(std::move(ended)), failedReport_(std::move(failed)), timer_(this)
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &AudioRenderLoop::tick);
}

AudioRenderLoop::~AudioRenderLoop() = default;

void AudioRenderLoop::open(std::unique_ptr<AudioOutputDevice> device, quint64 opening)
{
    close();
    if (device_)
        device_->disconnect(this);
    device_ = std::move(device);
    opening_ = opening;
    // Both may come from the sound server's thread: they arrive here queued,
    // outside the device's own callbacks, and a report of an older stream
    // finds the current one healthy and does nothing.
    connect(device_.get(), &AudioOutputDevice::ready, this, [this] {
        if (state_ == State::playing)
            pump();
    });
    connect(device_.get(), &AudioOutputDevice::failed, this, [this](const QString& error) {
        if (state_ != State::closed && device_->hasFailed())
            deviceFailed(error);
    });
    if (!device_->open()) {
        deviceFailed(device_->errorText());
        return;
    }
    state_ = State::playing;
    leadIn_ = leadInFrames();
    written_ = 0;
    feeding_ = false;
    quietFrames_ = quietBeforeSleep();
    pump();
}

void AudioRenderLoop::deviceFailed(const QString& error)
{
    close();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [failed = failedReport_, opening = opening_, error] { failed(opening, error); },
        Qt::QueuedConnection);
}

void AudioRenderLoop::close()
{
    timer_.stop();
    if (state_ == State::closed)
        return;
    state_ = State::closed;
    device_->close();
    std::vector<AudioMixer::Ended> ended;
    for (const Mark& mark : marks_)
        ended.push_back(mark.ended);
    marks_.clear();
    report(std::move(ended));
}

void AudioRenderLoop::apply(const std::function<void(AudioMixer&)>& change)
{
    // Silent time so far belongs to what was queued before the change.
    if (state_ == State::sleeping)
        advanceSilently();
    change(mixer_);
    if (state_ == State::playing)
        pump();
    else if (state_ == State::sleeping && mixer_.hasAudio())
        wake();
    else if (state_ == State::sleeping)
        armSilentTimer();
}

void AudioRenderLoop::tick()
{
    if (state_ == State::playing) {
        pump();
    } else if (state_ == State::sleeping) {
        advanceSilently();
        armSilentTimer();
    }
}

void AudioRenderLoop::pump()
{
    int frames = device_->writableFrames();
    // A stream that was never fed (still opening) cannot have run dry.
    if (feeding_ && written_ > 0 && frames >= device_->bufferFrames())
        underruns_.fetch_add(1);
    if (frames > 0 && leadIn_ > 0) {
        // Silence on its way already needs none ahead of it.
        const int lead = mixer_.hasAudio() ? std::min(frames, leadIn_) : 0;
        leadIn_ = lead > 0 ? leadIn_ - lead : 0;
        writeSilence(lead);
        frames -= lead;
    }
    if (frames > 0) {
        if (block_.size() < size_t(frames))
            block_.resize(size_t(frames));
        ended_.clear();
        mixer_.render(block_.data(), frames, ended_);
        device_->write(block_.data(), frames);
        for (const AudioMixer::Ended& ended : ended_)
            marks_.push_back(Mark{written_ + ended.offset, ended});
        written_ += frames;
    }
    feeding_ = mixer_.hasAudio();
    reportHeard(device_->playedFrames());
    quietFrames_ = feeding_ || !marks_.empty() ? 0 : quietFrames_ + frames;
    if (quietFrames_ >= quietBeforeSleep()) {
        sleep();
        return;
    }
    const int bufferMs = device_->bufferFrames() * 1000 / device_->sampleRate();
    timer_.start(std::max(kMinPeriodMs, bufferMs / 2));
}

void AudioRenderLoop::writeSilence(int frames)
{
    if (frames <= 0)
        return;
    if (block_.size() < size_t(frames))
        block_.resize(size_t(frames));
    std::fill_n(block_.begin(), frames, 0.0f);
    device_->write(block_.data(), frames);
    written_ += frames;
}

int AudioRenderLoop::leadInFrames() const { return device_->sampleRate() * kLeadInMs / 1000; }

int64_t AudioRenderLoop::quietBeforeSleep() const
{
    return int64_t(device_->sampleRate()) * kQuietBeforeSleepMs / 1000;
}

void AudioRenderLoop::reportHeard(int64_t played)
{
    std::vector<AudioMixer::Ended> heard;
    std::erase_if(marks_, [&](const Mark& mark) {
        if (mark.position > played)
            return false;
        heard.push_back(mark.ended);
        return true;
    });
    report(std::move(heard));
}

void AudioRenderLoop::sleep()
{
    state_ = State::sleeping;
    feeding_ = false;
    device_->suspend();
    silentClock_.start();
    silentFrames_ = 0;
    armSilentTimer();
}

void AudioRenderLoop::wake()
{
    state_ = State::playing;
    leadIn_ = leadInFrames();
    device_->resume();
    pump();
}

void AudioRenderLoop::advanceSilently()
{
    // Nothing audible is queued: filler plays out without the device.
    const int64_t due = silentClock_.nsecsElapsed() * device_->sampleRate() / 1'000'000'000;
    const int chunk = std::max(1, device_->bufferFrames());
    if (block_.size() < size_t(chunk))
        block_.resize(size_t(chunk));
    std::vector<AudioMixer::Ended> ended;
    while (silentFrames_ < due) {
        const int frames = int(std::min<int64_t>(chunk, due - silentFrames_));
        mixer_.render(block_.data(), frames, ended);
        silentFrames_ += frames;
    }
    report(std::move(ended));
}

void AudioRenderLoop::armSilentTimer()
{
    const std::optional<int64_t> frames = mixer_.framesToNextEnd();
    if (!frames) {
        timer_.stop();
        return;
    }
    const auto ms = int(std::ceil(double(*frames) * 1000.0 / device_->sampleRate()));
    timer_.start(std::max(1, ms));
}

void AudioRenderLoop::report(std::vector<AudioMixer::Ended> ended)
{
    if (ended.empty())
        return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [report = endedReport_, ended = std::move(ended)]() mutable { report(std::move(ended)); },
        Qt::QueuedConnection);
}
