#pragma once

#include <QString>
#include <QStringList>

// Leaves a trace of a run that did not end well: a fault line for a fatal
// signal or an uncaught C++ exception, and at the next launch a fault line
// when the previous run never reached a clean quit. Fault lines go to the
// system log (LOG_CRIT), standard error and standard output; the one persistent value is
// the user-defaults flag "tovrin.crashlog.cleanExit".
//
// A stop by SIGTERM, SIGHUP or SIGINT is the application's normal quit, not a
// crash. The fatal-signal handler uses only async-signal-safe calls (write(2)
// to descriptors opened at install) and runs on an alternate stack, so a stack
// overflow is logged too: install() gives the main thread one, and every
// thread the application starts gets its own (AlternateSignalStack).
//
// install() runs on the GUI thread, first thing at launch, after the
// application object exists. The handlers run on whichever thread faults.
namespace TovrinCrashLog {

inline constexpr const char* cleanExitKey = "tovrin.crashlog.cleanExit";

// Idempotent: only the first call in a process has an effect.
void install();

// What the application's quit does: stores true under the clean-exit key.
void recordCleanExit();

// "[TovrinFAULT] uncaught name=<name> reason=<reason or (nil)> stack=<first 12 frames joined by " | ">".
QString uncaughtMessage(const QString& name, const QString* reason, const QStringList& stack);

}  // namespace TovrinCrashLog
