#include "services/channel_audio_service.h"

#include "legal/app_legal.h"
#include "platform/diagnostics.h"
#include "platform/record_permission.h"
#include "platform/server.h"
#include "platform/tovrin_log.h"
#include "platform/web_socket_open.h"
#include "services/channel_playback.h"
#include "services/mic_privacy.h"
#include "services/tovrin_audio_pipeline.h"

#include <QJsonDocument>
#include <QTcpSocket>

#include <algorithm>

const QByteArray ChannelAudioService::sfxPrefix("\xFF\x51\x46\x01", 4);

namespace {

// The largest text or binary message the engine accepts; a "joined" with a
// long chat history stays well below it.
constexpr quint64 maxIncomingMessage = 4 * 1024 * 1024;

// The text form of an object's "type" value, "?" when it has none.
QString typeTextOf(const QJsonObject& object)
{
    const QJsonValue type = object.value(QLatin1String("type"));
    if (type.isUndefined())
        return QStringLiteral("?");
    if (type.isString())
        return type.toString();
    const QByteArray wrapped = QJsonDocument(QJsonArray{type}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2));
}

// Writes one frame once the socket is open, as a socket that queues early
// sends would; returns the failure's text, or none when the socket took it.
QCoro::Task<std::optional<QString>> deliver(QPointer<QWebSocket> socket, QByteArray payload, bool binary,
                                            std::chrono::milliseconds openTimeout)
{
    const bool open = co_await waitUntilOpen(socket, openTimeout);
    if (!socket)
        co_return QStringLiteral("socket closed");
    if (!open)
        co_return socket->errorString().isEmpty() ? QStringLiteral("socket not connected") : socket->errorString();
    const qint64 written = binary ? socket->sendBinaryMessage(payload) : socket->sendTextMessage(QString::fromUtf8(payload));
    if (written != payload.size())
        co_return socket->errorString();
    co_return std::nullopt;
}

// The voice pipe's hooks: they hold the engine weakly and answer false once it is gone.
QCoro::Task<bool> sendJSONThrough(QPointer<ChannelAudioService> engine, QJsonObject object)
{
    if (!engine)
        co_return false;
    co_return co_await engine->sendJSONAwait(std::move(object));
}

QCoro::Task<bool> sendBinaryThrough(QPointer<ChannelAudioService> engine, QByteArray frame)
{
    if (!engine)
        co_return false;
    co_return co_await engine->sendDataAwait(std::move(frame), QStringLiteral("voice-pipe-chunk"));
}

}  // namespace

void ChannelAudioService::SocketCloser::operator()(QWebSocket* socket) const
{
    if (socket->state() != QAbstractSocket::UnconnectedState)
        socket->close(QWebSocketProtocol::CloseCodeGoingAway);
    socket->deleteLater();
}

ChannelAudioService::ChannelAudioService(QObject* parent)
    : QObject(parent), voicePipe_(std::make_unique<TovrinVoicePipe>())
{
    // The wait before the next attempt, and the wait after which an open link
    // starts the back-off over; children, so tests can find them.
    reconnectTimer_.setParent(this);
    reconnectTimer_.setObjectName(QStringLiteral("reconnectTimer"));
    stableTimer_.setParent(this);
    stableTimer_.setObjectName(QStringLiteral("stableTimer"));
    reconnectTimer_.setSingleShot(true);
    reconnectTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&reconnectTimer_, &QTimer::timeout, this, &ChannelAudioService::reconnectWebSocket);
    QObject::connect(&pingTimer_, &QTimer::timeout, this, [this] {
        if (task_ && task_->state() == QAbstractSocket::ConnectedState)
            task_->ping();
    });
    idleTimer_.setSingleShot(true);
    QObject::connect(&idleTimer_, &QTimer::timeout, this, &ChannelAudioService::onLinkSilent);
    stableTimer_.setSingleShot(true);
    QObject::connect(&stableTimer_, &QTimer::timeout, this, [this] { backoff_.reset(); });

    // The pager countdown ticks once a second; a child, so tests can find it.
    pagerCooldownTask_.setParent(this);
    pagerCooldownTask_.setObjectName(QStringLiteral("pagerCooldownTask"));
    pagerCooldownTask_.setTimerType(Qt::PreciseTimer);
    pagerCooldownTask_.setInterval(std::chrono::milliseconds(1000));
    QObject::connect(&pagerCooldownTask_, &QTimer::timeout, this, &ChannelAudioService::onPagerCountdownTick);
    QObject::connect(voicePipe_.get(), &TovrinVoicePipe::recordingStarted, this,
                     &ChannelAudioService::countFromFirstSample);
    QObject::connect(voicePipe_.get(), &TovrinVoicePipe::microphoneFailed, this,
                     &ChannelAudioService::endTransmitAfterMicrophoneFailure);
}

