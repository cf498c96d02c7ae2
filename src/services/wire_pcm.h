#pragma once

#include "platform/pcm_buffer.h"

#include <QByteArray>

#include <optional>

// The wire's pager audio: signed 16-bit little-endian mono PCM at 16 kHz.
namespace WirePcm {

constexpr double kSampleRate = 16000.0;

// The playback format: float, 16 kHz, mono.
PcmFormat playbackFormat();

// Wire bytes -> float samples (sample / 32767); an odd last byte is ignored;
// nothing for fewer than 2 bytes.
std::optional<PcmBuffer> makeFloatPlaybackBuffer(const QByteArray& int16PCM);

// The first channel as wire bytes: int16 samples copied, float samples
// clamped to ±1, scaled by 32767 and truncated; nothing for an empty buffer.
std::optional<QByteArray> packWireInt16PCM(const PcmBuffer& buffer);

}  // namespace WirePcm
