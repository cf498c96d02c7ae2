#include "services/audio_fx_service.h"

#include "platform/audio_player.h"
#include "platform/audio_session.h"
#include "platform/background_task.h"
#include "platform/tovrin_log.h"
#include "services/alert_sound_synth.h"
#include "services/sfx_substitutes.h"
#include "services/synth_primitives.h"
#include "services/tovrin_api.h"
#include "services/tovrin_audio_pipeline.h"
#include "services/tovrin_audio_session.h"
#include "services/wav_image.h"

#include <QPointer>
#include <QtEndian>

namespace {

constexpr float kChirpVolume = 0.85f;
// How the desktop's mixer lists the radio's sound effects.
const QString kStreamName = QStringLiteral("Effects");

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// The alert rendered on the thread pool; never throws (an empty render plays
// nothing).
QCoro::Task<std::vector<std::int16_t>> renderAlert(AlertSound sound, double sampleRate)
{
    try {
        co_return co_await runInBackground([sound, sampleRate] { return AlertSoundSynth::generate(sound, sampleRate); });
    } catch (...) {
        co_return std::vector<std::int16_t>{};
    }
}

}  // namespace

AudioFXService::AudioFXService(QObject* parent)
    : QObject(parent)
{
}

AudioFXService::~AudioFXService() = default;

QCoro::Task<void> AudioFXService::prefetch(SFXKind kind)
{
    if (isFetched(kind) || downloading_.count(kind))
        co_return;
    QPointer<AudioFXService> self(this);
    downloading_.insert(kind);
    QString path;
    try {
        path = co_await TovrinAPI::shared().downloadSFX(kind);
    } catch (...) {
        if (self)
            downloading_.erase(kind);
        co_return;
    }
    if (!self)
        co_return;
    downloading_.erase(kind);
    fileURLs_[kind] = path;

    std::unique_ptr<AudioPlayer> player = AudioPlayer::fromFile(path, kStreamName, nullptr);
    if (!player)
        co_return;
    player->prepareToPlay();
    player->setVolume(1.0f);
    players_[kind] = std::move(player);
}

void AudioFXService::prefetchInBackground(SFXKind kind)
{
    // prefetch() catches every failure of its own; this only keeps an
    // unexpected one from escaping an unawaited task.
    [](QCoro::Task<void> task) -> QCoro::Task<void> {
        try {
            co_await std::move(task);
        } catch (...) {
        }
    }(prefetch(kind));
}

void AudioFXService::play(SFXKind kind)
{
    wakeEffectsSessionAsync();
    if (const auto it = players_.find(kind); it != players_.end()) {
        it->second->rewind();
        it->second->setVolume(1.0f);
        it->second->play();
        return;
    }
    playPCMSamples(renderSubstitute(kind), false);
    prefetchInBackground(kind);
}

void AudioFXService::playPTTChirp(SFXKind kind)
{
    if (const auto it = players_.find(kind); it != players_.end()) {
        it->second->rewind();
        it->second->setVolume(kChirpVolume);
        const bool started = it->second->play();
        TovrinLog::ptt(QStringLiteral("sfx local file kind=%1 started=%2").arg(rawValue(kind), boolText(started)));
        return;
    }
    const std::vector<std::int16_t> samples = renderSubstitute(kind);
    const bool started = playPCMSamples(samples, false);
    TovrinLog::ptt(QStringLiteral("sfx local synth kind=%1 frames=%2 started=%3")
                       .arg(rawValue(kind))
                       .arg(samples.size())
                       .arg(boolText(started)));
    prefetchInBackground(kind);
}

void AudioFXService::playAlert(AlertSound sound)
{
    QCoro::connect(renderAlert(sound, kLocalRate), this, [this](std::vector<std::int16_t> samples) {
        playPCMSamples(samples, true);
    });
}

QCoro::Task<QByteArray> AudioFXService::relayPCM(AlertSound sound, double sampleRate)
{
    const std::vector<std::int16_t> samples = co_await renderAlert(sound, sampleRate);
    QByteArray bytes(qsizetype(samples.size() * 2), Qt::Uninitialized);
    for (std::size_t i = 0; i < samples.size(); ++i)
        qToLittleEndian(samples[i], bytes.data() + 2 * i);
    co_return bytes;
}

void AudioFXService::wakeEffectsSessionAsync()
{
    QThreadPool::globalInstance()->start([] {
        TovrinAudioSession::wakeForPlayback();
        try {
            AudioSession::shared().setActive(true);
        } catch (...) {
            // A session that will not wake leaves the sound to the backend.
        }
    });
}

bool AudioFXService::playPCMSamples(const std::vector<std::int16_t>& samples, bool activateSession)
{
    if (samples.empty())
        return false;
    const std::optional<QByteArray> image = WavImage::build(samples, kLocalRate);
    std::unique_ptr<AudioPlayer> player = image ? AudioPlayer::fromBytes(*image, kStreamName, nullptr) : nullptr;
    if (!player) {
        tonePlayer_.reset();
        return false;
    }
    player->setVolume(1.0f);
    player->prepareToPlay();
    if (activateSession)
        wakeEffectsSessionAsync();
    tonePlayer_ = std::move(player);  // replaces, and so stops, the previous sound
    return tonePlayer_->play();
}

std::vector<std::int16_t> AudioFXService::renderSubstitute(SFXKind kind) const
{
    return Synth::finalize(SFXSubstitutes::render(kind, kLocalRate), kLocalRate, TovrinAudioPipeline::sfxBus());
}
