#include "platform/audio_input.h"

#include "platform/audio_output.h"

#include <QAudioSource>

#include <cstring>
#include <vector>

QtAudioInput::QtAudioInput(const QAudioDevice& device, int sampleRate)
    : AudioInputDevice(sampleRate), device_(device)
{
}

QtAudioInput::~QtAudioInput() { stop(); }

bool QtAudioInput::start(Sink sink)
{
    stop();
    if (device_.isNull()) {
        errorText_ = QStringLiteral("no audio input device");
        return false;
    }
    source_ = std::make_unique<QAudioSource>(device_, monoFloatFormat(sampleRate()));
    io_ = source_->start();
    if (!io_ || source_->error() != QAudio::NoError) {
        errorText_ = QStringLiteral("audio input did not open (error %1)").arg(int(source_->error()));
        source_.reset();
        io_ = nullptr;
        return false;
    }
    sink_ = std::move(sink);
    connect(io_, &QIODevice::readyRead, this, &QtAudioInput::drain);
    return true;
}

void QtAudioInput::stop()
{
    if (source_) {
        if (io_)
            io_->disconnect(this);
        source_->stop();
        source_.reset();
    }
    io_ = nullptr;
    sink_ = nullptr;
    carry_.clear();
}

void QtAudioInput::drain()
{
    if (!io_ || !sink_)
        return;
    carry_ += io_->readAll();
    const int frames = int(carry_.size() / qsizetype(sizeof(float)));
    if (frames == 0)
        return;
    std::vector<float> samples(static_cast<size_t>(frames));
    std::memcpy(samples.data(), carry_.constData(), samples.size() * sizeof(float));
    carry_.remove(0, qsizetype(samples.size() * sizeof(float)));
    sink_(samples.data(), frames);
}
