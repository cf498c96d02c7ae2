#include "views/view_fonts.h"

#include <QStringList>

namespace ViewFonts {

QFont font(qreal size, QFont::Weight weight, Design design)
{
    QFont f;
    // Emoji second: first would take the digits too. The rounded and monospaced
    // designs get their own families once the app installs them; until then
    // the sans family stands in for both.
    Q_UNUSED(design);
    f.setFamilies({QStringLiteral("Noto Sans"), QStringLiteral("Noto Color Emoji")});
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
