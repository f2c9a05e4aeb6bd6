#include "data/Historico.h"

namespace Historico {

namespace {

QString literal(const QString &valor)
{
    if (valor.isNull())
        return QStringLiteral("null");
    QString texto = valor.left(kTamanhoMaximo);
    texto.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + texto + QLatin1Char('\'');
}

// An empty text sets no value: the variable is removed.
QString valorOuNulo(const QString &valor)
{
    return valor.isEmpty() ? QString() : valor;
}

} // namespace

QList<Variavel> variaveis(const Estacao &estacao)
{
    return {{kSessao, kOperador, valorOuNulo(estacao.operador.trimmed())},
            {kSessao, kUsuarioSo, valorOuNulo(estacao.usuarioSo)},
            {kSessao, kComputador, valorOuNulo(estacao.computador)}};
}

QList<Variavel> variaveis(const OrigemPeso &origem)
{
    if (origem.tipo == OrigemPeso::Tipo::Digitado)
        return {{kTransacao, kOrigem, QStringLiteral("DIGITADO")},
                {kTransacao, kBalanca, {}},
                {kTransacao, kNumSerie, {}},
                {kTransacao, kLeitura, {}}};
    return {{kTransacao, kOrigem, QStringLiteral("BALANCA")},
            {kTransacao, kBalanca, valorOuNulo(origem.modelo)},
            {kTransacao, kNumSerie, valorOuNulo(origem.numeroSerie)},
            {kTransacao, kLeitura, valorOuNulo(origem.leitura)}};
}

QList<Variavel> analise()
{
    return {{kTransacao, kAnalise, QStringLiteral("1")}};
}

QList<ContextVariable> contexto(const QList<Variavel> &variaveis)
{
    QList<ContextVariable> lista;
    for (const Variavel &v : variaveis)
        lista.append({v.espaco, v.nome, v.valor});
    return lista;
}

QString atribuicoes(const QList<Variavel> &variaveis, const QString &alvo)
{
    QString texto;
    for (const Variavel &v : variaveis)
        texto += QStringLiteral("%1 = rdb$set_context(%2, %3, %4);\n")
                     .arg(alvo, literal(v.espaco), literal(v.nome), literal(v.valor));
    return texto;
}

QString colunaHistorico()
{
    return QStringLiteral("(select count(*) from RDB$RELATIONS where RDB$RELATION_NAME = 'HISTPESO') as HISTORICO");
}

QString blocoDaConexao(const Estacao &estacao)
{
    return QStringLiteral("execute block returns (HISTORICO integer) as\nbegin\n") +
           atribuicoes(variaveis(estacao), QStringLiteral("HISTORICO")) +
           QStringLiteral("select count(*) from RDB$RELATIONS where RDB$RELATION_NAME = 'HISTPESO' "
                          "into :HISTORICO;\nsuspend;\nend");
}

QString blocoDaEscrita(const QString &dml, const QList<Variavel> &variaveis)
{
    // The statement on lines of its own, so that a comment ending it ends there.
    return QStringLiteral("execute block returns (LINHAS bigint) as\nbegin\n") +
           atribuicoes(variaveis, QStringLiteral("LINHAS")) + dml +
           QStringLiteral("\n;\nLINHAS = row_count;\nsuspend;\nend");
}

bool temHistorico(SqlConnection &connection)
{
    fb::Connection &c = connection.connection();
    const QList<QVariant> linha = c.readTransaction().executeImmediate(
        QStringLiteral("select ") + colunaHistorico() + QStringLiteral(" from RDB$DATABASE"), {},
        {{fb::FieldType::Integer}});
    return linha.value(0).toInt() > 0;
}

bool iniciaConexao(SqlConnection &connection, const Estacao &estacao)
{
    // Session variables outlive the transaction that sets them.
    fb::Connection &c = connection.connection();
    const QList<QVariant> linha =
        c.readTransaction().executeImmediate(blocoDaConexao(estacao), {}, {{fb::FieldType::Integer}});
    return linha.value(0).toInt() > 0;
}

qint64 escreve(SqlConnection &connection, const QString &dml, const QList<Variavel> &variaveis)
{
    fb::Connection &c = connection.connection();
    fb::Transaction transaction(c);
    const qint64 linhas =
        transaction.executeImmediate(blocoDaEscrita(dml, variaveis), {}, {{fb::FieldType::BigInt}})
            .value(0)
            .toLongLong();
    transaction.commit();
    return linhas;
}

} // namespace Historico
