#include "views/passkey_prompt.h"
#include "views/radio_operations.h"

#include "legal/app_legal.h"
#include "models/channel_math.h"
#include "models/saved_channel_slot.h"
#include "platform/diagnostics.h"
#include "platform/media_clock.h"
#include "platform/system_sounds.h"
#include "platform/tovrin_haptics.h"
#include "services/alert_sound_store.h"
#include "services/block_store.h"
#include "services/channel_audio_service.h"
#include "services/radio_session.h"
#include "services/session_store.h"
#include "services/workplace_store.h"
#include "views/radio_effects.h"

#include <algorithm>

namespace {

// "[UIJANK] <what> t=<media clock>", optionally with the build number.
void printTiming(const char* what, bool withBuild = false)
{
    QString line = QStringLiteral("[UIJANK] ") + QLatin1String(what) + QStringLiteral(" t=") + MediaClock::secondsText();
    if (withBuild)
        line += QStringLiteral(" build=") + AppLegal::buildNumber();
    Diagnostics::printLine(line);
}

}  // namespace

RadioOperations::RadioOperations(const AppStores& stores, RadioEffects* effects, QObject* parent)
    : QObject(parent), session_(stores.session), radio_(stores.radio), blocks_(stores.blocks),
      workplace_(stores.workplace), alerts_(stores.alertSounds), effects_(effects)
{
}

RadioOperations::~RadioOperations()
{
    if (!heldPTT_.isEmpty()) {
        heldPTT_.clear();
        finishTransmission();
    }
}

bool RadioOperations::isInChannel() const
{
    return radio_ && radio_->isInChannel();
}

RadioOperations::Identity RadioOperations::identity() const
{
    Identity who;
    if (session_) {
        who.uid = session_->uid();
        who.displayName = session_->chatDisplayName();
        who.radioId = session_->radioId();
    }
    if (blocks_)
        who.blockedUIDs = blocks_->blockedUIDs();
    return who;
}

// ---- Joining ----

void RadioOperations::joinMyChannel()
{
    const std::optional<qint64> owned = session_ ? session_->ownedChannelNumber() : std::nullopt;
    if (!owned)
        return;
    printTiming("joinMy tap");
    startJoin(*owned);
}

void RadioOperations::joinCompanyChannel()
{
    const std::optional<WorkplaceMembership> membership = currentMembership(workplace_, session_);
    if (!membership)
        return;
    printTiming("joinCompany tap");
    startJoin(membership->channelNumber);
}

void RadioOperations::joinFriendChannel(const SavedChannelSlot& slot)
{
    printTiming("joinFriend tap");
    startJoin(slot.channelNumber);
}

void RadioOperations::joinHomeChannel()
{
    printTiming("joinHome tap");
    startJoin(1);
}

void RadioOperations::startJoin(qint64 channel)
{
    // Runs on by itself; the join catches its own failures.
    retuneAndJoin(channel, std::nullopt);
}

QCoro::Task<void> RadioOperations::retuneAndJoin(qint64 channel, std::optional<QString> passkey)
{
    const QPointer<RadioOperations> self(this);
    const QPointer<RadioSession> radio = radio_;
    if (!radio)
        co_return;
    const Identity who = identity();
    // A retune leaves behind any join still running, so a second shortcut
    // tapped during a join makes the radio join the channel it now shows
    // instead of showing one channel while joining another. Retuning to the
    // channel already tuned keeps a join of it running.
    radio->applyChannel(std::clamp(channel, ChannelMath::minChannel, ChannelMath::maxChannel));
    co_await radio->join(who.uid, passkey, who.displayName, who.radioId, who.blockedUIDs);
    if (self)
        self->reportPasskeyRefusal();
}

void RadioOperations::reportPasskeyRefusal()
{
    if (radio_ && PasskeyPrompt::refusedForPasskey(*radio_))
        Q_EMIT passkeyRequired();
}

void RadioOperations::joinOrLeave()
{
    TovrinHaptics::medium();
    printTiming("join/leave tap", true);
    if (!radio_)
        return;
    if (isInChannel()) {
        radio_->leaveChannel();
        return;
    }
    joinCurrent();
}

QCoro::Task<void> RadioOperations::joinCurrent()
{
    printTiming("joinCurrent start");
    const QPointer<RadioOperations> self(this);
    const QPointer<RadioSession> radio = radio_;
    if (radio) {
        const Identity who = identity();
        co_await radio->join(who.uid, std::nullopt, who.displayName, who.radioId, who.blockedUIDs);
        if (self)
            self->reportPasskeyRefusal();
    }
    printTiming("joinCurrent end");
}

