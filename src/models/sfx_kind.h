#pragma once

#include <QString>

#include <array>
#include <optional>

// The server's sound effects. The raw value names the download path
// "/v1/sfx/<raw>" and the cached file "<raw>.caf".
enum class SFXKind { rxOpen, callTone, pttEnd };

inline constexpr std::array<SFXKind, 3> allSFXKinds{SFXKind::rxOpen, SFXKind::callTone, SFXKind::pttEnd};

QString rawValue(SFXKind kind);

// Exact, case-sensitive match on the raw value; anything else is no kind.
std::optional<SFXKind> sfxKindFromRawValue(const QString& raw);

// The hash of the raw value.
size_t qHash(SFXKind kind, size_t seed = 0);
