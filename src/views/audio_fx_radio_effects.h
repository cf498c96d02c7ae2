#pragma once

#include "views/radio_effects.h"

#include <QPointer>

class AudioFXService;

// The radio screen's sounds played by the app's effects store. GUI thread.
class AudioFXRadioEffects : public RadioEffects {
public:
    // `fx` may go first; then nothing plays.
    explicit AudioFXRadioEffects(AudioFXService* fx);

    void wakeEffectsSession() override;
    void play(SFXKind kind) override;
    void playPTTChirp(SFXKind kind) override;
    void playAlert(AlertSound sound) override;
    QCoro::Task<std::optional<QByteArray>> relayPCM(AlertSound sound, double sampleRate) override;

private:
    QPointer<AudioFXService> fx_;
};
