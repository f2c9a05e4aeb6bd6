// The date reader of the order search over any text: a valid date within the
// century window of the reference year, or its error.
#include "core/AppError.h"
#include "search/uPesquisa.h"

#include <QDate>
#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString texto = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    try {
        const QDate d = DataDoTexto(texto, 2026);
        if (!d.isValid() || d.year() < 1976 || d.year() > 2075)
            std::abort();
    } catch (const AppError &) {
    }
    return 0;
}
