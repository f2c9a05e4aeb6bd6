#pragma once
// Reading the history of the module's tables (db/historico.sql): the rows of
// one formula or of one lot, newest first, each with its changed columns.
// One request per call. Call from the UI thread only.

#include "data/dataset/SqlConnection.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace Historico {

struct Campo {
    QString nome;
    QString antes;   // null for null
    QString depois;  // null for null
};

struct Entrada {
    qint64 id = 0;
    QDateTime quando;
    QString tabela;  // PESOMED, RPESOMED, PESCAVAZ
    QString acao;    // INCLUSAO, ALTERACAO, EXCLUSAO, ANALISE, FALHA
    QString registro;
    int numcap = 0;  // 0 when the row is not a capsule's
    QString manipulador, computador, usuarioSo;
    QString origem, balanca, numeroSerie;
    QString amostra, veredito;
    QList<Campo> campos;

    // The changed column of that name, or nullptr.
    const Campo *campo(const QString &nome) const;
    // Who made the write: the operator, else the workstation's user and computer.
    QString quem() const;
};

// The key the history's index holds for a formula and for a lot.
QString chaveDaFormula(const QString &estacao, qint64 npedido, qint64 nformula);
QString chaveDoLote(const QString &codforn, const QString &lote, const QString &tamcap);

// The history rows of that key, newest first.
QList<Entrada> le(SqlConnection &connection, const QString &chave);

// A value as the history keeps it (numbers with a point), as the user reads
// it: numbers in the workstation's format without trailing zeros; "—" for
// null, "(vazio)" for an empty text.
QString valorLegivel(const QString &valor);

} // namespace Historico
