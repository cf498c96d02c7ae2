#include "platform/audio_devices.h"

#include "platform/tovrin_log.h"

#include <QMediaDevices>

namespace AudioDevices {
namespace {

// The factory a test installed, one per kind of device.
template <class Factory>
Factory& slot()
{
    static Factory factory;
    return factory;
}

void noteSilentOutput(const QString& reason)
{
    static bool logged = false;
    if (logged)
        return;
    logged = true;
    TovrinLog::audio(QStringLiteral("no audio output (%1): playing silently").arg(reason));
}

// Opens the Qt sink first so that an output that fails only at open time also
// falls back to silence instead of losing the stream. Both are its children,
// so they move to the render thread with it.
class FallbackOutput final : public AudioOutputDevice {
public:
    explicit FallbackOutput(int sampleRate) : AudioOutputDevice(sampleRate), real_(sampleRate), null_(sampleRate)
    {
        real_.setParent(this);
        null_.setParent(this);
        connect(&real_, &AudioOutputDevice::failed, this, &AudioOutputDevice::failed);
    }
    bool open() override
    {
        if (real_.open()) {
            active_ = &real_;
            return true;
        }
        noteSilentOutput(real_.errorText());
        active_ = &null_;
        return null_.open();
    }
    void close() override
    {
        if (active_)
            active_->close();
        active_ = nullptr;
    }
    int writableFrames() override { return active_ ? active_->writableFrames() : 0; }
    void write(const float* samples, int frames) override
    {
        if (active_)
            active_->write(samples, frames);
    }
    int64_t playedFrames() override { return active_ ? active_->playedFrames() : 0; }
    int bufferFrames() const override { return active_ ? active_->bufferFrames() : null_.bufferFrames(); }
    void suspend() override
    {
        if (active_)
            active_->suspend();
    }
    void resume() override
    {
        if (active_)
            active_->resume();
    }

private:
    QtAudioOutput real_;
    NullAudioOutput null_;
    AudioOutputDevice* active_ = nullptr;
};

}  // namespace

std::unique_ptr<AudioOutputDevice> openOutput(int sampleRate)
{
    if (slot<OutputFactory>())
        return slot<OutputFactory>()(sampleRate);
    return std::make_unique<FallbackOutput>(sampleRate);
}

std::unique_ptr<AudioInputDevice> openInput(int sampleRate)
{
    if (slot<InputFactory>())
        return slot<InputFactory>()(sampleRate);
    QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull()) {
        const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
        if (inputs.isEmpty())
            return nullptr;
        device = inputs.first();
    }
    return std::make_unique<QtAudioInput>(device, sampleRate);
}

bool hasInput()
{
    if (slot<InputFactory>())
        return true;
    return !QMediaDevices::defaultAudioInput().isNull() || !QMediaDevices::audioInputs().isEmpty();
}

template <class Factory>
Override<Factory>::Override(Factory factory) : previous_(std::move(slot<Factory>()))
{
    slot<Factory>() = std::move(factory);
}

template <class Factory>
Override<Factory>::~Override()
{
    slot<Factory>() = std::move(previous_);
}

template class Override<OutputFactory>;
template class Override<InputFactory>;

}  // namespace AudioDevices
