#pragma once

#include "models/chat_message.h"
#include "models/voice_filter.h"
#include "platform/audio_session_notifications.h"
#include "platform/pcm_buffer.h"
#include "services/engine_mic_capture.h"
#include "services/ptt_capture_service.h"
#include "services/reconnect_backoff.h"
#include "services/tovrin_voice_pipe.h"
#include "services/voice_note_recorder.h"

#include <QByteArray>
#include <QFuture>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QWebSocket>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The live channel engine: the one WebSocket of the joined channel, its
// protocol in both directions, the chat list, roster and reactions, and the
// live state the screens observe. The transmit, pager and playback operations
// live in their own source files (channel_audio_service_*.cpp).
//
// Threads: built, called and destroyed on the GUI thread. The socket is used
// only there, so received frames and texts are handled there too, in the
// order the socket delivers them.
//
// Connection life (LinkState, changed only by setLinkState): closed (no
// socket, liveChannel 0) → connect → opening → open once the server answered
// (only then isLive). The engine pings an open link; one that brings nothing
// (no frame, no pong) for the idle limit is dead. A dead or failed link is
// closed and the engine waits (waiting, a growing back-off) before opening
// again. A close with code 1008 and a reason is the server's refusal: refused,
// no further attempt. disconnect or "kicked" → closed from anywhere. Every
// socket gets a new generation number; a callback of an older one does nothing.
class ChannelPlayback;

class ChannelAudioService : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isTransmitting READ isTransmitting NOTIFY isTransmittingChanged)
    Q_PROPERTY(std::optional<qint64> pttSecondsRemaining READ pttSecondsRemaining NOTIFY pttSecondsRemainingChanged)
    Q_PROPERTY(bool isLive READ isLive NOTIFY isLiveChanged)
    Q_PROPERTY(qint64 listenerCount READ listenerCount NOTIFY listenerCountChanged)
    Q_PROPERTY(std::optional<QString> transmitError READ transmitError NOTIFY transmitErrorChanged)
    Q_PROPERTY(QList<ChatMessage> chatMessages READ chatMessages NOTIFY chatMessagesChanged)
    Q_PROPERTY(QList<ChannelRosterMember> channelRoster READ channelRoster NOTIFY channelRosterChanged)
    Q_PROPERTY(std::optional<QString> kickReason READ kickReason NOTIFY kickReasonChanged)
    Q_PROPERTY(bool micDeniedNeedsSettings READ micDeniedNeedsSettings NOTIFY micDeniedNeedsSettingsChanged)
    Q_PROPERTY(std::optional<qint64> pagerCooldownRemaining READ pagerCooldownRemaining NOTIFY pagerCooldownRemainingChanged)
    Q_PROPERTY(VoiceFilter voiceFilter READ voiceFilter WRITE setVoiceFilter NOTIFY voiceFilterChanged)
    Q_PROPERTY(LinkState linkState READ linkState NOTIFY linkStateChanged)

