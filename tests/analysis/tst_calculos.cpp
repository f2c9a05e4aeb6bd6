// The arithmetic of the analysis: capsule size, units, rounding of the capsule
// count, and the statistics and verdict of a sample with its boundaries.

#include "analysis/Calculos.h"

#include <QTest>

#include <cmath>

using Pesos = QList<std::optional<double>>;
Q_DECLARE_METATYPE(Pesos)

namespace {

Pesos pesos(std::initializer_list<double> list)
{
    Pesos p;
    for (double v : list)
        p.append(v);
    return p;
}

} // namespace

class TstCalculos : public QObject {
    Q_OBJECT
private slots:
    void capsuleSize_data()
    {
        QTest::addColumn<QString>("descricao");
        QTest::addColumn<QString>("tamanho");
        QTest::newRow("one digit") << "CAPSULA GELATINOSA Nº 0" << "0";
        QTest::newRow("leading zero kept") << "CAP 00 INCOLOR" << "00";
        QTest::newRow("digits joined") << "CAPSULA 1 LOTE 2" << "12";
        QTest::newRow("three digits") << "CAPSULA 00 COR 123" << "";
        QTest::newRow("no digit") << "CAPSULA INCOLOR" << "";
    }
    void capsuleSize()
    {
        QFETCH(QString, descricao);
        QFETCH(QString, tamanho);
        QCOMPARE(TamanhoCapsula(descricao), tamanho);
    }

    void capsuleCountRoundsHalfToEven_data()
    {
        QTest::addColumn<double>("qde");
        QTest::addColumn<qint64>("count");
        QTest::newRow("29.5") << 29.5 << qint64(30);
        QTest::newRow("30.5") << 30.5 << qint64(30);
        QTest::newRow("30.51") << 30.51 << qint64(31);
        QTest::newRow("0.4") << 0.4 << qint64(0);
    }
    void capsuleCountRoundsHalfToEven()
    {
        QFETCH(double, qde);
        QFETCH(qint64, count);
        QCOMPARE(ArredondaPar(qde), count);
    }

    void tenCapsules()
    {
        const ResultadoAnalise a = AvaliaAmostra(pesos({250, 255, 245, 250, 250, 250, 250, 250, 250, 250}), 250, 245, 255);
        QCOMPARE(a.n, 10);
        QCOMPARE(a.media, 250.0);
        QCOMPARE(a.total, 2500.0);
        QCOMPARE(a.desvioPadrao, std::sqrt(50.0 / 9));
        QVERIFY(std::fabs(a.desvioPadrao - 2.357) < 0.001);
        QVERIFY(std::fabs(a.desvioRelativo - 0.943) < 0.001);
        QCOMPARE(a.varTeorMin, 98.0);
        QCOMPARE(a.varTeorMax, 102.0);
        QCOMPARE(a.amplitude, 10.0);
        QCOMPARE(a.capsulas[1].variacao, 5.0);
        QCOMPARE(a.capsulas[1].variacaoPerc, 2.0);
        QCOMPARE(a.capsulas[1].quadrado, 25.0);
        QCOMPARE(a.capsulas[2].variacaoPerc, -2.0);
        for (const CapsulaAnalisada &c : a.capsulas)
            QVERIFY(!c.naoConforme);
        QCOMPARE(a.veredito, QStringLiteral("Aprovado"));
        QCOMPARE(a.motivos, QString());
    }

