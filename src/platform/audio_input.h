#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// One mono float capture stream at a fixed rate: the microphone, or any PCM
// source a test hands the recorder.
// Thread contract: built, started, stopped and destroyed on the GUI thread;
// the sink callback and failed() run on the GUI thread.
class AudioInputDevice : public QObject {
    Q_OBJECT
public:
    using Sink = std::function<void(const float* samples, int frames)>;

    explicit AudioInputDevice(int sampleRate) : sampleRate_(sampleRate) {}
    int sampleRate() const { return sampleRate_; }

    // Starts delivering captured samples to sink; false with errorText() when
    // the input cannot be opened.
    virtual bool start(Sink sink) = 0;
    virtual void stop() = 0;
    QString errorText() const { return errorText_; }

signals:
    // A started input stopped delivering for good (its stream failed, or the
    // sound server went away); nothing more arrives until it starts again.
    void failed(const QString& error);

protected:
    QString errorText_;

private:
    int sampleRate_;
};
