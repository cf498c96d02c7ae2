// Plays and records through a real sound server: a PulseAudio daemon of each
// test's own (ContainedPulseAudio), which the test may change, kill and
// start again. Skips where PulseAudio is not installed.
#include "platform/aac_file_encoder.h"
#include "platform/audio_decoder.h"
#include "platform/audio_devices.h"
#include "platform/audio_engine.h"
#include "platform/audio_player.h"
#include "platform/audio_recorder.h"
#include "platform/audio_session_notifications.h"
#include "platform/diagnostics.h"
#include "platform/pulse_audio_input.h"
#include "platform/pulse_audio_output.h"
#include "platform/pulse_connection.h"
#include "support/audio_fakes.h"
#include "support/contained_pulse_audio.h"
#include "support/tone.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <utility>

using namespace std::chrono_literals;

namespace {

constexpr int kRate = 44100;

bool audible(float sample)
{
    return std::abs(sample) > 0.05f;
}

// How far the heard stream's last audible stretch matches the clip's last
// `span` audible samples, at the best of a few sample offsets (the last
// sample can sit right at the audibility threshold). Samples lost inside the
// stream (a capture overrun on a busy machine) leave the tail alone; a clip
// cut short loses it, and a 1 kHz tone shifted by a whole period still
// differs by far more than the sink's 16-bit rounding.
float tailMismatch(const std::vector<float>& played, const std::vector<float>& heard, int span)
{
    const auto lastAudible = [](const std::vector<float>& samples) {
        const auto it = std::find_if(samples.rbegin(), samples.rend(), audible);
        return std::ptrdiff_t(samples.rend() - it) - 1;
    };
    const std::ptrdiff_t lastPlayed = lastAudible(played);
    const std::ptrdiff_t lastHeard = lastAudible(heard);
    float best = 2.0f;
    for (std::ptrdiff_t offset = -2; offset <= 2; ++offset) {
        float worst = 0.0f;
        for (std::ptrdiff_t j = 0; j < span && worst < best; ++j) {
            const std::ptrdiff_t h = lastHeard + offset - j;
            const std::ptrdiff_t p = lastPlayed - j;
            if (h < 0 || p < 0 || h >= std::ptrdiff_t(heard.size()))
                worst = 2.0f;
            else
                worst = std::max(worst, std::abs(heard[size_t(h)] - played[size_t(p)]));
        }
        best = std::min(best, worst);
    }
    return best;
}

// The same for the first `span` audible samples.
float headMismatch(std::vector<float> played, std::vector<float> heard, int span)
{
    std::reverse(played.begin(), played.end());
    std::reverse(heard.begin(), heard.end());
    return tailMismatch(played, heard, span);
}

class PulseAudioDevice : public ContainedSoundServerTest {
protected:
    // An AAC file of a tone.
    QString writeClip(double seconds, double frequency = 1000)
    {
        const QString clip = dir.filePath(QStringLiteral("clip-%1.m4a").arg(++clips));
        const std::vector<float> pcm = tone::sine(frequency, seconds, kRate);
        AacFileEncoder encoder(clip, kRate);
        encoder.write(pcm.data(), int(pcm.size()));
        encoder.finish();
        return clip;
    }

    // Starts the clip; the flag turns true when the player says it finished.
    std::unique_ptr<AudioPlayer> startClip(const QString& clip, bool& finished)
    {
        QString error;
        auto player = AudioPlayer::fromFile(clip, "Clip", &error);
        EXPECT_TRUE(player) << error.toStdString();
        if (!player)
            return nullptr;
        QObject::connect(player.get(), &AudioPlayer::finished, [&finished] { finished = true; });
        EXPECT_TRUE(player->play());
        return player;
    }

    // A 3 s clip that plays on, once the monitor heard its first quarter second.
    std::unique_ptr<AudioPlayer> longClipHeardOn(const SinkMonitor& monitor, bool& finished)
    {
        if (!monitor.waitUntilRunning())
            return nullptr;
        auto player = startClip(writeClip(3.0), finished);
        const bool heard =
            QTest::qWaitFor([&] { return audibleSamples(monitor.samples()) > size_t(kRate / 4); }, 5000);
        EXPECT_TRUE(heard) << "the clip was not heard";
        return heard ? std::move(player) : nullptr;
    }