QCoro::Task<void> RadioOperations::joinWithPasskey(qint64 channel, QString passkey)
{
    return retuneAndJoin(channel, std::move(passkey));
}

// ---- Tuning ----

void RadioOperations::tuningFeedback()
{
    TovrinHaptics::rigid();
    effects_->wakeEffectsSession();
    SystemSounds::play(SystemSounds::tuneClick);
}

void RadioOperations::tuneMajor(int delta)
{
    tuningFeedback();
    if (radio_)
        radio_->applyChannel(ChannelMath::stepMajor(radio_->channelNumber(), delta));
}

void RadioOperations::tune(int delta)
{
    tuningFeedback();
    if (radio_)
        radio_->applyChannel(std::clamp(radio_->channelNumber() + delta, ChannelMath::minChannel, ChannelMath::maxChannel));
}

void RadioOperations::nudgeDigit(int index, int delta)
{
    tuningFeedback();
    if (radio_)
        radio_->applyDisplay(ChannelMath::nudgeDisplayCharacter(radio_->displayFrequency(), index, delta));
}

// ---- Push-to-talk ----

void RadioOperations::beginPTT(PTTSource source)
{
    // The key and Return are one push-to-talk: only the first press begins,
    // unless the engine has ended that press's transmission meanwhile.
    if (heldPTT_.contains(source))
        return;
    const bool othersHold = !heldPTT_.isEmpty();
    heldPTT_.insert(source);
    if (!radio_ || (othersHold && !(isInChannel() && !radio_->live()->isTransmitting())))
        return;
    printTiming("PTT down", true);
    if (isInChannel()) {
        radio_->live()->beginTransmit();
        effects_->playPTTChirp(SFXKind::rxOpen);
        return;
    }
    TovrinHaptics::rigid();
    effects_->play(SFXKind::rxOpen);
}

void RadioOperations::endPTT(PTTSource source)
{
    heldPTT_.remove(source);
    // Only the last release ends; a release while the other source holds is
    // ignored. With nothing held it still ends, clearing any timers left.
    if (heldPTT_.isEmpty())
        finishTransmission();
}

void RadioOperations::finishTransmission()
{
    printTiming("PTT up");
    if (radio_)
        radio_->live()->endTransmit();
    effects_->playPTTChirp(SFXKind::pttEnd);
}

// ---- Pager and chat ----

void RadioOperations::sendCallTone()
{
    if (!radio_ || !alerts_)
        return;
    ChannelAudioService* live = radio_->live();
    if (const std::optional<qint64> left = live->pagerCooldownRemaining(); left && *left > 0) {
        Diagnostics::printLine(QStringLiteral("[TovrinPager][mac] blocked cooldown=%1s").arg(*left));
        return;
    }
    const AlertSound sound = alerts_->current();
    Diagnostics::printLine(QStringLiteral("[TovrinPager][mac] tap sound=") + rawValue(sound)
                           + QStringLiteral(" live=") + (live->isLive() ? QStringLiteral("true") : QStringLiteral("false"))
                           + QStringLiteral(" build=") + AppLegal::buildNumber());
    effects_->playAlert(sound);
    if (isInChannel())
        relayPager(sound);
    else
        Diagnostics::printLine(QStringLiteral("[TovrinPager][mac] TX skipped not-connected"));
}

QCoro::Task<void> RadioOperations::relayPager(AlertSound sound)
{
    const QPointer<RadioOperations> self(this);
    const QPointer<RadioSession> radio = radio_;
    std::optional<QByteArray> pcm;
    try {
        pcm = co_await effects_->relayPCM(sound, 16000);
    } catch (...) {
    }
    // The screen is gone: the tap no longer stands for anything to send.
    if (!self || !radio)
        co_return;
    // Sending no samples would start the cooldown for a pager nobody hears.
    if (!pcm || pcm->isEmpty()) {
        Diagnostics::printLine(QStringLiteral("[TovrinPager][mac] TX skipped no-samples sound=") + rawValue(sound));
        co_return;
    }
    radio->live()->sendPager(rawValue(sound), *pcm);
}

void RadioOperations::openChat()
{
    TovrinHaptics::medium();
    printTiming("openChat tap", true);
    Q_EMIT chatRequested();
}
