#include "platform/audio_devices.h"

#include "platform/tovrin_log.h"

#include <QMediaDevices>

namespace AudioDevices {
namespace {

OutputFactory& outputOverride()
{
    static OutputFactory factory;
    return factory;
}

InputFactory& inputOverride()
{
    static InputFactory factory;
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
// falls back to silence instead of losing the stream.
class FallbackOutput final : public AudioOutputDevice {
public:
    explicit FallbackOutput(int sampleRate) : AudioOutputDevice(sampleRate), real_(sampleRate), null_(sampleRate)
    {
        connect(&real_, &AudioOutputDevice::failed, this, &AudioOutputDevice::failed);
    }
    bool start(AudioRenderer* renderer) override
    {
        if (real_.start(renderer)) {
            active_ = &real_;
            return true;
        }
        noteSilentOutput(real_.errorText());
        active_ = &null_;
        return null_.start(renderer);
    }
    void stop() override
    {
        if (active_)
            active_->stop();
        active_ = nullptr;
    }
    bool isRunning() const override { return active_ && active_->isRunning(); }
    std::chrono::milliseconds latency() const override
    {
        return active_ ? active_->latency() : std::chrono::milliseconds(0);
    }

private:
    QtAudioOutput real_;
    NullAudioOutput null_;
    AudioOutputDevice* active_ = nullptr;
};

}  // namespace

std::unique_ptr<AudioOutputDevice> openOutput(int sampleRate)
{
    if (outputOverride())
        return outputOverride()(sampleRate);
    return std::make_unique<FallbackOutput>(sampleRate);
}

std::unique_ptr<AudioInputDevice> openInput(int sampleRate)
{
    if (inputOverride())
        return inputOverride()(sampleRate);
    QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull()) {
        const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
        if (inputs.isEmpty())
            return nullptr;
        device = inputs.first();
    }
    return std::make_unique<QtAudioInput>(device, sampleRate);
}

OutputOverride::OutputOverride(OutputFactory factory) : previous_(std::move(outputOverride()))
{
    outputOverride() = std::move(factory);
}

OutputOverride::~OutputOverride() { outputOverride() = std::move(previous_); }

InputOverride::InputOverride(InputFactory factory) : previous_(std::move(inputOverride()))
{
    inputOverride() = std::move(factory);
}

InputOverride::~InputOverride() { inputOverride() = std::move(previous_); }

}  // namespace AudioDevices
