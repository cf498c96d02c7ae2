#pragma once

#include <QString>

// The shared diagnostic log of the channel engine and its neighbours. Every
// call writes one tagged line to the system log (syslog, fault lines at
// LOG_CRIT), then to standard error, then to standard output, in that order.
// Callable from any thread; never fails.
namespace TovrinLog {

void ptt(const QString& message);    // "[TovrinPTT] "
void audio(const QString& message);  // "[TovrinAudio] "
void fault(const QString& message);  // "[TovrinFAULT] "

}  // namespace TovrinLog
