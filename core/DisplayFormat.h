#pragma once
// Numbers rendered with a display format such as "#,##0.0000": "," asks for
// thousands grouping, the zeros after "." are decimals always shown and the
// "#" after them decimals shown when not zero. The separators are the locale's.

#include <QLocale>
#include <QString>

#include <optional>

QString formatNumber(double value, const QString &format, const QLocale &locale = QLocale());

// A number typed in the locale's format, its thousands separators allowed;
// nullopt when the text is not a number.
std::optional<double> parseTypedNumber(const QString &text, const QLocale &locale = QLocale());
// The number as it is offered for typing: locale decimal point, no grouping.
QString numberForTyping(double value, const QLocale &locale = QLocale());
