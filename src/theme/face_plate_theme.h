#pragma once

#include <QColor>
#include <QMetaType>
#include <QString>

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

    // All themes, "classic" first; built once on first use (thread-safe).
    static const std::vector<FacePlateTheme>& catalog();
    // The catalog theme with exactly this id, or the first ("classic").
    static const FacePlateTheme& byId(const QString& id);

    friend bool operator==(const FacePlateTheme&, const FacePlateTheme&) = default;
};

Q_DECLARE_METATYPE(FacePlateTheme)
