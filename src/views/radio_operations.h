#pragma once

#include "views/app_stores.h"
#include "models/alert_sound.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

class AlertSoundStore;
class BlockStore;
class RadioEffects;
class RadioSession;
class SessionStore;
class WorkplaceStore;
struct SavedChannelSlot;

// What the radio screen does when the user tunes, joins, leaves, talks,
// pages or opens the chat. Owned by the screen; it reads the stores at the
// moment of each action and calls the radio session, the live engine and the
// effects. Nothing here reports an error: outcomes show in the stores.
//
// Tasks it starts hold only store pointers (checked after every await) and a
// guarded pointer to this object; once the screen is gone they send nothing.
// GUI thread only.
class RadioOperations : public QObject {
    Q_OBJECT

public:
    // The two ways to hold push-to-talk; they make one transmission together.
    enum class PTTSource { key, keyboard };

    // `effects` must outlive this object.
    RadioOperations(const AppStores& stores, RadioEffects* effects, QObject* parent = nullptr);
    // Ends a transmission still held, as the key and the keyboard would on release.
    ~RadioOperations() override;

    // In a channel: accepted by the server and the live socket open.
    bool isInChannel() const;

    // The quick bar's shortcuts: tune to the channel and join it.
    void joinMyChannel();
    void joinCompanyChannel();
    void joinFriendChannel(const SavedChannelSlot& slot);
    void joinHomeChannel();

    // The JOIN/EXIT key: leaves when in a channel, else joins the tuned one.
    void joinOrLeave();
    // Joins the tuned channel; returns when the join does.
    QCoro::Task<void> joinCurrent();
    // Retunes to a channel refused for want of a passkey and joins it with one.
    QCoro::Task<void> joinWithPasskey(qint64 channel, QString passkey);

    void tuneMajor(int delta);
    void tune(int delta);
    void nudgeDigit(int index, int delta);

    void beginPTT(PTTSource source);
    void endPTT(PTTSource source);
    bool isPTTHeld() const { return !heldPTT_.isEmpty(); }

    void sendCallTone();
    void openChat();

Q_SIGNALS:
    // openChat() ran: the screen shows the chat.
    void chatRequested();
    // A join started here was refused for want of a passkey, each time,
    // the same refusal as the last one included.
    void passkeyRequired();

private:
    struct Identity {
        QString uid;
        QString displayName;
        QString radioId;
        QSet<QString> blockedUIDs;
    };
    Identity identity() const;

    void startJoin(qint64 channel);
    void reportPasskeyRefusal();
    QCoro::Task<void> retuneAndJoin(qint64 channel, std::optional<QString> passkey);
    void tuningFeedback();
    void finishTransmission();
    QCoro::Task<void> relayPager(AlertSound sound);

    QPointer<SessionStore> session_;
    QPointer<RadioSession> radio_;
    QPointer<BlockStore> blocks_;
    QPointer<WorkplaceStore> workplace_;
    QPointer<AlertSoundStore> alerts_;
    RadioEffects* effects_;
    QSet<PTTSource> heldPTT_;
};

inline size_t qHash(RadioOperations::PTTSource source, size_t seed = 0)
{
    return qHash(int(source), seed);
}
