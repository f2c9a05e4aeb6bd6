#pragma once
// What the detailed weight report says of how the analysis came about, read
// from the history of the formula: when and by whom it was analysed, where
// the weights came from, the weights corrected before it, whether the sample
// was as large as the method asks, and whether the database keeps a history
// at all. Pure functions over history rows, and one that reads them; no
// widgets.

#include "data/HistoricoLeitura.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class ClientDataSet;
class TDM;

// Told when the database has no history.
extern const QString kHistoricoDesativado;

struct CorrecaoDePeso {
    int capsula = 0;
    QString antes, depois;  // as the user reads them
    QDateTime quando;
    QString quem;
};

struct RegistroDaAnalise {
    enum class Estado { Desconhecido, Ativo, Desativado };
    // Unknown: nothing is printed (a report made without asking the database).
    Estado historico = Estado::Desconhecido;
    QDateTime analisadaEm;  // invalid when the history has no analysis row
    QString manipulador;
    QStringList origens;    // "Pesos digitados", "Pesos lidos da balança …"
    QString amostra;        // the sampling note, empty when the sample is whole
    QList<CorrecaoDePeso> correcoes;  // oldest first

    // The lines before the corrections, as printed.
    QStringList linhas() const;
    // "Cápsula 3: 250,5 → 262 em 11/12/2026 às 15:30 por Ana"
    static QString linha(const CorrecaoDePeso &c);
};

// The note when fewer capsules were analysed than the method asks (10, or
// all of a formula of fewer); empty otherwise. capsulasDaFormula 0: unknown.
QString avisoDeAmostra(int analisadas, int capsulasDaFormula);

// From the formula's history (newest first), the capsule numbers of the
// report and the operator stored on the result record.
RegistroDaAnalise registroDaAnalise(const QList<Historico::Entrada> &historia, const QList<int> &capsulas,
                                    const QString &manipuladorDoResultado);

// The record of the report's rows (the report query, first row current or
// not), read from the data module's database: one request, none when the
// database has no history. capsulasDaFormula as for avisoDeAmostra.
RegistroDaAnalise LeRegistroDaAnalise(TDM &dm, const ClientDataSet &linhas, int capsulasDaFormula);
