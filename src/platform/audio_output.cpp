#include "platform/audio_output.h"

#include <QAudioSink>
#include <QCoreApplication>
#include <QMediaDevices>

#include <algorithm>

namespace {
constexpr int kNullBufferMs = 40;
constexpr int kLatencySlackMs = 30;
}

QAudioFormat monoFloatFormat(int sampleRate)
{
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Float);
    return format;
}

NullAudioOutput::NullAudioOutput(int sampleRate, std::shared_ptr<PlayedAudio> played)
    : AudioOutputDevice(sampleRate), played_(std::move(played))
{
    if (played_)
        played_->sampleRate = sampleRate;
}

bool NullAudioOutput::open()
{
    written_ = 0;
    resume();
    return true;
}

void NullAudioOutput::close() { clock_.invalidate(); }

void NullAudioOutput::suspend() { clock_.invalidate(); }

void NullAudioOutput::resume()
{
    clockBase_ = written_;
    clock_.start();
}

int NullAudioOutput::writableFrames()
{
    if (!clock_.isValid())
        return 0;
    const int64_t due = clockBase_ + clock_.nsecsElapsed() * sampleRate() / 1'000'000'000;
    // After a long stall, catch up at most one second at a time.
    return int(std::clamp<int64_t>(due - written_, 0, sampleRate()));
}

void NullAudioOutput::write(const float* samples, int frames)
{
    written_ += frames;
    if (!played_)
        return;
    // Handed to the GUI thread, where tests read it.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [played = played_, block = std::vector<float>(samples, samples + frames)] {
            played->samples.insert(played->samples.end(), block.begin(), block.end());
        },
        Qt::QueuedConnection);
}

int NullAudioOutput::bufferFrames() const { return sampleRate() * kNullBufferMs / 1000; }

QtAudioOutput::QtAudioOutput(int sampleRate) : AudioOutputDevice(sampleRate) {}

QtAudioOutput::~QtAudioOutput() { close(); }

bool QtAudioOutput::open()
{
    close();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        errorText_ = QStringLiteral("no audio output device");
        return false;
    }
    const QAudioFormat format = monoFloatFormat(sampleRate());
    sink_ = std::make_unique<QAudioSink>(device, format);
    sink_->setBufferSize(qsizetype(format.bytesForDuration(kBufferMs * 1000)));
    io_ = sink_->start();
    if (!io_ || sink_->error() != QAudio::NoError) {
        errorText_ = QStringLiteral("audio output did not open (error %1)").arg(int(sink_->error()));
        sink_.reset();
        io_ = nullptr;
        return false;
    }
    connect(sink_.get(), &QAudioSink::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::StoppedState && sink_ && sink_->error() == QAudio::FatalError) {
            errorText_ = QStringLiteral("audio output failed");
            emit failed(errorText_);
        }
    });
    return true;
}

void QtAudioOutput::close()
{
    io_ = nullptr;
    if (sink_) {
        sink_->disconnect(this);
        sink_->stop();
        sink_.reset();
    }
}

int QtAudioOutput::writableFrames()
{
    return io_ ? int(sink_->bytesFree() / qsizetype(sizeof(float))) : 0;
}

void QtAudioOutput::write(const float* samples, int frames)
{
    if (io_)
        io_->write(reinterpret_cast<const char*>(samples), qint64(frames) * qint64(sizeof(float)));
}

int64_t QtAudioOutput::playedFrames()
{
    // What the server has taken, less its own latency: what was heard. Qt
    // moves that on with the wall clock between the server's reports, which
    // runs ahead when the server itself is late (a busy machine): count less.
    if (!sink_)
        return 0;
    const qint64 heard = std::max<qint64>(sink_->processedUSecs() - kLatencySlackMs * 1000, 0);
    return heard * sampleRate() / 1'000'000;
}

int QtAudioOutput::bufferFrames() const
{
    return sink_ ? int(sink_->bufferSize() / qsizetype(sizeof(float))) : sampleRate() * kBufferMs / 1000;
}

void QtAudioOutput::suspend()
{
    if (sink_)
        sink_->suspend();
}

void QtAudioOutput::resume()
{
    if (sink_)
        sink_->resume();
}
