#pragma once

// A stack of its own for the signal handlers of the calling thread, so that a
// fatal-signal handler still runs after the thread's own stack overflowed.
namespace AlternateSignalStack {

// Gives the calling thread an alternate signal stack, which the thread owns:
// it is switched off and freed when the thread ends. A thread that already
// has one keeps it (a second call, or a sanitizer runtime that made one).
// Call it first thing on every thread the application starts; the crash log
// calls it for the main thread.
void installForThisThread();

}  // namespace AlternateSignalStack
