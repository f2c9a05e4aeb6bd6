#include "core/DisplayFormat.h"

#include <QRegularExpression>

#include <cmath>

namespace {

// The value (not negative) with exactly `decimals` decimals, rounded half away
// from zero on its 15 significant decimal digits, so that 1.005 shows as 1.01
// as a person reading the number expects.
QString roundedDigits(double value, int decimals)
{
    const QByteArray sci = QByteArray::number(value, 'e', 14); // d.dddddddddddddde±x
    QByteArray mantissa = sci.left(sci.indexOf('e'));
    mantissa.remove(1, 1);
    const int exponent = sci.mid(sci.indexOf('e') + 1).toInt();
    // digits[i] has weight 10^(exponent - i); keep those down to 10^-decimals.
    QByteArray digits = mantissa;
    const int keep = exponent + 1 + decimals;
    int intCount = exponent + 1;
    if (keep < 0)
        return QString::number(0.0, 'f', decimals);
    if (keep < digits.size()) {
        const bool up = digits.at(keep) >= '5';
        digits.truncate(keep);
        if (up) {
            int i = keep - 1;
            for (; i >= 0; --i) {
                if (digits[i] == '9') {
                    digits[i] = '0';
                } else {
                    ++digits[i];
                    break;
                }
            }
            if (i < 0) {
                digits.prepend('1');
                ++intCount;
            }
        }
    }
    // Place the decimal point.
    if (intCount <= 0) {
        digits.prepend(QByteArray(-intCount, '0'));
        intCount = 0;
    }
    while (digits.size() < intCount + decimals)
        digits.append('0');
    QByteArray intPart = intCount > 0 ? digits.left(intCount) : QByteArray("0");
    QByteArray decPart = digits.mid(intCount, decimals);
    QString text = QString::fromLatin1(intPart);
    if (decimals > 0)
        text += QLatin1Char('.') + QString::fromLatin1(decPart);
    return text;
}

} // namespace

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

    const QString digits = roundedDigits(std::fabs(value), maxDecimals);
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
    const bool zero = !digits.contains(QRegularExpression(QStringLiteral("[1-9]")));
    if (value < 0 && !zero)
        text.prepend(locale.negativeSign());
    return text;
}

std::optional<double> parseTypedNumber(const QString &text, const QLocale &locale)
{
    bool ok = false;
    const double value = locale.toDouble(QString(text).remove(locale.groupSeparator()).trimmed(), &ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

QString numberForTyping(double value, const QLocale &locale)
{
    return locale.toString(value, 'g', 15).remove(locale.groupSeparator());
}
