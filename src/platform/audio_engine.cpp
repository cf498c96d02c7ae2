#include "platform/audio_engine.h"

#include "platform/audio_devices.h"

#include <QCoreApplication>

#include <algorithm>

void PlayerQueue::schedule(std::vector<float> samples, Completion done, Kind kind)
{
    if (kind == Kind::audio) {
        for (auto it = items_.begin(); it != items_.end();) {
            if (it->kind == Kind::filler) {
                complete(*it);
                it = items_.erase(it);
            } else {
                ++it;
            }
        }
    }
    items_.push_back(Item{std::move(samples), 0, std::move(done), kind});
}

void PlayerQueue::stop()
{
    playing_ = false;
    for (Item& item : items_)
        complete(item);
    items_.clear();
}

bool PlayerQueue::hasPendingAudio() const
{
    return std::any_of(items_.begin(), items_.end(), [](const Item& item) { return item.kind == Kind::audio; });
}

void PlayerQueue::renderAdd(float* mix, int frames)
{
    if (!playing_)
        return;
    int written = 0;
    while (!items_.empty()) {
        Item& item = items_.front();
        const size_t left = item.samples.size() - item.position;
        const size_t n = std::min(left, size_t(frames - written));
        for (size_t i = 0; i < n; ++i)
            mix[size_t(written) + i] += item.samples[item.position + i];
        item.position += n;
        written += int(n);
        if (item.position < item.samples.size())
            break;
        complete(item);
        items_.pop_front();
    }
}

void PlayerQueue::complete(Item& item)
{
    if (item.done)
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(item.done), Qt::QueuedConnection);
    item.done = nullptr;
}

AudioEngine::AudioEngine(int sampleRate, QObject* parent) : QObject(parent), sampleRate_(sampleRate) {}

AudioEngine::~AudioEngine() { stop(); }

PlayerQueue* AudioEngine::attachPlayer()
{
    players_.push_back(std::make_unique<PlayerQueue>());
    return players_.back().get();
}

bool AudioEngine::start()
{
    if (isRunning())
        return true;
    if (!output_) {
        output_ = AudioDevices::openOutput(sampleRate_);
        connect(output_.get(), &AudioOutputDevice::failed, this, [this](const QString& error) {
            errorText_ = error;
            stop();
            emit failed(error);
        });
    }
    if (!output_->start(this)) {
        errorText_ = output_->errorText();
        return false;
    }
    return true;
}

void AudioEngine::stop()
{
    if (output_)
        output_->stop();
}

bool AudioEngine::isRunning() const { return output_ && output_->isRunning(); }

std::chrono::milliseconds AudioEngine::outputLatency() const
{
    return output_ ? output_->latency() : std::chrono::milliseconds(0);
}

void AudioEngine::render(float* out, int frames)
{
    std::fill(out, out + frames, 0.0f);
    for (auto& player : players_)
        player->renderAdd(out, frames);
    for (int i = 0; i < frames; ++i)
        out[i] = std::clamp(out[i] * volume_, -1.0f, 1.0f);
}
