#pragma once
// Helpers for SQL composed as text: every value spliced between single quotes
// goes through quoted(); a value spliced bare must pass isWholeNumber() first.

#include <QString>

// The value between single quotes, each embedded quote doubled.
QString quoted(const QString &value);
// True when text is an optional sign followed by decimal digits only.
bool isWholeNumber(const QString &text);
// A real number written with a point as decimal separator, round-trip exact.
QString sqlNumber(double value);
