#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

// Icons named like the system symbols the screens ask for
// ("gearshape.fill", "list.bullet", …), drawn from our own SVGs in
// resources/symbols and tinted to one colour. Symbols are in resources/symbols.qrc.
namespace SymbolImage {

bool exists(const QString& name);

// A square pixmap of `pointSize` logical pixels at `devicePixelRatio`,
// filled with `color`; an empty pixmap for an unknown name.
QPixmap render(const QString& name, qreal pointSize, const QColor& color, qreal devicePixelRatio = 1.0);

}  // namespace SymbolImage
