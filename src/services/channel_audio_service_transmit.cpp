// Push-to-talk: starting and ending a transmission, its countdown, and the
// microphone-permission state the radio screen shows.
#include "services/channel_audio_service.h"

#include "services/tovrin_voice_pipe.h"

void ChannelAudioService::beginTransmit() {}

void ChannelAudioService::endTransmit() {}

void ChannelAudioService::refreshMicPermissionFromSettings() {}

void ChannelAudioService::cancelPTTTimers() {}

void ChannelAudioService::stopMicCaptureAsync()
{
    if (isTransmitting_) {
        setIsTransmitting(false);
        cancelPTTTimers();
        setPttSecondsRemaining(std::nullopt);
    }
}

void ChannelAudioService::clearMicDeniedState()
{
    setMicDeniedNeedsSettings(false);
    if (transmitError_ && transmitError_->contains(QLatin1String("microphone"), Qt::CaseInsensitive))
        setTransmitError(std::nullopt);
}

