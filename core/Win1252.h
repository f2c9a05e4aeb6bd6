#pragma once
// Windows code page 1252, the character set of the suite's database connection.
// Qt has no codec for it without ICU, so the 32 characters of 0x80-0x9F are mapped
// here; the rest coincides with Latin-1.

#include <QByteArray>
#include <QString>

QString fromWin1252(const char *data, qsizetype size);
inline QString fromWin1252(const QByteArray &bytes) { return fromWin1252(bytes.constData(), bytes.size()); }
// Characters outside the code page become '?'.
QByteArray toWin1252(const QString &text);
// Where the first character lies that the code page cannot hold, or a control
// character other than tab, line feed and carriage return; -1 when none.
qsizetype firstNotStorable(const QString &text);
