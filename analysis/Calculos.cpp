#include "analysis/Calculos.h"

#include "core/WeightCriterion.h"

#include <cmath>

const QString kMotivoDesvio = QStringLiteral("Desvio Padrão Relativo > 4%. ");
const QString kMotivoVariacaoAcima = QStringLiteral("Var. peso > 7,5% (caps. acima de 300mg). ");
const QString kMotivoVariacaoAbaixo = QStringLiteral("Var. peso > 10% (Caps. abaixo de 300mg). ");
const QString kMotivoTeorico = QStringLiteral("Variação Teórica < 90% ou > 110%");

std::optional<double> QuantidadeNaUnidade(double qde, const QString &unid, const QString &unidadeCalculo)
{
    const QString u = unid.toUpper();
    if (u == QLatin1String("UN"))
        return std::nullopt;
    if (u == QLatin1String("G"))
        return unidadeCalculo == QLatin1String("MG") ? qde * 1000 : qde;
    return unidadeCalculo == QLatin1String("G") ? qde / 1000 : qde;
}

qint64 ArredondaPar(double value)
{
    return static_cast<qint64>(std::nearbyint(value)); // the default rounding mode is to nearest even
}

ResultadoAnalise AvaliaAmostra(const QList<std::optional<double>> &pesos, double teorico, double minimo,
                               double maximo)
{
    ResultadoAnalise r;
    r.n = static_cast<int>(pesos.size());
    double soma = 0;
    for (const auto &p : pesos)
        soma += p.value_or(0);
    r.media = r.n > 0 ? soma / r.n : 0;

    double quadrados = 0;
    for (const auto &p : pesos) {
        const double peso = p.value_or(0);
        CapsulaAnalisada c;
        c.variacao = peso - r.media;
        c.variacaoPerc = c.variacao * 100 / r.media;
        c.quadrado = c.variacao * c.variacao;
        r.total += peso;
        quadrados += c.quadrado;
        r.capsulas.append(c);
    }
    // One capsule has no spread of its own: 0 rather than a division by zero.
    r.desvioPadrao = r.n > 1 ? std::sqrt(quadrados / (r.n - 1)) : 0;
    r.desvioRelativo = 100 * r.desvioPadrao / r.media;

    QString r1, r2, r3;
    if (r.desvioRelativo > 4) {
        r1 = kMotivoDesvio;
        r.aprovado = false;
    }
    const double limite = weightVariationLimit(r.media);
    r.textoVariacao = r.media >= 300 ? kMotivoVariacaoAcima : kMotivoVariacaoAbaixo;
    for (CapsulaAnalisada &c : r.capsulas) {
        if (c.variacaoPerc > limite || c.variacaoPerc < -limite) {
            c.naoConforme = true;
            r2 = r.textoVariacao;
            r.aprovado = false;
        }
    }
    r.minimo = minimo;
    r.maximo = maximo;
    r.amplitude = maximo - minimo;
    r.varTeorMin = 100 * minimo / teorico;
    r.varTeorMax = 100 * maximo / teorico;
    if (r.varTeorMin < 90 || r.varTeorMax > 110) {
        r3 = kMotivoTeorico;
        r.aprovado = false;
    }
    r.veredito = r.aprovado ? QStringLiteral("Aprovado") : QStringLiteral("Reprovado");
    r.motivos = (r1 + r2 + r3).left(80);
    return r;
}
