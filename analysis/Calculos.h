#pragma once
// The arithmetic of the analysis, free of windows and database: quantities in the calculation unit, the theoretical
// weight, and the statistics and verdict of a sample of filled capsules.

#include "core/Capsulas.h"

#include <QList>
#include <QString>

#include <optional>

// A component's quantity in the calculation unit ("MG", "G" or other); nullopt
// for a unit row ("UN"), which adds no weight.
std::optional<double> QuantidadeNaUnidade(double qde, const QString &unid, const QString &unidadeCalculo);

// Round half to even, as the capsule count of a formula is taken.
qint64 ArredondaPar(double value);

// One capsule's row after the analysis.
struct CapsulaAnalisada {
    double variacao = 0;      // P - M
    double variacaoPerc = 0;  // (P - M) x 100 / M
    double quadrado = 0;      // (P - M)^2
    bool naoConforme = false;
};

struct ResultadoAnalise {
    int n = 0;
    double media = 0;
    double total = 0;
    double desvioPadrao = 0;
    double desvioRelativo = 0;
    double minimo = 0;
    double maximo = 0;
    double amplitude = 0;
    double varTeorMin = 0;
    double varTeorMax = 0;
    bool aprovado = true;
    QString textoVariacao;    // the criterion-2 text, written into non-conforming rows
    QString veredito;
    QString motivos;
    QList<CapsulaAnalisada> capsulas;
};

// Judges a sample. pesos: one entry per weighing row, nullopt for an empty
// weight (0 in the mean and the total). minimo and maximo: the lightest and
// heaviest stored weights. teorico: the theoretical weight, not 0; the mean
// must not be 0. One capsule gives a standard deviation of 0.
ResultadoAnalise AvaliaAmostra(const QList<std::optional<double>> &pesos, double teorico, double minimo,
                               double maximo);

extern const QString kMotivoDesvio;
extern const QString kMotivoVariacaoAcima;
extern const QString kMotivoVariacaoAbaixo;
extern const QString kMotivoTeorico;