ChannelAudioService::~ChannelAudioService()
{
    reconnectTimer_.stop();
    dropSocket();
}

void ChannelAudioService::setLinkTimingForTesting(LinkTiming timing)
{
    timing_ = timing;
    backoff_.setLimits(timing.firstRetry, timing.maxRetry);
}

// ---- published state ----

void ChannelAudioService::setIsTransmitting(bool value)
{
    if (std::exchange(isTransmitting_, value) != value)
        emit isTransmittingChanged();
}

void ChannelAudioService::setPttSecondsRemaining(std::optional<qint64> value)
{
    if (std::exchange(pttSecondsRemaining_, value) != value)
        emit pttSecondsRemainingChanged();
}

void ChannelAudioService::setLinkState(LinkState state)
{
    if (linkState_ == state)
        return;
    linkState_ = state;
    // Live only while a socket is open: never before the server answered.
    const bool live = state == LinkState::open;
    const bool liveChanged = std::exchange(isLive_, live) != live;
    emit linkStateChanged();
    if (liveChanged)
        emit isLiveChanged();
}

void ChannelAudioService::setListenerCount(qint64 value)
{
    if (std::exchange(listenerCount_, value) != value)
        emit listenerCountChanged();
}

void ChannelAudioService::setTransmitError(std::optional<QString> value)
{
    if (transmitError_ != value) {
        transmitError_ = std::move(value);
        emit transmitErrorChanged();
    }
}

void ChannelAudioService::setChatMessages(QList<ChatMessage> value)
{
    // Lines come from the network: keep the newest ones, never an unbounded list.
    if (value.size() > kMaxChatMessages)
        value.remove(0, value.size() - kMaxChatMessages);
    if (chatMessages_ != value) {
        chatMessages_ = std::move(value);
        emit chatMessagesChanged();
    }
}

void ChannelAudioService::setChannelRoster(QList<ChannelRosterMember> value)
{
    if (channelRoster_ != value) {
        channelRoster_ = std::move(value);
        emit channelRosterChanged();
    }
}

void ChannelAudioService::setKickReason(std::optional<QString> value)
{
    if (kickReason_ != value) {
        kickReason_ = std::move(value);
        emit kickReasonChanged();
    }
}

void ChannelAudioService::setMicDeniedNeedsSettings(bool value)
{
    if (std::exchange(micDeniedNeedsSettings_, value) != value)
        emit micDeniedNeedsSettingsChanged();
}

void ChannelAudioService::setPagerCooldownRemaining(std::optional<qint64> value)
{
    if (std::exchange(pagerCooldownRemaining_, value) != value)
        emit pagerCooldownRemainingChanged();
}

void ChannelAudioService::setVoiceFilter(VoiceFilter filter)
{
    if (voiceFilter_ == filter)
        return;
    voiceFilter_ = filter;
    emit voiceFilterChanged();
    sendVoiceFilter();
}

// ---- connect, disconnect, reconnect ----

