#pragma once

#include "models/raw_value_enum.h"

#include <QHashFunctions>

#include <utility>

// The voice-changer presets, in the order of allCases<VoiceFilter>(). Effects
// are switched off in this version: the store starts at normal and the engine
// always tells the server "normal".
enum class VoiceFilter {
    normal,
    grovak,
    superman,
    spiderman,
    darth,
    batman,
    chipmunk,
    mickey,
    helium,
    lady,
    manly,
    alien,
    robot,
    drunk,
    hyper,
    cartoon,
    cyborg,
    demon,
    grandpa,
    valley,
};

template <>
struct RawValues<VoiceFilter> {
    static constexpr const char* name = "VoiceFilter";
    static constexpr std::array<std::pair<VoiceFilter, const char*>, 20> table{{
        {VoiceFilter::normal, "normal"},
        {VoiceFilter::grovak, "grovak"},
        {VoiceFilter::superman, "superman"},
        {VoiceFilter::spiderman, "spiderman"},
        {VoiceFilter::darth, "darth"},
        {VoiceFilter::batman, "batman"},
        {VoiceFilter::chipmunk, "chipmunk"},
        {VoiceFilter::mickey, "mickey"},
        {VoiceFilter::helium, "helium"},
        {VoiceFilter::lady, "lady"},
        {VoiceFilter::manly, "manly"},
        {VoiceFilter::alien, "alien"},
        {VoiceFilter::robot, "robot"},
        {VoiceFilter::drunk, "drunk"},
        {VoiceFilter::hyper, "hyper"},
        {VoiceFilter::cartoon, "cartoon"},
        {VoiceFilter::cyborg, "cyborg"},
        {VoiceFilter::demon, "demon"},
        {VoiceFilter::grandpa, "grandpa"},
        {VoiceFilter::valley, "valley"},
    }};
};

inline size_t qHash(VoiceFilter filter, size_t seed = 0)
{
    return qHash(rawValue(filter), seed);
}
