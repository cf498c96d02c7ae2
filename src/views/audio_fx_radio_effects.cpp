#include "views/audio_fx_radio_effects.h"

#include "services/audio_fx_service.h"

namespace {

// Takes the store's task, not the adapter: it runs on if the screen goes.
QCoro::Task<std::optional<QByteArray>> optionalSamples(QCoro::Task<QByteArray> render)
{
    co_return co_await std::move(render);
}

QCoro::Task<std::optional<QByteArray>> noSamples()
{
    co_return std::nullopt;
}

}  // namespace

AudioFXRadioEffects::AudioFXRadioEffects(AudioFXService* fx) : fx_(fx) {}

void AudioFXRadioEffects::wakeEffectsSession()
{
    AudioFXService::wakeEffectsSessionAsync();
}

void AudioFXRadioEffects::play(SFXKind kind)
{
    if (fx_)
        fx_->play(kind);
}

void AudioFXRadioEffects::playPTTChirp(SFXKind kind)
{
    if (fx_)
        fx_->playPTTChirp(kind);
}

void AudioFXRadioEffects::playAlert(AlertSound sound)
{
    if (fx_)
        fx_->playAlert(sound);
}

QCoro::Task<std::optional<QByteArray>> AudioFXRadioEffects::relayPCM(AlertSound sound, double sampleRate)
{
    return fx_ ? optionalSamples(fx_->relayPCM(sound, sampleRate)) : noSamples();
}
