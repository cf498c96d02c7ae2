#pragma once

#include "models/chat_message.h"

#include <QObject>

#include <qcoro/qcorotask.h>

#include <vector>

// The users banned from one owned channel, as a screen shows them: the last
// list that loaded, whether a load is running and whether the newest load
// failed. Loads may overlap; each takes a new generation, and only the newest
// writes its result and ends the loading state. A failed load keeps the list
// it had. GUI thread only; nothing throws.
class ChannelBanList : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    static QString loadFailedText() { return QStringLiteral("Could not load bans"); }

    const std::vector<ChannelBanEntry>& entries() const { return entries_; }
    bool loading() const { return loading_; }
    bool failed() const { return failed_; }

    QCoro::Task<void> load(QString ownerUID, qint64 channelNumber);
    // Forgets the list and leaves any running load behind (the channel or the
    // owner changed).
    void reset();

Q_SIGNALS:
    void changed();

private:
    std::vector<ChannelBanEntry> entries_;
    bool loading_ = false;
    bool failed_ = false;
    quint64 generation_ = 0;
};
