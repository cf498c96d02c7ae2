#pragma once

#include "models/alert_sound.h"
#include "models/sfx_kind.h"

#include <QByteArray>
#include <QCoroTask>

#include <optional>

// The sounds the radio screen's operations make: the effects wake of a tuning
// step, the push-to-talk chirps, the pager's local play and its relay
// samples. The app plays them through AudioFXService; tests record them.
// GUI thread. relayPCM's task must not refer to the object that returned it
// once it has started, so the object may go while the synthesis runs.
class RadioEffects {
public:
    virtual ~RadioEffects() = default;

    virtual void wakeEffectsSession() = 0;
    virtual void play(SFXKind kind) = 0;
    virtual void playPTTChirp(SFXKind kind) = 0;
    // Gives the medium tap itself and returns at once.
    virtual void playAlert(AlertSound sound) = 0;
    // Signed 16-bit little-endian mono samples of the sound at the rate.
    virtual QCoro::Task<std::optional<QByteArray>> relayPCM(AlertSound sound, double sampleRate) = 0;
};
