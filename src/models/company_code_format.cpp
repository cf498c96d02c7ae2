#include "models/company_code_format.h"

#include <QList>
#include <QTextBoundaryFinder>

#include <functional>

namespace CompanyCodeFormat {
namespace {

// Calls `visit` with each grapheme cluster of `text` until it returns false.
void forEachCharacter(const QString& text, const std::function<bool(QStringView)>& visit)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = finder.toNextBoundary();
        if (end <= start)
            end = text.size();
        if (!visit(QStringView(text).mid(start, end - start)))
            return;
        start = end;
    }
}

bool isLetterOrNumber(QStringView character)
{
    const char32_t first = character.toUcs4().value(0);
    return QChar::isLetterOrNumber(first);
}

}  // namespace

QString normalize(const QString& text)
{
    QString out;
    int kept = 0;
    forEachCharacter(text.toUpper(), [&](QStringView character) {
        if (isLetterOrNumber(character)) {
            out += character;
            ++kept;
        }
        return kept < maximumLength;
    });
    return out;
}

int characterCount(const QString& text)
{
    int count = 0;
    forEachCharacter(text, [&](QStringView) {
        ++count;
        return true;
    });
    return count;
}

}  // namespace CompanyCodeFormat
