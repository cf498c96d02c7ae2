#pragma once

#include <QString>
#include <QStringList>

// Where recorded utterances and received clips live while they are needed:
// a folder of this process under the cache, locked for as long as the
// process runs, so that a later start can tell what a killed run left behind.
// GUI thread only.
namespace VoiceFiles {

// A file of that name in this process's folder (made and locked on first use).
QString path(const QString& name);
// The voice files this process holds right now.
QStringList present();
// Removes every voice file of this process (at quit).
void removeAll();
// Removes the folders of runs that are no longer running (at start).
void removeLeftovers();

}  // namespace VoiceFiles
