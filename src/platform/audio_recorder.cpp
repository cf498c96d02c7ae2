#include "platform/audio_recorder.h"

#include "platform/aac_file_encoder.h"
#include "platform/audio_devices.h"

#include <QThread>

#include <cmath>

namespace {

// Lives on the worker thread: owns the encoder from the first queued call on.
class EncodeWorker final : public QObject {
    Q_OBJECT
public:
    explicit EncodeWorker(std::unique_ptr<AacFileEncoder> encoder) : encoder_(std::move(encoder)) {}

    void encode(const std::vector<float>& samples)
    {
        if (!encoder_ || !error_.isEmpty())
            return;
        try {
            encoder_->write(samples.data(), int(samples.size()));
        } catch (const ff::MediaError& e) {
            error_ = e.text();
        }
    }

    void finish()
    {
        if (encoder_ && error_.isEmpty()) {
            try {
                encoder_->finish();
            } catch (const ff::MediaError& e) {
                error_ = e.text();
            }
        }
        encoder_.reset();
        emit ended(error_);
    }

signals:
    void ended(const QString& error);

private:
    std::unique_ptr<AacFileEncoder> encoder_;
    QString error_;
};

}  // namespace

AudioRecorder::AudioRecorder(QString path, QObject* parent) : QObject(parent), path_(std::move(path)) {}

AudioRecorder::~AudioRecorder()
{
    stop();
    if (thread_) {
        // Let the worker close the file before its thread ends.
        if (!finished_)
            QMetaObject::invokeMethod(worker_, [] {}, Qt::BlockingQueuedConnection);
        thread_->quit();
        thread_->wait();
    }
}

bool AudioRecorder::prepareToRecord()
{
    if (worker_)
        return true;
    if (stopped_) {
        errorText_ = QStringLiteral("recorder already stopped");
        return false;
    }
    input_ = AudioDevices::openInput(kInputRate);
    if (!input_) {
        errorText_ = QStringLiteral("no audio input device");
        return false;
    }
    std::unique_ptr<AacFileEncoder> encoder;
    try {
        encoder = std::make_unique<AacFileEncoder>(path_, input_->sampleRate());
    } catch (const ff::MediaError& e) {
        errorText_ = e.text();
        input_.reset();
        return false;
    }
    connect(input_.get(), &AudioInputDevice::failed, this, [this](const QString& error) {
        if (!recording_)
            return;
        errorText_ = error;
        emit inputFailed(error);
    });
    thread_ = new QThread(this);
    auto* worker = new EncodeWorker(std::move(encoder));
    worker->moveToThread(thread_);
    connect(thread_, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &EncodeWorker::ended, this, &AudioRecorder::workerEnded, Qt::QueuedConnection);
    worker_ = worker;
    thread_->start();
    return true;
}

bool AudioRecorder::record()
{
    if (recording_)
        return true;
    if (!prepareToRecord())
        return false;
    if (!input_->start([this](const float* samples, int frames) { captured(samples, frames); })) {
        errorText_ = input_->errorText();
        return false;
    }
    setRecording(true);
    return true;
}

void AudioRecorder::stop()
{
    if (stopped_)
        return;
    stopped_ = true;
    if (input_)
        input_->stop();
    setRecording(false);
    if (worker_)
        QMetaObject::invokeMethod(worker_, [worker = static_cast<EncodeWorker*>(worker_)] { worker->finish(); },
                                  Qt::QueuedConnection);
    else
        finished_ = true;
}

double AudioRecorder::currentTime() const
{
    return input_ ? double(framesCaptured_) / input_->sampleRate() : 0.0;
}

void AudioRecorder::updateMeters()
{
    if (!meteringEnabled_)
        return;
    averagePower_ = powerFrames_ > 0 && powerSum_ > 0
                        ? std::max(kSilentPower, float(10.0 * std::log10(powerSum_ / double(powerFrames_))))
                        : kSilentPower;
    powerSum_ = 0;
    powerFrames_ = 0;
}

float AudioRecorder::averagePower(int channel) const
{
    return meteringEnabled_ && channel == 0 ? averagePower_ : kSilentPower;
}

void AudioRecorder::captured(const float* samples, int frames)
{
    if (!recording_ || frames <= 0)
        return;
    const bool first = framesCaptured_ == 0;
    framesCaptured_ += frames;
    if (meteringEnabled_) {
        for (int i = 0; i < frames; ++i)
            powerSum_ += double(samples[i]) * samples[i];
        powerFrames_ += frames;
    }
    QMetaObject::invokeMethod(
        worker_,
        [worker = static_cast<EncodeWorker*>(worker_), piece = std::vector<float>(samples, samples + frames)] {
            worker->encode(piece);
        },
        Qt::QueuedConnection);
    if (first)
        emit firstSampleCaptured();
}

void AudioRecorder::workerEnded(const QString& error)
{
    finished_ = true;
    if (!error.isEmpty())
        errorText_ = error;
    emit finished(error.isEmpty(), error);
}

void AudioRecorder::setRecording(bool recording)
{
    if (recording_ == recording)
        return;
    recording_ = recording;
    emit recordingChanged(recording);
}

#include "audio_recorder.moc"
