#include "platform/bundle_image.h"
#include "support/artifacts.h"
#include "theme/face_plate_art_overlay.h"
#include "theme/themed_backgrounds.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <map>

namespace {

using Background = FacePlateArtOverlay::Background;

const FacePlateTheme& theme(const char* id)
{
    const FacePlateTheme& found = FacePlateTheme::byId(QString::fromUtf8(id));
    EXPECT_EQ(found.id, QString::fromUtf8(id));
    return found;
}

QStringList list(std::initializer_list<const char*> items)
{
    QStringList out;
    for (const char* item : items)
        out.append(QString::fromUtf8(item));
    return out;
}

FacePlateArtOverlay::Layout layoutOf(const char* id, QSizeF size = QSizeF(402, 902))
{
    return FacePlateArtOverlay{theme(id)}.layout(size);
}

TEST(FacePlateArt, FamiliesOverTheCatalog)
{
    std::map<QString, int> counts;
    for (const FacePlateTheme& t : FacePlateTheme::catalog())
        ++counts[t.artFamily()];
    const std::map<QString, int> expected{
        {"flag", 113}, {"generic", 15}, {"city", 14}, {"zodiac", 12}, {"space", 10}, {"sport", 8},
        {"car", 8},    {"fantasy", 5},  {"ocean", 5}, {"scifi", 4},   {"africa", 3},
    };
    EXPECT_EQ(counts, expected);
    EXPECT_EQ(FacePlateTheme::countryIds().size(), 63);
    for (const QString& id : FacePlateTheme::countryIds())
        EXPECT_EQ(FacePlateTheme::byId(id).id, id) << id.toStdString();
}

TEST(FacePlateArt, FamilyRulesByTable)
{
    const struct {
        const char* id;
        const char* family;
    } cases[] = {
        {"canada", "flag"},     {"state_al", "flag"},  {"zodiac_aries", "zodiac"}, {"sport_fifa", "sport"},
        {"car_lambo", "car"},   {"mars", "space"},      {"unicorn", "fantasy"},    {"area51", "scifi"},
        {"reef", "ocean"},      {"safari", "africa"},   {"alberta", "city"},       {"bc", "city"},
        {"ontario", "city"},    {"classic", "generic"}, {"mario", "generic"},      {"nowhere", "generic"},
        {"Canada", "generic"},  {"state", "generic"},   {"zodiac", "generic"},     {"", "generic"},
    };
    for (const auto& c : cases) {
        FacePlateTheme t;
        t.id = QString::fromUtf8(c.id);
        EXPECT_EQ(t.artFamily(), QString::fromUtf8(c.family)) << c.id;
    }
}

TEST(FacePlateArt, StickersHeroesAndCentreEmoji)
{
    const FacePlateTheme& finland = theme("finland");
    EXPECT_EQ(finland.stickers(), (QStringList{finland.emoji, QString::fromUtf8("✨")}));
    EXPECT_EQ(finland.cornerStickers(), list({"✨"}));
    EXPECT_EQ(theme("classic").stickers(), list({"📻", "📡", "🔊"}));
    EXPECT_EQ(theme("classic").cornerStickers(), list({"📡", "🔊"}));
    EXPECT_EQ(theme("mario").cornerStickers(), list({"🍄", "🧱"}));
    EXPECT_EQ(theme("kart").stickers(), list({"🏎️", "🍄", "🏁"}));
    EXPECT_EQ(theme("northkorea").stickers(), theme("korea").stickers());
    EXPECT_EQ(theme("taiwan").stickers().front(), QString::fromUtf8("🏮"));
    const FacePlateTheme& state = theme("state_al");
    EXPECT_EQ(state.stickers(), (QStringList{state.emoji, QString::fromUtf8("✨"), QString::fromUtf8("⭐")}));
    EXPECT_EQ(state.cornerStickers(), list({"✨", "⭐"}));

    const std::map<QString, QString> heroes{{"mario", "ThemeMario"}, {"kart", "ThemeMario"}, {"sonic", "ThemeSonic"},
                                            {"kitty", "ThemeKitty"}, {"cute", "ThemeKitty"}, {"pacman", "ThemePacman"}};
    int heroCount = 0;
    for (const FacePlateTheme& t : FacePlateTheme::catalog()) {
        SCOPED_TRACE(t.id.toStdString());
        const auto hero = t.heroAssetName();
        heroCount += hero ? 1 : 0;
        EXPECT_EQ(hero.value_or(QString()), heroes.count(t.id) ? heroes.at(t.id) : QString());
        if (hero)
            EXPECT_TRUE(BundleImage::exists(*hero));
        // Two or three stickers everywhere; at most two corner stickers.
        EXPECT_GE(t.stickers().size(), 2);
        EXPECT_LE(t.stickers().size(), 3);
        EXPECT_LE(t.cornerStickers().size(), 2);
    }
    EXPECT_EQ(heroCount, 6);

    EXPECT_EQ(theme("xmas").centerHero(), QString::fromUtf8("🎄"));
    EXPECT_EQ(theme("christian").centerHero(), QString::fromUtf8("✝️"));
    EXPECT_EQ(theme("islamic").centerHero(), QString::fromUtf8("☪️"));
    EXPECT_FALSE(theme("moon").centerHero());
    EXPECT_FALSE(theme("star").centerHero());
    EXPECT_FALSE(theme("mario").centerHero());
    EXPECT_EQ(theme("mars").centerHero(), theme("mars").emoji);
}

TEST(FacePlateArtOverlay, BackgroundPerTheme)
{
    const struct {
        const char* id;
        Background background;
    } cases[] = {
        {"classic", Background::SoftNoise},    {"mario", Background::HeroGradient},
        {"pacman", Background::HeroGradient},  {"cyber", Background::Grid},
        {"gaming", Background::Grid},          {"army", Background::CamoBlobs},
        {"xmas", Background::Christmas},       {"islamic", Background::CrescentGlow},
        {"moon", Background::CrescentGlow},    {"christian", Background::CrossGlow},
        {"star", Background::Sparkle},         {"canada", Background::CountryFlagWash},
        {"peru", Background::CountryFlagWash}, {"state_wy", Background::USStateFlagWash},
        {"mars", Background::Space},           {"zodiac_leo", Background::Zodiac},
        {"sport_hockey", Background::Sport},   {"car_gtr", Background::Car},
        {"beach", Background::Ocean},          {"toronto", Background::City},
        {"dragon", Background::Fantasy},       {"ufo", Background::SciFi},
        {"savanna", Background::Africa},
    };
    for (const auto& c : cases)
        EXPECT_EQ(layoutOf(c.id).background, c.background) << c.id;
}

TEST(FacePlateArtOverlay, ClassicHasTwoCornerStickersAndNothingElse)
{
    const auto art = layoutOf("classic");
    EXPECT_FALSE(art.heroImage);
    EXPECT_FALSE(art.centreEmoji);
    EXPECT_FALSE(art.emblem);
    ASSERT_EQ(art.stickers.size(), 2u);
    EXPECT_EQ(art.stickers[0].text, QString::fromUtf8("📡"));
    EXPECT_EQ(art.stickers[0].centre, QPointF(0.10 * 402, 0.12 * 902));
    EXPECT_EQ(art.stickers[0].rotation, -10);
    EXPECT_EQ(art.stickers[1].text, QString::fromUtf8("🔊"));
    EXPECT_EQ(art.stickers[1].centre, QPointF(0.90 * 402, 0.12 * 902));
    EXPECT_EQ(art.stickers[1].rotation, 10);
    for (const auto& s : art.stickers) {
        EXPECT_EQ(s.size, 26);
        EXPECT_DOUBLE_EQ(s.opacity, 0.62);
    }
}

TEST(FacePlateArtOverlay, MetricsRows)
{
    const auto mario = layoutOf("mario");
    EXPECT_EQ(mario.heroImage, QStringLiteral("ThemeMario"));
    EXPECT_FALSE(mario.centreEmoji);
    ASSERT_EQ(mario.stickers.size(), 2u);
    EXPECT_EQ(mario.stickers[0].size, 34);
    EXPECT_DOUBLE_EQ(mario.stickers[0].opacity, 0.88);

    const auto xmas = layoutOf("xmas");
    ASSERT_TRUE(xmas.centreEmoji);
    EXPECT_DOUBLE_EQ(xmas.centreEmoji->size, 0.40 * 402);
    EXPECT_EQ(xmas.centreEmoji->centre, QPointF(0.5 * 402, 0.38 * 902));
    EXPECT_DOUBLE_EQ(xmas.centreEmoji->opacity, 0.72);
    EXPECT_EQ(xmas.stickers[0].size, 28);
    EXPECT_DOUBLE_EQ(xmas.stickers[0].opacity, 0.68);

    const auto canada = layoutOf("canada");
    ASSERT_TRUE(canada.centreEmoji);
    EXPECT_EQ(canada.centreEmoji->text, theme("canada").emoji);
    EXPECT_DOUBLE_EQ(canada.centreEmoji->size, 0.44 * 402);
    EXPECT_EQ(canada.centreEmoji->centre, QPointF(0.5 * 402, 0.40 * 902));
    EXPECT_DOUBLE_EQ(canada.centreEmoji->opacity, 0.78);
    ASSERT_TRUE(canada.emblem);
    EXPECT_EQ(canada.emblem->text, QString::fromUtf8("🇨🇦"));
    EXPECT_DOUBLE_EQ(canada.emblem->size, 0.22 * 402);
    EXPECT_EQ(canada.emblem->centre, QPointF(0.5 * 402, 0.22 * 902));
    EXPECT_DOUBLE_EQ(canada.emblem->opacity, 0.55);
    EXPECT_EQ(canada.stickers[0].text, QString::fromUtf8("🍁"));
    EXPECT_EQ(canada.stickers[1].text, QString::fromUtf8("❄️"));
    EXPECT_DOUBLE_EQ(canada.stickers[0].opacity, 0.72);

    const auto taiwan = layoutOf("taiwan");
    EXPECT_EQ(taiwan.emblem->text, QString::fromUtf8("🏮"));
    const auto northkorea = layoutOf("northkorea");
    EXPECT_EQ(northkorea.emblem->text, QString::fromUtf8("🇰🇷"));
    EXPECT_EQ(northkorea.centreEmoji->text, theme("northkorea").emoji);

    const auto state = layoutOf("state_al");
    EXPECT_FALSE(state.emblem);
    EXPECT_DOUBLE_EQ(state.centreEmoji->size, 0.42 * 402);
    EXPECT_EQ(state.centreEmoji->centre, QPointF(0.5 * 402, 0.38 * 902));
    EXPECT_DOUBLE_EQ(state.centreEmoji->opacity, 0.80);

    const auto army = layoutOf("army");
    EXPECT_FALSE(army.centreEmoji);
    EXPECT_DOUBLE_EQ(army.stickers[0].opacity, 0.62);
    EXPECT_FALSE(layoutOf("moon").centreEmoji);
}

TEST(FacePlateArtOverlay, PositionsScaleStickerSizesDoNot)
{
    const auto card = layoutOf("canada", QSizeF(88, 56));
    EXPECT_DOUBLE_EQ(card.centreEmoji->size, 0.44 * 88);
    EXPECT_EQ(card.emblem->centre, QPointF(44, 0.22 * 56));
    EXPECT_EQ(card.stickers[1].centre, QPointF(0.90 * 88, 0.12 * 56));
    EXPECT_EQ(card.stickers[1].size, 26);
}

// Draws what a person should look at: a dozen themes across the families,
// full size on the body gradient.
TEST(FacePlateArtOverlay, PaintsRepresentativeThemes)
{
    const char* const ids[] = {"classic", "cyber", "mario", "kitty", "pacman", "xmas", "islamic",
                               "canada", "japan", "brazil", "sweden", "china", "usa", "peru",
                               "zodiac_aries", "state_ca", "mars", "toronto", "car_lambo", "army"};
    for (const char* id : ids) {
        SCOPED_TRACE(id);
        const FacePlateTheme& t = theme(id);
        QImage image(402, 902, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            ThemedBackgrounds::paintFacePlate(painter, QRectF(image.rect()), t, &FacePlateArtOverlay::paintOverlay);
        }
        ASSERT_TRUE(saveArtifact(image, QStringLiteral("art_%1").arg(QString::fromUtf8(id)), QStringLiteral("theme")));
        EXPECT_EQ(qAlpha(image.pixel(200, 450)), 255);
    }
}

} // namespace
