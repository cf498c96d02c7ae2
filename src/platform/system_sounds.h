#pragma once

#include <QList>

// The platform's short interface sounds (the tuning click is sound 1104).
// Linux has no such sound table, so playing one is a no-op that is recorded;
// tests read the record. GUI thread for callers; the record is thread-safe.
namespace SystemSounds {

inline constexpr quint32 tuneClick = 1104;

void play(quint32 soundID);

// The ids played so far, oldest first (the most recent few hundred).
QList<quint32> played();
void clearForTesting();

}  // namespace SystemSounds
