#include "views/view_fonts.h"

#include <QStringList>

namespace ViewFonts {

QFont font(qreal size, QFont::Weight weight, Design design)
{
    // Families installed by scripts/setup: a rounded sans (Quicksand) and a
    // monospaced one (JetBrains Mono) for the rounded and monospaced designs,
    // Noto Sans otherwise. Emoji come second: first, they would take the digits too.
    QStringList families;
    switch (design) {
    case Design::rounded:
        families << QStringLiteral("Quicksand");
        break;
    case Design::monospaced:
        families << QStringLiteral("JetBrains Mono");
        break;
    case Design::standard:
        break;
    }
    families << QStringLiteral("Noto Sans") << QStringLiteral("Noto Color Emoji");
    QFont f;
    f.setFamilies(families);
    f.setPixelSize(qMax(1, qRound(size)));
    f.setWeight(weight);
    return f;
}

QFont caption(QFont::Weight weight)
{
    return font(12, weight);
}

QFont caption2(QFont::Weight weight)
{
    return font(11, weight);
}

}  // namespace ViewFonts
