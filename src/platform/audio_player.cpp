#include "platform/audio_player.h"

#include "platform/audio_decoder.h"
#include "platform/audio_engine.h"

#include <QPointer>
#include <QThread>

namespace {

constexpr size_t kPieceFrames = AudioPlayer::kOutputRate / 10;  // 100 ms
// A piece and the decoded frame that completes it, so it is never regrown.
constexpr size_t kPieceCapacity = kPieceFrames + 8192;

// Lives on the worker thread: reads the decoder to its end in pieces and
// hands each piece to the front with a queued call.
class DecodeWorker final : public QObject {
    Q_OBJECT
public:
    DecodeWorker(std::unique_ptr<AudioDecoder> decoder, std::shared_ptr<std::atomic<bool>> cancel)
        : decoder_(std::move(decoder)), cancel_(std::move(cancel))
    {
    }

    void run()
    {
        QString error;
        try {
            std::vector<float> piece;
            piece.reserve(kPieceCapacity);
            bool more = true;
            while (more && !cancel_->load()) {
                more = decoder_->read(piece);
                if (piece.size() >= kPieceFrames || (!more && !piece.empty())) {
                    emit decoded(std::move(piece));
                    piece = {};
                    piece.reserve(kPieceCapacity);
                }
            }
        } catch (const ff::MediaError& e) {
            error = e.text();
        }
        decoder_.reset();
        emit ended(error);
    }

signals:
    void decoded(std::vector<float> samples);
    void ended(const QString& error);

private:
    std::unique_ptr<AudioDecoder> decoder_;
    std::shared_ptr<std::atomic<bool>> cancel_;
};

}  // namespace

template <class Open>
std::unique_ptr<AudioPlayer> AudioPlayer::make(Open open, const QString& streamName, QString* error)
{
    try {
        return std::unique_ptr<AudioPlayer>(new AudioPlayer(open(), streamName));
    } catch (const ff::MediaError& e) {
        if (error)
            *error = e.text();
        return nullptr;
    }
}

std::unique_ptr<AudioPlayer> AudioPlayer::fromFile(const QString& path, const QString& streamName, QString* error)
{
    return make([&] { return AudioDecoder::openFile(path, kOutputRate); }, streamName, error);
}

std::unique_ptr<AudioPlayer> AudioPlayer::fromBytes(const QByteArray& bytes, const QString& streamName, QString* error)
{
    return make([&] { return AudioDecoder::openBytes(bytes, kOutputRate); }, streamName, error);
}

AudioPlayer::AudioPlayer(std::unique_ptr<AudioDecoder> decoder, const QString& streamName)
    : engine_(std::make_unique<AudioEngine>(kOutputRate, streamName)),
      cancel_(std::make_shared<std::atomic<bool>>(false)),
      duration_(decoder->duration())
{
    queue_ = engine_->attachPlayer();
    thread_ = new QThread(this);
    auto* worker = new DecodeWorker(std::move(decoder), cancel_);
    worker->moveToThread(thread_);
    connect(thread_, &QThread::started, worker, &DecodeWorker::run);
    connect(thread_, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &DecodeWorker::decoded, this, &AudioPlayer::receive, Qt::QueuedConnection);
    connect(worker, &DecodeWorker::ended, this, &AudioPlayer::decodingEnded, Qt::QueuedConnection);
    connect(engine_.get(), &AudioEngine::failed, this, &AudioPlayer::outputFailed);
    thread_->start();
}

AudioPlayer::~AudioPlayer()
{
    cancel_->store(true);
    thread_->quit();
    thread_->wait();
    engine_->stop();
}

void AudioPlayer::setVolume(float volume)
{
    engine_->setOutputVolume(volume);
}

float AudioPlayer::volume() const
{
    return engine_->outputVolume();
}

bool AudioPlayer::prepareToPlay()
{
    engine_->start();
    return true;
}

bool AudioPlayer::play()
{
    if (playing_)
        return true;
    engine_->start();
    if (queue_->queuedBuffers() == 0 && !endScheduled_)
        scheduleFrom(0);
    queue_->play();
    setPlaying(true);
    return true;
}

void AudioPlayer::stop()
{
    ++generation_;
    queue_->stop();
    endScheduled_ = false;
    engine_->stop();
    setPlaying(false);
}

void AudioPlayer::rewind()
{
    const bool wasPlaying = playing_;
    ++generation_;
    queue_->stop();
    endScheduled_ = false;
    scheduleFrom(0);
    if (wasPlaying)
        queue_->play();
}

void AudioPlayer::receive(std::vector<float> samples)
{
    decoded_.insert(decoded_.end(), samples.begin(), samples.end());
    // Pieces are queued as they come, unless the queue was cleared by stop.
    if (queue_->queuedBuffers() > 0 || playing_)
        queue_->schedule(std::move(samples));
}

void AudioPlayer::decodingEnded(const QString& error)
{
    decodeDone_ = true;
    if (!error.isEmpty())
        emit decodeFailed(error);
    if (queue_->queuedBuffers() > 0 || playing_)
        scheduleEndMarker();
}

void AudioPlayer::scheduleFrom(size_t position)
{
    if (position < decoded_.size())
        queue_->schedule(std::vector<float>(decoded_.begin() + std::ptrdiff_t(position), decoded_.end()));
    if (decodeDone_)
        scheduleEndMarker();
}

void AudioPlayer::scheduleEndMarker()
{
    if (endScheduled_)
        return;
    endScheduled_ = true;
    QPointer<AudioPlayer> self(this);
    const uint64_t generation = generation_;
    queue_->schedule({}, [self, generation] {
        if (self && self->generation_ == generation)
            self->reachedEnd();
    });
}

void AudioPlayer::reachedEnd()
{
    // The engine reports the end marker once the device has played the last sample.
    endScheduled_ = false;
    engine_->stop();
    setPlaying(false);
    emit finished();
}

void AudioPlayer::outputFailed()
{
    // Nothing more will be heard of this clip: it is over. The next play()
    // opens a device again.
    if (!playing_)
        return;
    ++generation_;
    queue_->stop();
    endScheduled_ = false;
    setPlaying(false);
    emit finished();
}

void AudioPlayer::setPlaying(bool playing)
{
    if (playing_ == playing)
        return;
    playing_ = playing;
    emit playingChanged(playing);
}

#include "audio_player.moc"
