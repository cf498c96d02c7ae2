#pragma once

#include <QString>

#include <optional>

// Channel numbers (1–64000) and their radio-frequency display "BBB.SSS":
// 200 bands of 320 sub-channels. Pure functions; safe from any thread.
namespace ChannelMath {

inline constexpr qint64 minChannel = 1;
inline constexpr qint64 maxChannel = 64000;
inline constexpr qint64 bandCount = 200;
inline constexpr qint64 subChannelCount = 320;

struct Snapped {
    QString display;
    qint64 channel = 0;

    friend bool operator==(const Snapped&, const Snapped&) = default;
};

// "%03d.%03d" of the channel's band and sub-channel ("001.001" for 1).
QString display(qint64 channel);

// The channel a display names, or none when it is not a valid frequency.
std::optional<qint64> number(const QString& text);

// A readable display with band and sub-channel clamped into range, or none
// when the text cannot be read as two integers separated by dots.
std::optional<Snapped> snapToValid(const QString& text);

// The same sub-channel `delta` bands away; the band stops at 1 and 200.
qint64 stepMajor(qint64 channel, qint64 delta);

// The display with the digit at `digitCharacterIndex` rolled by `delta`
// modulo 10. Anything that is not a digit (the dot) is left alone, and the
// result is not brought into range.
QString nudgeDisplayCharacter(const QString& display, qint64 digitCharacterIndex, qint64 delta);

}  // namespace ChannelMath
