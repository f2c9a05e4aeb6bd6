#pragma once
// Numbers rendered with a display format such as "#,##0.0000": "," asks for
// thousands grouping, the zeros after "." are decimals always shown and the
// "#" after them decimals shown when not zero. The separators are the locale's.

#include <QLocale>
#include <QString>

#include <optional>

QString formatNumber(double value, const QString &format, const QLocale &locale = QLocale());

// A number typed by the user: its value, or why the text was refused.
struct TypedNumber {
    std::optional<double> value;
    QString error;   // a message that says how to type the number; empty when read
};

// Reads a number typed in the locale's format. The locale's decimal separator
// may follow digits grouped by thousands ("1.250,5" under pt_BR). The other of
// point and comma, alone, is read as the decimal separator ("250.5", "0.250"),
// except where it could as well separate thousands ("1.250", "250.500"): such a
// text is refused as ambiguous. Exponents, letters, repeated separators, more
// than 15 significant digits or 10 decimals and, unless allowNegative, a sign
// are refused. Never scales.
TypedNumber readTypedNumber(const QString &text, const QLocale &locale = QLocale(), bool allowNegative = false);
// The value of readTypedNumber with negatives allowed; nullopt when refused.
std::optional<double> parseTypedNumber(const QString &text, const QLocale &locale = QLocale());
// The number as it is offered for typing: locale decimal point, no grouping.
QString numberForTyping(double value, const QLocale &locale = QLocale());