QCoro::Task<void> ChannelAudioService::connect(int channel, QString uid, QString displayName, QString radioId,
                                               QSet<QString> blockedUIDs)
{
    disconnect();
    const quint64 attempt = connectGeneration_;

    chatUid_ = uid;
    chatDisplayName_ = displayName;
    chatRadioId_ = radioId;
    blockedUIDs_ = std::move(blockedUIDs);
    setChatMessages({});
    setChannelRoster({});
    setKickReason(std::nullopt);
    refusalReason_.reset();

    const QPointer<ChannelAudioService> self(this);
    co_await activateSessionAsync(true);
    // A leave or retune while the session woke up wins over this connect.
    if (!self || connectGeneration_ != attempt)
        co_return;

    TovrinVoicePipe::armLoudspeaker(QStringLiteral("pre-connect"));
    startPlaybackEngine();

    const QUrl url = Server::liveURL(channel, uid);
    if (!url.isValid() || url.host().isEmpty()) {
        tearDownPlaybackAsync();
        co_return;
    }
    TovrinAudioPipeline::receiveBus().bypassProcessing = true;

    pagerPacketsSent_ = 0;
    pagerPacketsRecv_ = 0;
    chatPacketsSent_ = 0;
    backoff_.reset();
    liveChannel_ = channel;
    liveUID_ = uid;
    openSocket(url);

    installSessionObserversIfNeeded();
    sendVoiceFilter();
    wireVoicePipe();

    TovrinLog::audio(QStringLiteral("[mac] connect ch=%1 build=%2 path=voice-pipe-aac-28").arg(channel).arg(AppLegal::buildNumber()));
    checkMicrophoneAfterConnect();
    // Back to the caller once the server answered (or the attempt failed).
    co_await waitUntilOpen(sendSocket(), timing_.openTimeout);
}

QCoro::Task<void> ChannelAudioService::checkMicrophoneAfterConnect()
{
    const QPointer<ChannelAudioService> self(this);
    const bool granted = co_await MicPrivacy::ensurePermission();
    if (!self)
        co_return;
    if (granted) {
        clearMicDeniedState();
    } else if (RecordPermission::current() == RecordPermission::State::denied) {
        markMicDenied(true);
    }
    TovrinVoicePipe::armLoudspeaker(QStringLiteral("channel-join"));
}

void ChannelAudioService::disconnect()
{
    closeLink(LinkState::closed);
}

void ChannelAudioService::closeLink(LinkState end)
{
    Diagnostics::printLine(QStringLiteral("[TovrinAudio][mac] disconnect"));

    ++transmitGeneration_;
    ++connectGeneration_;
    cancelPTTTimers();
    setPttSecondsRemaining(std::nullopt);
    setPagerCooldownRemaining(std::nullopt);
    pagerCooldownTask_.stop();

    rxActive_ = false;
    reconnectTimer_.stop();
    dropSocket();

    stopMicCaptureAsync();
    tearDownPlaybackAsync();

    voiceNoteRecorder_.stop(true);
    voicePipe_->reset();
    voicePipe_->sendJSON = nullptr;
    voicePipe_->sendBinary = nullptr;

    activeClipID_.reset();
    pagerQueuedUntil_ = {};

    if (end != LinkState::refused)
        refusalReason_.reset();
    setLinkState(end);
    setListenerCount(0);
    setChatMessages({});
    setChannelRoster({});
    chatUid_.clear();

    liveChannel_ = 0;
    liveUID_.clear();
    // Tearing the playback down above has already forgotten its keep-alive.
    playback().setBackgroundRadioActive(false);
}

void ChannelAudioService::reconnectWebSocket()
{
    const QUrl url = liveChannel_ > 0 && !liveUID_.isEmpty() ? Server::liveURL(liveChannel_, liveUID_) : QUrl();
    if (!url.isValid() || url.host().isEmpty()) {
        setLinkState(LinkState::closed);
        rxActive_ = false;
        return;
    }
    Diagnostics::printLine(QStringLiteral("[TovrinAudio][mac] WS reconnect ch=%1").arg(liveChannel_));
    openSocket(url);
    sendVoiceFilter();
    if (backgroundRadioActive()) {
        enterBackgroundRadioMode();
    } else {
        ensurePlaybackRunning();
        activateSessionFireAndForget(false);
    }
}

