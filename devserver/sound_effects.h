#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The three sound effects the devserver hands out at "/v1/sfx/<kind>": short
// tones synthesised at start-up and wrapped as Core Audio Format files
// (16-bit linear PCM, 44,100 Hz, mono), the format the client caches them in.
namespace SoundEffects {

// The file for a kind ("rx_open", "call_tone", "ptt_end"), or none for any other word.
std::optional<QByteArray> file(const QString& kind);

}  // namespace SoundEffects
