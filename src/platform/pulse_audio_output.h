#pragma once

#include "platform/audio_output.h"

#include <QByteArray>

#include <atomic>

struct pa_stream;

// A playback stream on the sound server. It is opened with no device name,
// so the server plays it on the default sink and moves it there when the
// user picks another. Its target buffer is small (kBufferMs), so a sound
// starts tens of milliseconds after it is queued, and suspending corks it
// (a corked stream costs no wake-ups). What was heard is what was written
// less the stream's latency as the server reports it, the sink's included.
// Thread contract: as AudioOutputDevice's. Stream callbacks run on the sound
// server's thread with its loop locked; they only set flags and emit ready()
// or failed(). Every other call takes the loop's lock for a few calls.
class PulseAudioOutput final : public AudioOutputDevice {
    Q_OBJECT
public:
    static constexpr int kBufferMs = 40;

    PulseAudioOutput(int sampleRate, QByteArray mediaName);
    ~PulseAudioOutput() override;
    bool open() override;
    void close() override;
    int writableFrames() override;
    void write(const float* samples, int frames) override;
    int64_t playedFrames() override;
    int bufferFrames() const override { return bufferFrames_.load(); }
    void suspend() override;
    void resume() override;
    bool hasFailed() const override { return failed_.load(); }

private:
    void streamStateChanged();
    void cork(bool corked);

    QByteArray mediaName_;
    pa_stream* stream_ = nullptr;
    std::atomic<bool> ready_{false};
    std::atomic<bool> failed_{false};
    std::atomic<int> bufferFrames_;
    int64_t written_ = 0;
    int64_t heard_ = 0;
};
