#pragma once

#include <QFont>

// The one place that chooses the radio face's fonts. Sizes are in points of the
// fixed window (one point is one device-independent pixel).
namespace ViewFonts {

enum class Design { standard, rounded, monospaced };

QFont font(qreal size, QFont::Weight weight = QFont::Normal, Design design = Design::standard);

// Text styles of the face.
QFont caption(QFont::Weight weight = QFont::Normal);   // 12 points
QFont caption2(QFont::Weight weight = QFont::Normal);  // 11 points

}  // namespace ViewFonts
