#pragma once

// The catalog's source rows, as written in gen/catalog.tsv. Only the catalog
// builder reads them; the colour rules live there, not here.

#include "theme/system_colors.h"

#include <array>
#include <cstddef>

namespace FacePlateCatalogRows {

// A literal colour of a core theme: sRGB components, or a named colour, each
// at an opacity.
struct Literal {
    bool isNamed;
    SystemColor named;
    double r, g, b;
    double opacity;
};

constexpr Literal rgb(double r, double g, double b, double opacity = 1.0)
{
    return {false, SystemColor::Black, r, g, b, opacity};
}

constexpr Literal named(SystemColor which, double opacity = 1.0)
{
    return {true, which, 0, 0, 0, opacity};
}

struct CoreRow {
    const char* id;
    const char* name;
    const char* emoji;
    // bodyTop, bodyBottom, lcdBg, lcdText, accent, chatSelf, chatOther,
    // shellStroke, pttTop, pttBottom
    std::array<Literal, 10> colours;
};

// The nine colours that recur in derived rows.
enum class Shorthand { Red, White, Navy, Yellow, Green, BrightGreen, Blue, Black, Orange, None };

// P, S or A of a derived row: a shorthand or an sRGB triple.
struct Source {
    Shorthand shorthand;
    double r, g, b;
};

constexpr Source sh(Shorthand which)
{
    return {which, 0, 0, 0};
}

constexpr Source lit(double r, double g, double b)
{
    return {Shorthand::None, r, g, b};
}

enum class Family { Country, Space, Fantasy, SciFi, Cities, Canada, Ocean, Africa, Zodiac, Sports, Cars, UsStates };

// A theme outside the core list. Zodiac and US-state rows carry no colours:
// theirs follow from the row's position in its family.
struct DerivedRow {
    Family family;
    const char* id;
    const char* name;
    const char* emoji;
    Source p, s, a;
};

extern const std::array<CoreRow, 30> kCore;
extern const std::array<DerivedRow, 167> kDerived;

} // namespace FacePlateCatalogRows
