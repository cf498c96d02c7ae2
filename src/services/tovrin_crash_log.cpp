#include "services/tovrin_crash_log.h"

#include "legal/app_legal.h"
#include "platform/alternate_signal_stack.h"
#include "platform/stop_signals.h"
#include "platform/tovrin_log.h"
#include "platform/user_defaults.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <exception>
#include <optional>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <syslog.h>
#include <typeinfo>
#include <unistd.h>

namespace TovrinCrashLog {
namespace {

constexpr int kStackFrames = 12;
constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

bool installed = false;
std::terminate_handler previousTerminate = nullptr;
// Set once a fault line was written, so the abort that follows an uncaught
// exception does not write a second one from the signal handler.
volatile std::sig_atomic_t faultWritten = 0;

// Writes a fault line that already carries its "[TovrinFAULT] " prefix.
void writeFault(const QString& line)
{
    TovrinLog::fault(line.mid(int(std::strlen("[TovrinFAULT] "))));
}

// ---- fatal signals: only async-signal-safe calls from here on ----

// Everything the handler needs is made at install: the descriptors it writes
// to, the system-log header, the main thread's alternate stack (a stack
// overflow leaves no room on the thread's own) and a warmed-up backtrace (its
// first call loads the unwinder, which allocates).
struct SignalLog {
    int systemLog = -1;  // a datagram socket connected to /dev/log, or -1
    int standardError = -1;
    int standardOutput = -1;
    char systemLogHeader[96] = {};
};
SignalLog signalLog;

void appendText(char* buffer, size_t& used, size_t capacity, const char* text)
{
    while (*text && used + 1 < capacity)
        buffer[used++] = *text++;
}

void appendHex(char* buffer, size_t& used, size_t capacity, uintptr_t value)
{
    char digits[2 + 2 * sizeof(uintptr_t) + 1];
    int n = int(sizeof(digits)) - 1;
    digits[n] = '\0';
    do {
        digits[--n] = "0123456789abcdef"[value & 0xF];
        value >>= 4;
    } while (value && n > 2);
    digits[--n] = 'x';
    digits[--n] = '0';
    appendText(buffer, used, capacity, digits + n);
}

void appendDecimal(char* buffer, size_t& used, size_t capacity, long value)
{
    char digits[24];
    int n = int(sizeof(digits)) - 1;
    digits[n] = '\0';
    do {
        digits[--n] = char('0' + value % 10);
        value /= 10;
    } while (value && n > 0);
    appendText(buffer, used, capacity, digits + n);
}

const char* signalName(int signal)
{
    switch (signal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGFPE: return "SIGFPE";
    case SIGABRT: return "SIGABRT";
    default: return "signal";
    }
}

void writeAll(int descriptor, const char* data, size_t size)
{
    while (descriptor >= 0 && size > 0) {
        const ssize_t written = ::write(descriptor, data, size);
        if (written <= 0)
            return;
        data += written;
        size -= size_t(written);
    }
}

void onFatalSignal(int signal)
{
    if (!faultWritten) {
        faultWritten = 1;
        char line[1024];
        size_t used = 0;
        appendText(line, used, sizeof line, signalLog.systemLogHeader);
        const size_t textStart = used;
        appendText(line, used, sizeof line, "[TovrinFAULT] uncaught name=");
        appendText(line, used, sizeof line, signalName(signal));
        appendText(line, used, sizeof line, " reason=");
        const char* description = sigdescr_np(signal);
        appendText(line, used, sizeof line, description ? description : "(nil)");
        appendText(line, used, sizeof line, " stack=");
        void* frames[kStackFrames];
        const int count = backtrace(frames, kStackFrames);
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                appendText(line, used, sizeof line, " | ");
            appendHex(line, used, sizeof line, reinterpret_cast<uintptr_t>(frames[i]));
        }
        writeAll(signalLog.systemLog, line, used);
        line[used++] = '\n';
        writeAll(signalLog.standardError, line + textStart, used - textStart);
        writeAll(signalLog.standardOutput, line + textStart, used - textStart);
    }
    // The handler was reset on entry: die of the same signal, as the run would have without us.
    ::raise(signal);
}

void prepareSignalLog()
{
    signalLog.standardError = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    signalLog.standardOutput = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    signalLog.systemLog = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, "/dev/log", sizeof(address.sun_path) - 1);
    if (signalLog.systemLog >= 0
        && ::connect(signalLog.systemLog, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(signalLog.systemLog);
        signalLog.systemLog = -1;
    }
    // "<facility user, level critical>identity[pid]: "
    size_t used = 0;
    char* header = signalLog.systemLogHeader;
    appendText(header, used, sizeof signalLog.systemLogHeader, "<");
    appendDecimal(header, used, sizeof signalLog.systemLogHeader, LOG_USER | LOG_CRIT);
    appendText(header, used, sizeof signalLog.systemLogHeader, ">rez.odezedu.dizazizizori.crash[");
    appendDecimal(header, used, sizeof signalLog.systemLogHeader, long(::getpid()));
    appendText(header, used, sizeof signalLog.systemLogHeader, "]: ");
    header[used] = '\0';

    void* warmUp[1];
    backtrace(warmUp, 1);

    AlternateSignalStack::installForThisThread();

    struct sigaction action = {};
    action.sa_handler = onFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_ONSTACK | SA_RESETHAND;
    for (int signal : kFatalSignals)
        ::sigaction(signal, &action, nullptr);
}

// ---- uncaught exceptions ----

QString demangled(const char* name)
{
    int status = 0;
    char* readable = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    const QString text = QString::fromUtf8(status == 0 && readable ? readable : name);
    std::free(readable);
    return text;
}

QStringList currentStack()
{
    void* frames[kStackFrames];
    const int count = backtrace(frames, kStackFrames);
    QStringList stack;
    if (char** symbols = backtrace_symbols(frames, count)) {
        for (int i = 0; i < count; ++i)
            stack << QString::fromUtf8(symbols[i]);
        std::free(symbols);
    }
    return stack;
}

void onTerminate()
{
    QString name = QStringLiteral("std::terminate");
    std::optional<QString> reason;
    if (std::type_info* type = abi::__cxa_current_exception_type())
        name = demangled(type->name());
    if (std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& error) {
            reason = QString::fromUtf8(error.what());
        } catch (...) {
        }
    }
    faultWritten = 1;
    writeFault(uncaughtMessage(name, reason ? &*reason : nullptr, currentStack()));
    if (previousTerminate)
        previousTerminate();
    std::abort();
}

}  // namespace

