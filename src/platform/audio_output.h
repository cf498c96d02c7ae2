#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>
#include <vector>

#include <QAudioFormat>

class QAudioSink;
class QIODevice;

// The one stream format of our devices: mono 32-bit float at a rate.
QAudioFormat monoFloatFormat(int sampleRate);

// Fills a device's next frames of mono float PCM, writing every one of them
// (silence where it has none): the device hands it an unwritten buffer.
class AudioRenderer {
public:
    virtual ~AudioRenderer() = default;
    virtual void render(float* out, int frames) = 0;
};

// One mono float output stream at a fixed rate.
// Thread contract: built, started, stopped and destroyed on the GUI thread;
// render() of the renderer is called on the GUI thread from the device's own
// precise timer, never re-entrantly.
class AudioOutputDevice : public QObject {
    Q_OBJECT
public:
    explicit AudioOutputDevice(int sampleRate) : sampleRate_(sampleRate) {}
    int sampleRate() const { return sampleRate_; }

    // Starts pulling from renderer (which must outlive the run); false with
    // errorText() when the device cannot be opened.
    virtual bool start(AudioRenderer* renderer) = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
    // How long a sample handed to the device takes until it is heard.
    virtual std::chrono::milliseconds latency() const = 0;
    QString errorText() const { return errorText_; }

signals:
    // The device failed while running (the sound server went away).
    void failed(const QString& error);

protected:
    QString errorText_;

private:
    int sampleRate_;
};

// What a null device "played", for tests: every rendered frame, in order.
struct PlayedAudio {
    int sampleRate = 0;
    std::vector<float> samples;
};

// Keeps real time without hardware: every tick it renders the frames that
// the elapsed time asks for and hands them to an optional PlayedAudio.
class NullAudioOutput final : public AudioOutputDevice {
    Q_OBJECT
public:
    explicit NullAudioOutput(int sampleRate, std::shared_ptr<PlayedAudio> played = {});
    bool start(AudioRenderer* renderer) override;
    void stop() override;
    bool isRunning() const override { return renderer_ != nullptr; }
    std::chrono::milliseconds latency() const override { return std::chrono::milliseconds(0); }

private:
    void tick();

    std::shared_ptr<PlayedAudio> played_;
    AudioRenderer* renderer_ = nullptr;
    QTimer timer_;
    QElapsedTimer clock_;
    int64_t framesRendered_ = 0;
    std::vector<float> buffer_;
};

// QAudioSink in push mode with an explicit small buffer, so a sound starts
// tens of milliseconds after it is queued (PulseAudio would buffer ~2 s).
class QtAudioOutput final : public AudioOutputDevice {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kBuffer{40};

    explicit QtAudioOutput(int sampleRate);
    ~QtAudioOutput() override;
    bool start(AudioRenderer* renderer) override;
    void stop() override;
    bool isRunning() const override;
    std::chrono::milliseconds latency() const override;

private:
    void fill();

    std::unique_ptr<QAudioSink> sink_;
    QIODevice* io_ = nullptr;
    AudioRenderer* renderer_ = nullptr;
    QTimer timer_;
    std::vector<float> buffer_;
};
