#include "legal/app_legal.h"

namespace AppLegal {

QString buildNumber()
{
    static const QString value = [] {
        const QString compiled = QStringLiteral(TOVRIN_BUILD_NUMBER);
        return compiled.isEmpty() ? QStringLiteral("1") : compiled;
    }();
    return value;
}

}  // namespace AppLegal
