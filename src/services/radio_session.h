#pragma once

#include "platform/user_defaults.h"

#include <QCoroTask>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <chrono>
#include <optional>

class ChannelAudioService;

// The tuned channel and whether the radio is on it: number and shown
// frequency, the join state, how many people are on the channel and the last
// user-facing error of a join or a removal. Owns the one live engine (`live`)
// for its whole life. GUI thread only; no operation throws: every failure
// ends as a state and a text.
class RadioSession : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint64 channelNumber READ channelNumber NOTIFY channelNumberChanged)
    Q_PROPERTY(QString displayFrequency READ displayFrequency NOTIFY displayFrequencyChanged)
    Q_PROPERTY(ConnectionState connectionState READ connectionState NOTIFY connectionStateChanged)
    Q_PROPERTY(qint64 listenersOnTunedChannel READ listenersOnTunedChannel NOTIFY listenersOnTunedChannelChanged)
    Q_PROPERTY(std::optional<QString> lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(QString lcdStatus READ lcdStatus NOTIFY lcdStatusChanged)

public:
    enum class ConnectionState { idle, connecting, connected };
    Q_ENUM(ConnectionState)

    // The presence loop's period and the least time between two
    // announcements of chat growth; tests shorten them.
    struct Timing {
        std::chrono::milliseconds presenceInterval{8000};
        std::chrono::milliseconds chatThrottle{300};
    };

    static inline const QString lastChannelKey = QStringLiteral("tovrin.last_channel");
    static inline const QString wasLiveKey = QStringLiteral("tovrin.was_live");
    static inline const QString invalidFrequencyText =
        QStringLiteral("Invalid frequency — use 001.001 through 200.320.");
    static inline const QString joinFailedText = QStringLiteral("Could not join channel.");

    explicit RadioSession(QObject* parent = nullptr);
    explicit RadioSession(Timing timing, QObject* parent = nullptr);

    qint64 channelNumber() const { return channelNumber_; }
    QString displayFrequency() const { return displayFrequency_; }
    ConnectionState connectionState() const { return connectionState_; }
    qint64 listenersOnTunedChannel() const { return listenersOnTunedChannel_; }
    std::optional<QString> lastError() const { return lastError_; }
    QString lcdStatus() const { return lcdStatus_; }
    ChannelAudioService* live() const { return live_; }
    // Joined and the live engine is on the channel.
    bool isInChannel() const;

    // Tunes without touching the connection; the number is clamped to 1–64000.
    void setChannel(qint64 n);
    // Retunes to a number within 1–64000, dropping the connection. The tuned
    // number again only restores its canonical display.
    void applyChannel(qint64 n);
    // Shows a frequency, which may be out of range (a rolled digit); only a
    // valid one naming another channel retunes and drops the connection.
    void applyDisplay(QString display);
    // Asks the server and, when allowed, connects the engine. A second call
    // while one runs returns at once.
    QCoro::Task<void> join(QString uid, std::optional<QString> passkey, QString displayName, QString radioId,
                           QSet<QString> blockedUIDs);
    void leaveChannel();
    // A join is still running; it is the tuned channel's, since a retune
    // leaves a running join behind.
    bool isJoining() const { return joinInProgress_; }

    // (Re)starts the presence loop; stopPresencePolling ends it.
    void startPresencePolling();
    void stopPresencePolling();
    // A presence loop still runs (a stopped one ends at its next turn).
    bool isPollingPresence() const { return presenceLoops_ > 0; }
    QCoro::Task<void> refreshListenersOnTunedChannel();

    // Writes the last channel and whether the radio is joined and live.
    void snapshotResumeState();

Q_SIGNALS:
    void channelNumberChanged();
    void displayFrequencyChanged();
    void connectionStateChanged();
    void listenersOnTunedChannelChanged();
    void lastErrorChanged();
    void lcdStatusChanged();
    // The engine's transmit state, countdowns, live flag, transmit error,
    // microphone flag or chat length changed. Delivered on a later turn of
    // the event loop; chat growth at most once per throttle interval.
    void engineStateChanged();

private:
    void subscribeToEngine();
    void restoreLastChannel();
    void onChatMessagesChanged();
    void onChatThrottleElapsed();
    void onKickReasonChanged();
    // Follows the live link: open is connected, a link being (re)opened is
    // connecting, a refused one ends the join with the refusal's text.
    void onLinkStateChanged();
    void onListenerCountChanged();
    QCoro::Task<void> presenceLoop(quint64 generation);

    void setChannelNumber(qint64 n);
    void setDisplayFrequency(const QString& display);
    void setConnectionState(ConnectionState state);
    void setListenersOnTunedChannel(qint64 count);
    void setLastError(std::optional<QString> error);
    void updateLcdStatus();

    void clearForRetune();
    void refreshInBackground();
    void persistNumber();
    void persistResume(bool live);
    // Leaves behind any join still in flight: its reply is dropped.
    void moveOn();
    static QString message(const std::optional<QString>& reason);

    Timing timing_;
    UserDefaults defaults_;
    ChannelAudioService* live_;  // child of this session, never replaced

    qint64 channelNumber_ = 1;
    QString displayFrequency_ = QStringLiteral("001.001");
    ConnectionState connectionState_ = ConnectionState::idle;
    qint64 listenersOnTunedChannel_ = 0;
    std::optional<QString> lastError_;
    QString lcdStatus_ = QStringLiteral("STANDBY");

    bool joinInProgress_ = false;
    // Bumped by every leave, retune and removal; a join that began under an
    // older value neither connects nor writes anything when it resumes.
    quint64 tuneGeneration_ = 0;
    // Bumped by start/stopPresencePolling; an older loop ends at its next turn.
    quint64 presenceGeneration_ = 0;
    int presenceLoops_ = 0;

    qsizetype lastChatCount_ = 0;
    bool chatAnnouncementPending_ = false;
    QTimer chatThrottle_;
};
