#include "support/contained_pulse_audio.h"

#include "platform/audio_session_notifications.h"
#include "platform/pulse_connection.h"

#include <QStandardPaths>
#include <QTest>

#include <cmath>
#include <cstring>

namespace {

constexpr int kAnswerMs = 10000;

QString socketPath(const QTemporaryDir& scratch) { return scratch.filePath(QStringLiteral("runtime/native")); }

}  // namespace

ContainedPulseAudio::ContainedPulseAudio()
{
    QDir(scratch_.path()).mkpath(QStringLiteral("runtime"));
    QDir(scratch_.path()).mkpath(QStringLiteral("home/.config"));
    QFile::setPermissions(scratch_.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

ContainedPulseAudio::~ContainedPulseAudio() { kill(); }

bool ContainedPulseAudio::installed()
{
    for (const char* tool : {"pulseaudio", "pactl", "parec"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    return true;
}

QProcessEnvironment ContainedPulseAudio::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), scratch_.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), scratch_.filePath(QStringLiteral("runtime")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), scratch_.filePath(QStringLiteral("home/.config")));
    environment.insert(QStringLiteral("PULSE_SERVER"), QString::fromUtf8(server()));
    return environment;
}

QByteArray ContainedPulseAudio::server() const { return "unix:" + socketPath(scratch_).toUtf8(); }

bool ContainedPulseAudio::start()
{
    kill();
    daemon_ = std::make_unique<QProcess>();
    daemon_->setProcessEnvironment(environment());
    daemon_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon_->setStandardOutputFile(QProcess::nullDevice());
    daemon_->start(QStringLiteral("pulseaudio"),
                   {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                    QStringLiteral("--disallow-exit"), QStringLiteral("--use-pid-file=no"),
                    QStringLiteral("--realtime=no"), QStringLiteral("--high-priority=no"),
                    QStringLiteral("--log-level=error"),
                    QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") +
                        socketPath(scratch_),
                    QStringLiteral("--load=module-null-sink sink_name=ci_out rate=44100"),
                    QStringLiteral("--load=module-null-sink sink_name=ci_other rate=44100"),
                    QStringLiteral("--load=module-sine-source source_name=ci_mic rate=44100 frequency=%1")
                        .arg(kMicrophoneHz)});
    if (!daemon_->waitForStarted(kAnswerMs))
        return false;
    if (!QTest::qWaitFor([this] { return pactl({QStringLiteral("info")}); }, kAnswerMs))
        return false;
    return pactl({QStringLiteral("set-default-sink"), QStringLiteral("ci_out")}) &&
           pactl({QStringLiteral("set-default-source"), QStringLiteral("ci_mic")});
}

void ContainedPulseAudio::kill()
{
    if (!daemon_)
        return;
    daemon_->kill();
    daemon_->waitForFinished(kAnswerMs);
    daemon_.reset();
}

bool ContainedPulseAudio::removeSink(const QString& name)
{
    const QString modules = pactlOutput({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("modules")});
    for (const QString& line : modules.split(QLatin1Char('\n')))
        if (line.contains(QStringLiteral("module-null-sink")) && line.contains(QStringLiteral("sink_name=") + name))
            return pactl({QStringLiteral("unload-module"), line.section(QLatin1Char('\t'), 0, 0)});
    return false;
}

bool ContainedPulseAudio::addSink(const QString& name)
{
    return pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"), QStringLiteral("sink_name=") + name,
                  QStringLiteral("rate=44100")});
}

bool ContainedPulseAudio::pactl(const QStringList& arguments)
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral("pactl"), arguments);
    return process.waitForFinished(kAnswerMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

QString ContainedPulseAudio::pactlOutput(const QStringList& arguments)
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral("pactl"), arguments);
    process.waitForFinished(kAnswerMs);
    return QString::fromUtf8(process.readAllStandardOutput());
}

SinkMonitor::SinkMonitor(const ContainedPulseAudio& daemon, const QString& sink)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PULSE_SERVER"), QString::fromUtf8(daemon.server()));
    process_.setProcessEnvironment(environment);
    QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] {
        carry_ += process_.readAllStandardOutput();
        const qsizetype frames = carry_.size() / qsizetype(sizeof(float));
        const size_t at = samples_.size();
        samples_.resize(at + size_t(frames));
        std::memcpy(samples_.data() + at, carry_.constData(), size_t(frames) * sizeof(float));
        carry_.remove(0, frames * qsizetype(sizeof(float)));
    });
    process_.start(QStringLiteral("parec"),
                   {QStringLiteral("-d"), sink + QStringLiteral(".monitor"), QStringLiteral("--raw"),
                    QStringLiteral("--format=float32le"), QStringLiteral("--rate=%1").arg(kRate),
                    QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20")});
}

SinkMonitor::~SinkMonitor()
{
    process_.disconnect();
    process_.kill();
    process_.waitForFinished(kAnswerMs);
}

bool SinkMonitor::waitUntilRunning() const
{
    return QTest::qWaitFor([this] { return !samples_.empty(); }, kAnswerMs);
}

size_t audibleSamples(const std::vector<float>& samples, size_t from)
{
    size_t count = 0;
    for (size_t i = from; i < samples.size(); ++i)
        count += std::abs(samples[i]) > 0.05f ? 1 : 0;
    return count;
}

void ContainedSoundServerTest::SetUp()
{
    if (!ContainedPulseAudio::installed())
        GTEST_SKIP() << "PulseAudio is not installed";
    ASSERT_TRUE(daemon.start()) << "the contained PulseAudio daemon did not start";
    PulseConnection::instance().useServerForTesting(daemon.server());
    ASSERT_TRUE(soundServerIs(true)) << "the client never reached the daemon";
}

void ContainedSoundServerTest::TearDown() { PulseConnection::instance().useServerForTesting({}); }

bool ContainedSoundServerTest::soundServerIs(bool available, int limitMs)
{
    return QTest::qWaitFor(
        [&] { return AudioSessionNotifications::instance().soundServerAvailable() == available; }, limitMs);
}
