#include "services/block_store.h"

#include "platform/assign_if_changed.h"
#include "platform/tovrin_haptics.h"
#include "services/tovrin_api.h"

#include <QPointer>

BlockStore::BlockStore(QObject* parent)
    : QObject(parent)
{
}

QCoro::Task<void> BlockStore::load(QString uid)
{
    QPointer<BlockStore> self(this);
    try {
        const QStringList ids = co_await TovrinAPI::shared().fetchBlocked(uid);
        if (!self)
            co_return;
        setBlockedUIDs(QSet<QString>(ids.begin(), ids.end()));
        setLastError(std::nullopt);
    } catch (...) {
        if (self)
            setLastError(QStringLiteral("Could not load block list"));
    }
}

QCoro::Task<void> BlockStore::block(QString uid, QString targetUID)
{
    if (targetUID == uid)
        co_return;
    QPointer<BlockStore> self(this);
    try {
        co_await TovrinAPI::shared().blockUser(uid, targetUID);
    } catch (...) {
        if (self)
            setLastError(QStringLiteral("Block failed"));
        co_return;
    }
    if (!self)
        co_return;
    QSet<QString> blocked = blockedUIDs_;
    blocked.insert(targetUID);
    setBlockedUIDs(blocked);
    TovrinHaptics::rigid();
}

QCoro::Task<void> BlockStore::unblock(QString uid, QString targetUID)
{
    QPointer<BlockStore> self(this);
    try {
        co_await TovrinAPI::shared().unblockUser(uid, targetUID);
    } catch (...) {
        if (self)
            setLastError(QStringLiteral("Unblock failed"));
        co_return;
    }
    if (!self)
        co_return;
    QSet<QString> blocked = blockedUIDs_;
    blocked.remove(targetUID);
    setBlockedUIDs(blocked);
}

void BlockStore::setBlockedUIDs(const QSet<QString>& value)
{
    if (assignIfChanged(blockedUIDs_, value))
        emit blockedUIDsChanged(blockedUIDs_);
}

void BlockStore::setLastError(const std::optional<QString>& value)
{
    if (assignIfChanged(lastError_, value))
        emit lastErrorChanged(lastError_);
}
