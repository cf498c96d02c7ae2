#include "theme/face_plate_theme.h"

#include <array>
#include <initializer_list>

// Which art a theme shows follows from its id alone (prefixes, fixed lists and
// tables below); the ids are what ties the catalog to the art.

namespace {

const char* const kCountryIds[] = {
    "usa", "uk", "ukraine", "russia", "pakistan", "japan", "korea", "northkorea", "brazil", "mexico",
    "france", "germany", "turkey", "india", "saudi", "canada", "italy", "spain", "poland", "netherlands",
    "sweden", "norway", "ireland", "switzerland", "austria", "portugal", "greece", "china", "vietnam",
    "thailand", "philippines", "indonesia", "malaysia", "singapore", "bangladesh", "uae", "egypt", "israel",
    "iran", "iraq", "argentina", "colombia", "chile", "australia", "newzealand", "southafrica", "nigeria",
    "kenya", "finland", "denmark", "iceland", "belgium", "czech", "hungary", "romania", "serbia", "croatia",
    "taiwan", "hongkong", "nepal", "sri_lanka", "cuba", "peru",
};

struct FamilyList {
    const char* family;
    std::initializer_list<const char*> ids;
};

// Searched in this order after the flag and prefix rules.
const std::array<FamilyList, 6> kFamilyLists{{
    {"space", {"mars", "pluto", "sun", "galaxy", "universe", "starfield", "rocket", "nasa", "saturn", "comet"}},
    {"fantasy", {"fairy", "fairy_tale", "chipmunk", "unicorn", "dragon"}},
    {"scifi", {"alien", "ufo", "area51", "scifi"}},
    {"ocean", {"ocean", "maldives", "dolphin", "beach", "reef"}},
    {"africa", {"africa", "safari", "savanna"}},
    {"city", {"la", "hollywood", "bollywood", "dubai", "london", "england", "toronto", "calgary", "edmonton",
              "vancouver", "sydney", "alberta", "bc", "ontario"}},
}};

struct StickerRow {
    std::initializer_list<const char*> ids;
    std::array<const char*, 3> stickers;
};

// Core themes first, then countries ("korea" and "northkorea" share a row).
const StickerRow kStickerRows[] = {
    {{"mario"}, {"🍄", "🧱", "⭐"}},
    {{"kart"}, {"🏎️", "🍄", "🏁"}},
    {{"sonic"}, {"🦔", "💨", "💍"}},
    {{"pacman"}, {"👾", "🟡", "👻"}},
    {{"kitty"}, {"🎀", "🐱", "💖"}},
    {{"cute"}, {"🌸", "💕", "🦄"}},
    {{"gaming"}, {"🎮", "👾", "🕹️"}},
    {{"cyber"}, {"🤖", "💠", "🔮"}},
    {{"army"}, {"🎖️", "🪖", "⭐"}},
    {{"star"}, {"⭐", "🎬", "✨"}},
    {{"xmas"}, {"🎅", "❄️", "🎁"}},
    {{"islamic"}, {"☪️", "🕌", "🌙"}},
    {{"christian"}, {"✝️", "🕊️", "✨"}},
    {{"moon"}, {"🌙", "⭐", "🌌"}},
    {{"classic"}, {"📻", "📡", "🔊"}},
    {{"usa"}, {"🇺🇸", "🦅", "⭐"}},
    {{"uk"}, {"🇬🇧", "👑", "☕"}},
    {{"ukraine"}, {"🇺🇦", "🌻", "⭐"}},
    {{"russia"}, {"🇷🇺", "❄️", "⭐"}},
    {{"pakistan"}, {"🇵🇰", "🌙", "⭐"}},
    {{"japan"}, {"🇯🇵", "🌸", "🗾"}},
    {{"korea", "northkorea"}, {"🇰🇷", "🐯", "⭐"}},
    {{"brazil"}, {"🇧🇷", "⚽", "🌴"}},
    {{"mexico"}, {"🇲🇽", "🌮", "🎉"}},
    {{"france"}, {"🇫🇷", "🗼", "🥐"}},
    {{"germany"}, {"🇩🇪", "🦅", "⚡"}},
    {{"turkey"}, {"🇹🇷", "🕌", "⭐"}},
    {{"india"}, {"🇮🇳", "🪷", "⭐"}},
    {{"saudi"}, {"🇸🇦", "🌴", "⭐"}},
    {{"canada"}, {"🇨🇦", "🍁", "❄️"}},
    {{"italy"}, {"🇮🇹", "🍕", "🍝"}},
    {{"spain"}, {"🇪🇸", "💃", "🌞"}},
    {{"china"}, {"🇨🇳", "🐉", "🏮"}},
    {{"vietnam"}, {"🇻🇳", "🍜", "⭐"}},
    {{"thailand"}, {"🇹🇭", "🐘", "🌺"}},
    {{"philippines"}, {"🇵🇭", "🏝️", "🌴"}},
    {{"indonesia"}, {"🇮🇩", "🌋", "🌺"}},
    {{"malaysia"}, {"🇲🇾", "🌴", "⭐"}},
    {{"singapore"}, {"🇸🇬", "🦁", "🏙️"}},
    {{"australia"}, {"🇦🇺", "🦘", "🐨"}},
    {{"newzealand"}, {"🇳🇿", "🥝", "🐑"}},
    {{"argentina"}, {"🇦🇷", "⚽", "🧉"}},
    {{"colombia"}, {"🇨🇴", "☕", "🌺"}},
    {{"chile"}, {"🇨🇱", "🏔️", "🌶️"}},
    {{"poland"}, {"🇵🇱", "🦅", "⭐"}},
    {{"netherlands"}, {"🇳🇱", "🌷", "🚲"}},
    {{"sweden"}, {"🇸🇪", "🦌", "❄️"}},
    {{"norway"}, {"🇳🇴", "⛷️", "🐟"}},
    {{"ireland"}, {"🇮🇪", "☘️", "🍀"}},
    {{"switzerland"}, {"🇨🇭", "🏔️", "🧀"}},
    {{"greece"}, {"🇬🇷", "🏛️", "🫒"}},
    {{"israel"}, {"🇮🇱", "✡️", "🕊️"}},
    {{"uae"}, {"🇦🇪", "🏙️", "🌴"}},
    {{"egypt"}, {"🇪🇬", "🐫", "🏺"}},
    {{"nigeria"}, {"🇳🇬", "🦁", "🥁"}},
    {{"kenya"}, {"🇰🇪", "🦒", "🦁"}},
    {{"southafrica"}, {"🇿🇦", "🦏", "⭐"}},
    {{"bangladesh"}, {"🇧🇩", "🌾", "⭐"}},
    {{"taiwan"}, {"🏮", "🐉", "⭐"}},
    {{"iran"}, {"🇮🇷", "🕌", "⭐"}},
};

bool contains(std::initializer_list<const char*> ids, const QString& id)
{
    for (const char* candidate : ids) {
        if (id == QLatin1String(candidate))
            return true;
    }
    return false;
}

const StickerRow* stickerRow(const QString& id)
{
    for (const StickerRow& row : kStickerRows) {
        if (contains(row.ids, id))
            return &row;
    }
    return nullptr;
}

} // namespace

