#pragma once

#include <QString>
#include <QStringList>

// Characters as a reader counts them: grapheme clusters, so an emoji with its
// modifiers or a letter with its accents is one character, not several code units.
namespace TextCharacters {

qsizetype count(const QString& text);
// The text cut into its characters, in order.
QStringList split(const QString& text);
// The first `limit` characters of the text (all of it when it is shorter).
QString prefix(const QString& text, qsizetype limit);

}  // namespace TextCharacters
