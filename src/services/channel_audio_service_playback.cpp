// The engine's own playback (received pager audio), background radio mode and
// audio-session activation.
#include "services/channel_audio_service.h"

QCoro::Task<void> ChannelAudioService::activateSessionAsync(bool)
{
    co_return;
}

void ChannelAudioService::activateSessionFireAndForget(bool) {}

void ChannelAudioService::startPlaybackEngine(bool) {}

void ChannelAudioService::ensurePlaybackRunning(bool) {}

void ChannelAudioService::tearDownPlaybackAsync()
{
    rxActive_ = false;
    activeClipID_.reset();
}

void ChannelAudioService::hardStopPlaybackEngine() {}

void ChannelAudioService::installSessionObserversIfNeeded()
{
    sessionObserversInstalled_ = true;
}

void ChannelAudioService::enterBackgroundRadioMode()
{
    if (!isLive_)
        return;
    backgroundRadioActive_ = true;
}

void ChannelAudioService::leaveForegroundRadioMode()
{
    if (!isLive_)
        return;
    backgroundRadioActive_ = false;
    keepaliveScheduled_ = false;
}

void ChannelAudioService::scheduleVoiceBuffer(std::vector<float>) {}

std::optional<std::vector<float>> ChannelAudioService::makeFloatPlaybackBuffer(const QByteArray& int16PCM)
{
    const qsizetype frames = int16PCM.size() / 2;
    if (frames < 1)
        return std::nullopt;
    std::vector<float> samples(static_cast<size_t>(frames));
    const auto* bytes = reinterpret_cast<const uchar*>(int16PCM.constData());
    for (qsizetype i = 0; i < frames; ++i) {
        const auto sample = qint16(quint16(bytes[2 * i]) | quint16(bytes[2 * i + 1]) << 8);
        samples[size_t(i)] = float(sample) * (1.0f / 32767.0f);
    }
    return samples;
}
