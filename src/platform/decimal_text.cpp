#include "platform/decimal_text.h"

#include <QLocale>

#include <cmath>

QString decimalText(double value)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("nan") : (value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf"));
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')))
        text += QStringLiteral(".0");
    return text;
}
