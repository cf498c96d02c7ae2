#include "platform/stop_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace StopSignals {
namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGHUP, SIGINT};

// [0] is written by the handler, [1] read on the GUI thread.
int pipeEnds[2] = {-1, -1};

void onStopSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[0], &byte, 1);
    errno = savedErrno;
}

void drainAndQuit()
{
    char bytes[16];
    while (::read(pipeEnds[1], bytes, sizeof bytes) > 0) {
    }
    QCoreApplication::quit();
}

}  // namespace

void install()
{
    auto* application = QCoreApplication::instance();
    if (pipeEnds[0] >= 0 || !application)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pipeEnds) != 0) {
        pipeEnds[0] = pipeEnds[1] = -1;
        return;
    }
    auto* notifier = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, application);
    QObject::connect(notifier, &QSocketNotifier::activated, application, &drainAndQuit);

    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kStopSignals)
        ::sigaction(signal, &action, nullptr);
}

}  // namespace StopSignals
