#include "platform/audio_engine.h"

#include "platform/alternate_signal_stack.h"
#include "platform/audio_devices.h"
#include "platform/audio_render_loop.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

#include <algorithm>

namespace {

struct RenderThread {
    QThread* thread = nullptr;
    QObject* anchor = nullptr;  // lives on the thread, so calls can be queued there
};

RenderThread& renderThreadSlot()
{
    static RenderThread render;
    return render;
}

void endRenderThread()
{
    RenderThread render = std::exchange(renderThreadSlot(), RenderThread{});
    // Queued behind every call already posted, so each engine's loop closes
    // its device and is deleted before the thread ends.
    QMetaObject::invokeMethod(
        render.anchor,
        [anchor = render.anchor] {
            // Deleted as the thread finishes, never inside its own call.
            anchor->deleteLater();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    render.thread->wait();
    delete render.thread;
}

// The one audio render thread; it ends with the application object.
QThread* renderThread()
{
    RenderThread& render = renderThreadSlot();
    if (!render.thread) {
        // The sound server's connection must outlive the devices on this
        // thread: made first, it ends after the thread (post routines run in
        // reverse order).
        AudioDevices::serverAvailable();
        render.thread = new QThread;
        render.thread->setObjectName(QStringLiteral("audio render"));
        render.anchor = new QObject;
        render.anchor->moveToThread(render.thread);
        // A stack overflow there is logged like one on the main thread.
        QObject::connect(render.thread, &QThread::started, render.anchor,
                         &AlternateSignalStack::installForThisThread, Qt::DirectConnection);
        render.thread->start(QThread::TimeCriticalPriority);
        qAddPostRoutine(endRenderThread);
    }
    return render.thread;
}

// Runs f on the loop's thread without waiting, or right here once that
// thread has ended (the loop's own thread pointer is gone with it then).
template <class F>
void postToLoop(AudioRenderLoop* loop, F f)
{
    if (renderThreadSlot().thread)
        QMetaObject::invokeMethod(loop, std::move(f), Qt::QueuedConnection);
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

AudioEngine::AudioEngine(int sampleRate, QString streamName, QObject* parent)
    : QObject(parent), sampleRate_(sampleRate), streamName_(std::move(streamName))
{
    // Reports run on the GUI thread and may come after the engine is gone.
    const QPointer<AudioEngine> self(this);
    loop_ = new AudioRenderLoop(
        [self](std::vector<AudioMixer::Ended> ended) {
            if (self)
                self->buffersEnded(ended);
        },
        [self](quint64 opening, QString error) {
            if (self)
                self->deviceFailed(opening, error);
        });
    loop_->moveToThread(renderThread());
}

AudioEngine::~AudioEngine()
{
    // The loop goes on its own thread, after everything posted to it.
    postToLoop(loop_, [loop = loop_] {
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

bool AudioEngine::isRunning() const { return running_ && !(standIn_ && AudioDevices::serverAvailable()); }

void AudioEngine::start()
{
    if (isRunning())
        return;
    std::unique_ptr<AudioOutputDevice> device = AudioDevices::openOutput(sampleRate_, streamName_);
    standIn_ = device->standsInForServer();
    device->moveToThread(loop_->thread());
    running_ = true;
    // Owned by the loop from the moment it runs the call.
    postToLoop(loop_, [loop = loop_, device = device.release(), opening = ++opening_] {
        loop->open(std::unique_ptr<AudioOutputDevice>(device), opening);
    });
}

void AudioEngine::stop()
{
    if (!running_)
        return;
    running_ = false;
    ++opening_;
    postToLoop(loop_, [loop = loop_] { loop->close(); });
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

void AudioEngine::deviceFailed(quint64 opening, const QString& error)
{
    if (opening != opening_ || !running_)
        return;
    running_ = false;
    emit failed(error);
}
