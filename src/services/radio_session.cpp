#include "services/radio_session.h"

#include "models/channel_math.h"
#include "services/channel_audio_service.h"
#include "services/tovrin_api.h"

#include <QCoroTimer>
#include <QPointer>

#include <algorithm>

RadioSession::RadioSession(QObject* parent) : RadioSession(Timing{}, parent) {}

RadioSession::RadioSession(Timing timing, QObject* parent)
    : QObject(parent), timing_(timing), live_(new ChannelAudioService(this))
{
    chatThrottle_.setSingleShot(true);
    chatThrottle_.setInterval(timing_.chatThrottle);
    connect(&chatThrottle_, &QTimer::timeout, this, &RadioSession::onChatThrottleElapsed);
    subscribeToEngine();
    restoreLastChannel();
}

void RadioSession::subscribeToEngine()
{
    // Changes that only make observers of the session redraw arrive on a
    // later turn of the event loop.
    const auto announce = [this](auto signal) {
        connect(live_, signal, this, &RadioSession::engineStateChanged, Qt::QueuedConnection);
    };
    announce(&ChannelAudioService::isTransmittingChanged);
    announce(&ChannelAudioService::pttSecondsRemainingChanged);
    announce(&ChannelAudioService::pagerCooldownRemainingChanged);
    announce(&ChannelAudioService::isLiveChanged);
    announce(&ChannelAudioService::transmitErrorChanged);
    announce(&ChannelAudioService::micDeniedNeedsSettingsChanged);
    connect(live_, &ChannelAudioService::chatMessagesChanged, this, &RadioSession::onChatMessagesChanged);

    // These act at once, on the GUI thread where the engine sets them.
    connect(live_, &ChannelAudioService::isLiveChanged, this, &RadioSession::updateLcdStatus);
    connect(live_, &ChannelAudioService::kickReasonChanged, this, &RadioSession::onKickReasonChanged);
    connect(live_, &ChannelAudioService::linkStateChanged, this, &RadioSession::onLinkStateChanged);
    connect(live_, &ChannelAudioService::listenerCountChanged, this, &RadioSession::onListenerCountChanged);
}

void RadioSession::restoreLastChannel()
{
    const qint64 stored = defaults_.integer(lastChannelKey).value_or(0);
    if (stored < ChannelMath::minChannel || stored > ChannelMath::maxChannel)
        return;
    setChannelNumber(stored);
    setDisplayFrequency(ChannelMath::display(stored));
}

void RadioSession::onChatMessagesChanged()
{
    const qsizetype count = live_->chatMessages().size();
    if (count == lastChatCount_)
        return;
    lastChatCount_ = count;
    if (chatThrottle_.isActive()) {
        chatAnnouncementPending_ = true;
        return;
    }
    QMetaObject::invokeMethod(this, &RadioSession::engineStateChanged, Qt::QueuedConnection);
    chatThrottle_.start();
}

void RadioSession::onChatThrottleElapsed()
{
    if (!chatAnnouncementPending_)
        return;
    chatAnnouncementPending_ = false;
    Q_EMIT engineStateChanged();
    chatThrottle_.start();
}

void RadioSession::onKickReasonChanged()
{
    const std::optional<QString> reason = live_->kickReason();
    if (!reason)
        return;
    moveOn();
    setConnectionState(ConnectionState::idle);
    persistResume(false);
    setLastError(*reason == QStringLiteral("banned") ? QStringLiteral("You were banned from this channel.")
                                                     : QStringLiteral("Removed from channel."));
}

void RadioSession::onLinkStateChanged()
{
    // Before a join was allowed the engine is closed, and after a leave nothing
    // is followed; a join that awaits the engine applies its state when it ends.
    if (connectionState_ == ConnectionState::idle || joinInProgress_)
        return;
    switch (live_->linkState()) {
    case ChannelAudioService::LinkState::open:
        setConnectionState(ConnectionState::connected);
        break;
    case ChannelAudioService::LinkState::opening:
    case ChannelAudioService::LinkState::waiting:
        if (connectionState_ == ConnectionState::connected)
            setConnectionState(ConnectionState::connecting);
        break;
    case ChannelAudioService::LinkState::refused:
        moveOn();
        setConnectionState(ConnectionState::idle);
        persistResume(false);
        setLastError(message(live_->refusalReason()));
        break;
    case ChannelAudioService::LinkState::closed:
        break;
    }
}

void RadioSession::onListenerCountChanged()
{
    if (live_->isLive())
        setListenersOnTunedChannel(live_->listenerCount());
}