const QSet<QString>& FacePlateTheme::countryIds()
{
    static const QSet<QString> ids = [] {
        QSet<QString> set;
        set.reserve(int(std::size(kCountryIds)));
        for (const char* id : kCountryIds)
            set.insert(QLatin1String(id));
        return set;
    }();
    return ids;
}

QString FacePlateTheme::artFamily() const
{
    if (countryIds().contains(id) || id.startsWith(QLatin1String("state_")))
        return QStringLiteral("flag");
    for (const char* prefix : {"zodiac", "sport", "car"}) {
        if (id.startsWith(QLatin1String(prefix) + QLatin1Char('_')))
            return QLatin1String(prefix);
    }
    for (const FamilyList& list : kFamilyLists) {
        if (contains(list.ids, id))
            return QLatin1String(list.family);
    }
    return QStringLiteral("generic");
}

QStringList FacePlateTheme::stickers() const
{
    const QString sparkles = QStringLiteral("\u2728");
    if (artFamily() != QLatin1String("generic") && !countryIds().contains(id))
        return {emoji, sparkles, QStringLiteral("\u2B50")};
    if (const StickerRow* row = stickerRow(id)) {
        QStringList list;
        for (const char* sticker : row->stickers)
            list.append(QString::fromUtf8(sticker));
        return list;
    }
    return {emoji, sparkles};
}

QStringList FacePlateTheme::cornerStickers() const
{
    const QStringList all = stickers();
    if (heroAssetName())
        return all.mid(0, 2);
    return all.mid(1, 3);
}

std::optional<QString> FacePlateTheme::heroAssetName() const
{
    if (id == QLatin1String("mario") || id == QLatin1String("kart"))
        return QStringLiteral("ThemeMario");
    if (id == QLatin1String("sonic"))
        return QStringLiteral("ThemeSonic");
    if (id == QLatin1String("kitty") || id == QLatin1String("cute"))
        return QStringLiteral("ThemeKitty");
    if (id == QLatin1String("pacman"))
        return QStringLiteral("ThemePacman");
    return std::nullopt;
}

std::optional<QString> FacePlateTheme::centerHero() const
{
    if (artFamily() != QLatin1String("generic") && !heroAssetName())
        return emoji;
    if (id == QLatin1String("xmas"))
        return QString::fromUtf8("🎄");
    if (id == QLatin1String("christian"))
        return QString::fromUtf8("✝️");
    if (id == QLatin1String("islamic"))
        return QString::fromUtf8("☪️");
    return std::nullopt;
}