// ---- the socket ----

void ChannelAudioService::openSocket(const QUrl& url)
{
    dropSocket();
    ++socketGeneration_;
    task_.reset(new QWebSocket());
    QWebSocket* socket = task_.get();
    socket->setMaxAllowedIncomingMessageSize(maxIncomingMessage);
    socket->setMaxAllowedIncomingFrameSize(maxIncomingMessage);

    // Small frames go out at once. QWebSocket keeps its TCP socket as a child.
    QObject::connect(socket, &QWebSocket::connected, socket, [socket] {
        if (auto* tcp = socket->findChild<QTcpSocket*>())
            tcp->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    });
    const quint64 generation = socketGeneration_;
    QObject::connect(socket, &QWebSocket::connected, this, [this, generation] { onSocketOpen(generation); });
    QObject::connect(socket, &QWebSocket::pong, this, [this, generation] {
        if (generation == socketGeneration_)
            heardFromServer();
    });

    // A handshake that never completes counts as a failure of the socket.
    auto* openTimer = new QTimer(socket);
    openTimer->setSingleShot(true);
    QObject::connect(openTimer, &QTimer::timeout, socket, [socket] {
        if (socket->state() != QAbstractSocket::ConnectedState)
            socket->abort();
    });
    QObject::connect(socket, &QWebSocket::connected, openTimer, &QTimer::stop);
    openTimer->start(timing_.openTimeout);

    rxActive_ = true;
    receiveLoopUnlocked();
    setLinkState(LinkState::opening);
    socket->open(url);
}

void ChannelAudioService::onSocketOpen(quint64 generation)
{
    if (generation != socketGeneration_)
        return;
    setLinkState(LinkState::open);
    pingTimer_.start(timing_.pingInterval);
    idleTimer_.start(timing_.idleLimit);
    stableTimer_.start(timing_.stableAfter);
}

void ChannelAudioService::heardFromServer()
{
    if (idleTimer_.isActive())
        idleTimer_.start(timing_.idleLimit);
}

void ChannelAudioService::onLinkSilent()
{
    if (!task_)
        return;
    Diagnostics::printLine(
        QStringLiteral("[TovrinAudio][mac] WS silent for %1 ms: closing").arg(timing_.idleLimit.count()));
    dropSocket();
    retryLater();
}

void ChannelAudioService::dropSocket()
{
    pingTimer_.stop();
    idleTimer_.stop();
    stableTimer_.stop();
    if (!task_)
        return;
    ++socketGeneration_;
    QObject::disconnect(task_.get(), nullptr, this, nullptr);
    task_.reset();
}

QPointer<QWebSocket> ChannelAudioService::sendSocket() const
{
    return task_.get();
}

void ChannelAudioService::receiveLoopUnlocked()
{
    QWebSocket* socket = task_.get();
    if (!socket)
        return;
    const quint64 generation = socketGeneration_;
    QObject::connect(socket, &QWebSocket::textMessageReceived, this, [this, generation](const QString& text) {
        if (generation != socketGeneration_)
            return;
        heardFromServer();
        handleJSON(text);
    });
    QObject::connect(socket, &QWebSocket::binaryMessageReceived, this, [this, generation](const QByteArray& frame) {
        if (generation != socketGeneration_)
            return;
        heardFromServer();
        enqueueRXPCM(frame);
    });
    // Queued, so a failure is handled after the messages that came before it
    // and never inside the call that opened or closed the socket.
    QObject::connect(socket, &QWebSocket::disconnected, this, [this, generation] { onReceiveFailure(generation); },
                     Qt::QueuedConnection);
}