void RadioSession::setChannel(qint64 n)
{
    setChannelNumber(std::clamp(n, ChannelMath::minChannel, ChannelMath::maxChannel));
    setDisplayFrequency(ChannelMath::display(channelNumber_));
    persistNumber();
}

void RadioSession::applyChannel(qint64 n)
{
    if (n == channelNumber_) {
        // A rolled digit may have left a text that names no channel: show the
        // tuned one again, without touching the connection.
        setDisplayFrequency(ChannelMath::display(n));
        return;
    }
    clearForRetune();
    setChannelNumber(n);
    setDisplayFrequency(ChannelMath::display(n));
    persistNumber();
    refreshInBackground();
}

void RadioSession::applyDisplay(QString display)
{
    if (display == displayFrequency_)
        return;
    const auto n = ChannelMath::number(display);
    if (!n || *n == channelNumber_) {
        // The channel stays: a text that names no channel (or the same one)
        // only changes what is shown, and a live connection stays up.
        setDisplayFrequency(display);
        setLastError(std::nullopt);
        return;
    }
    clearForRetune();
    setDisplayFrequency(display);
    setChannelNumber(*n);
    persistNumber();
    refreshInBackground();
}

void RadioSession::clearForRetune()
{
    moveOn();
    if (connectionState_ != ConnectionState::idle) {
        live_->disconnect();
        persistResume(false);
    }
    setConnectionState(ConnectionState::idle);
    setLastError(std::nullopt);
}

void RadioSession::moveOn()
{
    ++tuneGeneration_;
    // The join left behind no longer counts as running: the user may join again.
    joinInProgress_ = false;
}

QCoro::Task<void> RadioSession::join(QString uid, std::optional<QString> passkey, QString displayName,
                                     QString radioId, QSet<QString> blockedUIDs)
{
    if (joinInProgress_)
        co_return;
    joinInProgress_ = true;

    if (const auto n = ChannelMath::number(displayFrequency_)) {
        setChannelNumber(*n);
    } else if (const auto snapped = ChannelMath::snapToValid(displayFrequency_)) {
        setDisplayFrequency(snapped->display);
        setChannelNumber(snapped->channel);
    } else {
        setConnectionState(ConnectionState::idle);
        setLastError(invalidFrequencyText);
        joinInProgress_ = false;
        co_return;
    }

    setConnectionState(ConnectionState::connecting);
    // The resume state must not outlive the connection dropped here, or a
    // failed join would leave it saying "live".
    if (live_->isLive())
        defaults_.set(wasLiveKey, false);
    live_->disconnect();

    const QPointer<RadioSession> self(this);
    const quint64 generation = tuneGeneration_;
    const qint64 requested = channelNumber_;
    std::optional<JoinChannelResponse> reply;
    try {
        reply = co_await TovrinAPI::shared().joinChannel(uid, requested, passkey);
    } catch (...) {
    }
    if (!self || generation != tuneGeneration_)
        co_return;

    if (!reply) {
        setConnectionState(ConnectionState::idle);
        setLastError(joinFailedText);
        joinInProgress_ = false;
        co_return;
    }
    if (!reply->allowed) {
        setConnectionState(ConnectionState::idle);
        persistResume(false);
        setLastError(message(reply->reason));
        joinInProgress_ = false;
        co_return;
    }

    // The server's channel wins; without one, the channel that was asked for.
    const qint64 n = std::clamp(reply->channel ? reply->channel->channelNumber : requested, ChannelMath::minChannel,
                                ChannelMath::maxChannel);
    setChannel(n);
    setLastError(std::nullopt);
    // Connecting until the live socket is open; the link's state takes over from here.
    co_await live_->connect(int(n), uid, displayName, radioId, blockedUIDs);
    if (!self)
        co_return;
    if (generation != tuneGeneration_) {
        // Left or retuned while the engine connected: whatever it opened is not wanted.
        if (connectionState_ != ConnectionState::connected)
            live_->disconnect();
        co_return;
    }
    persistResume(true);
    joinInProgress_ = false;
    onLinkStateChanged();
}

QString RadioSession::message(const std::optional<QString>& reason)
{
    static const QHash<QString, QString> texts = {
        {QStringLiteral("banned"), QStringLiteral("You are banned from this channel.")},
        {QStringLiteral("passkey_required"), QStringLiteral("This channel requires a passkey.")},
        {QStringLiteral("not_allowed"), QStringLiteral("You are not on the allowlist for this channel.")},
        {QStringLiteral("not_active"), QStringLiteral("Channel not active.")},
        {QStringLiteral("not_found"), QStringLiteral("Channel not found.")},
        {QStringLiteral("workplace_required"), QStringLiteral("Employees only — enter your company code in Settings.")},
    };
    return texts.value(reason.value_or(QString()), QStringLiteral("Join denied."));
}

