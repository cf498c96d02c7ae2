// Push-to-talk: starting and ending a transmission, its countdown, and the
// microphone-permission state the radio screen shows.
#include "services/channel_audio_service.h"

#include "legal/app_legal.h"
#include "platform/audio_devices.h"
#include "platform/diagnostics.h"
#include "platform/pulse_connection.h"
#include "platform/record_permission.h"
#include "platform/tovrin_log.h"
#include "services/mic_privacy.h"
#include "services/tovrin_voice_pipe.h"

#include <cmath>

namespace {

const QString kCouldNotOpen = QStringLiteral("Could not open microphone.");
const QString kMicStopped = QStringLiteral("The microphone stopped.");
const QString kMicDenied =
    QStringLiteral("Microphone access denied \u2014 enable My Tovrin-Brisel in Microphone settings.");

// A timer the engine owns; stopped and released after its current signal.
void dropTimer(std::unique_ptr<QTimer>& timer)
{
    if (!timer)
        return;
    timer->stop();
    timer.release()->deleteLater();
}

}  // namespace

void ChannelAudioService::setTransmitLimitForTesting(std::chrono::seconds limit, std::chrono::milliseconds tick,
                                                     std::optional<std::chrono::milliseconds> deadline)
{
    transmitLimit_ = limit;
    pttTick_ = tick;
    pttDeadlineForTesting_ = deadline;
}

void ChannelAudioService::beginTransmit()
{
    if (!isLive_ || isTransmitting_)
        return;
    setIsTransmitting(true);
    setTransmitError(std::nullopt);
    const quint64 generation = ++transmitGeneration_;
    pttStartedAt_ = timeOn(transmitClock_);
    setPttSecondsRemaining(transmitLimit_.count());
    startPTTCountdown(generation);
    TovrinLog::ptt(QStringLiteral("[mac] TX down gen=%1 path=voice-pipe-aac max=%2s build=%3")
                       .arg(generation)
                       .arg(transmitLimit_.count())
                       .arg(AppLegal::buildNumber()));
    QCoro::connect(runTransmitStart(generation), this, [] {});
}

QCoro::Task<void> ChannelAudioService::runTransmitStart(quint64 generation)
{
    if (transmitGeneration_ != generation)
        co_return;
    const QPointer<ChannelAudioService> self(this);
    const bool started = co_await voicePipe_->beginTalk();
    // A start that a newer transmission (or a disconnect) has overtaken, or
    // that was let go before it recorded, leaves it alone.
    if (!self || started || transmitGeneration_ != generation || !isTransmitting_)
        co_return;
    // The input did not open: the kept answer may be out of date. A sound
    // server that is away refuses nothing (the permission stays open, or the
    // input says so): the radio already says why there is no sound.
    const RecordPermission::State permission = RecordPermission::refresh();
    if (permission == RecordPermission::State::denied)
        markMicDenied(true);
    else if (permission == RecordPermission::State::undetermined ||
             voicePipe_->startError() == PulseConnection::noServerError)
        setTransmitError(soundOffText);
    else
        setTransmitError(kCouldNotOpen);
    clearTransmitState();
}

void ChannelAudioService::endTransmitAfterMicrophoneFailure()
{
    if (!isTransmitting_)
        return;
    endTransmit();
    setTransmitError(AudioDevices::serverAvailable() ? kMicStopped : soundOffText);
}

void ChannelAudioService::countFromFirstSample()
{
    // The limit runs from the first recorded sample, not from the press.
    if (!isTransmitting_)
        return;
    pttStartedAt_ = timeOn(transmitClock_);
    startPTTCountdown(transmitGeneration_);
}

void ChannelAudioService::startPTTCountdown(quint64 generation)
{
    cancelPTTTimers();
    pttTickTask_ = std::make_unique<QTimer>();
    pttTickTask_->setTimerType(Qt::PreciseTimer);
    QObject::connect(pttTickTask_.get(), &QTimer::timeout, this, [this, generation] { tickPTTCountdown(generation); });
    pttTickTask_->start(pttTick_);

    pttDeadlineTask_ = std::make_unique<QTimer>();
    pttDeadlineTask_->setTimerType(Qt::PreciseTimer);
    pttDeadlineTask_->setSingleShot(true);
    QObject::connect(pttDeadlineTask_.get(), &QTimer::timeout, this, [this, generation] {
        if (transmitGeneration_ != generation || !isTransmitting_)
            return;
        Diagnostics::printLine(QStringLiteral("[TovrinPTT][mac] hard deadline %1s").arg(transmitLimit_.count()));
        endTransmit();
    });
    pttDeadlineTask_->start(pttDeadlineForTesting_.value_or(
        std::chrono::duration_cast<std::chrono::milliseconds>(transmitLimit_)));
}

void ChannelAudioService::tickPTTCountdown(quint64 generation)
{
    if (transmitGeneration_ != generation || !isTransmitting_ || !pttStartedAt_) {
        dropTimer(pttTickTask_);
        return;
    }
    const double elapsed = std::chrono::duration<double>(timeOn(transmitClock_) - *pttStartedAt_).count();
    const qint64 remaining = transmitLimit_.count() - qint64(std::floor(elapsed));
    setPttSecondsRemaining(std::max<qint64>(remaining, 0));
    if (remaining > 0)
        return;
    Diagnostics::printLine(QStringLiteral("[TovrinPTT][mac] auto-off at %1s").arg(transmitLimit_.count()));
    endTransmit();
}

void ChannelAudioService::endTransmit()
{
    if (!isTransmitting_ && !pttSecondsRemaining_) {
        cancelPTTTimers();
        return;
    }
    clearTransmitState();
    pttStartedAt_.reset();
    // The pipe sends its default name for an empty one.
    QCoro::connect(voicePipe_->endTalk(chatDisplayName_), this, [] {});
}

void ChannelAudioService::refreshMicPermissionFromSettings()
{
    switch (RecordPermission::current()) {
    case RecordPermission::State::granted:
        clearMicDeniedState();
        TovrinLog::ptt(QStringLiteral("[mac] mic TCC now granted \u2014 cleared transmitError"));
        if (isLive_ && !captureActive_)
            QCoro::connect(prepareChannelAudio(), this, [] {});
        break;
    case RecordPermission::State::denied:
        setMicDeniedNeedsSettings(true);
        break;
    case RecordPermission::State::undetermined:
        break;
    }
}

void ChannelAudioService::clearTransmitState()
{
    setIsTransmitting(false);
    cancelPTTTimers();
    setPttSecondsRemaining(std::nullopt);
}

void ChannelAudioService::cancelPTTTimers()
{
    dropTimer(pttTickTask_);
    dropTimer(pttDeadlineTask_);
}

void ChannelAudioService::stopMicCaptureAsync()
{
    if (isTransmitting_)
        clearTransmitState();
    if (usingEngineMic_) {
        engineMicCapture_.stop();
        usingEngineMic_ = false;
    }
    captureActive_ = false;
    micCapture_.stopAsync();
}

void ChannelAudioService::markMicDenied(bool openSettings)
{
    setMicDeniedNeedsSettings(true);
    setTransmitError(kMicDenied);
    TovrinLog::fault(QStringLiteral("[mac] mic permission denied"));
    if (openSettings)
        MicPrivacy::openMicrophoneSettings();
}

void ChannelAudioService::clearMicDeniedState()
{
    setMicDeniedNeedsSettings(false);
    if (transmitError_ && transmitError_->contains(QLatin1String("microphone"), Qt::CaseInsensitive))
        setTransmitError(std::nullopt);
}

