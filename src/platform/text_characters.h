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

// A blank is a tab or a space separator of any width; line breaks are not blanks.
bool isBlank(QChar c);
// The text without blanks at either end.
QString trimmedBlanks(const QString& text);

}  // namespace TextCharacters
