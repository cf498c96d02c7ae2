#include "platform/audio_engine.h"

#include "platform/audio_devices.h"
#include "platform/audio_render_loop.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>

namespace {

QThread*& renderThreadSlot()
{
    static QThread* thread = nullptr;
    return thread;
}

void endRenderThread()
{
    QThread* thread = std::exchange(renderThreadSlot(), nullptr);
    thread->quit();
    thread->wait();
    delete thread;
}

// The one audio render thread; it ends with the application object.
QThread* renderThread()
{
    QThread*& thread = renderThreadSlot();
    if (!thread) {
        thread = new QThread;
        thread->setObjectName(QStringLiteral("audio render"));
        thread->start(QThread::TimeCriticalPriority);
        qAddPostRoutine(endRenderThread);
    }
    return thread;
}

// Runs f on the loop's thread and waits, or right here once that thread has ended.
template <class F>
void runOnLoop(AudioRenderLoop* loop, F f)
{
    if (loop->thread()->isRunning())
        QMetaObject::invokeMethod(loop, f, Qt::BlockingQueuedConnection);
    else
        f();
}

}  // namespace

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
    loop_->moveToThread(renderThread());
}

AudioEngine::~AudioEngine()
{
    // The loop goes on its own thread, after everything posted to it.
    runOnLoop(loop_, [loop = loop_] {
        loop->close();
        loop->deleteLater();
    });
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
        device->moveToThread(loop_->thread());
        opened_ = true;
    }
    bool ok = false;
    QString error;
    runOnLoop(loop_, [&] { ok = loop_->open(std::move(device), &error); });
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
    runOnLoop(loop_, [loop = loop_] { loop->close(); });
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
