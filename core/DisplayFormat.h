#pragma once
// Numbers rendered with a display format such as "#,##0.0000": "," asks for
// thousands grouping, the zeros after "." are decimals always shown and the
// "#" after them decimals shown when not zero. The separators are the locale's.

#include <QLocale>
#include <QString>

QString formatNumber(double value, const QString &format, const QLocale &locale = QLocale());