QString uncaughtMessage(const QString& name, const QString* reason, const QStringList& stack)
{
    return QStringLiteral("[TovrinFAULT] uncaught name=") + name + QStringLiteral(" reason=")
        + (reason ? *reason : QStringLiteral("(nil)")) + QStringLiteral(" stack=")
        + stack.mid(0, kStackFrames).join(QStringLiteral(" | "));
}

void recordCleanExit()
{
    UserDefaults defaults;
    defaults.set(QLatin1String(cleanExitKey), true);
    defaults.sync();
}

void install()
{
    if (installed)
        return;
    installed = true;

    previousTerminate = std::set_terminate(onTerminate);
    prepareSignalLog();
    StopSignals::install();

    UserDefaults defaults;
    const QString key = QLatin1String(cleanExitKey);
    if (defaults.contains(key) && !defaults.boolean(key, true))
        writeFault(QStringLiteral("[TovrinFAULT] previous launch may have crashed (cleanExit=false)"));
    defaults.set(key, false);
    // On disk now: a crash a moment later must still find false.
    defaults.sync();

    if (auto* application = QCoreApplication::instance())
        QObject::connect(application, &QCoreApplication::aboutToQuit, application, &recordCleanExit);

    TovrinLog::audio(QStringLiteral("crashlog installed build=") + AppLegal::buildNumber());
}

}  // namespace TovrinCrashLog