void RadioSession::leaveChannel()
{
    moveOn();
    setConnectionState(ConnectionState::idle);
    setLastError(std::nullopt);
    persistResume(false);
    live_->disconnect();
    refreshInBackground();
}

void RadioSession::startPresencePolling()
{
    presenceLoop(++presenceGeneration_);
}

void RadioSession::stopPresencePolling()
{
    ++presenceGeneration_;
}

QCoro::Task<void> RadioSession::presenceLoop(quint64 generation)
{
    const QPointer<RadioSession> self(this);
    ++presenceLoops_;
    while (self && self->presenceGeneration_ == generation) {
        co_await self->refreshListenersOnTunedChannel();
        if (!self || self->presenceGeneration_ != generation)
            break;
        co_await QCoro::sleepFor(self->timing_.presenceInterval);
    }
    if (self)
        --self->presenceLoops_;
}

void RadioSession::refreshInBackground()
{
    // Runs on by itself; the refresh catches its own failures.
    refreshListenersOnTunedChannel();
}

QCoro::Task<void> RadioSession::refreshListenersOnTunedChannel()
{
    if (live_->isLive()) {
        setListenersOnTunedChannel(live_->listenerCount());
        co_return;
    }
    const qint64 tuned = channelNumber_;
    const QString query =
        ChannelMath::number(displayFrequency_) ? displayFrequency_ : ChannelMath::display(channelNumber_);
    const QPointer<RadioSession> self(this);
    std::optional<ChannelListResponse> reply;
    try {
        reply = co_await TovrinAPI::shared().fetchChannels(query, 1);
    } catch (...) {
    }
    // A failed search changes nothing; one for a channel tuned away from is stale.
    if (!self || !reply || channelNumber_ != tuned || live_->isLive())
        co_return;
    // Only the tuned channel's own count: another channel's would be a wrong number.
    const auto match = std::find_if(reply->channels.begin(), reply->channels.end(),
                                    [tuned](const Channel& channel) { return channel.channelNumber == tuned; });
    setListenersOnTunedChannel(match == reply->channels.end() ? 0 : match->activeTalkerCount.value_or(0));
}

bool RadioSession::isInChannel() const
{
    return connectionState_ == ConnectionState::connected && live_->isLive();
}

void RadioSession::snapshotResumeState()
{
    persistResume(isInChannel());
}

void RadioSession::persistNumber()
{
    defaults_.set(lastChannelKey, channelNumber_);
}

void RadioSession::persistResume(bool live)
{
    persistNumber();
    defaults_.set(wasLiveKey, live);
}

void RadioSession::setChannelNumber(qint64 n)
{
    if (n == channelNumber_)
        return;
    channelNumber_ = n;
    Q_EMIT channelNumberChanged();
}

void RadioSession::setDisplayFrequency(const QString& display)
{
    if (display == displayFrequency_)
        return;
    displayFrequency_ = display;
    Q_EMIT displayFrequencyChanged();
}

void RadioSession::setConnectionState(ConnectionState state)
{
    if (state == connectionState_)
        return;
    connectionState_ = state;
    Q_EMIT connectionStateChanged();
    updateLcdStatus();
}

void RadioSession::setListenersOnTunedChannel(qint64 count)
{
    if (count == listenersOnTunedChannel_)
        return;
    listenersOnTunedChannel_ = count;
    Q_EMIT listenersOnTunedChannelChanged();
}

void RadioSession::setLastError(std::optional<QString> error)
{
    if (error == lastError_)
        return;
    lastError_ = std::move(error);
    Q_EMIT lastErrorChanged();
}

void RadioSession::updateLcdStatus()
{
    QString word;
    switch (connectionState_) {
    case ConnectionState::idle:
        word = QStringLiteral("STANDBY");
        break;
    case ConnectionState::connecting:
        word = QStringLiteral("TUNING…");
        break;
    case ConnectionState::connected:
        word = live_->isLive() ? QStringLiteral("ON CHANNEL") : QStringLiteral("CONNECTED");
        break;
    }
    if (word == lcdStatus_)
        return;
    lcdStatus_ = word;
    Q_EMIT lcdStatusChanged();
}
