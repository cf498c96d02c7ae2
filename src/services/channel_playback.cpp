#include "services/channel_playback.h"

#include "legal/app_legal.h"
#include "platform/audio_engine.h"
#include "platform/diagnostics.h"

#include <algorithm>
#include <cmath>

ChannelPlayback::ChannelPlayback(std::function<bool()> isLive, QObject* parent)
    : QObject(parent), isLive_(std::move(isLive))
{
}

ChannelPlayback::~ChannelPlayback() = default;

bool ChannelPlayback::engineRunning() const { return playEngine_ && playEngine_->isRunning(); }

void ChannelPlayback::dropEngine()
{
    if (playEngine_) {
        // Stopping may take the sound server a moment: done from the event loop.
        playEngine_->setParent(nullptr);
        playEngine_->deleteLater();
    }
    forgetPlayers();
}

void ChannelPlayback::forgetPlayers()
{
    playEngine_ = nullptr;
    rxPlayers_.clear();
    rxPlayerCursor_ = 0;
    streamPlayer_.reset();
    // A keep-alive queued on the old engine will never be heard of again.
    keepaliveScheduled_ = false;
    ++engineGeneration_;
}

void ChannelPlayback::startPlaybackEngine()
{
    dropEngine();

    auto* engine = new AudioEngine(kSampleRate, QStringLiteral("Pager"), this);
    std::vector<PlayerQueue*> players;
    for (int i = 0; i < kPlayers; ++i)
        players.push_back(engine->attachPlayer());
    engine->setOutputVolume(1.0f);
    // A device that cannot open, or fails later, drops the engine: the next
    // ensurePlaybackRunning builds a new one on whatever the desktop plays on then.
    connect(engine, &AudioEngine::failed, this, [this, engine](const QString& error) {
        if (engine != playEngine_)
            return;
        Diagnostics::printLine(QStringLiteral("[TovrinAudio][mac] RX engine FAIL: ") + error);
        dropEngine();
    });
    engine->start();
    playEngine_ = engine;
    rxPlayers_ = std::move(players);
    for (PlayerQueue* player : rxPlayers_)
        if (!player->isPlaying())
            player->play();
    Diagnostics::printLine(QStringLiteral("[TovrinAudio][mac] RX engine started players=%1 wire=%2 float32 build=%3")
                               .arg(kPlayers)
                               .arg(kSampleRate)
                               .arg(AppLegal::buildNumber()));
}

void ChannelPlayback::ensurePlaybackRunning()
{
    if (!isLive_())
        return;
    if (!playEngine_ || rxPlayers_.empty()) {
        startPlaybackEngine();
        return;
    }
    if (!playEngine_->isRunning())
        playEngine_->start();
    for (PlayerQueue* player : rxPlayers_)
        if (!player->isPlaying())
            player->play();
    playEngine_->setOutputVolume(1.0f);
}

void ChannelPlayback::scheduleVoiceBuffer(std::vector<float> buffer)
{
    if (rxPlayers_.empty())
        return;
    if (!engineRunning())
        ensurePlaybackRunning();
    if (rxPlayers_.empty())
        return;
    // A stream keeps its queue while it has audio there; a new one moves on.
    if (!streamPlayer_ || !rxPlayers_[size_t(*streamPlayer_)]->hasPendingAudio()) {
        streamPlayer_ = rxPlayerCursor_ % int(rxPlayers_.size());
        ++rxPlayerCursor_;
    }
    PlayerQueue* player = rxPlayers_[size_t(*streamPlayer_)];
    player->schedule(std::move(buffer));
    if (!player->isPlaying())
        player->play();
}

void ChannelPlayback::tearDownPlaybackAsync() { dropEngine(); }

void ChannelPlayback::hardStopPlaybackEngine()
{
    if (playEngine_) {
        for (PlayerQueue* player : rxPlayers_)
            player->stop();
        playEngine_->stop();
        delete playEngine_;
    }
    forgetPlayers();
}

void ChannelPlayback::setBackgroundRadioActive(bool active) { backgroundRadioActive_ = active; }

void ChannelPlayback::scheduleSilentKeepaliveIfNeeded()
{
    if (!isLive_() || !backgroundRadioActive_ || keepaliveScheduled_ || rxPlayers_.empty())
        return;
    ensurePlaybackRunning();
    if (rxPlayers_.empty())
        return;
    const int frames = std::max(1, int(std::lround(kSampleRate * kKeepaliveSeconds)));
    keepaliveScheduled_ = true;
    PlayerQueue* first = rxPlayers_.front();
    QPointer<ChannelPlayback> self(this);
    const quint64 generation = engineGeneration_;
    first->schedule(std::vector<float>(size_t(frames), 0.0f),
                    [self, generation] {
                        if (!self || self->engineGeneration_ != generation)
                            return;
                        self->keepaliveScheduled_ = false;
                        if (self->backgroundRadioActive_)
                            self->scheduleSilentKeepaliveIfNeeded();
                    },
                    PlayerQueue::Kind::filler);
    if (!first->isPlaying())
        first->play();
}
