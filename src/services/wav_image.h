#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

// A mono 16-bit PCM WAV file held in memory: a 44-byte header, then the
// samples little-endian. Pure; any thread.
namespace WavImage {

constexpr int kHeaderBytes = 44;

// Fills the first 44 bytes of `base` (which must hold at least that many).
// False when the sizes do not fit the header's 32-bit fields.
bool writeHeader(char* base, std::uint64_t dataBytes, double sampleRate);

// The whole image, or nothing when it cannot be described by a header.
std::optional<QByteArray> build(const std::vector<std::int16_t>& samples, double sampleRate);

}  // namespace WavImage
