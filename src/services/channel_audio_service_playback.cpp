// The engine's own playback (received pager audio), background radio mode and
// audio-session activation. The mixer and the keep-alive live in
// ChannelPlayback; this file decides when the engine uses them.
#include "services/channel_audio_service.h"

#include "platform/audio_session.h"
#include "platform/diagnostics.h"
#include "platform/record_permission.h"
#include "platform/serial_queue.h"
#include "services/channel_playback.h"
#include "services/mic_privacy.h"
#include "services/tovrin_audio_session.h"
#include "services/wire_pcm.h"

#include <QCoroFuture>

namespace {

// Audio-session activation runs here so the GUI thread never waits for it.
// It lives as long as the process.
SerialQueue& sessionQueue()
{
    static auto* queue = new SerialQueue(QStringLiteral("rez.odezedu.dizazizizori.audiosession"));
    return *queue;
}

void activateOnSessionQueue(bool background)
{
    TovrinAudioSession::activateMacTovrin(background ? 0.02 : 0.01);
    try {
        AudioSession::shared().setActive(true);
    } catch (const AudioSession::Error&) {
    }
}

}  // namespace

ChannelPlayback& ChannelAudioService::playback()
{
    if (!playback_)
        playback_ = new ChannelPlayback([this] { return isLive_; }, this);
    return *playback_;
}

bool ChannelAudioService::backgroundRadioActive() const { return playback_ && playback_->backgroundRadioActive(); }

QCoro::Task<void> ChannelAudioService::activateSessionAsync(bool background)
{
    co_await sessionQueue().run([background] { activateOnSessionQueue(background); });
}

void ChannelAudioService::activateSessionFireAndForget(bool background)
{
    sessionQueue().post([background] { activateOnSessionQueue(background); });
}

QFuture<void> ChannelAudioService::sessionWorkDoneForTesting()
{
    return sessionQueue().run([] {});
}

void ChannelAudioService::startPlaybackEngine() { playback().startPlaybackEngine(); }

void ChannelAudioService::ensurePlaybackRunning()
{
    if (!isLive_)
        return;
    playback().ensurePlaybackRunning();
}

void ChannelAudioService::tearDownPlaybackAsync()
{
    if (captureActive_)
        stopMicCaptureAsync();
    rxActive_ = false;
    activeClipID_.reset();
    playback().tearDownPlaybackAsync();
}

void ChannelAudioService::hardStopPlaybackEngine() { playback().hardStopPlaybackEngine(); }

void ChannelAudioService::installSessionObserversIfNeeded()
{
    if (sessionObserversInstalled_)
        return;
    sessionObserversInstalled_ = true;
    AudioSessionNotifications& notifications = AudioSessionNotifications::instance();
    QObject::connect(&notifications, &AudioSessionNotifications::interruption, this,
                     &ChannelAudioService::handleAudioInterruption);
    QObject::connect(&notifications, &AudioSessionNotifications::routeChanged, this,
                     &ChannelAudioService::handleRouteChange);
}

void ChannelAudioService::handleAudioInterruption(const AudioSessionNotifications::Interruption& interruption)
{
    if (!isLive_ || !interruption.hasUserInfo)
        return;
    if (interruption.type != AudioSessionNotifications::kInterruptionEnded)
        return;
    const bool background = backgroundRadioActive();
    if (interruption.options && (*interruption.options & AudioSessionNotifications::kShouldResume))
        activateSessionFireAndForget(background);
    else if (background)
        activateSessionFireAndForget(true);
    ensurePlaybackRunning();
    if (background)
        scheduleSilentKeepaliveIfNeeded();
}

void ChannelAudioService::handleRouteChange()
{
    if (!isLive_)
        return;
    activateSessionFireAndForget(backgroundRadioActive());
    ensurePlaybackRunning();
}

void ChannelAudioService::enterBackgroundRadioMode()
{
    if (!isLive_)
        return;
    playback().setBackgroundRadioActive(true);
    // While transmitting, the microphone is left alone.
    if (!isTransmitting_)
        releaseMicrophoneForBackground();
    activateSessionFireAndForget(true);
    ensurePlaybackRunning();
    scheduleSilentKeepaliveIfNeeded();
}

void ChannelAudioService::releaseMicrophoneForBackground()
{
    if (usingEngineMic_) {
        engineMicCapture_.stop();
        usingEngineMic_ = false;
    }
    captureActive_ = false;
    // Nothing to report: the stop itself cannot fail.
    QCoro::connect(micCapture_.stop(), this, [] {});
}

// The playback schedules nothing while the engine is not live.
void ChannelAudioService::scheduleSilentKeepaliveIfNeeded() { playback().scheduleSilentKeepaliveIfNeeded(); }

void ChannelAudioService::leaveForegroundRadioMode()
{
    if (!isLive_)
        return;
    playback().setBackgroundRadioActive(false);
    playback().forgetKeepalive();
    activateSessionFireAndForget(false);
    ensurePlaybackRunning();
    QCoro::connect(prepareChannelAudio(), this, [] {});
}

QCoro::Task<void> ChannelAudioService::prepareChannelAudio()
{
    if (!isLive_ || captureActive_)
        co_return;
    const QPointer<ChannelAudioService> self(this);
    const bool granted = co_await MicPrivacy::ensurePermission();
    if (!self)
        co_return;
    if (granted) {
        clearMicDeniedState();
        Diagnostics::printLine(QStringLiteral("[TovrinPTT][mac] mic TCC granted \u2014 hardware on first PTT"));
        co_return;
    }
    if (RecordPermission::current() == RecordPermission::State::denied)
        markMicDenied(false);
    Diagnostics::printLine(QStringLiteral("[TovrinPTT][mac] defer mic hardware until PTT (shared RX engine tap)"));
}

void ChannelAudioService::scheduleVoiceBuffer(std::vector<float> buffer)
{
    playback().scheduleVoiceBuffer(std::move(buffer));
}

std::optional<std::vector<float>> ChannelAudioService::makeFloatPlaybackBuffer(const QByteArray& int16PCM)
{
    std::optional<PcmBuffer> buffer = WirePcm::makeFloatPlaybackBuffer(int16PCM);
    if (!buffer)
        return std::nullopt;
    return std::move(buffer->floatChannels[0]);
}
