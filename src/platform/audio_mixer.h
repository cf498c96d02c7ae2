#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

// Filler (keep-alive silence) gives way to audio: scheduling audio on a
// player drops the filler still queued or playing there, so silence never
// delays sound.
enum class BufferKind { audio, filler };

// The render thread's side of the player queues: per player, the mono float
// buffers still to play, mixed into one block at a time.
// Thread contract: built, called and destroyed on one render thread only
// (AudioRenderLoop's).
class AudioMixer {
public:
    using Samples = std::shared_ptr<const std::vector<float>>;
    // A buffer that played to its end inside a rendered block.
    struct Ended {
        int player = 0;
        uint64_t id = 0;
        int offset = 0;  // frames into the block where its last sample went
    };

    void addPlayer() { players_.emplace_back(); }
    void schedule(int player, uint64_t id, Samples samples, BufferKind kind);
    void play(int player) { players_[size_t(player)].playing = true; }
    // Stops the player and drops what it had queued, reporting nothing.
    void stop(int player);
    void setVolume(float volume) { volume_ = volume; }

    // Writes the next frames (silence where nothing plays) and appends the
    // buffers that ended in them.
    void render(float* out, int frames, std::vector<Ended>& ended);
    // A playing player has audio (not filler) queued.
    bool hasAudio() const;
    // Frames until the first buffer of a playing player ends; none when
    // nothing plays.
    std::optional<int64_t> framesToNextEnd() const;

private:
    struct Item {
        uint64_t id = 0;
        Samples samples;
        size_t position = 0;
        BufferKind kind = BufferKind::audio;
    };
    struct Player {
        std::deque<Item> items;
        bool playing = false;
    };
    void renderAdd(int index, float* mix, int frames, std::vector<Ended>& ended);

    std::vector<Player> players_;
    float volume_ = 1.0f;
};
