// The typed-number reader over any text, in the Brazilian and the American
// convention: a number read is finite and has the digits typed, or the text is
// refused with a message; nothing in between.
#include "core/DisplayFormat.h"

#include <QLocale>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString texto = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    for (const QLocale &locale : {QLocale(QLocale::Portuguese, QLocale::Brazil), QLocale(QLocale::English, QLocale::UnitedStates)}) {
        for (bool negativo : {false, true}) {
            const TypedNumber n = readTypedNumber(texto, locale, negativo);
            if (n.value.has_value() == !n.error.isEmpty())
                std::abort();
            if (n.value && (!std::isfinite(*n.value) || (!negativo && *n.value < 0)))
                std::abort();
            // What was read reads back the same once shown for typing again.
            if (n.value) {
                const TypedNumber outra = readTypedNumber(numberForTyping(*n.value, locale), locale, true);
                if (!outra.value || *outra.value != *n.value)
                    std::abort();
            }
        }
    }
    return 0;
}
