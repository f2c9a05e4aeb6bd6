#pragma once
// The history of the module's tables (db/historico.sql): whether a database
// has it, and the context its triggers record beside each write. The context
// travels inside statements the program sends anyway, so that the history
// adds no request to any action. A database without the history accepts the
// same statements: the variables are then simply not read.

#include "data/dataset/SqlConnection.h"
#include "data/dataset/SqlDataSet.h"

#include <QList>
#include <QString>

namespace Historico {

// Context variables read by the triggers (their meaning is described at the
// top of db/historico.sql).
inline const QString kSessao = QStringLiteral("USER_SESSION");
inline const QString kTransacao = QStringLiteral("USER_TRANSACTION");
inline const QString kOperador = QStringLiteral("PESOMED_OPERADOR");
inline const QString kUsuarioSo = QStringLiteral("PESOMED_USUARIO_SO");
inline const QString kComputador = QStringLiteral("PESOMED_COMPUTADOR");
inline const QString kOrigem = QStringLiteral("PESOMED_ORIGEM");
inline const QString kBalanca = QStringLiteral("PESOMED_BALANCA");
inline const QString kNumSerie = QStringLiteral("PESOMED_NUMSERIE");
inline const QString kLeitura = QStringLiteral("PESOMED_LEITURA");
inline const QString kAnalise = QStringLiteral("PESOMED_ANALISE");

// Longest value the server keeps in a context variable; longer ones are cut.
constexpr int kTamanhoMaximo = 255;

// One context variable; a null value removes it.
struct Variavel {
    QString espaco;
    QString nome;
    QString valor;
};

// Who works at this workstation: set once per connection and again whenever
// the operator changes.
struct Estacao {
    QString operador;
    QString usuarioSo;
    QString computador;
};
QList<Variavel> variaveis(const Estacao &estacao);

// Where the weight of a weighing came from, sent with its write.
struct OrigemPeso {
    enum class Tipo { Digitado, Balanca };
    Tipo tipo = Tipo::Digitado;
    QString modelo;       // of the balance
    QString numeroSerie;  // of the balance
    QString leitura;      // the line the balance sent
};
QList<Variavel> variaveis(const OrigemPeso &origem);

// Marks the next write of the result record in the transaction as the analysis.
QList<Variavel> analise();

// The same as variables a write-back sends with its changes.
QList<ContextVariable> contexto(const QList<Variavel> &variaveis);

// One PSQL line per variable, "alvo = rdb$set_context(...);", for a block in
// which alvo is an integer variable or output.
QString atribuicoes(const QList<Variavel> &variaveis, const QString &alvo);

// A column for any select, HISTORICO: 1 when the database has the history,
// else 0; so that a query run anyway tells it.
QString colunaHistorico();

// The block run once per connection: sets the workstation's variables and
// returns one row with HISTORICO.
QString blocoDaConexao(const Estacao &estacao);

// An INSERT, UPDATE or DELETE preceded by the variables, in one block that
// returns one row with LINHAS, the rows the statement touched.
QString blocoDaEscrita(const QString &dml, const QList<Variavel> &variaveis);

// Each of these is one request to the server.
bool temHistorico(SqlConnection &connection);
bool iniciaConexao(SqlConnection &connection, const Estacao &estacao);
// Runs blocoDaEscrita in a transaction of its own, committed; returns LINHAS.
qint64 escreve(SqlConnection &connection, const QString &dml, const QList<Variavel> &variaveis);

} // namespace Historico
