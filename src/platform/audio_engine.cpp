#include "platform/audio_engine.h"

#include "platform/audio_devices.h"
#include "platform/audio_render_loop.h"

#include <QCoreApplication>

#include <algorithm>

void PlayerQueue::schedule(std::vector<float> samples, Completion done, Kind kind)
{
    if (kind == Kind::audio) {
        // The render thread drops the same filler when the audio reaches it.
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (it->kind == Kind::filler) {
                post(std::move(it->done));
                it = pending_.erase(it);
            } else {
                ++it;
            }
        }
    }
    const uint64_t id = ++nextId_;
    pending_.push_back(Pending{id, kind, std::move(done)});
    auto shared = std::make_shared<const std::vector<float>>(std::move(samples));
    engine_->post([index = index_, id, shared, kind](AudioMixer& mixer) { mixer.schedule(index, id, shared, kind); });
}

void PlayerQueue::play()
{
    playing_ = true;
    engine_->post([index = index_](AudioMixer& mixer) { mixer.play(index); });
}

void PlayerQueue::stop()
{
    playing_ = false;
    for (Pending& pending : pending_)
        post(std::move(pending.done));
    pending_.clear();
    engine_->post([index = index_](AudioMixer& mixer) { mixer.stop(index); });
}

bool PlayerQueue::hasPendingAudio() const
{
    return std::any_of(pending_.begin(), pending_.end(), [](const Pending& p) { return p.kind == Kind::audio; });
}

void PlayerQueue::ended(uint64_t id)
{
    // A buffer dropped by stop() or by audio may still be reported: ignored.
    const auto it = std::find_if(pending_.begin(), pending_.end(), [id](const Pending& p) { return p.id == id; });
    if (it == pending_.end())
        return;
    Completion done = std::move(it->done);
    pending_.erase(it);
    ++played_;
    if (done)
        done();
}

void PlayerQueue::post(Completion done)
{
    if (done)
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(done), Qt::QueuedConnection);
}

AudioEngine::AudioEngine(int sampleRate, QObject* parent)
    : QObject(parent),
      sampleRate_(sampleRate),
      loop_(new AudioRenderLoop(
          this, [this](std::vector<AudioMixer::Ended> ended) { buffersEnded(ended); },
          [this](QString error) { deviceFailed(error); }))
{
    thread_.setObjectName(QStringLiteral("audio render"));
    loop_->moveToThread(&thread_);
    thread_.start(QThread::TimeCriticalPriority);
}

AudioEngine::~AudioEngine()
{
    QMetaObject::invokeMethod(loop_, [loop = loop_] { loop->close(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
    delete loop_;
}

PlayerQueue* AudioEngine::attachPlayer()
{
    const int index = int(players_.size());
    players_.push_back(std::unique_ptr<PlayerQueue>(new PlayerQueue(this, index)));
    post([](AudioMixer& mixer) { mixer.addPlayer(); });
    return players_.back().get();
}

bool AudioEngine::start()
{
    if (running_)
        return true;
    std::unique_ptr<AudioOutputDevice> device;
    if (!opened_) {
        device = AudioDevices::openOutput(sampleRate_);
        device->moveToThread(&thread_);
        opened_ = true;
    }
    bool ok = false;
    QString error;
    QMetaObject::invokeMethod(
        loop_, [&] { ok = loop_->open(std::move(device), &error); }, Qt::BlockingQueuedConnection);
    if (!ok) {
        errorText_ = error;
        return false;
    }
    running_ = true;
    return true;
}

void AudioEngine::stop()
{
    if (!running_)
        return;
    running_ = false;
    QMetaObject::invokeMethod(loop_, [loop = loop_] { loop->close(); }, Qt::BlockingQueuedConnection);
}

void AudioEngine::setOutputVolume(float volume)
{
    volume_ = volume;
    post([volume](AudioMixer& mixer) { mixer.setVolume(volume); });
}

int AudioEngine::underruns() const { return loop_->underruns(); }

void AudioEngine::post(std::function<void(AudioMixer&)> change)
{
    QMetaObject::invokeMethod(
        loop_,
        [loop = loop_, change = std::move(change)] { loop->apply(change); },
        Qt::QueuedConnection);
}

void AudioEngine::buffersEnded(const std::vector<AudioMixer::Ended>& ended)
{
    for (const AudioMixer::Ended& end : ended)
        players_[size_t(end.player)]->ended(end.id);
}

void AudioEngine::deviceFailed(const QString& error)
{
    errorText_ = error;
    running_ = false;
    emit failed(error);
}
