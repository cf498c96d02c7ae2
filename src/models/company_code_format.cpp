#include "models/company_code_format.h"

#include "platform/text_characters.h"

namespace CompanyCodeFormat {
namespace {

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
    for (const QString& character : TextCharacters::split(text.toUpper())) {
        if (!isLetterOrNumber(character))
            continue;
        out += character;
        if (++kept == maximumLength)
            break;
    }
    return out;
}

}  // namespace CompanyCodeFormat
