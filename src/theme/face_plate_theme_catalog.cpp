#include "theme/face_plate_theme_catalog.h"

#include "theme/face_plate_catalog_rows.h"
#include "theme/system_colors.h"
#include "theme/theme_contrast.h"

namespace {

using namespace FacePlateCatalogRows;

QColor srgb(double r, double g, double b, double opacity = 1.0)
{
    return QColor::fromRgbF(float(r), float(g), float(b), float(opacity));
}

QColor colourOf(const Literal& literal)
{
    if (literal.isNamed)
        return systemColor(literal.named, literal.opacity);
    return srgb(literal.r, literal.g, literal.b, literal.opacity);
}

QColor colourOf(Shorthand which)
{
    switch (which) {
    case Shorthand::Red: return srgb(0.75, 0.12, 0.15);
    case Shorthand::White: return srgb(0.92, 0.95, 0.98);
    case Shorthand::Navy: return srgb(0.12, 0.22, 0.55);
    case Shorthand::Yellow: return srgb(0.95, 0.82, 0.05);
    case Shorthand::Green: return srgb(0.05, 0.45, 0.22);
    case Shorthand::BrightGreen: return srgb(0.05, 0.55, 0.22);
    case Shorthand::Blue: return srgb(0.15, 0.35, 0.72);
    case Shorthand::Black: return srgb(0.12, 0.12, 0.12);
    case Shorthand::Orange: return srgb(0.95, 0.55, 0.12);
    case Shorthand::None: break;
    }
    return srgb(0, 0, 0);
}

QColor colourOf(const Source& source)
{
    return source.shorthand == Shorthand::None ? srgb(source.r, source.g, source.b) : colourOf(source.shorthand);
}

FacePlateTheme coreTheme(const CoreRow& row)
{
    const auto& c = row.colours;
    return {QString::fromUtf8(row.id), QString::fromUtf8(row.name), QString::fromUtf8(row.emoji),
            colourOf(c[0]), colourOf(c[1]), colourOf(c[2]), colourOf(c[3]), colourOf(c[4]),
            colourOf(c[5]), colourOf(c[6]), colourOf(c[7]), colourOf(c[8]), colourOf(c[9])};
}

// Every theme outside the core list: ten colours from primary, secondary and accent.
FacePlateTheme derivedTheme(const DerivedRow& row, const QColor& p, const QColor& s, const QColor& a)
{
    return {QString::fromUtf8(row.id), QString::fromUtf8(row.name), QString::fromUtf8(row.emoji),
            p,
            s,
            srgb(0.06, 0.08, 0.12),
            srgb(0.95, 0.95, 1.0),
            a,
            ThemeContrast::blend(p, s, 0.35),
            srgb(0.2, 0.2, 0.24),
            systemColor(SystemColor::White, 0.28),
            a,
            ThemeContrast::blend(p, s, 0.65)};
}

// Signs shade from deep violet towards magenta along the year.
FacePlateTheme zodiacTheme(const DerivedRow& row, int position)
{
    const double t = position / 12.0;
    return derivedTheme(row, srgb(0.15 + 0.3 * t, 0.08, 0.35), srgb(0.45 + 0.2 * t, 0.12, 0.55),
                        srgb(0.85, 0.75, 0.95));
}

// States cycle through six flag-colour combinations.
FacePlateTheme stateTheme(const DerivedRow& row, int position)
{
    struct Triple {
        Shorthand p, s, a;
    };
    static constexpr std::array<Triple, 6> kPalette{{
        {Shorthand::Navy, Shorthand::White, Shorthand::Red},
        {Shorthand::Red, Shorthand::White, Shorthand::Navy},
        {Shorthand::White, Shorthand::Red, Shorthand::Navy},
        {Shorthand::Navy, Shorthand::Red, Shorthand::White},
        {Shorthand::Red, Shorthand::Black, Shorthand::Yellow},
        {Shorthand::Green, Shorthand::White, Shorthand::Red},
    }};
    const Triple& entry = kPalette[std::size_t(position) % kPalette.size()];
    return derivedTheme(row, colourOf(entry.p), colourOf(entry.s), colourOf(entry.a));
}

std::vector<FacePlateTheme> buildRows(bool wantCountries)
{
    std::vector<FacePlateTheme> out;
    int zodiacPosition = 0;
    int statePosition = 0;
    for (const DerivedRow& row : kDerived) {
        if ((row.family == Family::Country) != wantCountries)
            continue;
        switch (row.family) {
        case Family::Zodiac: out.push_back(zodiacTheme(row, zodiacPosition++)); break;
        case Family::UsStates: out.push_back(stateTheme(row, statePosition++)); break;
        default: out.push_back(derivedTheme(row, colourOf(row.p), colourOf(row.s), colourOf(row.a))); break;
        }
    }
    return out;
}

std::vector<FacePlateTheme> buildCatalog()
{
    std::vector<FacePlateTheme> all;
    for (const CoreRow& row : kCore)
        all.push_back(coreTheme(row));
    for (FacePlateTheme& theme : buildRows(true))
        all.push_back(std::move(theme));
    const std::vector<FacePlateTheme>& extended = FacePlateThemeCatalog::extended();
    all.insert(all.end(), extended.begin(), extended.end());
    return all;
}

} // namespace

namespace FacePlateThemeCatalog {

const std::vector<FacePlateTheme>& extended()
{
    static const std::vector<FacePlateTheme> themes = buildRows(false);
    return themes;
}

} // namespace FacePlateThemeCatalog

const std::vector<FacePlateTheme>& FacePlateTheme::catalog()
{
    static const std::vector<FacePlateTheme> themes = buildCatalog();
    return themes;
}
