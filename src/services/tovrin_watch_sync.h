#pragma once

#include <QString>
#include <QVariantMap>

// Mirrors the tuned channel and the face plate to a paired watch. This
// desktop has no watch link, so the instance stays inert: publishing sends
// nothing. The last context that would have gone out is kept for tests.
// GUI thread only.
class TovrinWatchSync {
public:
    static TovrinWatchSync& shared();

    void publish(const QString& channelDisplay, const QString& themeName, const QString& themeEmoji);

    // What a supported link would have sent last, and how often.
    QVariantMap lastContext() const { return lastContext_; }
    int publishCount() const { return publishCount_; }

private:
    TovrinWatchSync() = default;

    QVariantMap lastContext_;
    int publishCount_ = 0;
};
