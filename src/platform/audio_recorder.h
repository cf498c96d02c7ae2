#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class AudioInputDevice;
class QThread;

// Records an input (the microphone, or what AudioDevices hands out in a
// test) into an AAC .m4a file: a front on the GUI thread over an encoding
// worker on its own thread. Captured samples go to the worker queued; the
// worker resamples, encodes and writes.
// Thread contract: built, called and destroyed on the GUI thread. The encoder
// is created on the GUI thread by prepareToRecord (for a synchronous answer),
// then used and destroyed only on the worker thread. The destructor stops
// recording and waits for the worker to close the file.
class AudioRecorder final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool recording READ isRecording NOTIFY recordingChanged)
public:
    static constexpr int kInputRate = 48000;
    static constexpr float kSilentPower = -160.0f;

    explicit AudioRecorder(QString path, QObject* parent = nullptr);
    ~AudioRecorder() override;

    QString path() const { return path_; }
    QString errorText() const { return errorText_; }

    // Opens the input and creates the file; false with errorText().
    bool prepareToRecord();
    // Starts capturing (preparing first when needed); false with errorText().
    bool record();
    // Stops capturing; the worker closes the file and then emits finished.
    void stop();
    bool isRecording() const { return recording_; }
    // True once the file is closed (after stop), whether or not it succeeded.
    bool isFinished() const { return finished_; }
    // Seconds captured so far.
    double currentTime() const;

    void setMeteringEnabled(bool enabled) { meteringEnabled_ = enabled; }
    // Takes the average power of what was captured since the previous update.
    void updateMeters();
    // dBFS of the last update; -160 when metering is off or nothing was heard.
    float averagePower(int channel = 0) const;

signals:
    void recordingChanged(bool recording);
    // The input delivered the first samples of this recording.
    void firstSampleCaptured();
    // The input failed while recording: nothing more is captured. What was
    // captured stays in the file, which stop() closes as usual.
    void inputFailed(const QString& error);
    // The file is closed; ok is false when encoding or writing failed.
    void finished(bool ok, const QString& error);

private:
    void captured(const float* samples, int frames);
    void workerEnded(const QString& error);
    void setRecording(bool recording);

    QString path_;
    QString errorText_;
    std::unique_ptr<AudioInputDevice> input_;
    QThread* thread_ = nullptr;
    QObject* worker_ = nullptr;
    int64_t framesCaptured_ = 0;
    bool meteringEnabled_ = false;
    double powerSum_ = 0;
    int64_t powerFrames_ = 0;
    float averagePower_ = kSilentPower;
    bool recording_ = false;
    bool stopped_ = false;
    bool finished_ = false;
};
