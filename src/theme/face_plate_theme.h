#pragma once

#include <QColor>
#include <QMetaType>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

#include <vector>

// One face-plate theme: the colours every screen is painted in. A plain value;
// the catalog's entries are built once and never change, so views may keep
// references to them.
struct FacePlateTheme {
    QString id;     // stable, unique; the value the store persists
    QString name;   // display name
    QString emoji;  // one emoji standing for the theme
    QColor bodyTop;
    QColor bodyBottom;
    QColor lcdBg;
    QColor lcdText;
    QColor accent;
    QColor chatSelf;
    QColor chatOther;
    QColor shellStroke;
    QColor pttTop;
    QColor pttBottom;

    // Readable text colour on the body, full and muted.
    QColor onBody() const;
    QColor onBodyMuted() const;

    // The art a theme shows, derived from its id and emoji on every read
    // (face_plate_art.cpp): "flag", "zodiac", "sport", "car", "space",
    // "fantasy", "scifi", "ocean", "africa", "city" or "generic".
    QString artFamily() const;
    // Two or three emoji standing for the theme; the picker shows them too.
    QStringList stickers() const;
    // The stickers drawn near the top corners of the face plate.
    QStringList cornerStickers() const;
    // The hero picture drawn over the whole plate, for six core themes.
    std::optional<QString> heroAssetName() const;
    // The large emoji in the middle of the plate, if any.
    std::optional<QString> centerHero() const;
    // The 63 country theme ids; built once (thread-safe).
    static const QSet<QString>& countryIds();

    // All themes, "classic" first; built once on first use (thread-safe).
    static const std::vector<FacePlateTheme>& catalog();
    // The catalog theme with exactly this id, or the first ("classic").
    static const FacePlateTheme& byId(const QString& id);

    friend bool operator==(const FacePlateTheme&, const FacePlateTheme&) = default;
};

Q_DECLARE_METATYPE(FacePlateTheme)
