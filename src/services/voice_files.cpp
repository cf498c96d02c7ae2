#include "services/voice_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#include <memory>

namespace VoiceFiles {
namespace {

QString root()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/voice");
}

// Only a dead holder makes a lock stale, however old the lock is.
std::unique_ptr<QLockFile> lockFor(const QString& folder)
{
    auto lock = std::make_unique<QLockFile>(folder + QStringLiteral(".lock"));
    lock->setStaleLockTime(std::chrono::milliseconds::zero());
    return lock;
}

QString ownFolder()
{
    static const QString folder = [] {
        const QString path = root() + QStringLiteral("/") + QString::number(QCoreApplication::applicationPid());
        QDir().mkpath(path);
        // Held for the whole run and never unlocked: the lock of a run that
        // has ended is stale, and the next start clears its folder.
        QLockFile* held = lockFor(path).release();
        held->tryLock(0);
        return path;
    }();
    return folder;
}

}  // namespace

QString path(const QString& name)
{
    return QDir(ownFolder()).filePath(name);
}

QStringList present()
{
    return QDir(ownFolder()).entryList(QDir::Files);
}

void removeAll()
{
    QDir folder(ownFolder());
    for (const QString& name : folder.entryList(QDir::Files))
        folder.remove(name);
}

void removeLeftovers()
{
    const QString own = ownFolder();
    const QDir base(root());
    for (const QString& name : base.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString folder = base.filePath(name);
        if (folder == own)
            continue;
        std::unique_ptr<QLockFile> lock = lockFor(folder);
        // A running instance holds its lock; a run that ended or was killed does not.
        if (lock->tryLock(0))
            QDir(folder).removeRecursively();
    }
}

}  // namespace VoiceFiles
