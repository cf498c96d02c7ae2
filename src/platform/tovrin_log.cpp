#include "platform/tovrin_log.h"

#include "platform/diagnostics.h"

#include <syslog.h>

#include <mutex>

namespace TovrinLog {
namespace {

// The system-log identity of the engine's diagnostics, opened once per process.
void ensureSystemLog()
{
    static std::once_flag once;
    std::call_once(once, [] { openlog("rez.odezedu.dizazizizori.audio", LOG_PID, LOG_USER); });
}

void write(const char* tag, const QString& message, int level)
{
    ensureSystemLog();
    Diagnostics::logLine(level, QLatin1String(tag) + message);
}

}  // namespace

void ptt(const QString& message) { write("[TovrinPTT] ", message, LOG_NOTICE); }
void audio(const QString& message) { write("[TovrinAudio] ", message, LOG_NOTICE); }
void fault(const QString& message) { write("[TovrinFAULT] ", message, LOG_CRIT); }

}  // namespace TovrinLog
