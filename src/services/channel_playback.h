#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>
#include <vector>

class AudioEngine;
class PlayerQueue;

// The channel engine's own playback: a mixer of two player queues at 16 kHz
// float mono for received pager audio, and the silent keep-alive of
// background radio mode that keeps that mixer running.
// A stream's consecutive buffers stay on one player queue, so they play one
// after the other; the next stream starts on the next queue. Keep-alive
// silence is filler: audio scheduled on its queue replaces it at once.
// Thread contract: built, called and destroyed on the GUI thread; replaced
// engines are stopped later from the event loop, never while a caller waits.
class ChannelPlayback final : public QObject {
    Q_OBJECT
public:
    static constexpr int kSampleRate = 16000;
    static constexpr int kPlayers = 2;
    static constexpr double kKeepaliveSeconds = 0.2;

    // isLive tells whether the channel engine is live (nothing plays otherwise).
    explicit ChannelPlayback(std::function<bool()> isLive, QObject* parent = nullptr);
    ~ChannelPlayback() override;

    void startPlaybackEngine();
    void ensurePlaybackRunning();
    void scheduleVoiceBuffer(std::vector<float> buffer);
    // Drops the engine at once; it stops from the event loop.
    void tearDownPlaybackAsync();
    // Stops players and engine before returning.
    void hardStopPlaybackEngine();

    void setBackgroundRadioActive(bool active);
    bool backgroundRadioActive() const { return backgroundRadioActive_; }
    void scheduleSilentKeepaliveIfNeeded();
    void forgetKeepalive() { keepaliveScheduled_ = false; }

    AudioEngine* playEngine() const { return playEngine_; }
    const std::vector<PlayerQueue*>& rxPlayers() const { return rxPlayers_; }
    int rxPlayerCursor() const { return rxPlayerCursor_; }
    bool keepaliveScheduled() const { return keepaliveScheduled_; }

private:
    bool engineRunning() const;
    void dropEngine();
    void forgetPlayers();

    std::function<bool()> isLive_;
    AudioEngine* playEngine_ = nullptr;  // child; replaced engines are deleted later
    std::vector<PlayerQueue*> rxPlayers_;
    int rxPlayerCursor_ = 0;
    std::optional<int> streamPlayer_;  // the queue the current stream plays on
    bool backgroundRadioActive_ = false;
    bool keepaliveScheduled_ = false;
    quint64 engineGeneration_ = 0;  // keep-alive completions of older engines do nothing
};
