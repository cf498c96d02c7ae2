#pragma once

#include "models/raw_value_enum.h"

#include <QHashFunctions>
#include <QString>

#include <utility>

// The pager sounds a user can send to the channel, in their fixed order (the
// order of allCases and of cycling). The raw value is the wire name.
enum class AlertSound {
    pager,
    cat,
    dog,
    alien,
    horn,
    laugh,
    whatsUp,
    sonicBoom,
    ak47,
    fastCar,
    airplane,
    fighterJet,
    cow,
    birds,
    scratch,
    chalk,
    bell,
    siren,
    whistle,
    drum,
};

template <>
struct RawValues<AlertSound> {
    static constexpr const char* name = "AlertSound";
    static constexpr std::array<std::pair<AlertSound, const char*>, 20> table{{
        {AlertSound::pager, "pager"},
        {AlertSound::cat, "cat"},
        {AlertSound::dog, "dog"},
        {AlertSound::alien, "alien"},
        {AlertSound::horn, "horn"},
        {AlertSound::laugh, "laugh"},
        {AlertSound::whatsUp, "whatsUp"},
        {AlertSound::sonicBoom, "sonicBoom"},
        {AlertSound::ak47, "ak47"},
        {AlertSound::fastCar, "fastCar"},
        {AlertSound::airplane, "airplane"},
        {AlertSound::fighterJet, "fighterJet"},
        {AlertSound::cow, "cow"},
        {AlertSound::birds, "birds"},
        {AlertSound::scratch, "scratch"},
        {AlertSound::chalk, "chalk"},
        {AlertSound::bell, "bell"},
        {AlertSound::siren, "siren"},
        {AlertSound::whistle, "whistle"},
        {AlertSound::drum, "drum"},
    }};
};

QString alertSoundLabel(AlertSound sound);
QString alertSoundEmoji(AlertSound sound);

inline size_t qHash(AlertSound sound, size_t seed = 0)
{
    return qHash(rawValue(sound), seed);
}