    void criteria_data()
    {
        QTest::addColumn<Pesos>("amostra");
        QTest::addColumn<double>("teorico");
        QTest::addColumn<QString>("motivos");
        QTest::addColumn<int>("naoConformes");
        const QString r1 = QStringLiteral("Desvio Padrão Relativo > 4%. ");
        const QString abaixo = QStringLiteral("Var. peso > 10% (Caps. abaixo de 300mg). ");
        const QString acima = QStringLiteral("Var. peso > 7,5% (caps. acima de 300mg). ");
        const QString r3 = QStringLiteral("Variação Teórica < 90% ou > 110%");
        // Mean 100, standard deviation exactly 4.
        QTest::newRow("RSD exactly 4 passes") << pesos({96, 100, 104}) << 100.0 << QString() << 0;
        QTest::newRow("RSD above 4 fails") << pesos({95.9, 100, 104.1}) << 100.0 << r1 << 0;
        QTest::newRow("exactly +10 and -10 conform") << pesos({110, 90, 100}) << 100.0 << r1 << 0;
        // Beyond 10 % of the mean is also beyond 110 % of a theoretical weight equal to it.
        QTest::newRow("10.0001 does not")
            << pesos({110.0001, 89.9999, 100}) << 100.0 << QString(r1 + abaixo + "Variação T") << 2;
        QTest::newRow("exactly -7.5 conforms from 300") << pesos({430, 370, 400}) << 400.0 << r1 << 0;
        QTest::newRow("7.6 does not") << pesos({430.4, 369.6, 400}) << 400.0 << QString(r1 + acima) << 2;
        // Exactly 300: ±10 % is beyond the 7.5 % limit, within the 10 % one.
        QTest::newRow("mean of exactly 300 takes 7.5")
            << pesos({300, 300, 300, 300, 300, 300, 300, 300, 270, 330}) << 300.0 << QString(r1 + acima) << 2;
        QTest::newRow("several non-conforming, text once")
            << pesos({100, 100, 100, 100, 100, 100, 100, 100, 120, 80}) << 100.0 << QString(r1 + abaixo + "Variação T")
            << 2;
        QTest::newRow("theoretical exactly 90 and 110 pass") << pesos({90, 100, 110}) << 100.0 << r1 << 0;
        QTest::newRow("mean equals T, lightest at 89%")
            << pesos({89, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100,
                      111})
            << 100.0 << QString(abaixo + r3) << 2;
    }
    void criteria()
    {
        QFETCH(Pesos, amostra);
        QFETCH(double, teorico);
        QFETCH(QString, motivos);
        QFETCH(int, naoConformes);
        double minimo = 1e300, maximo = -1e300;
        for (const auto &p : amostra) {
            minimo = std::min(minimo, *p);
            maximo = std::max(maximo, *p);
        }
        const ResultadoAnalise a = AvaliaAmostra(amostra, teorico, minimo, maximo);
        QCOMPARE(a.motivos, motivos);
        QCOMPARE(a.veredito, motivos.isEmpty() ? QStringLiteral("Aprovado") : QStringLiteral("Reprovado"));
        int count = 0;
        for (const CapsulaAnalisada &c : a.capsulas)
            count += c.naoConforme;
        QCOMPARE(count, naoConformes);
    }

    void allThreeCriteriaFailCutAt80()
    {
        const ResultadoAnalise a = AvaliaAmostra(pesos({50, 100, 150}), 200, 50, 150);
        QCOMPARE(a.motivos.size(), 80);
        QCOMPARE(a.motivos, QStringLiteral("Desvio Padrão Relativo > 4%. Var. peso > 10% (Caps. abaixo de 300mg). "
                                           "Variação T"));
        QCOMPARE(a.textoVariacao, QStringLiteral("Var. peso > 10% (Caps. abaixo de 300mg). "));
    }

    void emptyWeightCountsInMeanNotInExtremes()
    {
        Pesos amostra = pesos({300, 300});
        amostra.append(std::nullopt);
        // The database's min and max ignore the empty weight.
        const ResultadoAnalise a = AvaliaAmostra(amostra, 200, 300, 300);
        QCOMPARE(a.n, 3);
        QCOMPARE(a.media, 200.0);
        QCOMPARE(a.total, 600.0);
        QCOMPARE(a.capsulas[2].variacaoPerc, -100.0);
        QCOMPARE(a.minimo, 300.0);
        QCOMPARE(a.varTeorMin, 150.0);
    }

    void oneCapsuleHasNoSpread()
    {
        const ResultadoAnalise a = AvaliaAmostra(pesos({250}), 250, 250, 250);
        QCOMPARE(a.desvioPadrao, 0.0);
        QCOMPARE(a.desvioRelativo, 0.0);
        QVERIFY(std::isfinite(a.capsulas[0].variacaoPerc));
        QCOMPARE(a.veredito, QStringLiteral("Aprovado"));
    }
};

QTEST_GUILESS_MAIN(TstCalculos)
#include "tst_calculos.moc"
