#include "platform/audio_output.h"

#include <QAudioSink>
#include <QMediaDevices>

#include <algorithm>

namespace {
constexpr int kTickMs = 10;
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
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, &NullAudioOutput::tick);
}

bool NullAudioOutput::start(AudioRenderer* renderer)
{
    renderer_ = renderer;
    framesRendered_ = 0;
    clock_.start();
    timer_.start();
    return true;
}

void NullAudioOutput::stop()
{
    timer_.stop();
    renderer_ = nullptr;
}

void NullAudioOutput::tick()
{
    if (!renderer_)
        return;
    const int64_t due = clock_.nsecsElapsed() * sampleRate() / 1'000'000'000;
    // After a long stall, catch up at most one second at a time.
    const int frames = int(std::min<int64_t>(due - framesRendered_, sampleRate()));
    if (frames <= 0)
        return;
    // The renderer writes every frame, silence included.
    buffer_.resize(size_t(frames));
    renderer_->render(buffer_.data(), frames);
    framesRendered_ += frames;
    if (played_)
        played_->samples.insert(played_->samples.end(), buffer_.begin(), buffer_.end());
}

QtAudioOutput::QtAudioOutput(int sampleRate) : AudioOutputDevice(sampleRate)
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickMs / 2);
    connect(&timer_, &QTimer::timeout, this, &QtAudioOutput::fill);
}

QtAudioOutput::~QtAudioOutput() { stop(); }

bool QtAudioOutput::start(AudioRenderer* renderer)
{
    stop();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        errorText_ = QStringLiteral("no audio output device");
        return false;
    }
    const QAudioFormat format = monoFloatFormat(sampleRate());
    sink_ = std::make_unique<QAudioSink>(device, format);
    sink_->setBufferSize(qsizetype(format.bytesForDuration(std::chrono::microseconds(kBuffer).count())));
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
    renderer_ = renderer;
    fill();
    timer_.start();
    return true;
}

void QtAudioOutput::stop()
{
    timer_.stop();
    renderer_ = nullptr;
    io_ = nullptr;
    if (sink_) {
        sink_->disconnect(this);
        sink_->stop();
        sink_.reset();
    }
}

bool QtAudioOutput::isRunning() const { return sink_ && io_ && renderer_; }

std::chrono::milliseconds QtAudioOutput::latency() const
{
    if (!sink_)
        return std::chrono::milliseconds(0);
    const qsizetype queued = sink_->bufferSize() - sink_->bytesFree();
    return std::chrono::milliseconds(sink_->format().durationForBytes(std::max<qsizetype>(queued, 0)) / 1000);
}

void QtAudioOutput::fill()
{
    if (!isRunning())
        return;
    const int frames = int(sink_->bytesFree() / qsizetype(sizeof(float)));
    if (frames <= 0)
        return;
    buffer_.resize(size_t(frames));
    renderer_->render(buffer_.data(), frames);
    io_->write(reinterpret_cast<const char*>(buffer_.data()), qint64(frames * sizeof(float)));
}
