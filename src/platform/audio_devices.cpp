#include "platform/audio_devices.h"

#include "platform/pulse_audio_input.h"
#include "platform/pulse_audio_output.h"
#include "platform/pulse_connection.h"
#include "platform/tovrin_log.h"

namespace AudioDevices {
namespace {

// The factory a test installed, one per kind of device.
template <class Factory>
Factory& slot()
{
    static Factory factory;
    return factory;
}

void noteSilentOutput()
{
    static bool logged = false;
    if (logged)
        return;
    logged = true;
    TovrinLog::audio(QStringLiteral("no sound server: playing silently until it is back"));
}

}  // namespace

std::unique_ptr<AudioOutputDevice> openOutput(int sampleRate, const QString& name)
{
    if (slot<OutputFactory>())
        return slot<OutputFactory>()(sampleRate);
    if (serverAvailable())
        return std::make_unique<PulseAudioOutput>(sampleRate, name.toUtf8());
    noteSilentOutput();
    return std::make_unique<NullAudioOutput>(sampleRate, nullptr, NullAudioOutput::Role::standIn);
}

std::unique_ptr<AudioInputDevice> openInput(int sampleRate)
{
    if (slot<InputFactory>())
        return slot<InputFactory>()(sampleRate);
    // While the server is away the input is still handed out: starting it
    // fails, and the caller reports that.
    PulseConnection& connection = PulseConnection::instance();
    if (connection.isReady() && !connection.hasDefaultSource())
        return nullptr;
    return std::make_unique<PulseAudioInput>(sampleRate);
}

bool hasInput()
{
    if (slot<InputFactory>())
        return true;
    const PulseConnection& connection = PulseConnection::instance();
    return connection.isReady() && connection.hasDefaultSource();
}

bool serverAvailable() { return PulseConnection::instance().isReady(); }

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
