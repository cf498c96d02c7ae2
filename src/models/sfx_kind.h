#pragma once

#include "models/raw_value_enum.h"

#include <QHashFunctions>

#include <utility>

// The server's sound effects, in the order of allCases<SFXKind>(). The raw
// value names the download path "/v1/sfx/<raw>" and the cached file
// "<raw>.caf"; fromRawValue<SFXKind> matches it exactly, letter case included.
enum class SFXKind { rxOpen, callTone, pttEnd };

template <>
struct RawValues<SFXKind> {
    static constexpr const char* name = "SFXKind";
    static constexpr std::array<std::pair<SFXKind, const char*>, 3> table{{
        {SFXKind::rxOpen, "rx_open"},
        {SFXKind::callTone, "call_tone"},
        {SFXKind::pttEnd, "ptt_end"},
    }};
};

// The hash of the raw value.
inline size_t qHash(SFXKind kind, size_t seed = 0)
{
    return qHash(rawValue(kind), seed);
}
