#include "views/company_code_texts.h"

namespace CompanyCodeTexts {

QString rule()
{
    return QStringLiteral("4\u201316 letters and numbers (no spaces). New codes are 8 characters using A\u2013Z and 2\u20139 "
                          "\u2014 we skip 0, O, 1, and I so they are easy to read.");
}

QString examples()
{
    return QStringLiteral("Examples: K7MP4QRX \u00B7 TR8WZ2HE \u00B7 5NCY9GAB");
}

QString sample()
{
    return QStringLiteral("K7MP4QRX");
}

}  // namespace CompanyCodeTexts
