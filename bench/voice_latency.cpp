// Time from a push-to-talk release to the listener's playback start, over
// loopback through the devserver, for 1 s and 10 s utterances, and beside it
// the time from the press to the first recorded sample (through the kept
// microphone permission, as the app asks it). Each is measured on a quiet
// machine and again with every core kept busy, in the same run. Prints
// percentiles (p50, p95) over repeated runs; never fails on a time.
#include "bench_devserver.h"
#include "platform/audio_devices.h"
#include "platform/buffer_audio_input.h"
#include "platform/diagnostics.h"
#include "services/channel_audio_service.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <functional>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>
#include <thread>

namespace {

constexpr int kRuns = 12;
constexpr int kChannel = 77;  // a home channel: open to everyone without an owner

// Runs the event loop until the condition holds or the time is up.
bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

void runFor(int ms)
{
    waitFor([] { return false; }, ms);
}

std::vector<float> tone(double seconds, int rate)
{
    std::vector<float> samples(size_t(seconds * rate));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.4f * float(std::sin(2 * std::numbers::pi * 440 * double(i) / rate));
    return samples;
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(std::ceil(p * double(values.size()))) - 1)];
}

std::unique_ptr<ChannelAudioService> joined(const QString& uid)
{
    auto engine = std::make_unique<ChannelAudioService>();
    bool done = false;
    QCoro::connect(engine->connect(kChannel, uid, uid, "Q-BENCH1", {}), engine.get(), [&] { done = true; });
    if (!waitFor([&] { return done && engine->listenerCount() > 0; }, 5000))
        return nullptr;
    return engine;
}

// Keeps every core busy while it lives: one spinning thread per core.
class CoreLoad {
public:
    CoreLoad()
    {
        for (unsigned i = 0; i < std::max(1u, std::thread::hardware_concurrency()); ++i)
            threads_.emplace_back([this] {
                volatile double sink = 0;
                while (!stop_.load(std::memory_order_relaxed))
                    sink = sink + 1.0;
            });
    }
    ~CoreLoad()
    {
        stop_.store(true);
        for (std::thread& thread : threads_)
            thread.join();
    }
    size_t cores() const { return threads_.size(); }

private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

struct Latency {
    double pressToSample = 0;
    double releaseToPlayback = 0;
};

// One press-to-first-sample and release-to-playback time in milliseconds, or
// nothing when a step timed out.
std::optional<Latency> measure(ChannelAudioService& speaker, ChannelAudioService& listener, double seconds)
{
    Diagnostics::LineCapture lines;
    bool heard = false;
    bool sampled = false;
    QElapsedTimer clock;
    Latency latency;
    const auto connection = QObject::connect(&listener.voicePipe(), &TovrinVoicePipe::clipStarted, [&] {
        latency.releaseToPlayback = double(clock.nsecsElapsed()) / 1e6;
        heard = true;
    });
    const auto firstSample = QObject::connect(&speaker.voicePipe(), &TovrinVoicePipe::recordingStarted, [&] {
        latency.pressToSample = double(clock.nsecsElapsed()) / 1e6;
        sampled = true;
    });
    clock.start();
    speaker.beginTransmit();
    // The synthetic microphone delivers ten pieces per event-loop turn at most.
    const bool recorded = waitFor([&] { return speaker.voicePipe().isTalking(); }, 3000);
    runFor(int(seconds * 1000 / 10) + 100);
    clock.start();
    speaker.endTransmit();
    const bool ok = recorded && sampled && waitFor([&] { return heard; }, 10000) &&
                    waitFor([&] { return lines.contains("TX done chunks="); }, 10000);
    QObject::disconnect(connection);
    QObject::disconnect(firstSample);
    return ok ? std::optional(latency) : std::nullopt;
}

}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    qputenv("XDG_CACHE_HOME", scratch.path().toUtf8());
    QApplication app(argc, argv);

    QProcess devserver;
    if (!startDevServer(devserver, "voice_latency"))
        return 1;

    AudioDevices::OutputOverride silent([](int rate) { return std::make_unique<NullAudioOutput>(rate); });
    int status = 0;
    for (const bool loaded : {false, true}) {
        std::optional<CoreLoad> load;
        if (loaded)
            load.emplace();
        const QString machine = loaded ? QStringLiteral("every core busy (%1 spinning threads)").arg(load->cores())
                                       : QStringLiteral("quiet machine");
        for (double seconds : {1.0, 10.0}) {
            AudioDevices::InputOverride microphone([seconds](int rate) {
                return std::make_unique<BufferAudioInput>(rate, tone(seconds, rate));
            });
            auto speaker = joined("uid-speaker");
            auto listener = joined("uid-listener");
            if (!speaker || !listener) {
                std::fprintf(stderr, "voice_latency: could not join\n");
                return 1;
            }
            std::vector<double> latencies;
            std::vector<double> pressLatencies;
            for (int run = 0; run < kRuns; ++run)
                if (std::optional<Latency> ms = measure(*speaker, *listener, seconds)) {
                    latencies.push_back(ms->releaseToPlayback);
                    pressLatencies.push_back(ms->pressToSample);
                }
            if (latencies.empty()) {
                status = 1;
                continue;
            }
            std::printf("%s: release to playback, %.0f s utterance: p50 %.1f ms, p95 %.1f ms (%zu runs; includes the"
                        " 80 ms pause) | press to first recorded sample: p50 %.1f ms, p95 %.1f ms\n",
                        qPrintable(machine), seconds, percentile(latencies, 0.5), percentile(latencies, 0.95),
                        latencies.size(), percentile(pressLatencies, 0.5), percentile(pressLatencies, 0.95));
            speaker->disconnect();
            listener->disconnect();
        }
    }
    devserver.kill();
    devserver.waitForFinished(3000);
    return status;
}
