#include "platform/audio_mixer.h"

#include <algorithm>

void AudioMixer::schedule(int player, uint64_t id, Samples samples, BufferKind kind)
{
    std::deque<Item>& items = players_[size_t(player)].items;
    if (kind == BufferKind::audio)
        std::erase_if(items, [](const Item& item) { return item.kind == BufferKind::filler; });
    items.push_back(Item{id, std::move(samples), 0, kind});
}

void AudioMixer::stop(int player)
{
    players_[size_t(player)].playing = false;
    players_[size_t(player)].items.clear();
}

void AudioMixer::render(float* out, int frames, std::vector<Ended>& ended)
{
    std::fill(out, out + frames, 0.0f);
    for (size_t i = 0; i < players_.size(); ++i)
        renderAdd(int(i), out, frames, ended);
    if (volume_ != 1.0f)
        for (int i = 0; i < frames; ++i)
            out[i] *= volume_;
    for (int i = 0; i < frames; ++i)
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

void AudioMixer::renderAdd(int index, float* mix, int frames, std::vector<Ended>& ended)
{
    Player& player = players_[size_t(index)];
    if (!player.playing)
        return;
    int written = 0;
    while (!player.items.empty()) {
        Item& item = player.items.front();
        const std::vector<float>& samples = *item.samples;
        const size_t n = std::min(samples.size() - item.position, size_t(frames - written));
        const float* from = samples.data() + item.position;
        for (size_t i = 0; i < n; ++i)
            mix[size_t(written) + i] += from[i];
        item.position += n;
        written += int(n);
        if (item.position < samples.size())
            break;
        ended.push_back(Ended{index, item.id, written});
        player.items.pop_front();
    }
}

bool AudioMixer::hasAudio() const
{
    return std::any_of(players_.begin(), players_.end(), [](const Player& player) {
        return player.playing && std::any_of(player.items.begin(), player.items.end(),
                                             [](const Item& item) { return item.kind == BufferKind::audio; });
    });
}

std::optional<int64_t> AudioMixer::framesToNextEnd() const
{
    std::optional<int64_t> next;
    for (const Player& player : players_) {
        if (!player.playing || player.items.empty())
            continue;
        const Item& item = player.items.front();
        const auto left = int64_t(item.samples->size() - item.position);
        next = next ? std::min(*next, left) : left;
    }
    return next;
}
