#include "core/DisplayFormat.h"

#include <QRegularExpression>

#include <algorithm>
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

namespace {

bool allDigits(QStringView text)
{
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// Digits grouped by thousands: a first group of one to three digits not
// starting with 0, then groups of exactly three.
bool validGrouping(const QStringList &groups)
{
    if (groups.size() < 2)
        return false;
    const QString &first = groups.first();
    if (first.isEmpty() || first.size() > 3 || !allDigits(first) || first.startsWith(u'0'))
        return false;
    for (qsizetype i = 1; i < groups.size(); ++i)
        if (groups[i].size() != 3 || !allDigits(groups[i]))
            return false;
    return true;
}

// What the user reads in a message: a long text is cut.
QString shown(const QString &text)
{
    return text.size() > 30 ? text.left(30) + QStringLiteral("…") : text;
}

} // namespace

TypedNumber readTypedNumber(const QString &text, const QLocale &locale, bool allowNegative)
{
    const QChar decimal = locale.decimalPoint().size() == 1 ? locale.decimalPoint().at(0) : QChar(u'.');
    const QChar other = decimal == u',' ? QChar(u'.') : QChar(u',');
    const QString example = decimal == u',' ? QStringLiteral("250,5") : QStringLiteral("250.5");
    const QString howTo =
        QStringLiteral("Digite somente algarismos, com %1 antes dos decimais, por exemplo %2.")
            .arg(decimal == u',' ? QStringLiteral("vírgula") : QStringLiteral("ponto"), example);
    const auto refuse = [&](const QString &why) {
        return TypedNumber{std::nullopt, why + u'\r' + howTo};
    };
    const QString invalid = QStringLiteral("\"%1\" não é um número válido.").arg(shown(text));

    QString body = text.trimmed();
    if (body.isEmpty())
        return refuse(QStringLiteral("Nenhum número foi digitado."));
    bool negative = false;
    if (body.startsWith(u'-') || body.startsWith(locale.negativeSign()) || body.startsWith(u'+')) {
        negative = !body.startsWith(u'+');
        body.remove(0, 1);
    }
    QString digits;
    for (QChar c : body) {
        if (c >= u'0' && c <= u'9')
            digits += c;
        else if (c != decimal && c != other)
            return refuse(invalid);
    }
    if (digits.isEmpty())
        return refuse(invalid);
    // A double holds 15 significant digits; zeros before them do not count.
    while (digits.size() > 1 && digits.startsWith(u'0'))
        digits.remove(0, 1);
    if (digits.size() > 15 || body.size() > 40)
        return refuse(QStringLiteral("\"%1\" tem algarismos demais (no máximo 15).").arg(shown(text)));

    QString integer;
    QString fraction;
    const QStringList byDecimal = body.split(decimal);
    if (byDecimal.size() > 2)
        return refuse(invalid);
    if (byDecimal.size() == 2) {
        // The locale's decimal separator; before it, digits or thousands groups.
        fraction = byDecimal[1];
        if (fraction.isEmpty() || !allDigits(fraction))
            return refuse(invalid);
        const QStringList groups = byDecimal[0].split(other);
        if (groups.size() == 1) {
            integer = groups[0];
        } else if (validGrouping(groups)) {
            integer = groups.join(QString());
        } else {
            return refuse(invalid);
        }
    } else {
        const QStringList groups = body.split(other);
        if (groups.size() == 1) {
            integer = body;
        } else if (groups.size() == 2) {
            // The other separator alone: decimals, unless it could separate thousands.
            if (groups[1].isEmpty() || !allDigits(groups[1]) || !allDigits(groups[0]))
                return refuse(invalid);
            if (groups[1].size() == 3 && validGrouping(groups)) {
                const QString asThousands = groups.join(QString());
                const QString asDecimals =
                    locale.toString((groups[0] + u'.' + groups[1]).toDouble(), 'f', 3).remove(locale.groupSeparator());
                return TypedNumber{std::nullopt,
                                   QStringLiteral("\"%1\" é ambíguo: %2 pode separar os milhares ou os decimais.\r"
                                                  "Digite %3 para o número inteiro ou %4 para o número com decimais.")
                                       .arg(shown(text), other == u'.' ? QStringLiteral("o ponto") : QStringLiteral("a vírgula"),
                                            asThousands, asDecimals)};
            }
            integer = groups[0];
            fraction = groups[1];
        } else if (validGrouping(groups)) {
            integer = groups.join(QString());
        } else {
            return refuse(invalid);
        }
    }
    // Ten decimals are far beyond any balance; more would not read back as typed.
    if (fraction.size() > 10)
        return refuse(QStringLiteral("\"%1\" tem casas decimais demais (no máximo 10).").arg(shown(text)));
    if (negative && !allowNegative)
        return refuse(QStringLiteral("\"%1\" não é aceito: o valor não pode ser negativo.").arg(shown(text)));
    bool ok = false;
    double value = (integer.isEmpty() ? QStringLiteral("0") : integer)
                       .append(fraction.isEmpty() ? QString() : u'.' + fraction)
                       .toDouble(&ok);
    if (!ok)
        return refuse(invalid);
    if (negative && value != 0)
        value = -value;
    return TypedNumber{value, {}};
}

std::optional<double> parseTypedNumber(const QString &text, const QLocale &locale)
{
    return readTypedNumber(text, locale, true).value;
}

QString numberForTyping(double value, const QLocale &locale)
{
    // Fifteen significant digits, never an exponent: the text must read back.
    QString text = QString::number(value, 'g', 15);
    if (text.contains(u'e')) {
        const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
        text = QString::number(value, 'f', std::clamp(14 - exponent, 0, 300));
        if (text.contains(u'.')) {
            while (text.endsWith(u'0'))
                text.chop(1);
            if (text.endsWith(u'.'))
                text.chop(1);
        }
    }
    text.replace(u'.', locale.decimalPoint());
    if (text.startsWith(u'-'))
        text.replace(0, 1, locale.negativeSign());
    return text;
}
