#include "services/reconnect_backoff.h"

#include <QRandomGenerator>

#include <algorithm>

ReconnectBackoff::ReconnectBackoff(std::chrono::milliseconds first, std::chrono::milliseconds cap, Jitter jitter)
    : first_(first), cap_(std::max(first, cap)), jitter_(std::move(jitter))
{
    if (!jitter_)
        jitter_ = [] { return QRandomGenerator::global()->generateDouble(); };
}

void ReconnectBackoff::setLimits(std::chrono::milliseconds first, std::chrono::milliseconds cap)
{
    first_ = first;
    cap_ = std::max(first, cap);
}

std::chrono::milliseconds ReconnectBackoff::next()
{
    auto base = first_;
    for (int i = 0; i < attempts_ && base < cap_; ++i)
        base *= 2;
    base = std::min(base, cap_);
    ++attempts_;
    const double spread = std::clamp(jitter_(), 0.0, 1.0) * 0.25;
    const auto wait = base + std::chrono::milliseconds(qint64(double(base.count()) * spread));
    return std::min(wait, cap_);
}
