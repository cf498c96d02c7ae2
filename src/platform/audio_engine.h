#pragma once

#include "platform/audio_mixer.h"

#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class AudioEngine;
class AudioRenderLoop;

// One player of a mixer: a queue of mono float buffers at the engine's rate,
// played one after the other while the player plays. This is the GUI
// thread's front: buffers are handed to the engine's render thread as they
// are scheduled, and the front keeps which of them are still to be heard.
// Thread contract: made by AudioEngine::attachPlayer and destroyed with the
// engine; every method on the GUI thread. Completions run on the GUI thread
// from its event loop once the buffer's last sample was heard, never inside
// a call to the queue; stop() posts those of the buffers it drops.
class PlayerQueue {
public:
    using Completion = std::function<void()>;
    using Kind = BufferKind;

    void schedule(std::vector<float> samples, Completion done = {}, Kind kind = Kind::audio);
    void play();
    // Stops and drops everything queued.
    void stop();
    bool isPlaying() const { return playing_; }
    // Audio (not filler) queued or playing.
    bool hasPendingAudio() const;
    size_t queuedBuffers() const { return pending_.size(); }
    // Buffers heard to their end since the queue was made.
    size_t playedBuffers() const { return played_; }

private:
    friend class AudioEngine;
    PlayerQueue(AudioEngine* engine, int index) : engine_(engine), index_(index) {}
    void ended(uint64_t id);
    static void post(Completion done);

    struct Pending {
        uint64_t id = 0;
        Kind kind = Kind::audio;
        Completion done;
    };
    AudioEngine* engine_;
    int index_;
    std::deque<Pending> pending_;
    uint64_t nextId_ = 0;
    size_t played_ = 0;
    bool playing_ = false;
};

// A mixer of player queues at one rate, mono float, into one output device,
// rendered on the audio render thread as the device asks for frames: a
// stalled GUI thread does not stall the sound.
// Thread contract: built, used and destroyed on the GUI thread. Its
// AudioRenderLoop and device live on the one audio render thread that every
// engine shares (started on first use, ended with the application object).
// Nothing here waits for that thread: start(), stop(), scheduling and the
// destructor hand it a message and return. Devices open without blocking
// (the sound server answers later), so one slow device stalls no other.
class AudioEngine final : public QObject {
    Q_OBJECT
public:
    // `streamName` tells the desktop's mixer what the engine plays.
    AudioEngine(int sampleRate, QString streamName, QObject* parent = nullptr);
    ~AudioEngine() override;

    int sampleRate() const { return sampleRate_; }
    QString streamName() const { return streamName_; }
    PlayerQueue* attachPlayer();

    // Opens a fresh output from AudioDevices, so it plays where the desktop
    // plays now. A device that cannot open or fails later is reported by
    // failed(); start() itself only hands the device over.
    void start();
    void stop();
    // Started and not failed. An engine on a silent stand-in no longer counts
    // as running once the sound server is back, so its owner starts it again.
    bool isRunning() const;

    void setOutputVolume(float volume);
    float outputVolume() const { return volume_; }
    // Times the device ran dry while audio was being fed to it.
    int underruns() const;

signals:
    // The device could not open or failed while running; the engine has stopped.
    void failed(const QString& error);

private:
    friend class PlayerQueue;
    // Runs a change of the mixer on the render thread, in order.
    void post(std::function<void(AudioMixer&)> change);
    void buffersEnded(const std::vector<AudioMixer::Ended>& ended);
    void deviceFailed(quint64 opening, const QString& error);

    int sampleRate_;
    QString streamName_;
    float volume_ = 1.0f;
    bool running_ = false;
    bool standIn_ = false;  // the running device only keeps time for an absent server
    quint64 opening_ = 0;   // numbers the devices handed over; older failures do nothing
    AudioRenderLoop* loop_;
    std::vector<std::unique_ptr<PlayerQueue>> players_;
};