    // Plays the clip until the player says it finished; null when it did not.
    std::unique_ptr<AudioPlayer> playToTheEnd(const QString& clip)
    {
        bool finished = false;
        auto player = startClip(clip, finished);
        const bool ended = player && QTest::qWaitFor([&] { return finished; }, 10000);
        EXPECT_TRUE(ended) << "the player never finished";
        if (player)
            player->disconnect();
        return ended ? std::move(player) : nullptr;
    }

    // Records from the default source for about `seconds`; the samples heard.
    std::vector<float> recordDefaultInput(double seconds)
    {
        const QString path = dir.filePath(QStringLiteral("heard-%1.m4a").arg(++clips));
        auto recorder = std::make_unique<AudioRecorder>(path);
        EXPECT_TRUE(recorder->record()) << recorder->errorText().toStdString();
        EXPECT_TRUE(QTest::qWaitFor([&] { return recorder->currentTime() >= seconds; }, 10000));
        recorder->stop();
        EXPECT_TRUE(QTest::qWaitFor([&] { return recorder->isFinished(); }, 5000));
        recorder.reset();
        auto decoder = AudioDecoder::openFile(path, kRate);
        return decoder ? decoder->readAll() : std::vector<float>{};
    }

    // Waits until the monitor has recorded a little more, so what a sink
    // played until now has reached it.
    static void letMonitorCatchUp(const SinkMonitor& monitor)
    {
        const size_t until = monitor.samples().size() + kRate / 4;
        EXPECT_TRUE(QTest::qWaitFor([&] { return monitor.samples().size() >= until; }, 5000));
    }

    // The daemon's streams of a kind ("sink-inputs", "source-outputs"), one a line.
    QStringList streams(const QString& kind)
    {
        return daemon.pactlOutput({QStringLiteral("list"), QStringLiteral("short"), kind})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // RUNNING, IDLE or SUSPENDED.
    QString sinkState(const QString& sink)
    {
        for (const QString& line : daemon.pactlOutput({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")})
                                       .split(QLatin1Char('\n')))
            if (line.section(QLatin1Char('\t'), 1, 1) == sink)
                return line.section(QLatin1Char('\t'), 4, 4);
        return {};
    }

    // `count` playback streams, every one corked, on a speaker that sleeps.
    bool corkedAndAsleep(int count)
    {
        return streams(QStringLiteral("sink-inputs")).size() == count &&
               !daemon.pactlOutput({QStringLiteral("list"), QStringLiteral("sink-inputs")}).contains(QStringLiteral("Corked: no")) &&
               sinkState(QStringLiteral("ci_out")) == QStringLiteral("SUSPENDED");
    }

    QTemporaryDir dir;
    int clips = 0;
};

}  // namespace

TEST_F(PulseAudioDevice, AToneSentToTheSpeakerIsRecordedFromTheMicrophone)
{
    const QString clip = writeClip(1.5);

    // The speaker's monitor stands in for a microphone that hears it.
    AudioDevices::InputOverride microphone(
        [](int rate) { return std::make_unique<PulseAudioInput>(rate, QByteArrayLiteral("ci_out.monitor")); });
    auto recorder = std::make_unique<AudioRecorder>(dir.filePath("heard.m4a"));
    ASSERT_TRUE(recorder->record()) << recorder->errorText().toStdString();

    auto player = playToTheEnd(clip);
    ASSERT_TRUE(player);
    // The speaker's tail reaches the microphone a little later.
    const double heardSoFar = recorder->currentTime();
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder->currentTime() >= heardSoFar + 0.3; }, 5000));

    recorder->stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder->isFinished(); }, 5000));
    EXPECT_GT(recorder->currentTime(), 1.0);
    const QString heard = recorder->path();
    player.reset();
    recorder.reset();

    const std::vector<float> pcm = AudioDecoder::openFile(heard, kRate)->readAll();
    ASSERT_GT(pcm.size(), size_t(kRate));
    EXPECT_NEAR(tone::peakFrequency(pcm, kRate), 1000, 25);
    EXPECT_GT(tone::rms(pcm), 0.05);
}

