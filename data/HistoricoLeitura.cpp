#include "data/HistoricoLeitura.h"

#include "core/SqlText.h"

#include <QLocale>

namespace Historico {

namespace {

// The expression of the index HISTPESO_CHAVE, so that the server uses it.
const QString kChave = QStringLiteral(
    "coalesce('F' || h.ESTACAO || '/' || h.NPEDIDO || '/' || h.NFORMULA, "
    "'L' || h.CODFORN || '/' || h.LOTE || '/' || h.TAMCAP)");

QString texto(const QVariant &v)
{
    return v.isValid() && !v.isNull() ? v.toString() : QString();
}

} // namespace

const Campo *Entrada::campo(const QString &nome) const
{
    for (const Campo &c : campos)
        if (c.nome == nome)
            return &c;
    return nullptr;
}

QString Entrada::quem() const
{
    if (!manipulador.trimmed().isEmpty())
        return manipulador.trimmed();
    QStringList partes;
    if (!usuarioSo.isEmpty())
        partes << usuarioSo;
    if (!computador.isEmpty())
        partes << computador;
    return partes.join(QStringLiteral(" em "));
}

QString chaveDaFormula(const QString &estacao, qint64 npedido, qint64 nformula)
{
    return QStringLiteral("F%1/%2/%3").arg(estacao).arg(npedido).arg(nformula);
}

QString chaveDoLote(const QString &codforn, const QString &lote, const QString &tamcap)
{
    return QStringLiteral("L%1/%2/%3").arg(codforn, lote, tamcap);
}

QList<Entrada> le(SqlConnection &connection, const QString &chave)
{
    const QString sql =
        QStringLiteral("select h.ID_HISTPESO, h.DATAHORA, h.TABELA, h.ACAO, h.REGISTRO, h.NUMCAP, h.MANIPULADOR, "
                       "coalesce(h.COMPUTADOR_INFORMADO, h.COMPUTADOR), coalesce(h.USUARIO_SO_INFORMADO, "
                       "h.USUARIO_SO), h.ORIGEM, h.BALANCA, h.NUMSERIE, h.AMOSTRA, h.VEREDITO, c.CAMPO, c.ANTES, "
                       "c.DEPOIS from HISTPESO h left join HISTPESO_CAMPOS(h.ID_HISTPESO, h.CAMPOS) c on 1 = 1 "
                       "where ") +
        kChave + QStringLiteral(" = ") + quoted(chave) + QStringLiteral(" order by h.ID_HISTPESO desc, c.ORDEM");
    fb::Statement st(connection.connection(), sql);
    st.open();
    QList<Entrada> lista;
    while (st.fetch()) {
        const qint64 id = st.value(0).toLongLong();
        if (lista.isEmpty() || lista.last().id != id) {
            Entrada e;
            e.id = id;
            e.quando = st.value(1).toDateTime();
            e.tabela = texto(st.value(2));
            e.acao = texto(st.value(3));
            e.registro = texto(st.value(4));
            e.numcap = st.value(5).toInt();
            e.manipulador = texto(st.value(6));
            e.computador = texto(st.value(7));
            e.usuarioSo = texto(st.value(8));
            e.origem = texto(st.value(9));
            e.balanca = texto(st.value(10));
            e.numeroSerie = texto(st.value(11));
            e.amostra = texto(st.value(12));
            e.veredito = texto(st.value(13));
            lista << e;
        }
        if (st.value(14).isValid() && !st.value(14).isNull())
            lista.last().campos << Campo{texto(st.value(14)), texto(st.value(15)), texto(st.value(16))};
    }
    return lista;
}

QString valorLegivel(const QString &valor)
{
    if (valor.isNull())
        return QStringLiteral("—");
    if (valor.isEmpty())
        return QStringLiteral("(vazio)");
    bool ok = false;
    const double d = valor.toDouble(&ok);
    if (!ok)
        return valor;
    QString t = QLocale().toString(d, 'f', 4);
    const QChar ponto = QLocale().decimalPoint().at(0);
    if (t.contains(ponto)) {
        while (t.endsWith(QLatin1Char('0')))
            t.chop(1);
        if (t.endsWith(ponto))
            t.chop(1);
    }
    return t;
}

} // namespace Historico