public:
    // The live link's life; see the class comment.
    enum class LinkState { closed, opening, open, waiting, refused };
    Q_ENUM(LinkState)

    // How the link is kept: the handshake's limit, the ping interval, how long
    // a link may bring nothing before it counts as dead, the back-off between
    // attempts, and how long a socket must stay open to start the back-off over.
    struct LinkTiming {
        std::chrono::milliseconds openTimeout{30000};
        std::chrono::milliseconds pingInterval{10000};
        std::chrono::milliseconds idleLimit{30000};
        std::chrono::milliseconds firstRetry{1000};
        std::chrono::milliseconds maxRetry{30000};
        std::chrono::milliseconds stableAfter{10000};
    };

    // The most chat lines kept; older ones drop off the front.
    static constexpr qsizetype kMaxChatMessages = 1000;

    // Bounds on what the network can make the engine keep. Longer texts are
    // cut (names and chat as a reader counts characters, ids and uids by code
    // unit); pager frames with a longer payload are dropped.
    static constexpr qsizetype kMaxPagerPayload = 1280;
    static constexpr std::chrono::milliseconds kMaxQueuedPagerAudio{4000};
    static constexpr qsizetype kMaxChatCharacters = 500;
    static constexpr qsizetype kMaxNameCharacters = 80;
    static constexpr qsizetype kMaxRadioIdLength = 16;
    static constexpr qsizetype kMaxIdLength = 128;
    static constexpr qsizetype kMaxSoundNameLength = 64;
    static constexpr qsizetype kMaxRosterMembers = 500;
    static constexpr qsizetype kMaxReactionEmoji = 32;
    static constexpr qsizetype kMaxEmojiLength = 32;

    // Frame headers: 0xFF 'Q' 'F' and the kind (1 pager audio, 2 utterance
    // upload, 3 utterance playback; the voice pipe handles kinds 2 and 3).
    static const QByteArray sfxPrefix;
    static constexpr qsizetype frameHeaderSize = 4;

    // Why nothing can be heard or said: the radio face shows it while in a
    // channel, and a press that cannot talk for that reason says so.
    static inline const QString soundOffText = QStringLiteral("No sound: the sound server is not running.");

    explicit ChannelAudioService(QObject* parent = nullptr);
    ~ChannelAudioService() override;

    bool isTransmitting() const { return isTransmitting_; }
    std::optional<qint64> pttSecondsRemaining() const { return pttSecondsRemaining_; }
    bool isLive() const { return isLive_; }
    LinkState linkState() const { return linkState_; }
    // The server's reason for refusing the link ("banned", "not_allowed"…), while refused.
    std::optional<QString> refusalReason() const { return refusalReason_; }
    qint64 listenerCount() const { return listenerCount_; }
    std::optional<QString> transmitError() const { return transmitError_; }
    const QList<ChatMessage>& chatMessages() const { return chatMessages_; }
    const QList<ChannelRosterMember>& channelRoster() const { return channelRoster_; }
    std::optional<QString> kickReason() const { return kickReason_; }
    bool micDeniedNeedsSettings() const { return micDeniedNeedsSettings_; }
    std::optional<qint64> pagerCooldownRemaining() const { return pagerCooldownRemaining_; }

    // The selected voice preset (normal at start); a change sends "voice_filter".
    VoiceFilter voiceFilter() const { return voiceFilter_; }
    void setVoiceFilter(VoiceFilter filter);

    TovrinVoicePipe& voicePipe() { return *voicePipe_; }

    // Opens the channel's live socket after a successful join and returns once
    // the server answered, or the first attempt failed (the engine then keeps
    // trying). Never fails to the caller.
    QCoro::Task<void> connect(int channel, QString uid, QString displayName, QString radioId, QSet<QString> blockedUIDs);
    // Closes the socket (code 1001) and returns to the closed state; keeps kickReason.
    void disconnect();

    // Send primitives: true when the socket took the frame. A socket still
    // opening holds the frame until it is open (at most its open time-out).
    void sendJSON(QJsonObject object, std::optional<QString> label = std::nullopt);
    QCoro::Task<bool> sendJSONAwait(QJsonObject object, std::optional<QString> label = std::nullopt);
    QCoro::Task<bool> sendDataAwait(QByteArray data, QString label);
    // Sends "voice_filter"; the server is always told "normal".
    void sendVoiceFilter();

    // Receive entry points: the socket feeds them; tests and the fuzzer may too.
    void handleJSON(const QString& text);
    void enqueueRXPCM(const QByteArray& frame);

    // Where a received binary frame goes. Frames shorter than the header, of
    // a kind no client receives, or whose id length points past the end are dropped.
    struct FrameRoute {
        enum class Kind { drop, utterance, pager };
        Kind kind = Kind::drop;
        QString utteranceId;
        QByteArray payload;
    };
    static FrameRoute routeFrame(const QByteArray& frame);
    // Received pager audio scheduled and not yet played, by the pager clock.
    std::chrono::milliseconds queuedPagerAudio() const;

    // Chat, roster and reactions.
    void updateBlocked(QSet<QString> blocked);
    void updateChatIdentity(const QString& displayName, const QString& radioId);
    // What outgoing chat carries, and whose messages are filtered.
    QString chatDisplayName() const { return chatDisplayName_; }
    QString chatRadioId() const { return chatRadioId_; }
    QSet<QString> blockedUIDs() const { return blockedUIDs_; }
    void sendChat(const QString& text);
    void sendReaction(const QString& messageId, const QString& emoji);

    // Push-to-talk (channel_audio_service_transmit.cpp).
    void beginTransmit();
    void endTransmit();
    void refreshMicPermissionFromSettings();

    // Pager (channel_audio_service_pager.cpp). True when the pager went out;
    // false when refused (not live, or inside the 20 s cooldown).
    bool sendPager(const QString& soundRaw, const QByteArray& pcm);
    // The server's "pager_denied": refuses pagers for retryAfter seconds, clamped to 1…20.
    void applyServerPagerCooldown(qint64 retryAfter);
    // Pager audio frames of PCM: the header and at most 1,280 bytes each; none for no bytes.
    static QList<QByteArray> pagerFrames(const QByteArray& pcm);
    // What a pager without samples sends: 80 ms of 880 Hz with short fades.
    static QByteArray fallbackPagerPCM();

    using PagerClock = std::function<std::chrono::steady_clock::time_point()>;
    // The clock of the pager cooldown and the receive window, and the countdown
    // tick (1 s); tests move the clock instead of waiting.
    void setPagerClockForTesting(PagerClock now, std::chrono::milliseconds tick);
    // The clock the push-to-talk countdown reads; tests move it instead of waiting.
    void setTransmitClockForTesting(PagerClock now) { transmitClock_ = std::move(now); }

    // Background radio mode (channel_audio_service_playback.cpp).
    void enterBackgroundRadioMode();
    void leaveForegroundRadioMode();
    // Checks the microphone permission again after returning to the foreground.
    QCoro::Task<void> prepareChannelAudio();
    bool backgroundRadioActive() const;
    // The playback engine of received pager audio (created on first use).
    ChannelPlayback& playback();

    // The transmit limit (30 s), its countdown tick (250 ms) and the hard
    // deadline (the limit); tests shorten them, or move the deadline so that
    // only the countdown can end a press.
    void setTransmitLimitForTesting(std::chrono::seconds limit, std::chrono::milliseconds tick,
                                    std::optional<std::chrono::milliseconds> deadline = std::nullopt);

    // Tests shorten the link's timing; the jitter of the back-off stays.
    void setLinkTimingForTesting(LinkTiming timing);
    // A reconnect waits for its delay.
    bool isReconnectPending() const { return reconnectTimer_.isActive(); }
    // Finishes once the audio-session work queued so far has run.
    static QFuture<void> sessionWorkDoneForTesting();