TEST_F(PulseAudioDevice, AClipIsHeardFromItsFirstToItsLastSampleBeforeThePlayerFinishes)
{
    const QString clip = writeClip(1.0);
    // What the player plays, sample for sample.
    const std::vector<float> played = AudioDecoder::openFile(clip, kRate)->readAll();
    ASSERT_TRUE(std::any_of(played.begin(), played.end(), audible));

    std::vector<float> heard;
    auto microphone = std::make_unique<PulseAudioInput>(kRate, QByteArrayLiteral("ci_out.monitor"));
    ASSERT_TRUE(microphone->start([&](const float* samples, int frames) { heard.insert(heard.end(), samples, samples + frames); }))
        << microphone->errorText().toStdString();
    // Listening already, so the clip's head is heard too.
    ASSERT_TRUE(QTest::qWaitFor([&] { return heard.size() >= 4410; }, 5000));

    auto player = playToTheEnd(clip);
    ASSERT_TRUE(player);
    // Gone at once, as the voice pipe drops a finished clip: whatever the
    // sound server still held would be lost now.
    player.reset();
    // The microphone hears the speaker a little later: half a second more of it.
    const size_t until = heard.size() + 22050;
    ASSERT_TRUE(QTest::qWaitFor([&] { return heard.size() >= until; }, 5000));
    microphone.reset();

    ASSERT_TRUE(std::any_of(heard.begin(), heard.end(), audible)) << "nothing of the clip was heard";
    // The first and the last 10 ms, to the sample; the sink rounds to 16 bits.
    EXPECT_LT(headMismatch(played, heard, 441), 0.002f) << "the clip's start was cut";
    EXPECT_LT(tailMismatch(played, heard, 441), 0.002f) << "the clip's tail was cut";
}

TEST_F(PulseAudioDevice, TheSoundServersThreadHasASignalStackOfItsOwn)
{
    PulseAudioOutput output(kRate, QByteArrayLiteral("probe"));
    std::atomic<int> answer{-1};
    // Runs on the sound server's thread, where the stream reports ready.
    QObject::connect(&output, &AudioOutputDevice::ready, [&] { answer.store(threadHasSignalStack() ? 1 : 0); });
    ASSERT_TRUE(output.open()) << output.errorText().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.load() != -1; }, 5000));
    EXPECT_EQ(answer.load(), 1);
    output.close();
}

TEST_F(PulseAudioDevice, WhenTheDefaultSpeakerChangesTheNextSoundsPlayThere)
{
    SinkMonitor first(daemon, QStringLiteral("ci_out"));
    SinkMonitor second(daemon, QStringLiteral("ci_other"));
    ASSERT_TRUE(first.waitUntilRunning() && second.waitUntilRunning());

    // A stream that stays open across the change, as the channel's pager
    // playback does, and one clip before it.
    AudioEngine engine(kRate, "Test tone");
    PlayerQueue* queue = engine.attachPlayer();
    engine.start();
    queue->play();
    bool toneDone = false;
    queue->schedule(tone::sine(700, 0.3, kRate), [&] { toneDone = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return toneDone; }, 5000));
    ASSERT_TRUE(playToTheEnd(writeClip(0.5)));
    letMonitorCatchUp(first);
    EXPECT_GT(audibleSamples(first.samples()), size_t(kRate / 2)) << "the first speaker heard nothing before the change";

    QSignalSpy routeChanged(&AudioSessionNotifications::instance(), &AudioSessionNotifications::routeChanged);
    ASSERT_TRUE(daemon.pactl({QStringLiteral("set-default-sink"), QStringLiteral("ci_other")}));
    ASSERT_TRUE(routeChanged.wait(5000)) << "the change of default speaker was not noticed";
    const size_t firstFrom = first.samples().size();
    const size_t secondFrom = second.samples().size();

    toneDone = false;
    queue->schedule(tone::sine(700, 0.3, kRate), [&] { toneDone = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return toneDone; }, 5000));
    ASSERT_TRUE(playToTheEnd(writeClip(0.5)));
    letMonitorCatchUp(second);
    letMonitorCatchUp(first);
    engine.stop();

    // 0.8 s of sound went to the new default and nothing to the old one.
    EXPECT_GT(audibleSamples(second.samples(), secondFrom), size_t(kRate * 6 / 10));
    EXPECT_LT(audibleSamples(first.samples(), firstFrom), size_t(kRate / 100));
}

