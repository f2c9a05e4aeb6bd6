#include "lots/CalculosLote.h"

#include "core/SqlText.h"

QString TamanhoNaDescricao(const QString &descricao)
{
    const QString tamanho = descricao.mid(9, 1) == QLatin1String(" ") ? descricao.mid(8, 1) : descricao.mid(8, 2);
    return isWholeNumber(tamanho) ? tamanho : QString();
}

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
           quoted(nomeFantasia) + QStringLiteral(" and DESCRICAO like 'Capsula%' order by Validade,Lote");
}
