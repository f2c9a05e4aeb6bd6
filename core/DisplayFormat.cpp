#include "core/DisplayFormat.h"

#include <cmath>

QString formatNumber(double value, const QString &format, const QLocale &locale)
{
    if (!std::isfinite(value))
        return {};
    if (format.isEmpty()) {
        QString text = locale.toString(value, 'g', 15);
        return text.remove(locale.groupSeparator());
    }
    const qsizetype point = format.indexOf(QLatin1Char('.'));
    const QString integerPart = point < 0 ? format : format.left(point);
    const QString decimalPart = point < 0 ? QString() : format.mid(point + 1);
    const bool grouping = integerPart.contains(QLatin1Char(','));
    const int minInteger = static_cast<int>(integerPart.count(QLatin1Char('0')));
    const int minDecimals = static_cast<int>(decimalPart.count(QLatin1Char('0')));
    const int maxDecimals = minDecimals + static_cast<int>(decimalPart.count(QLatin1Char('#')));

    // Half away from zero at the last decimal shown.
    const double factor = std::pow(10.0, maxDecimals);
    double rounded = std::round(std::fabs(value) * factor) / factor;
    QString digits = QString::number(rounded, 'f', maxDecimals);
    QString intDigits = digits.section(QLatin1Char('.'), 0, 0);
    QString decDigits = maxDecimals > 0 ? digits.section(QLatin1Char('.'), 1, 1) : QString();
    while (decDigits.size() > minDecimals && decDigits.endsWith(QLatin1Char('0')))
        decDigits.chop(1);
    if (intDigits == QLatin1String("0") && minInteger == 0)
        intDigits.clear();
    while (intDigits.size() < minInteger)
        intDigits.prepend(QLatin1Char('0'));
    if (grouping) {
        for (qsizetype i = intDigits.size() - 3; i > 0; i -= 3)
            intDigits.insert(i, locale.groupSeparator());
    }
    QString text = intDigits;
    if (!decDigits.isEmpty())
        text += locale.decimalPoint() + decDigits;
    const bool zero = rounded == 0.0;
    if (value < 0 && !zero)
        text.prepend(locale.negativeSign());
    return text;
}