TEST_F(PulseAudioDevice, AfterTheServerWasGoneForFiveSecondsSoundComesBackWithoutARestart)
{
    Diagnostics::LineCapture lines;
    QSignalSpy availability(&AudioSessionNotifications::instance(),
                            &AudioSessionNotifications::soundServerAvailableChanged);
    auto monitor = std::make_unique<SinkMonitor>(daemon, QStringLiteral("ci_out"));
    bool finished = false;
    auto player = longClipHeardOn(*monitor, finished);
    ASSERT_TRUE(player);
    monitor.reset();
    daemon.kill();

    // The clip that was cut off is over at once, and the radio says sound is off.
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 2000)) << "the cut-off clip never finished";
    ASSERT_TRUE(soundServerIs(false));
    EXPECT_TRUE(lines.contains("sound server went away"));
    // Talking now fails at its start instead of recording nothing.
    AudioRecorder refused(dir.filePath(QStringLiteral("refused.m4a")));
    EXPECT_FALSE(refused.record());
    EXPECT_EQ(refused.errorText(), "no sound server");

    // The outage under test lasts five seconds: several reconnection attempts.
    QTest::qWait(5000);
    ASSERT_TRUE(daemon.start());
    QElapsedTimer sinceReturn;
    sinceReturn.start();
    // Sound is back within two seconds of the server (a margin for a busy machine).
    ASSERT_TRUE(soundServerIs(true, 4000));
    std::printf("sound back %lld ms after the server\n", static_cast<long long>(sinceReturn.elapsed()));
    EXPECT_TRUE(lines.contains("sound server connected"));
    ASSERT_EQ(availability.count(), 2);
    EXPECT_FALSE(availability.at(0).at(0).toBool());
    EXPECT_TRUE(availability.at(1).at(0).toBool());

    monitor = std::make_unique<SinkMonitor>(daemon, QStringLiteral("ci_out"));
    ASSERT_TRUE(monitor->waitUntilRunning());
    player = playToTheEnd(writeClip(1.0));
    ASSERT_TRUE(player);
    letMonitorCatchUp(*monitor);
    EXPECT_GT(audibleSamples(monitor->samples()), size_t(kRate * 8 / 10)) << "the next clip was not heard";

    const std::vector<float> heard = recordDefaultInput(1.0);
    ASSERT_GT(heard.size(), size_t(kRate / 2));
    EXPECT_NEAR(tone::peakFrequency(heard, kRate), ContainedPulseAudio::kMicrophoneHz, 15);
}

TEST_F(PulseAudioDevice, AStreamThatFailsMidClipEndsTheClipAndTheNextOnePlays)
{
    auto monitor = std::make_unique<SinkMonitor>(daemon, QStringLiteral("ci_out"));
    bool finished = false;
    auto player = longClipHeardOn(*monitor, finished);
    ASSERT_TRUE(player);

    // The desktop's mixer names the stream after the application and never as a phone call.
    const QString streams = daemon.pactlOutput({QStringLiteral("list"), QStringLiteral("sink-inputs")});
    EXPECT_TRUE(streams.contains(QStringLiteral("application.name = \"%1\"").arg(QGuiApplication::applicationDisplayName())))
        << streams.toStdString();
    EXPECT_FALSE(streams.contains(QStringLiteral("media.role = \"phone\"")));

    // The only speaker goes away mid-clip: the server drops the stream.
    ASSERT_TRUE(daemon.removeSink(QStringLiteral("ci_other")));
    ASSERT_TRUE(daemon.removeSink(QStringLiteral("ci_out")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 2000)) << "the player never reported the clip over";
    EXPECT_FALSE(player->isPlaying());

    // A speaker comes back, and the next clip opens a stream on it.
    ASSERT_TRUE(daemon.addSink(QStringLiteral("ci_out")));
    monitor = std::make_unique<SinkMonitor>(daemon, QStringLiteral("ci_out"));
    ASSERT_TRUE(monitor->waitUntilRunning());
    const size_t from = monitor->samples().size();
    ASSERT_TRUE(playToTheEnd(writeClip(1.0, 600)));
    letMonitorCatchUp(*monitor);
    EXPECT_GT(audibleSamples(monitor->samples(), from), size_t(kRate * 8 / 10));
}

