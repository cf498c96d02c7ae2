#pragma once

#include <QCoroTask>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

// The users whom the user has blocked, as the server keeps them. Fetched
// again at every start; nothing is kept on disk. GUI thread only; operations
// never throw and report through lastError.
class BlockStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QSet<QString> blockedUIDs READ blockedUIDs NOTIFY blockedUIDsChanged)
    Q_PROPERTY(std::optional<QString> lastError READ lastError NOTIFY lastErrorChanged)

public:
    explicit BlockStore(QObject* parent = nullptr);

    QCoro::Task<void> load(QString uid);
    // Blocking oneself does nothing. A block the server accepted adds the id
    // and gives one rigid tap.
    QCoro::Task<void> block(QString uid, QString targetUID);
    QCoro::Task<void> unblock(QString uid, QString targetUID);

    QSet<QString> blockedUIDs() const { return blockedUIDs_; }
    std::optional<QString> lastError() const { return lastError_; }

signals:
    void blockedUIDsChanged(const QSet<QString>& blockedUIDs);
    void lastErrorChanged(const std::optional<QString>& lastError);

private:
    void setBlockedUIDs(const QSet<QString>& value);
    void setLastError(const std::optional<QString>& value);

    QSet<QString> blockedUIDs_;
    std::optional<QString> lastError_;
};
