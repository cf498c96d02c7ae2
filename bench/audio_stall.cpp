// A stalled GUI thread during playback: 2 s of a tone queued as 100 buffers
// of 20 ms, the GUI thread blocked for 200 ms half a second in, then counts
// of what was lost. Uses the real output device when a sound server answers
// (under scripts/with-pulseaudio its contained daemon, whose "ci_loop"
// microphone hears the speaker), else the null device; what was heard (or
// what the null device was given) is searched for gaps. Prints counts; never
// fails on a time.
#include "platform/audio_devices.h"
#include "platform/audio_engine.h"
#include "platform/pulse_audio_input.h"
#include "platform/pulse_connection.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <thread>

namespace {

constexpr int kRate = 44100;
constexpr int kBuffers = 100;
constexpr int kBufferFrames = kRate / 50;  // 20 ms
constexpr auto kStall = std::chrono::milliseconds(200);

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    for (int waited = 0; !condition(); waited += 10) {
        if (waited >= timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// 20 ms windows inside the sound that hold no sound.
int gapsIn(const std::vector<float>& samples)
{
    size_t first = samples.size(), last = 0;
    for (size_t i = 0; i < samples.size(); ++i)
        if (std::abs(samples[i]) > 0.05f) {
            first = std::min(first, i);
            last = i;
        }
    int gaps = 0;
    for (size_t at = first; at + kBufferFrames <= last; at += kBufferFrames) {
        double sum = 0;
        for (size_t i = at; i < at + kBufferFrames; ++i)
            sum += double(samples[i]) * samples[i];
        gaps += std::sqrt(sum / kBufferFrames) < 0.05 ? 1 : 0;
    }
    return gaps;
}

}  // namespace

int main(int argc, char* argv[])
{
    const QByteArray contained = qgetenv("TOVRIN_CI_PULSE_SERVER");
    if (!contained.isEmpty())
        qputenv("PULSE_SERVER", contained);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const bool realDevice = PulseConnection::instance().waitForFirstAnswer(std::chrono::seconds(2));
    auto played = std::make_shared<PlayedAudio>();
    std::optional<AudioDevices::OutputOverride> capture;
    if (!realDevice)
        capture.emplace([played](int rate) { return std::make_unique<NullAudioOutput>(rate, played); });

    // The contained daemon's microphone hears its speaker.
    std::vector<float> heardSamples;
    std::unique_ptr<PulseAudioInput> microphone;
    if (realDevice)
        microphone = std::make_unique<PulseAudioInput>(kRate, QByteArrayLiteral("ci_loop"));
    if (microphone && !microphone->start([&](const float* samples, int frames) {
            heardSamples.insert(heardSamples.end(), samples, samples + frames);
        }))
        microphone.reset();

    int status = 0;
    {
        AudioEngine engine(kRate, "Test tone");
        PlayerQueue* player = engine.attachPlayer();
        int heard = 0;
        for (int b = 0; b < kBuffers; ++b) {
            std::vector<float> buffer(kBufferFrames);
            for (int i = 0; i < kBufferFrames; ++i)
                buffer[size_t(i)] = 0.5f * float(std::sin(2 * std::numbers::pi * 1000 * (b * kBufferFrames + i) / kRate));
            player->schedule(std::move(buffer), [&heard] { ++heard; });
        }
        QObject::connect(&engine, &AudioEngine::failed, [](const QString& error) {
            std::fprintf(stderr, "audio_stall: no output: %s\n", qPrintable(error));
        });
        engine.start();
        player->play();
        const bool started = waitFor([&] { return heard >= kBuffers / 4; }, 5000);
        std::this_thread::sleep_for(kStall);  // the stall under test
        const bool ended = started && waitFor([&] { return heard == kBuffers; }, 10000);
        if (!ended)
            status = 1;
        std::printf("output: %s; GUI thread blocked %lld ms during playback\n",
                    realDevice ? "sound server" : "null device", static_cast<long long>(kStall.count()));
        if (microphone) {
            // The microphone hears the speaker a little later.
            const size_t until = heardSamples.size() + kRate / 2;
            waitFor([&] { return heardSamples.size() >= until; }, 5000);
            microphone.reset();
        }
        const int gaps = gapsIn(realDevice ? heardSamples : played->samples);
        std::printf("buffers heard: %d of %d; device ran dry while fed: %d time(s)\n", heard, kBuffers,
                    engine.underruns());
        if (!realDevice || !heardSamples.empty())
            std::printf("silent 20 ms windows inside the %s tone: %d\n", realDevice ? "recorded" : "played", gaps);
        std::printf("lost buffers: %d (none may be lost)\n", kBuffers - heard + engine.underruns() + gaps);
        engine.stop();
    }
    return status;
}
