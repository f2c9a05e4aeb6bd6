#include "lots/CalculosLote.h"

#include "core/DisplayFormat.h"
#include "core/SqlText.h"

std::optional<QString> CodigoComQuatroDigitos(const QString &codigo)
{
    const QString texto = codigo.trimmed();
    if (!isWholeNumber(texto))
        return std::nullopt;
    bool ok = false;
    const qlonglong numero = texto.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    const QString digitos = QStringLiteral("%1").arg(qAbs(numero), 4, 10, QLatin1Char('0'));
    return numero < 0 ? QLatin1Char('-') + digitos : digitos;
}

bool MesmoFornecedor(const QString &a, const QString &b)
{
    const QString ta = a.trimmed(), tb = b.trimmed();
    if (isWholeNumber(ta) && isWholeNumber(tb)) {
        bool okA = false, okB = false;
        const qlonglong na = ta.toLongLong(&okA), nb = tb.toLongLong(&okB);
        if (okA && okB)
            return na == nb;
    }
    return a == b;
}

QString NumeroNoComando(double valor)
{
    return formatNumber(valor, QStringLiteral("0.###############"), QLocale::c());
}

QString MediaNoComando(double media)
{
    return formatNumber(media, QStringLiteral("0.00"), QLocale::c());
}

QString ConsultaLoteRegistrado(const QString &codigo, const QString &lote)
{
    return QStringLiteral("Select CODFORN, LOTE from PESCAVAZ where CODFORN = ") + quoted(codigo) +
           QStringLiteral(" and LOTE = ") + quoted(lote);
}

QString ConsultaLotesDoFornecedor(const QString &nomeFantasia)
{
    return QStringLiteral("Select DESCRICAO, LOTE, FORNECEDOR, CODIGO, SALDOPREVISTO, SALDOCORRENTE, UNIDADE, "
                          "CODIGOEAN, FABRICANTE, VALIDADE, SITUACAO, DENSIDADE, FATORCORRECAO, LABORATORIO, "
                          "CONTROLADA from ESTLOTE where FORNECEDOR = ") +
           quoted(nomeFantasia) + FiltroDescricaoCapsula(kPrefixoCapsulasDoEstoque) +
           QStringLiteral(" order by Validade,Lote");
}

namespace {

double media(const QList<double> &pesos)
{
    double soma = 0;
    for (double p : pesos)
        soma += p;
    return soma / 20;
}

} // namespace

QString ComandoIncluiLote(const QString &codigo, const QString &lote, const QString &tamanho,
                          const QList<double> &pesos)
{
    QString sql = QStringLiteral("Insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO, P01, P02, P03, P04, P05, "
                                 "P06, P07, P08, P09, P10, P11, P12, P13, P14, P15, P16, P17, P18, P19, P20) "
                                 "values (") +
                  quoted(codigo) + QStringLiteral(", ") + quoted(lote) + QStringLiteral(", ") + quoted(tamanho) +
                  QStringLiteral(", ") + MediaNoComando(media(pesos));
    for (double p : pesos)
        sql += QStringLiteral(", ") + NumeroNoComando(p);
    return sql + QLatin1Char(')');
}

QString ComandoAlteraLote(const QString &codigo, const QString &lote, const QList<double> &pesos,
                          const QString &codigoAnterior, const QString &loteAnterior,
                          const QString &tamanhoAnterior)
{
    QString sql = QStringLiteral("Update PESCAVAZ set CODFORN = ") + quoted(codigo) + QStringLiteral(", LOTE = ") +
                  quoted(lote) + QStringLiteral(", PESOMEDIO = ") + MediaNoComando(media(pesos));
    for (int n = 0; n < pesos.size(); ++n)
        sql += QStringLiteral(", P%1 = ").arg(n + 1, 2, 10, QLatin1Char('0')) + NumeroNoComando(pesos[n]);
    return sql + QStringLiteral(" where CODFORN = ") + quoted(codigoAnterior) + QStringLiteral(" and LOTE = ") +
           quoted(loteAnterior) + QStringLiteral(" and TAMCAP = ") + quoted(tamanhoAnterior);
}

QString ComandoExcluiLote(const QString &codigo, const QString &lote, const QString &tamanho)
{
    return QStringLiteral("Delete from PESCAVAZ where CODFORN = ") + quoted(codigo) + QStringLiteral(" and LOTE = ") +
           quoted(lote) + QStringLiteral(" and TAMCAP = ") + quoted(tamanho);
}
