// The balance's line gatherer and every protocol's parser over any bytes, in
// both calculation units: lines never exceed their bound, and a stable weight
// is finite and not negative.
#include "balance/ProtocolosBalanca.h"

#include <QRegularExpression>

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QRegularExpression padrao(QStringLiteral("^\\s*(?<instavel>\\?)?\\s*(?<peso>[-+]?[0-9.,]+)\\s*(?<unidade>[a-zA-Z]+)?"));
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    AcumuladorLinhas acumulador;
    // Fed in two pieces, as a port delivers them.
    QList<AcumuladorLinhas::Evento> eventos = acumulador.acrescenta(bytes.first(size / 2));
    eventos += acumulador.acrescenta(bytes.sliced(size / 2));
    if (acumulador.pendente().size() > kLinhaMaximaBalanca)
        std::abort();
    for (const AcumuladorLinhas::Evento &e : eventos) {
        if (e.linha.size() > kLinhaMaximaBalanca)
            std::abort();
        for (ProtocoloBalanca p : {ProtocoloBalanca::MtSics, ProtocoloBalanca::Sbi, ProtocoloBalanca::And,
                                   ProtocoloBalanca::Continuo}) {
            for (const QString &unidade : {QStringLiteral("MG"), QStringLiteral("G")}) {
                for (const QRegularExpression &r : {QRegularExpression(), padrao}) {
                    const LeituraBalanca l = InterpretaLinha(p, e.linha, unidade, r);
                    if (l.tipo == LeituraBalanca::Tipo::Estavel && (!std::isfinite(l.peso) || l.peso < 0))
                        std::abort();
                }
            }
        }
        (void)LinhaLegivel(e.linha);
    }
    return 0;
}
