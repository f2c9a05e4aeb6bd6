// The analysis's workflows called directly, without a window: what each
// refusal tells the user, the note for the message line, and what is stored.

#include "analysis/Analise.h"
#include "analysis/PesoTeorico.h"
#include "config/uConfiguracao.h"
#include "data/udm.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestDb.h"

#include <QTest>

#include <memory>

using TestDb::scalar;
using TestDb::workstation;

namespace {

const QString kSemPesoTeorico =
    QStringLiteral("Não foi possível obter o Peso Teórico das cápsulas vazias. A análise será cancelada.");

} // namespace

class TstFluxos : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        TestDb::reset();
        TestDb::capsuleFormula(4521);
        UnidadePesoMedio = QStringLiteral("MG");
    }

    void analysis_data()
    {
        QTest::addColumn<QStringList>("preparo");   // statements run after the ready formula is stored
        QTest::addColumn<QList<double>>("pesos");
        QTest::addColumn<QStringList>("mensagens");
        QTest::addColumn<QString>("aviso");         // "-" when the theoretical weight was not computed
        QTest::addColumn<QString>("veredito");      // stored RESULTADO; "-" when nothing is stored
        QTest::newRow("approved") << QStringList() << QList<double>{250, 251, 249, 250, 250} << QStringList()
                                  << "" << "Aprovado";
        QTest::newRow("weights all zero: refused before the theoretical weight")
            << QStringList() << QList<double>{0, 0}
            << QStringList{QStringLiteral("A média dos pesos é zero: informe o peso das cápsulas antes de "
                                          "analisar.\rA análise será cancelada.")}
            << "-" << "-";
        QTest::newRow("supplier unknown: the note and two messages")
            << QStringList{QStringLiteral("update COMPEDID set FORNECEDOR = 'OUTRO' where ORDEM = 2")}
            << QList<double>{250}
            << QStringList{QStringLiteral("ATENÇÃO:\rNão foi encontrado o fornecedor\rOUTRO\rna Tabela de "
                                          "Fornecedores."),
                           kSemPesoTeorico}
            << "Não encontrei o fornecedor das caps. usadas na fórmula" << "-";
        QTest::newRow("no capsule component")
            << QStringList{QStringLiteral("delete from COMPEDID where ORDEM = 2")} << QList<double>{250}
            << QStringList{QStringLiteral("ATENÇÃO:\rA fórmula não tem o componente das cápsulas (descrição "
                                          "começando por \"CAP\", unidade UN).\rNão é possível calcular o Peso "
                                          "Teórico."),
                           kSemPesoTeorico}
            << "" << "-";
    }
    void analysis()
    {
        QFETCH(QStringList, preparo);
        QFETCH(QList<double>, pesos);
        QFETCH(QStringList, mensagens);
        QFETCH(QString, aviso);
        QFETCH(QString, veredito);
        TestDb::exec(preparo);
        for (int i = 0; i < pesos.size(); ++i)
            TestDb::weighing(i + 1, QStringLiteral("01"), 4521, 1, i + 1, pesos[i]);
        auto dm = workstation();
        MessageRecorder recorder;

        const ResultadoDaAnalise r = AnalisarCapsulas(*dm, recorder);

        QCOMPARE(recorder.texts(), mensagens);
        QCOMPARE(r.aviso.has_value(), aviso != QLatin1String("-"));
        if (r.aviso)
            QCOMPARE(*r.aviso, aviso);
        QCOMPARE(r.gravada, veredito != QLatin1String("-"));
        const QVariant guardado = scalar(QStringLiteral("select RESULTADO from RPESOMED where NPEDIDO = 4521"));
        QCOMPARE(guardado.isNull() ? QStringLiteral("-") : guardado.toString().trimmed(), veredito);
        // Nothing is left pending on this workstation, stored or not.
        QCOMPARE(dm->cds_PesoMed->ChangeCount(), 0);
        QCOMPARE(dm->cds_RPesoMed->ChangeCount(), 0);
        QVERIFY(!dm->GravandoAdiado());
    }

    // The empty-capsule weight and the capsule's description belong to each
    // computation: a failing one after a successful one gives 0, not a figure
    // made of the earlier lot.
    void theoreticalWeightKeepsNothingBetweenCalls()
    {
        auto dm = workstation();
        MessageRecorder recorder;
        const PesoTeorico bom = CalcularPesoTeorico(*dm, recorder, QStringLiteral("01"), 4521, 1);
        QCOMPARE(bom.valor, 250.0);
        QCOMPARE(bom.pesoCapsulaVazia, 96.0);
        QCOMPARE(bom.descricaoCapsula, QStringLiteral("CAPSULA N 0"));
        TestDb::exec({QStringLiteral("update COMPEDID set LOTE = 'L9' where ORDEM = 2")});
        const PesoTeorico semLote = CalcularPesoTeorico(*dm, recorder, QStringLiteral("01"), 4521, 1);
        QCOMPARE(semLote.valor, 0.0);
        QCOMPARE(semLote.pesoCapsulaVazia, 0.0);
        QCOMPARE(recorder.texts().size(), 1);
    }
};

QTEST_MAIN(TstFluxos)
#include "tst_fluxos.moc"
