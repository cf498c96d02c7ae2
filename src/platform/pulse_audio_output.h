#pragma once

#include "platform/audio_output.h"

#include <QByteArray>

#include <atomic>

struct pa_operation;
struct pa_stream;

// A playback stream on the sound server. It is opened with no device name,
// so the server plays it on the default sink and moves it there when the
// user picks another. Its target buffer is small (kBufferMs), so a sound
// starts tens of milliseconds after it is queued. It opens corked and is
// corked whenever suspended, even before the server has made it: an
// uncorked stream keeps the sink running, and the sound card awake, while
// nothing plays. What was heard is what the server last reported it had
// read of the stream less what the sink still held then, never an estimate
// that can run ahead of the speaker.
// Thread contract: as AudioOutputDevice's. Stream callbacks run on the sound
// server's thread with its loop locked; they only read their own stream,
// set flags and emit ready() or failed(). Every other call takes the loop's
// lock for a few calls.
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
    void streamStateChanged(pa_stream* stream);
    void cork(bool corked);
    void askForTiming();

    QByteArray mediaName_;
    pa_stream* stream_ = nullptr;
    pa_operation* timing_ = nullptr;  // a timing report asked for and not yet answered
    bool corked_ = false;             // what the loop wants; under the loop's lock
    std::atomic<bool> ready_{false};
    std::atomic<bool> failed_{false};
    std::atomic<int> bufferFrames_;
    int64_t written_ = 0;
    int64_t heard_ = 0;
};