void ChannelAudioService::onReceiveFailure(quint64 generation)
{
    // A socket the engine has already replaced or closed: its failure is not the current connection's.
    if (generation != socketGeneration_ || !task_)
        return;
    // The server says why it will not have this socket: trying again would
    // only be refused again.
    if (task_->closeCode() == QWebSocketProtocol::CloseCodePolicyViolated && !task_->closeReason().isEmpty()) {
        refusalReason_ = task_->closeReason().left(kMaxSoundNameLength);
        Diagnostics::printLine(QStringLiteral("[TovrinAudio][mac] WS refused reason=") + *refusalReason_);
        closeLink(LinkState::refused);
        return;
    }
    QString reason = task_->errorString();
    if (reason.isEmpty())
        reason = QStringLiteral("closed code=%1").arg(int(task_->closeCode()));
    Diagnostics::printLine(QStringLiteral("[TovrinAudio][mac] WS recv fail: ") + reason);
    dropSocket();
    retryLater();
}

void ChannelAudioService::retryLater()
{
    if (liveChannel_ <= 0 || liveUID_.isEmpty()) {
        setLinkState(LinkState::closed);
        rxActive_ = false;
        return;
    }
    // One reconnect at a time; its wait is set before anyone hears of the state.
    if (!reconnectTimer_.isActive())
        reconnectTimer_.start(backoff_.next());
    setLinkState(LinkState::waiting);
}

void ChannelAudioService::wireVoicePipe()
{
    const QPointer<ChannelAudioService> self(this);
    voicePipe_->sendJSON = [self](QJsonObject object) { return sendJSONThrough(self, std::move(object)); };
    voicePipe_->sendBinary = [self](QByteArray frame) { return sendBinaryThrough(self, std::move(frame)); };
    voicePipe_->stopEngines = [self] {
        if (self)
            self->hardStopPlaybackEngine();
    };
}

// ---- send primitives ----

void ChannelAudioService::sendJSON(QJsonObject object, std::optional<QString> label)
{
    sendJSONAwait(std::move(object), std::move(label));
}

QCoro::Task<bool> ChannelAudioService::sendJSONAwait(QJsonObject object, std::optional<QString> label)
{
    const QString type = typeTextOf(object);
    const QPointer<QWebSocket> socket = sendSocket();
    if (!socket) {
        Diagnostics::printLine(QStringLiteral("[TovrinAudio][mac] JSON SEND FAIL no-ws type=") + type);
        co_return false;
    }
    const QString name = label.value_or(type);
    const QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Compact);
    // Nothing of the engine is touched after this point: it may be gone by then.
    const std::optional<QString> failure = co_await deliver(socket, text, false, timing_.openTimeout);
    if (failure) {
        Diagnostics::printLine(QStringLiteral("[TovrinAudio][mac] JSON SEND FAIL type=%1 err=%2").arg(name, *failure));
        co_return false;
    }
    Diagnostics::printLine(QStringLiteral("[TovrinAudio][mac] JSON SEND OK type=") + name);
    co_return true;
}

QCoro::Task<bool> ChannelAudioService::sendDataAwait(QByteArray data, QString label)
{
    const QPointer<QWebSocket> socket = sendSocket();
    if (!socket) {
        Diagnostics::printLine(QStringLiteral("[TovrinPTT][mac] %1 FAIL no-ws").arg(label));
        co_return false;
    }
    const std::optional<QString> failure = co_await deliver(socket, std::move(data), true, timing_.openTimeout);
    if (failure) {
        Diagnostics::printLine(QStringLiteral("[TovrinPTT][mac] %1 FAIL %2").arg(label, *failure));
        co_return false;
    }
    co_return true;
}

void ChannelAudioService::sendVoiceFilter()
{
    // Presets shape the voice on this device only; the server is always told "normal".
    sendJSON(QJsonObject{{"type", "voice_filter"}, {"filter", "normal"}});
}

double ChannelAudioService::mediaClock()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
