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

// The text without the characters `drop` accepts at either end.
template <class Predicate>
QString trimmedWhere(const QString& text, Predicate drop)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && drop(text.at(begin)))
        ++begin;
    while (end > begin && drop(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// A blank is a tab or a space separator of any width; line breaks are not blanks.
bool isBlank(QChar c);
// The text without blanks at either end.
QString trimmedBlanks(const QString& text);

}  // namespace TextCharacters
