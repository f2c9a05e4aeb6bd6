// The display formatter over any value and format text: it returns, and a
// finite value under a grouped format shows only digits, separators and sign.
#include "core/DisplayFormat.h"

#include <QLocale>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < sizeof(double))
        return 0;
    double valor;
    std::memcpy(&valor, data, sizeof valor);
    const QString formato =
        QString::fromUtf8(reinterpret_cast<const char *>(data) + sizeof valor, static_cast<qsizetype>(size - sizeof valor));
    const QLocale br(QLocale::Portuguese, QLocale::Brazil);
    const QString texto = formatNumber(valor, formato, br);
    if (!std::isfinite(valor) && !texto.isEmpty())
        std::abort();
    if (std::isfinite(valor) && formato.size() < 40) {
        for (QChar c : texto)
            if (!c.isDigit() && c != u'.' && c != u',' && c != u'-' && c != u'e' && c != u'E' && c != u'+')
                std::abort();
    }
    return 0;
}
