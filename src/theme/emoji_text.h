#pragma once

#include <QFont>
#include <QPointF>
#include <QSizeF>
#include <QString>

class QPainter;
struct DropShadow;

// Emoji drawn as text on the face-plate art: the colour emoji font first,
// the sans family for anything it lacks. Sizes are in points of the window
// (one point is one device-independent pixel).
namespace EmojiText {

QFont font(qreal size);

// The box a text takes in `font`: its advance by the font's line height.
QSizeF boxSize(const QString& text, const QFont& font);

// Draws `text` with its box centred on `centre`, at `opacity` (multiplied
// into the painter's), under an optional shadow.
void drawCentred(QPainter& painter, const QString& text, const QFont& font, QPointF centre, qreal opacity,
                 const DropShadow* shadow = nullptr);

} // namespace EmojiText
