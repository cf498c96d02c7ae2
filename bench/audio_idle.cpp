// What a radio costs while joined and silent: CPU per second of wall time and
// wake-ups (context switches of all threads) per second, beside the same
// figures for an empty window in the same process. Joins a channel on the
// devserver with the real output device when a sound server answers (under
// scripts/with-pulseaudio its contained daemon), else the null device.
// Prints figures only; never fails on a time.
#include "bench_devserver.h"
#include "platform/pulse_connection.h"
#include "services/channel_audio_service.h"

#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <sys/resource.h>

#include <cstdio>
#include <functional>

namespace {

constexpr int kMeasureMs = 5000;

struct Usage {
    double cpuSeconds = 0;
    long switches = 0;
};

Usage usageNow()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return {seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_nvcsw + usage.ru_nivcsw};
}

// Runs the event loop for a while without polling.
void idleFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until the condition holds, checking it ten times a second.
bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    for (int waited = 0; !condition(); waited += 100) {
        if (waited >= timeoutMs)
            return false;
        idleFor(100);
    }
    return true;
}

void measure(const char* what)
{
    const Usage before = usageNow();
    idleFor(kMeasureMs);
    const Usage after = usageNow();
    const double seconds = kMeasureMs / 1000.0;
    std::printf("%-34s %6.2f %% of one core, %7.1f wake-ups/s\n", what,
                100.0 * (after.cpuSeconds - before.cpuSeconds) / seconds,
                double(after.switches - before.switches) / seconds);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char* argv[])
{
    const QByteArray contained = qgetenv("TOVRIN_CI_PULSE_SERVER");
    if (!contained.isEmpty())
        qputenv("PULSE_SERVER", contained);
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    qputenv("XDG_CACHE_HOME", scratch.path().toUtf8());
    QApplication app(argc, argv);

    QProcess devserver;
    if (!startDevServer(devserver, "audio_idle"))
        return 1;

    const bool realDevice = PulseConnection::instance().waitForFirstAnswer(std::chrono::seconds(2));
    std::printf("output: %s, window: %s\n", realDevice ? "sound server" : "null device",
                qPrintable(QGuiApplication::platformName()));
    QWidget window;
    window.resize(402, 902);
    window.show();
    idleFor(1000);
    measure("empty window");

    int status = 0;
    {
        ChannelAudioService engine;
        bool joined = false;
        QCoro::connect(engine.connect(42, "uid-idle", "Idle", "Q-IDLE01", {}), &engine, [&] { joined = true; });
        if (!waitFor([&] { return joined && engine.listenerCount() > 0; }, 5000)) {
            std::fprintf(stderr, "audio_idle: could not join\n");
            status = 1;
        } else {
            idleFor(1000);
            measure("joined, silent");
            engine.enterBackgroundRadioMode();
            idleFor(1000);
            measure("joined, silent, background mode");
        }
        engine.disconnect();
        idleFor(200);
    }
    devserver.kill();
    devserver.waitForFinished(3000);
    return status;
}
