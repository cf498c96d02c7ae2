#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// One mono float output stream at a fixed rate, written by a render loop
// that asks it how much it wants and what it has played. Opening may finish
// later: until then the device wants no frames, and ready() says when it does.
// Thread contract: made by AudioDevices on the GUI thread, then moved to an
// engine's render thread (AudioRenderLoop) before open(); every call and the
// destructor happen on that render thread. Its signals may be emitted on the
// sound server's thread: connect to them queued (the default across threads).
class AudioOutputDevice : public QObject {
    Q_OBJECT
public:
    explicit AudioOutputDevice(int sampleRate) : sampleRate_(sampleRate) {}
    int sampleRate() const { return sampleRate_; }

    // Opens the stream; false with errorText() when it cannot be opened.
    virtual bool open() = 0;
    virtual void close() = 0;
    // Frames the device takes now without blocking.
    virtual int writableFrames() = 0;
    virtual void write(const float* samples, int frames) = 0;
    // Frames of this stream heard so far, the sound server's latency included.
    virtual int64_t playedFrames() = 0;
    // Frames the device holds ahead of the speaker: how often it must be fed.
    virtual int bufferFrames() const = 0;
    // Pauses the stream (nothing to play) and takes it up again; frames
    // written before the pause play after it.
    virtual void suspend() = 0;
    virtual void resume() = 0;
    QString errorText() const { return errorText_; }

    // True once failed() was emitted for the stream opened last.
    virtual bool hasFailed() const { return false; }
    // A silent device that only keeps time while the sound server is away.
    virtual bool standsInForServer() const { return false; }

signals:
    // An opened stream now takes frames.
    void ready();
    // The device failed while open (the sound server went away).
    void failed(const QString& error);

protected:
    QString errorText_;

private:
    int sampleRate_;
};

// What a null device "played", for tests: every written frame, in order.
// Appended on the GUI thread (the device posts each block there), so a test
// reads it on the GUI thread without a lock.
struct PlayedAudio {
    int sampleRate = 0;
    std::vector<float> samples;
};

// Keeps real time without hardware: it wants the frames that the elapsed
// time asks for and hands what it is written to an optional PlayedAudio.
// A frame counts as heard once written. Time stands still while suspended.
// As a stand-in it takes the place of the sound server while that is away.
// Thread contract: as AudioOutputDevice's.
class NullAudioOutput final : public AudioOutputDevice {
    Q_OBJECT
public:
    enum class Role { device, standIn };

    explicit NullAudioOutput(int sampleRate, std::shared_ptr<PlayedAudio> played = {}, Role role = Role::device);
    bool open() override;
    void close() override;
    int writableFrames() override;
    void write(const float* samples, int frames) override;
    int64_t playedFrames() override { return written_; }
    int bufferFrames() const override;
    void suspend() override;
    void resume() override;
    bool standsInForServer() const override { return role_ == Role::standIn; }

private:
    std::shared_ptr<PlayedAudio> played_;
    Role role_;
    QElapsedTimer clock_;
    int64_t written_ = 0;
    int64_t clockBase_ = 0;  // frames written when the clock last (re)started
};
