#include "platform/system_sounds.h"

#include <mutex>

namespace SystemSounds {
namespace {

std::mutex& mutex()
{
    static std::mutex m;
    return m;
}

QList<quint32>& storage()
{
    static QList<quint32> ids;
    return ids;
}

}  // namespace

void play(quint32 soundID)
{
    std::lock_guard lock(mutex());
    // Every tuning step clicks; keep the record short.
    constexpr qsizetype kKeep = 512;
    if (storage().size() >= kKeep)
        storage().remove(0, kKeep / 2);
    storage().append(soundID);
}

QList<quint32> played()
{
    std::lock_guard lock(mutex());
    return storage();
}

void clearForTesting()
{
    std::lock_guard lock(mutex());
    storage().clear();
}

}  // namespace SystemSounds
