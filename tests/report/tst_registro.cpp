// What the report says of how an analysis came about, from history rows:
// the analysis row (marked, or else the write of the figures), the operator,
// the weights' source per capsule, the corrections before the analysis, and
// the sampling rule.

#include "report/RegistroDaAnalise.h"

#include <QTest>

#include <algorithm>

namespace {

using Historico::Campo;
using Historico::Entrada;

const QDateTime t0(QDate(2026, 12, 11), QTime(9, 0));

Entrada pesagem(qint64 id, const QString &acao, int capsula, const QList<Campo> &campos, const QString &origem = {},
                const QString &manipulador = {})
{
    Entrada e;
    e.id = id;
    e.quando = t0.addSecs(id * 60);
    e.tabela = QStringLiteral("PESOMED");
    e.acao = acao;
    e.numcap = capsula;
    e.campos = campos;
    e.manipulador = manipulador;
    if (origem == QLatin1String("XS205")) {
        e.origem = QStringLiteral("BALANCA");
        e.balanca = origem;
        e.numeroSerie = QStringLiteral("B1");
    } else if (!origem.isEmpty()) {
        e.origem = origem;
    }
    e.usuarioSo = QStringLiteral("farmacia");
    e.computador = QStringLiteral("LAB-2");
    return e;
}

Entrada resultado(qint64 id, const QString &acao, const QList<Campo> &campos, const QString &manipulador = {})
{
    Entrada e;
    e.id = id;
    e.quando = t0.addSecs(id * 60);
    e.tabela = QStringLiteral("RPESOMED");
    e.acao = acao;
    e.campos = campos;
    e.manipulador = manipulador;
    return e;
}

// Newest first, as the history is read.
QList<Entrada> recente(QList<Entrada> l)
{
    std::reverse(l.begin(), l.end());
    return l;
}

const Campo kPeso250{QStringLiteral("PESO"), QString(), QStringLiteral("250.0000000000000")};

} // namespace

