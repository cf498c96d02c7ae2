#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// A PulseAudio daemon of one test's own, in scratch directories, set up the
// way scripts/with-pulseaudio sets one up: null sinks stand in for speakers
// and a sine source for a microphone. The test may kill it and start it
// again on the same socket, and no other test loses its sound.
class ContainedPulseAudio {
public:
    static constexpr int kMicrophoneHz = 500;

    ContainedPulseAudio();
    ~ContainedPulseAudio();
    ContainedPulseAudio(const ContainedPulseAudio&) = delete;
    ContainedPulseAudio& operator=(const ContainedPulseAudio&) = delete;

    // Whether this machine can run one (pulseaudio, pactl and parec installed).
    static bool installed();

    // Starts the daemon with the sinks "ci_out" (the default) and "ci_other"
    // and the source "ci_mic" (the default, a kMicrophoneHz sine); true once
    // it answers.
    bool start();
    // Kills the daemon at once, as a crash would.
    void kill();
    // The libpulse server string of its socket.
    QByteArray server() const;
    // Takes a sink away, as unplugging its device does; streams playing on
    // it move to another sink, or fail when none is left.
    bool removeSink(const QString& name);
    bool addSink(const QString& name);
    // Runs pactl against it; true when it succeeded.
    bool pactl(const QStringList& arguments);
    QString pactlOutput(const QStringList& arguments);

private:
    QProcessEnvironment environment() const;

    QTemporaryDir scratch_;
    std::unique_ptr<QProcess> daemon_;
};

// Records what one sink plays, from its monitor, at 44.1 kHz mono float.
// Reading the monitor at low latency also keeps the null sink from
// rendering seconds ahead. Samples arrive as the event loop runs.
class SinkMonitor {
public:
    static constexpr int kRate = 44100;

    SinkMonitor(const ContainedPulseAudio& daemon, const QString& sink);
    ~SinkMonitor();
    // True once the recording runs and has delivered a first block.
    bool waitUntilRunning() const;
    const std::vector<float>& samples() const { return samples_; }

private:
    QProcess process_;
    QByteArray carry_;
    std::vector<float> samples_;
};

// Samples of `samples` from `from` on that are louder than silence.
size_t audibleSamples(const std::vector<float>& samples, size_t from = 0);

// A test whose process plays and records through a ContainedPulseAudio of its
// own: skipped where PulseAudio is not installed, and pointed back at the
// default server when it ends.
class ContainedSoundServerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Waits until the radio's view of the server is `available`.
    static bool soundServerIs(bool available, int limitMs = 5000);

    ContainedPulseAudio daemon;
};
