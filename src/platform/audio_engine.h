#pragma once

#include "platform/audio_output.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

// One player of a mixer: a queue of mono float buffers at the engine's rate,
// played one after the other while the player plays.
// Thread contract: GUI thread only (the engine renders on the GUI thread).
// Completions never run inside render: they are posted to the GUI thread's
// event loop, and also run (posted) for buffers dropped by stop().
class PlayerQueue {
public:
    using Completion = std::function<void()>;
    // Filler (keep-alive silence) gives way to audio: scheduling audio drops
    // the filler still queued or playing, so silence never delays sound.
    enum class Kind { audio, filler };

    void schedule(std::vector<float> samples, Completion done = {}, Kind kind = Kind::audio);
    void play() { playing_ = true; }
    // Stops and drops everything queued.
    void stop();
    bool isPlaying() const { return playing_; }
    // Audio (not filler) queued or playing.
    bool hasPendingAudio() const;
    size_t queuedBuffers() const { return items_.size(); }

    // Adds the next frames to mix, when playing.
    void renderAdd(float* mix, int frames);

private:
    struct Item {
        std::vector<float> samples;
        size_t position = 0;
        Completion done;
        Kind kind = Kind::audio;
    };
    static void complete(Item& item);

    std::deque<Item> items_;
    bool playing_ = false;
};

// A mixer of player queues at one rate, mono float, into one output device.
// Thread contract: built, used and destroyed on the GUI thread.
class AudioEngine final : public QObject, private AudioRenderer {
    Q_OBJECT
public:
    explicit AudioEngine(int sampleRate, QObject* parent = nullptr);
    ~AudioEngine() override;

    int sampleRate() const { return sampleRate_; }
    PlayerQueue* attachPlayer();

    // Opens the output (from AudioDevices) on first start; false with
    // errorText() when it cannot run.
    bool start();
    void stop();
    bool isRunning() const;
    QString errorText() const { return errorText_; }

    void setOutputVolume(float volume) { volume_ = volume; }
    float outputVolume() const { return volume_; }
    // Time from rendering a sample until the device plays it.
    std::chrono::milliseconds outputLatency() const;

signals:
    // The device failed while running; the engine has stopped.
    void failed(const QString& error);

private:
    void render(float* out, int frames) override;

    int sampleRate_;
    float volume_ = 1.0f;
    std::unique_ptr<AudioOutputDevice> output_;
    std::vector<std::unique_ptr<PlayerQueue>> players_;
    QString errorText_;
};
