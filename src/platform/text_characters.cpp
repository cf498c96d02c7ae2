#include "platform/text_characters.h"

#include <QTextBoundaryFinder>

namespace TextCharacters {

qsizetype count(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype n = 0;
    while (finder.toNextBoundary() != -1)
        ++n;
    return n;
}

QStringList split(const QString& text)
{
    QStringList characters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        characters.append(text.mid(start, end - start));
        start = end;
    }
    return characters;
}

QString prefix(const QString& text, qsizetype limit)
{
    if (limit <= 0)
        return QString();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype n = 0; n < limit; ++n) {
        if (finder.toNextBoundary() == -1)
            return text;
    }
    return text.left(finder.position());
}

bool isBlank(QChar c)
{
    return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space;
}

QString trimmedBlanks(const QString& text)
{
    return trimmedWhere(text, isBlank);
}

}  // namespace TextCharacters
