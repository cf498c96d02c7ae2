#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

// Fingerprints of rendered 16-bit audio for golden-value tests.
inline std::uint64_t fnv1a(const std::vector<std::int16_t>& samples)
{
    std::uint64_t h = 1469598103934665603ull;
    for (std::int16_t v : samples) {
        const auto u = std::uint16_t(v);
        for (int shift : {0, 8}) {
            h ^= (u >> shift) & 0xFFu;
            h *= 1099511628211ull;
        }
    }
    return h;
}

inline int peak(const std::vector<std::int16_t>& samples)
{
    int p = 0;
    for (std::int16_t v : samples)
        p = std::max(p, std::abs(int(v)));
    return p;
}