TEST_F(PulseAudioDevice, ASilentRadioCorksItsStreamsSoTheSpeakerSleeps)
{
    ASSERT_TRUE(daemon.pactl({QStringLiteral("load-module"), QStringLiteral("module-suspend-on-idle"), QStringLiteral("timeout=1")}));
    // Streams held open while nothing plays: the pager's, and a prepared effect's.
    AudioEngine pager(kRate, "Pager");
    PlayerQueue* queue = pager.attachPlayer();
    pager.start();
    queue->play();
    QString error;
    auto effect = AudioPlayer::fromFile(writeClip(0.2), "Effects", &error);
    ASSERT_TRUE(effect) << error.toStdString();
    effect->prepareToPlay();
    QElapsedTimer since;
    since.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return corkedAndAsleep(2); }, 5000))
        << sinkState(QStringLiteral("ci_out")).toStdString()
        << daemon.pactlOutput({QStringLiteral("list"), QStringLiteral("sink-inputs")}).toStdString();
    std::printf("opened silent: corked and the speaker asleep after %lld ms\n", static_cast<long long>(since.elapsed()));

    // The next sound wakes the speaker and is heard from its first sample.
    {
        SinkMonitor monitor(daemon, QStringLiteral("ci_out"));
        ASSERT_TRUE(monitor.waitUntilRunning());
        bool done = false;
        const std::vector<float> sound = tone::sine(700, 0.3, kRate);
        queue->schedule(sound, [&] { done = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
        letMonitorCatchUp(monitor);
        // A few samples of slack for the sink's 16-bit rounding at the threshold.
        EXPECT_GE(audibleSamples(monitor.samples()) + 8, audibleSamples(sound)) << "the sound was not heard whole";
    }

    // Once it has played, the streams cork again and the speaker sleeps.
    since.restart();
    ASSERT_TRUE(QTest::qWaitFor([&] { return corkedAndAsleep(2); }, 5000))
        << daemon.pactlOutput({QStringLiteral("list"), QStringLiteral("sink-inputs")}).toStdString();
    std::printf("after a sound: corked and the speaker asleep after %lld ms\n", static_cast<long long>(since.elapsed()));
}

TEST_F(PulseAudioDevice, AStreamEndedWhileTheServerMakesItLeavesNothingThere)
{
    const std::vector<std::pair<const char*, std::function<void()>>> quickEnds = {
        {"an output opened and closed at once",
         [] {
             PulseAudioOutput output(kRate, QByteArrayLiteral("Quick"));
             EXPECT_TRUE(output.open()) << output.errorText().toStdString();
             output.close();
         }},
        {"an input started and stopped at once",
         [] {
             PulseAudioInput input(kRate);
             EXPECT_TRUE(input.start([](const float*, int) {})) << input.errorText().toStdString();
             input.stop();
         }},
    };
    for (const auto& [name, quickEnd] : quickEnds) {
        SCOPED_TRACE(name);
        quickEnd();
        // Asked for after it on the same connection: once the server made
        // this one, it has answered for the first as well.
        PulseAudioOutput witness(kRate, QByteArrayLiteral("Witness"));
        std::atomic<bool> ready{false};
        QObject::connect(&witness, &AudioOutputDevice::ready, [&] { ready.store(true); });
        ASSERT_TRUE(witness.open());
        ASSERT_TRUE(QTest::qWaitFor([&] { return ready.load(); }, 5000));
        witness.close();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return streams(QStringLiteral("sink-inputs")).isEmpty() && streams(QStringLiteral("source-outputs")).isEmpty(); },
            3000))
            << "left on the server: " << streams(QStringLiteral("sink-inputs")).join(' ').toStdString()
            << streams(QStringLiteral("source-outputs")).join(' ').toStdString();
    }
}