signals:
    void isTransmittingChanged();
    void pttSecondsRemainingChanged();
    void isLiveChanged();
    void listenerCountChanged();
    void transmitErrorChanged();
    void chatMessagesChanged();
    void channelRosterChanged();
    void kickReasonChanged();
    void micDeniedNeedsSettingsChanged();
    void pagerCooldownRemainingChanged();
    void voiceFilterChanged();
    // Emitted once linkState and isLive both hold their new values;
    // isLiveChanged, when due, follows it.
    void linkStateChanged();

private:
    // Closes a dropped socket (code 1001) and releases it once its signals are done.
    struct SocketCloser {
        void operator()(QWebSocket* socket) const;
    };
    using SocketHandle = std::unique_ptr<QWebSocket, SocketCloser>;

    // Published-state setters: each emits only on a real change.
    void setIsTransmitting(bool value);
    void setPttSecondsRemaining(std::optional<qint64> value);
    void setLinkState(LinkState state);
    void setListenerCount(qint64 value);
    void setTransmitError(std::optional<QString> value);
    void setChatMessages(QList<ChatMessage> value);
    void setChannelRoster(QList<ChannelRosterMember> value);
    void setKickReason(std::optional<QString> value);
    void setMicDeniedNeedsSettings(bool value);
    void setPagerCooldownRemaining(std::optional<qint64> value);

    // Socket life.
    void openSocket(const QUrl& url);
    void dropSocket();
    void receiveLoopUnlocked();
    void onSocketOpen(quint64 generation);
    void heardFromServer();
    void onReceiveFailure(quint64 generation);
    void onLinkSilent();
    // The current link is gone: wait, then open another; closed when there is no channel.
    void retryLater();
    void reconnectWebSocket();
    // Everything disconnect does, ending in `end` (closed or refused).
    void closeLink(LinkState end);
    void wireVoicePipe();
    // After connect: the record permission, then the loudspeaker; runs on its own.
    QCoro::Task<void> checkMicrophoneAfterConnect();
    QPointer<QWebSocket> sendSocket() const;

    // Receive.
    void enqueueLegacySFX(const QByteArray& payload);
    void applyPresence(const QJsonObject& message, bool joined);
    void applyChat(const QJsonObject& message);
    void applyReaction(const QJsonObject& message);
    void applyPager(const QJsonObject& message);
    void applyPlayUtterance(const QJsonObject& message);
    void applyPlayUtteranceEnd(const QJsonObject& message);

    // Lenient builders for chat lines and roster rows inside live messages.
    static std::optional<ChatMessage> parseChatMessage(const QJsonObject& object);
    static QList<ChannelRosterMember> parseRoster(const QJsonArray& array);
    // The name outgoing chat and pagers carry.
    QString outgoingDisplayName() const;
    static std::optional<QMap<QString, QStringList>> parseReactions(const QJsonValue& value);

    // The engine's message and frame counters wrap like 32-bit registers.
    static qint32 nextCount(qint32& counter);

    // Transmit (channel_audio_service_transmit.cpp).
    void startPTTCountdown(quint64 generation);
    void countFromFirstSample();
    QCoro::Task<void> runTransmitStart(quint64 generation);
    // The microphone failed mid-talk: the talk ends as a release would end it.
    void endTransmitAfterMicrophoneFailure();
    void tickPTTCountdown(quint64 generation);
    void cancelPTTTimers();
    // Not transmitting, no countdown and no timers left.
    void clearTransmitState();
    void stopMicCaptureAsync();
    // The record permission is denied: the radio screen says so, and may open
    // the settings where it is granted.
    void markMicDenied(bool openSettings);
    void clearMicDeniedState();

    // Playback (channel_audio_service_playback.cpp).
    static QCoro::Task<void> activateSessionAsync(bool background);
    static void activateSessionFireAndForget(bool background);
    void startPlaybackEngine();
    void ensurePlaybackRunning();
    void tearDownPlaybackAsync();
    void hardStopPlaybackEngine();
    void installSessionObserversIfNeeded();
    void scheduleVoiceBuffer(std::vector<float> buffer);
    static std::optional<std::vector<float>> makeFloatPlaybackBuffer(const QByteArray& int16PCM);
    void scheduleSilentKeepaliveIfNeeded();
    void handleAudioInterruption(const AudioSessionNotifications::Interruption& interruption);
    void handleRouteChange();
    void releaseMicrophoneForBackground();

    static double mediaClock();

    // Pager (channel_audio_service_pager.cpp).
    std::chrono::steady_clock::time_point pagerNow() const;
    // The time on a clock a test has set, or the steady clock.
    static std::chrono::steady_clock::time_point timeOn(const PagerClock& clock);
    void startPagerCountdown(qint64 from);
    void onPagerCountdownTick();
    QCoro::Task<void> relayPager(QJsonObject message, QByteArray pcm);
    static void emitSFXChunks(QPointer<QWebSocket> socket, const QByteArray& pcm);

    // Published state.
    bool isTransmitting_ = false;
    std::optional<qint64> pttSecondsRemaining_;
    bool isLive_ = false;
    qint64 listenerCount_ = 0;
    std::optional<QString> transmitError_;
    QList<ChatMessage> chatMessages_;
    QList<ChannelRosterMember> channelRoster_;
    std::optional<QString> kickReason_;
    bool micDeniedNeedsSettings_ = false;
    std::optional<qint64> pagerCooldownRemaining_;
    VoiceFilter voiceFilter_ = VoiceFilter::normal;

    // Chat identity and block list.
    QString chatUid_;
    QString chatDisplayName_;
    QString chatRadioId_;
    QSet<QString> blockedUIDs_;

    // The channel socket and the connection it belongs to.
    SocketHandle task_;
    quint64 socketGeneration_ = 0;
    // Advanced by every disconnect: a connect that resumes after it stops.
    quint64 connectGeneration_ = 0;
    int liveChannel_ = 0;
    QString liveUID_;
    bool rxActive_ = false;
    LinkState linkState_ = LinkState::closed;
    std::optional<QString> refusalReason_;
    LinkTiming timing_;
    ReconnectBackoff backoff_{timing_.firstRetry, timing_.maxRetry};
    QTimer reconnectTimer_;
    QTimer pingTimer_;
    // Restarted by every frame and pong; when it runs out the link is dead.
    QTimer idleTimer_;
    // Runs out once a socket has stayed open long enough to reset the back-off.
    QTimer stableTimer_;

    std::unique_ptr<TovrinVoicePipe> voicePipe_;

    quint64 transmitGeneration_ = 0;
    std::optional<std::chrono::steady_clock::time_point> pttStartedAt_;
    std::unique_ptr<QTimer> pttTickTask_;
    std::unique_ptr<QTimer> pttDeadlineTask_;
    std::chrono::seconds transmitLimit_{30};
    std::chrono::milliseconds pttTick_{250};
    std::optional<std::chrono::milliseconds> pttDeadlineForTesting_;
    QTimer pagerCooldownTask_;
    qint64 pagerCountdownLeft_ = 0;
    // Kept across disconnects: a pager right after a rejoin is still refused.
    std::optional<std::chrono::steady_clock::time_point> lastPagerSentAt_;
    PagerClock pagerClock_;
    PagerClock transmitClock_;
    bool sessionObserversInstalled_ = false;
    ChannelPlayback* playback_ = nullptr;  // child

    // Capture objects the engine holds and stops but never starts.
    PTTCaptureService micCapture_;
    EngineMicCapture engineMicCapture_;
    VoiceNoteRecorder voiceNoteRecorder_;
    bool usingEngineMic_ = false;
    bool captureActive_ = false;

    std::optional<QString> activeClipID_;
    std::chrono::steady_clock::time_point pagerSuppressRXUntil_{};
    // When the received pager audio scheduled so far ends playing.
    std::chrono::steady_clock::time_point pagerQueuedUntil_{};
    double lastRxLog_ = 0;
    qint32 pagerPacketsSent_ = 0;
    qint32 pagerPacketsRecv_ = 0;
    qint32 chatPacketsSent_ = 0;
};
