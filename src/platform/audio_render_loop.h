#pragma once

#include "platform/audio_mixer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class AudioOutputDevice;

// Feeds one output device from the mixer, as the device asks for frames.
// While something audible plays or is still on its way to the speaker it
// wakes about twice per device buffer. A quarter of a second after the last
// audible sample was heard it suspends the device and sleeps (a sound server
// takes back what it rendered ahead when a stream pauses, so only silence
// may be ahead then); queued filler then plays out on the clock, with one
// wake-up per buffer end. Sound that starts a stream, or wakes it, follows a
// short stretch of silence. A buffer is reported ended once the device says
// its last sample was heard (a sleeping loop reports filler at once).
// Thread contract: built on the GUI thread by AudioEngine and moved to the
// audio render thread; every method runs there (queued calls from the
// engine, which never waits for them), and it is deleted there
// (deleteLater) when the engine goes. Reports run on the GUI thread as
// queued calls; the engine's report functions check that it still lives.
class AudioRenderLoop final : public QObject {
    Q_OBJECT
public:
    using EndedReport = std::function<void(std::vector<AudioMixer::Ended>)>;
    // The device of the numbered opening could not open or failed while open.
    using FailedReport = std::function<void(quint64 opening, QString error)>;

    AudioRenderLoop(EndedReport ended, FailedReport failed);
    ~AudioRenderLoop() override;

    // Closes any device it has and opens this one; a device that cannot open
    // or fails later is reported with its opening number, and the loop closes.
    void open(std::unique_ptr<AudioOutputDevice> device, quint64 opening);
    // Closes the device; buffers still on their way are reported ended.
    void close();
    // Changes the mixer (schedule, play, stop, volume) and plays new audio at once.
    void apply(const std::function<void(AudioMixer&)>& change);
    // Times the device ran dry while audio was being fed (any thread).
    int underruns() const { return underruns_.load(); }

private:
    enum class State { closed, playing, sleeping };
    struct Mark {
        int64_t position = 0;  // the stream frame after the buffer's last sample
        AudioMixer::Ended ended;
    };

    void tick();
    void pump();
    void writeSilence(int frames);
    int leadInFrames() const;
    int64_t quietBeforeSleep() const;
    void reportHeard(int64_t played);
    void sleep();
    void wake();
    void advanceSilently();
    void armSilentTimer();
    void report(std::vector<AudioMixer::Ended> ended);
    void deviceFailed(const QString& error);

    EndedReport endedReport_;
    FailedReport failedReport_;
    AudioMixer mixer_;
    std::unique_ptr<AudioOutputDevice> device_;
    quint64 opening_ = 0;
    State state_ = State::closed;
    QTimer timer_;
    QElapsedTimer silentClock_;
    int64_t silentFrames_ = 0;  // frames played out on the clock since sleeping
    int64_t written_ = 0;
    int leadIn_ = 0;  // silence still to go ahead of the first sound since the stream (re)started
    bool feeding_ = false;  // audio was still to come at the last pump
    int64_t quietFrames_ = 0;  // silence written since the last audible sample was heard
    std::vector<float> block_;
    std::vector<AudioMixer::Ended> ended_;
    std::vector<Mark> marks_;
    std::atomic<int> underruns_{0};
};
