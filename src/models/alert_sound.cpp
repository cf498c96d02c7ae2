#include "models/alert_sound.h"

namespace {

struct Face {
    const char* label;
    const char* emoji;  // UTF-8
};

// Indexed by the case's position in the declaration.
constexpr Face kFaces[] = {
    {"Pager", "\U0001F3B5"},
    {"Cat", "\U0001F431"},
    {"Dog", "\U0001F436"},
    {"Alien", "\U0001F47D"},
    {"Horn", "\U0001F4EF"},
    {"Laugh", "\U0001F602"},
    {"What's Up", "\u270C\uFE0F"},
    {"Sonic Boom", "\U0001F4A5"},
    {"AK-47", "\U0001F52B"},
    {"Fast Car", "\U0001F3CE\uFE0F"},
    {"Airplane", "\u2708\uFE0F"},
    {"Fighter Jet", "\U0001F6E9\uFE0F"},
    {"Cow", "\U0001F42E"},
    {"Birds", "\U0001F426"},
    {"Scratch", "\U0001F4BF"},
    {"Chalk", "\U0001F4DD"},
    {"Bell", "\U0001F514"},
    {"Siren", "\U0001F6A8"},
    {"Whistle", "\U0001F4E3"},
    {"Drum", "\U0001F941"},
};
static_assert(std::size(kFaces) == RawValues<AlertSound>::table.size());

const Face& face(AlertSound sound)
{
    return kFaces[static_cast<std::size_t>(sound)];
}

}  // namespace

QString alertSoundLabel(AlertSound sound)
{
    return QString::fromUtf8(face(sound).label);
}

QString alertSoundEmoji(AlertSound sound)
{
    return QString::fromUtf8(face(sound).emoji);
}