class TstRegistro : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil)); }

    void sampleRule_data()
    {
        QTest::addColumn<int>("analisadas");
        QTest::addColumn<int>("daFormula");
        QTest::addColumn<QString>("aviso");
        QTest::newRow("ten of thirty") << 10 << 30 << "";
        QTest::newRow("more than ten") << 12 << 30 << "";
        QTest::newRow("four of thirty") << 4 << 30 << "Amostra de 4 cápsulas; o método pede 10";
        QTest::newRow("one of thirty") << 1 << 30 << "Amostra de 1 cápsula; o método pede 10";
        QTest::newRow("ten exactly") << 9 << 10 << "Amostra de 9 cápsulas; o método pede 10";
        QTest::newRow("all of eight") << 8 << 8 << "";
        QTest::newRow("five of eight") << 5 << 8 << "Amostra de 5 cápsulas; o método pede todas as 8";
        QTest::newRow("count unknown") << 9 << 0 << "Amostra de 9 cápsulas; o método pede 10";
    }
    void sampleRule()
    {
        QFETCH(int, analisadas);
        QFETCH(int, daFormula);
        QTEST(avisoDeAmostra(analisadas, daFormula), "aviso");
    }

    void analysisSourcesAndCorrections()
    {
        const QList<Entrada> h = recente({
            pesagem(1, QStringLiteral("INCLUSAO"), 1, {kPeso250}, QStringLiteral("XS205")),
            pesagem(2, QStringLiteral("INCLUSAO"), 2, {kPeso250}),
            resultado(3, QStringLiteral("INCLUSAO"), {{QStringLiteral("ESTACAO"), {}, QStringLiteral("01")}}),
            pesagem(4, QStringLiteral("ALTERACAO"), 2,
                    {{QStringLiteral("PESO"), QStringLiteral("250.0000000000000"), QStringLiteral("251.5000000000000")}},
                    QStringLiteral("DIGITADO"), QStringLiteral("Bruno Lima")),
            // The analysis's own write-back of the deviations is no correction.
            pesagem(5, QStringLiteral("ALTERACAO"), 1, {{QStringLiteral("VARIACAOPESO"), {}, QStringLiteral("-0.7")}}),
            resultado(6, QStringLiteral("ANALISE"), {{QStringLiteral("PESOMEDIO"), {}, QStringLiteral("250.7")}},
                      QStringLiteral("Ana Souza")),
            // After the analysis: not its correction.
            pesagem(7, QStringLiteral("ALTERACAO"), 1,
                    {{QStringLiteral("PESO"), QStringLiteral("250.0000000000000"), QStringLiteral("249.0000000000000")}}),
        });
        const RegistroDaAnalise r = registroDaAnalise(h, {1, 2}, QStringLiteral("Outro Nome"));
        QCOMPARE(r.analisadaEm, t0.addSecs(6 * 60));
        QCOMPARE(r.manipulador, QStringLiteral("Ana Souza"));
        QCOMPARE(r.origens, QStringList({QStringLiteral("Pesos lidos da balança XS205, nº de série B1: cápsula 1"),
                                         QStringLiteral("Pesos digitados: cápsula 2")}));
        QCOMPARE(r.correcoes.size(), 1);
        QCOMPARE(RegistroDaAnalise::linha(r.correcoes[0]),
                 QStringLiteral("Cápsula 2: 250 → 251,5 em 11/12/2026 às 09:04 por Bruno Lima"));
        QCOMPARE(r.linhas(),
                 QStringList({QStringLiteral("Analisado em 11/12/2026 às 09:06 por Ana Souza"),
                              QStringLiteral("Pesos lidos da balança XS205, nº de série B1: cápsula 1"),
                              QStringLiteral("Pesos digitados: cápsula 2")}));
    }

    // A write path that does not mark the analysis: the newest write of the
    // figures is taken; the operator is the one the result record names, else
    // who wrote it.
    void analysisNotMarked()
    {
        const QList<Entrada> h = recente({
            pesagem(1, QStringLiteral("INCLUSAO"), 1, {kPeso250}),
            pesagem(2, QStringLiteral("INCLUSAO"), 2, {kPeso250}),
            resultado(3, QStringLiteral("ALTERACAO"), {{QStringLiteral("RESULTADO"), {}, QStringLiteral("Aprovado")}}),
            resultado(4, QStringLiteral("ALTERACAO"), {{QStringLiteral("MANIPULADOR"), {}, QStringLiteral("Ana")}}),
        });
        RegistroDaAnalise r = registroDaAnalise(h, {1, 2}, QStringLiteral("Ana"));
        QCOMPARE(r.analisadaEm, t0.addSecs(3 * 60));
        QCOMPARE(r.manipulador, QStringLiteral("Ana"));
        QCOMPARE(r.origens, QStringList{QStringLiteral("Pesos digitados")});
        QVERIFY(r.correcoes.isEmpty());
        r.amostra = avisoDeAmostra(2, 30);
        QCOMPARE(r.linhas().last(), QStringLiteral("Amostra de 2 cápsulas; o método pede 10"));

        // No analysis in the history (installed afterwards): said without a time.
        r = registroDaAnalise({}, {1}, {});
        QCOMPARE(r.linhas(), QStringList({QStringLiteral("Analisado por —"), QStringLiteral("Pesos digitados")}));
    }

    void historyOffOrUnknown()
    {
        RegistroDaAnalise r;
        QVERIFY(r.linhas().isEmpty());
        r.historico = RegistroDaAnalise::Estado::Desativado;
        r.amostra = avisoDeAmostra(3, 30);
        QCOMPARE(r.linhas(), QStringList({kHistoricoDesativado, QStringLiteral("Amostra de 3 cápsulas; o método pede 10")}));
    }
};

QTEST_GUILESS_MAIN(TstRegistro)
#include "tst_registro.moc"
