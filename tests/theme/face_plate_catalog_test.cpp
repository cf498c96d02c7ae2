#include "theme/face_plate_theme.h"
#include "theme/face_plate_theme_catalog.h"
#include "theme/system_colors.h"
#include "theme/theme_contrast.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>

namespace {

const std::vector<FacePlateTheme>& all()
{
    return FacePlateTheme::catalog();
}

QColor rgb(double r, double g, double b, double a = 1.0)
{
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}

// Colours are kept with 16 bits per channel (blends in extended sRGB with
// half floats), so compare components.
bool near(const QColor& a, const QColor& b, double tolerance = 1e-4)
{
    return std::abs(a.redF() - b.redF()) <= tolerance && std::abs(a.greenF() - b.greenF()) <= tolerance
           && std::abs(a.blueF() - b.blueF()) <= tolerance && std::abs(a.alphaF() - b.alphaF()) <= tolerance;
}

std::string describe(const QColor& c)
{
    return QStringLiteral("(%1, %2, %3 @%4)").arg(c.redF()).arg(c.greenF()).arg(c.blueF()).arg(c.alphaF()).toStdString();
}

#define EXPECT_COLOUR(actual, expected) EXPECT_TRUE(near(actual, expected)) << describe(actual) << " vs " << describe(expected)

// The recurring colours of the derived rows.
const QColor kRed = rgb(0.75, 0.12, 0.15);
const QColor kWhite = rgb(0.92, 0.95, 0.98);
const QColor kNavy = rgb(0.12, 0.22, 0.55);
const QColor kYellow = rgb(0.95, 0.82, 0.05);
const QColor kBrightGreen = rgb(0.05, 0.55, 0.22);
const QColor kBlack = rgb(0.12, 0.12, 0.12);
const QColor kOrange = rgb(0.95, 0.55, 0.12);

int indexOf(const QString& id)
{
    for (std::size_t i = 0; i < all().size(); ++i) {
        if (all()[i].id == id)
            return int(i);
    }
    return -1;
}

TEST(FacePlateCatalog, SizeAndNamedPositions)
{
    ASSERT_EQ(all().size(), 197u);
    EXPECT_EQ(FacePlateThemeCatalog::extended().size(), 119u);
    // One-based positions.
    const std::pair<int, const char*> positions[] = {
        {1, "classic"}, {30, "korea"}, {31, "italy"}, {78, "southafrica"}, {79, "mars"}, {197, "state_wy"},
    };
    for (const auto& [position, id] : positions)
        EXPECT_EQ(all()[std::size_t(position - 1)].id, QString::fromLatin1(id)) << position;
}

TEST(FacePlateCatalog, ExtendedIsTheTailInFamilyOrder)
{
    const auto& extended = FacePlateThemeCatalog::extended();
    for (std::size_t i = 0; i < extended.size(); ++i)
        EXPECT_EQ(extended[i], all()[78 + i]);
    // First member of each family, by position in the extended list.
    const std::pair<int, const char*> starts[] = {
        {0, "mars"},      {10, "fairy"},   {15, "alien"},        {19, "la"},        {30, "alberta"},   {33, "maldives"},
        {38, "africa"},   {41, "zodiac_aries"}, {53, "sport_soccer"}, {61, "car_lambo"}, {69, "state_al"},
    };
    for (const auto& [index, id] : starts)
        EXPECT_EQ(extended[std::size_t(index)].id, QString::fromLatin1(id)) << index;
    // Prefixes hold for whole families: the art is chosen by them.
    const std::tuple<int, int, QString> prefixed[] = {
        {41, 53, QStringLiteral("zodiac_")}, {53, 61, QStringLiteral("sport_")},
        {61, 69, QStringLiteral("car_")},    {69, 119, QStringLiteral("state_")},
    };
    for (const auto& [from, to, prefix] : prefixed) {
        for (int i = from; i < to; ++i)
            EXPECT_TRUE(extended[std::size_t(i)].id.startsWith(prefix)) << extended[std::size_t(i)].id.toStdString();
    }
    int prefixedCount = 0;
    for (const FacePlateTheme& theme : all()) {
        for (const auto& [from, to, prefix] : prefixed)
            prefixedCount += theme.id.startsWith(prefix) ? 1 : 0;
    }
    EXPECT_EQ(prefixedCount, 12 + 8 + 8 + 50);
}

TEST(FacePlateCatalog, IdsAndNamesAreUnique)
{
    QSet<QString> ids;
    QSet<QString> names;
    const QRegularExpression idShape(QStringLiteral("^[a-z0-9_]+$"));
    for (const FacePlateTheme& theme : all()) {
        EXPECT_TRUE(idShape.match(theme.id).hasMatch()) << theme.id.toStdString();
        EXPECT_FALSE(theme.name.isEmpty());
        EXPECT_FALSE(theme.emoji.isEmpty());
        ids.insert(theme.id);
        names.insert(theme.name);
    }
    EXPECT_EQ(ids.size(), 197);
    EXPECT_EQ(names.size(), 197);
    // Emoji may repeat.
    int britishFlags = 0;
    for (const FacePlateTheme& theme : all())
        britishFlags += theme.emoji == QStringLiteral("🇬🇧") ? 1 : 0;
    EXPECT_EQ(britishFlags, 3);
}

TEST(FacePlateCatalog, CanadaIsCoreAndAFamily)
{
    EXPECT_LT(indexOf(QStringLiteral("canada")), 30);
    EXPECT_EQ(all()[25].id, QStringLiteral("canada"));
    const auto& extended = FacePlateThemeCatalog::extended();
    EXPECT_EQ(extended[30].id, QStringLiteral("alberta"));
    EXPECT_EQ(extended[31].id, QStringLiteral("bc"));
    EXPECT_EQ(extended[32].id, QStringLiteral("ontario"));
    EXPECT_EQ(extended[31].name, QStringLiteral("British Columbia"));
}

TEST(FacePlateCatalog, EveryThemeOutsideTheCoreFollowsTheDerivedRule)
{
    for (std::size_t i = 30; i < all().size(); ++i) {
        const FacePlateTheme& t = all()[i];
        SCOPED_TRACE(t.id.toStdString());
        EXPECT_COLOUR(t.lcdBg, rgb(0.06, 0.08, 0.12));
        EXPECT_COLOUR(t.lcdText, rgb(0.95, 0.95, 1.0));
        EXPECT_COLOUR(t.chatSelf, ThemeContrast::blend(t.bodyTop, t.bodyBottom, 0.35));
        EXPECT_COLOUR(t.chatOther, rgb(0.2, 0.2, 0.24));
        EXPECT_EQ(t.shellStroke, systemColor(SystemColor::White, 0.28));
        EXPECT_NEAR(t.shellStroke.alphaF(), 0.28, 1e-4);
        EXPECT_EQ(t.pttTop, t.accent);
        EXPECT_COLOUR(t.pttBottom, ThemeContrast::blend(t.bodyTop, t.bodyBottom, 0.65));
    }
}

TEST(FacePlateCatalog, CoreShellStrokesAreTranslucent)
{
    for (std::size_t i = 0; i < 30; ++i) {
        EXPECT_LT(all()[i].shellStroke.alphaF(), 1.0) << all()[i].id.toStdString();
        EXPECT_GE(all()[i].shellStroke.alphaF(), 0.12 - 1e-4) << all()[i].id.toStdString();
        EXPECT_LE(all()[i].shellStroke.alphaF(), 0.5 + 1e-4) << all()[i].id.toStdString();
    }
}

TEST(FacePlateCatalog, CoreThemesCarryTheirLiteralColours)
{
    struct Row {
        const char* id;
        std::array<QColor, 10> colours;
    };
    const QColor white = systemColor(SystemColor::White);
    const QColor black = systemColor(SystemColor::Black);
    const Row rows[] = {
        {"classic",
         {rgb(0.93, 0.78, 0.18), rgb(0.72, 0.58, 0.08), rgb(0.12, 0.18, 0.1), rgb(0.55, 0.95, 0.45),
          systemColor(SystemColor::Orange), rgb(0.2, 0.55, 0.95), rgb(0.22, 0.24, 0.28), withOpacity(black, 0.25),
          rgb(0.98, 0.35, 0.28), rgb(0.45, 0.04, 0.04)}},
        {"cyber",
         {rgb(0.05, 0.12, 0.22), rgb(0.02, 0.06, 0.14), rgb(0.02, 0.08, 0.12), rgb(0.2, 0.95, 1.0),
          rgb(0.0, 0.85, 0.95), rgb(0.0, 0.45, 0.65), rgb(0.12, 0.16, 0.22), rgb(0.0, 0.8, 1.0, 0.35),
          rgb(0.0, 0.75, 0.9), rgb(0.0, 0.35, 0.5)}},
        {"xmas",
         {rgb(0.12, 0.45, 0.22), rgb(0.55, 0.08, 0.12), rgb(0.06, 0.12, 0.08), rgb(0.95, 0.95, 0.85),
          rgb(0.85, 0.15, 0.15), rgb(0.15, 0.42, 0.28), rgb(0.35, 0.12, 0.12), withOpacity(white, 0.25),
          rgb(0.85, 0.15, 0.15), rgb(0.45, 0.05, 0.08)}},
        {"korea",
         {rgb(0.92, 0.95, 0.98), rgb(0.12, 0.22, 0.55), rgb(0.06, 0.08, 0.14), rgb(0.95, 0.95, 1.0),
          rgb(0.75, 0.12, 0.15), rgb(0.12, 0.28, 0.62), rgb(0.2, 0.2, 0.24), withOpacity(black, 0.12),
          rgb(0.75, 0.12, 0.15), rgb(0.12, 0.22, 0.55)}},
    };
    for (const Row& row : rows) {
        const FacePlateTheme& t = FacePlateTheme::byId(QString::fromLatin1(row.id));
        ASSERT_EQ(t.id, QString::fromLatin1(row.id));
        const std::array<QColor, 10> actual{t.bodyTop,   t.bodyBottom,  t.lcdBg,  t.lcdText, t.accent,
                                            t.chatSelf, t.chatOther, t.shellStroke, t.pttTop, t.pttBottom};
        for (std::size_t i = 0; i < 10; ++i)
            EXPECT_EQ(actual[i], row.colours[i]) << row.id << " colour " << i;
    }
    EXPECT_EQ(all()[0].name, QStringLiteral("Classic Radio"));
    EXPECT_EQ(all()[0].emoji, QStringLiteral("📻"));
    EXPECT_EQ(FacePlateTheme::byId(QStringLiteral("turkey")).name, QStringLiteral("Türkiye"));
}

TEST(FacePlateCatalog, DerivedSpotValues)
{
    struct Row {
        const char* id;
        QColor p, s, a;
    };
    const Row rows[] = {
        {"italy", kBrightGreen, kRed, kBrightGreen},
        {"belgium", kBlack, kYellow, kRed},
        {"southafrica", kRed, kNavy, kBrightGreen},
        {"mars", rgb(0.75, 0.22, 0.12), rgb(0.45, 0.08, 0.05), kOrange},
        {"rocket", rgb(0.12, 0.18, 0.35), kRed, kYellow},
        {"car_mclaren", rgb(0.95, 0.72, 0.05), kBlack, kRed},
        {"state_al", kNavy, kWhite, kRed},
        {"state_ak", kRed, kWhite, kNavy},
        {"state_az", kWhite, kRed, kNavy},
        {"state_ar", kNavy, kRed, kWhite},
        {"state_ca", kRed, kBlack, kYellow},
        {"state_co", rgb(0.05, 0.45, 0.22), kWhite, kRed},
        {"state_ct", kNavy, kWhite, kRed},
        {"state_wy", kRed, kWhite, kNavy},
    };
    for (const Row& row : rows) {
        const FacePlateTheme& t = FacePlateTheme::byId(QString::fromLatin1(row.id));
        SCOPED_TRACE(row.id);
        ASSERT_EQ(t.id, QString::fromLatin1(row.id));
        EXPECT_COLOUR(t.bodyTop, row.p);
        EXPECT_COLOUR(t.bodyBottom, row.s);
        EXPECT_COLOUR(t.accent, row.a);
    }
}

TEST(FacePlateCatalog, ZodiacShadesByPosition)
{
    const auto& extended = FacePlateThemeCatalog::extended();
    for (int i = 0; i < 12; ++i) {
        const FacePlateTheme& t = extended[std::size_t(41 + i)];
        SCOPED_TRACE(t.id.toStdString());
        const double shade = i / 12.0;
        EXPECT_COLOUR(t.bodyTop, rgb(0.15 + 0.3 * shade, 0.08, 0.35));
        EXPECT_COLOUR(t.bodyBottom, rgb(0.45 + 0.2 * shade, 0.12, 0.55));
        EXPECT_COLOUR(t.accent, rgb(0.85, 0.75, 0.95));
    }
    EXPECT_COLOUR(FacePlateTheme::byId(QStringLiteral("zodiac_aries")).bodyTop, rgb(0.15, 0.08, 0.35));
    EXPECT_COLOUR(FacePlateTheme::byId(QStringLiteral("zodiac_aries")).bodyBottom, rgb(0.45, 0.12, 0.55));
    EXPECT_COLOUR(FacePlateTheme::byId(QStringLiteral("zodiac_pisces")).bodyTop, rgb(0.425, 0.08, 0.35));
    EXPECT_NEAR(FacePlateTheme::byId(QStringLiteral("zodiac_pisces")).bodyBottom.redF(), 0.6333, 1e-4);
}

TEST(FacePlateCatalog, ByIdMatchesExactly)
{
    EXPECT_EQ(FacePlateTheme::byId(QStringLiteral("state_wy")).name, QStringLiteral("Wyoming"));
    for (const char* miss : {"", "Cyber", "CYBER", "cyber ", " cyber", "no_such_theme"})
        EXPECT_EQ(FacePlateTheme::byId(QString::fromLatin1(miss)).id, QStringLiteral("classic")) << miss;
    // Every id finds its own theme.
    for (const FacePlateTheme& theme : all())
        EXPECT_EQ(&FacePlateTheme::byId(theme.id), &theme);
}

TEST(FacePlateCatalog, EqualityComparesEveryField)
{
    FacePlateTheme copy = FacePlateTheme::byId(QStringLiteral("cyber"));
    EXPECT_EQ(copy, FacePlateTheme::byId(QStringLiteral("cyber")));
    copy.pttBottom = Qt::red;
    EXPECT_FALSE(copy == FacePlateTheme::byId(QStringLiteral("cyber")));
}

} // namespace
