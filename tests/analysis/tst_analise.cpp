// The analysis against the real database: the theoretical weight from a
// formula's components, supplier and empty-capsule lot; the analysis written to
// the weighings and the result record; its failures, and the typical analysis
// driven by keys.

#include "analysis/PesoTeorico.h"
#include "analysis/uCadPesos.h"
#include "balance/LeitorBalanca.h"
#include "app/uPesoMed.h"
#include "config/uConfiguracao.h"
#include "data/udm.h"
#include "lots/UCadPrep.h"
#include "tests/support/BalancaSimulada.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestDb.h"
#include "tests/support/TestPrograma.h"
#include "widgets/DBControls.h"
#include "widgets/DBGrid.h"
#include "widgets/ErrorHandler.h"

#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <cmath>

namespace {

using TestDb::scalar;
using TestPrograma::clicaAbaixoDasLinhas;
using TestPrograma::digita;

void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    TestPrograma::tecla(k, modifiers);
}


struct Componente {
    const char *unid;
    const char *nome;
    double qde;
};

const QString kAtencaoLote = QStringLiteral(
    "ATENÇÃO:\rAntes de prosseguir, favor informar\rna Tabela de CÁPSULAS VAZIAS os pesos\rde 20 Cápsulas nº ");

} // namespace

class TstAnalise : public QObject {
    Q_OBJECT

    MessageRecorder *recorder = nullptr;

    // Formula 01/4521/1 with the given components; the capsule lot L0 of
    // supplier 0012 "CAPS BRASIL" weighs 96 on average.
    void formula(const QList<Componente> &componentes, const QString &fornecedor = QStringLiteral("CAPS BRASIL"),
                 const QString &lote = QStringLiteral("L0"))
    {
        int ordem = 0;
        for (const Componente &c : componentes) {
            TestDb::component(QStringLiteral("01"), 4521, 1, ++ordem, QString::fromUtf8(c.nome), c.qde,
                              QString::fromLatin1(c.unid));
            if (QString::fromUtf8(c.nome).startsWith(QLatin1String("CAP"), Qt::CaseInsensitive))
                // Factors that play no part in the theoretical weight.
                TestDb::exec({QStringLiteral("update COMPEDID set FATORCORRECAO = 3, FATORDILUICAO = 7 "
                                             "where ORDEM = %1").arg(ordem)});
        }
        TestDb::admin().execute(QStringLiteral("update COMPEDID set LOTE = ?, FORNECEDOR = ? where COMPONENTE starting "
                                               "with 'CAP' or COMPONENTE starting with 'cap'"),
                                {lote.isEmpty() ? QVariant() : QVariant(lote),
                                 fornecedor.isEmpty() ? QVariant() : QVariant(fornecedor)});
        // The program is already running: its components list is read again.
        DM->cds_Compedid->Refresh();
    }

    // The program's balance on the simulated one's terminal.
    void usaBalanca(const QString &porta, int esperaMs = 5000)
    {
        ConfiguracaoBalanca c;
        c.porta = porta;
        c.protocolo = ProtocoloBalanca::MtSics;
        c.esperaMs = esperaMs;
        c.teclaImprimir = true;
        BalancaDoPrograma().setConfiguracao(c);
    }

    void weigh(const QList<double> &pesos)
    {
        for (double p : pesos) {
            DM->cds_PesoMed->Append();
            DM->cds_PesoMed->FieldByName(QStringLiteral("PESO")).SetAsFloat(p);
            DM->cds_PesoMed->Post();
        }
    }


private slots:
    void init()
    {
        TestDb::reset();
        TestDb::exec({QStringLiteral("insert into FORNECED (CODIGO, NOME, NOMEFANTASIA) values "
                                     "('0012', 'Caps Brasil Ltda', 'CAPS BRASIL')"),
                      QStringLiteral("insert into FORNECED (CODIGO, NOME, NOMEFANTASIA) values "
                                     "('0031', 'D''Oro Ltda', 'D''ORO')"),
                      QStringLiteral("insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO) values "
                                     "('0012', 'L0', '0', 96)"),
                      QStringLiteral("insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO) values "
                                     "('0031', 'L''1', '1', 76)"),
                      QStringLiteral("insert into RPESOMED (ID_RPESOMED, ESTACAO, NPEDIDO, NFORMULA) values "
                                     "(7, '02', 1, 1)")});
        TestDb::order(QStringLiteral("01"), 4521);
        TestDb::formula(QStringLiteral("01"), 4521, 1);
        ReiniciaConfiguracao();
        recorder = new MessageRecorder;
        TestPrograma::inicia();
        UnidadePesoMedio = QStringLiteral("MG");
    }
    void cleanup()
    {
        BalancaDoPrograma().setConfiguracao(ConfiguracaoBalanca());
        TestPrograma::encerra();
        delete recorder;
    }

    void theoreticalWeight_data()
    {
        QTest::addColumn<QString>("unidade");
        QTest::addColumn<QList<Componente>>("componentes");
        QTest::addColumn<double>("teorico");
        const Componente cap{"UN", "CAPSULA Nº 0", 30};
        QTest::newRow("worked example") << "MG" << QList<Componente>{{"MG", "CAFEINA", 3000}, {"G", "AMIDO", 1.5}, cap}
                                        << 246.0;
        QTest::newRow("MG: grams x 1000") << "MG" << QList<Componente>{{"G", "A", 0.3}, cap} << 106.0;
        QTest::newRow("MG: small g") << "MG" << QList<Componente>{{"g", "A", 0.3}, cap} << 106.0;
        QTest::newRow("MG: MCG as mg") << "MG" << QList<Componente>{{"MCG", "B12", 300}, cap} << 106.0;
        QTest::newRow("MG: UI as mg") << "MG" << QList<Componente>{{"UI", "VIT D", 600}, cap} << 116.0;
        QTest::newRow("MG: UN not capsule adds nothing")
            << "MG" << QList<Componente>{{"UN", "SACHE", 5}, {"MG", "A", 300}, cap} << 106.0;
        QTest::newRow("MG: small un capsule")
            << "MG" << QList<Componente>{{"MG", "A", 300}, {"un", "cap. verde 0", 30}} << 106.0;
        QTest::newRow("G: grams as they are") << "G" << QList<Componente>{{"G", "A", 0.3}, cap} << 96.01;
        QTest::newRow("G: MG / 1000") << "G" << QList<Componente>{{"MG", "A", 300}, cap} << 96.01;
        QTest::newRow("G: MCG / 1000") << "G" << QList<Componente>{{"MCG", "A", 300}, cap} << 96.01;
        QTest::newRow("G: UI / 1000") << "G" << QList<Componente>{{"UI", "A", 300}, cap} << 96.01;
        QTest::newRow("other unit: unconverted")
            << "KG" << QList<Componente>{{"G", "A", 3}, {"MG", "B", 300}, {"UI", "C", 600}, cap} << 126.1;
        QTest::newRow("29.5 capsules count 30")
            << "MG" << QList<Componente>{{"MG", "A", 300}, {"UN", "CAPSULA Nº 0", 29.5}} << 106.0;
        QTest::newRow("30.5 capsules count 30")
            << "MG" << QList<Componente>{{"MG", "A", 300}, {"UN", "CAPSULA Nº 0", 30.5}} << 106.0;
    }
    void theoreticalWeight()
    {
        QFETCH(QString, unidade);
        QFETCH(QList<Componente>, componentes);
        QFETCH(double, teorico);
        UnidadePesoMedio = unidade;
        formula(componentes);
        const double t = CalcularPesoTeorico(*DM, messages(), QStringLiteral("01"), 4521, 1).valor;
        QVERIFY2(std::fabs(t - teorico) < 1e-9, qPrintable(QString::number(t, 'g', 17)));
        QVERIFY(recorder->entries().isEmpty());
        QVERIFY(!DM->CDSC->Active());
        QVERIFY(!DM->PesoCaV->Active());
        QCOMPARE(DM->SQLDSPesoCaVaz.CommandText,
                 QStringLiteral("Select CODFORN, LOTE, TAMCAP, PESOMEDIO, P01, P02, P03, P04, P05, P06, P07, P08, "
                                "P09, P10, P11, P12, P13, P14, P15, P16, P17, P18, P19, P20 from PesCaVaz order by "
                                "CODFORN, TAMCAP"));
    }

    void theoreticalWeightFailures_data()
    {
        QTest::addColumn<QString>("capsula");
        QTest::addColumn<QString>("fornecedor");
        QTest::addColumn<QString>("lote");
        QTest::addColumn<QString>("mensagemBox");
        QTest::addColumn<QString>("mensagemLabel");
        QTest::newRow("no supplier") << "CAPSULA Nº 0" << "" << "L0"
                                     << "ATENÇÃO:\rNão foi especificado o Fornecedor e o Lote das cápsulas usadas na "
                                        "fórmula."
                                     << "";
        QTest::newRow("no lot") << "CAPSULA Nº 0" << "CAPS BRASIL" << ""
                                << "ATENÇÃO:\rNão foi especificado o Fornecedor e o Lote das cápsulas usadas na "
                                   "fórmula."
                                << "";
        QTest::newRow("supplier differs in case")
            << "CAPSULA Nº 0" << "Caps Brasil" << "L0"
            << "ATENÇÃO:\rNão foi encontrado o fornecedor\rCaps Brasil\rna Tabela de Fornecedores."
            << "Não encontrei o fornecedor das caps. usadas na fórmula";
        QTest::newRow("lot not registered")
            << "CAPSULA Nº 0" << "CAPS BRASIL" << "L9"
            << kAtencaoLote + "0\rdo Lote L9\rdo Fornecedor CAPS BRASIL (código 0012)." << "";
        QTest::newRow("no size in the description")
            << "CAPSULA INCOLOR" << "CAPS BRASIL" << "L0"
            << kAtencaoLote + "\rdo Lote L0\rdo Fornecedor CAPS BRASIL (código 0012)." << "";
        QTest::newRow("no capsule component")
            << "" << "" << ""
            << "ATENÇÃO:\rA fórmula não tem o componente das cápsulas (descrição começando por \"CAP\", unidade "
               "UN).\rNão é possível calcular o Peso Teórico."
            << "";
    }
    void theoreticalWeightFailures()
    {
        QFETCH(QString, capsula);
        QFETCH(QString, fornecedor);
        QFETCH(QString, lote);
        QFETCH(QString, mensagemBox);
        QFETCH(QString, mensagemLabel);
        key(Qt::Key_F4);
        QVERIFY(frm_Cadastros);
        frm_Cadastros->Mensagem->setText(QStringLiteral("antigo"));
        QList<Componente> componentes = {{"MG", "A", 300}};
        const QByteArray nome = capsula.toUtf8();
        if (!capsula.isEmpty())
            componentes.append({"UN", nome.constData(), 30});
        formula(componentes, fornecedor, lote);
        QCOMPARE(frm_Cadastros->CalculaPesoTeorico(QStringLiteral("01"), 4521, 1), 0.0);
        QCOMPARE(recorder->texts(), QStringList{mensagemBox});
        QCOMPARE(frm_Cadastros->Mensagem->text(), mensagemLabel);
        frm_Cadastros->close();
    }

    void quotesInSupplierAndLot()
    {
        formula({{"MG", "A", 300}, {"UN", "CAPSULA Nº 1", 30}}, QStringLiteral("D'ORO"), QStringLiteral("L'1"));
        QCOMPARE(CalcularPesoTeorico(*DM, messages(), QStringLiteral("01"), 4521, 1).valor, 86.0);
        QVERIFY(recorder->entries().isEmpty());
    }

    void tenCapsulesAnalysedAndStored()
    {
        formula({{"MG", "A", 4620}, {"UN", "CAPSULA Nº 0", 30}}); // T = 96 + 154 = 250
        key(Qt::Key_F4);
        Tfrm_Cadastros *w = frm_Cadastros;
        weigh({250, 255, 245, 250, 250, 250, 250, 250, 250, 250});
        w->btn_Calcular->click();
        QVERIFY2(recorder->entries().isEmpty(), qPrintable(recorder->texts().join(QLatin1Char('|'))));
        // The result record: next identifier after the highest stored, never 0.
        QCOMPARE(scalar(QStringLiteral("select count(*) from RPESOMED where NPEDIDO = 4521")).toInt(), 1);
        QCOMPARE(scalar(QStringLiteral("select ID_RPESOMED from RPESOMED where NPEDIDO = 4521")).toInt(), 8);
        QCOMPARE(scalar(QStringLiteral("select CHAVE from RPESOMED where NPEDIDO = 4521")).toString(),
                 QStringLiteral("010045211"));
        const QString r = QStringLiteral("select %1 from RPESOMED where NPEDIDO = 4521");
        QCOMPARE(scalar(r.arg(QStringLiteral("QDECAPS"))).toInt(), 10);
        QCOMPARE(scalar(r.arg(QStringLiteral("PESOMEDIO"))).toDouble(), 250.0);
        QCOMPARE(scalar(r.arg(QStringLiteral("PESOTOTAL"))).toDouble(), 2500.0);
        QCOMPARE(scalar(r.arg(QStringLiteral("DESVIOPADRAO"))).toDouble(), std::sqrt(50.0 / 9));
        QVERIFY(std::fabs(scalar(r.arg(QStringLiteral("COEFVARIACAO"))).toDouble() - 0.9428) < 1e-4);
        QCOMPARE(scalar(r.arg(QStringLiteral("MINIMO"))).toDouble(), 245.0);
        QCOMPARE(scalar(r.arg(QStringLiteral("MAXIMO"))).toDouble(), 255.0);
        QCOMPARE(scalar(r.arg(QStringLiteral("AMPLITUDE"))).toDouble(), 10.0);
        QCOMPARE(scalar(r.arg(QStringLiteral("VARTEORMIN"))).toDouble(), 98.0);
        QCOMPARE(scalar(r.arg(QStringLiteral("VARTEORMAX"))).toDouble(), 102.0);
        QCOMPARE(scalar(r.arg(QStringLiteral("VALORTEORICO"))).toDouble(), 250.0);
        QCOMPARE(scalar(r.arg(QStringLiteral("RESULTADO"))).toString(), QStringLiteral("Aprovado"));
        QCOMPARE(scalar(r.arg(QStringLiteral("coalesce(MOTIVOS, '')"))).toString(), QString());
        QCOMPARE(scalar(QStringLiteral("select VARIACAOPESOPERC from PESOMED where NUMCAP = 2")).toDouble(), 2.0);
        QCOMPARE(scalar(QStringLiteral("select QUADRADOSUBTRACOES from PESOMED where NUMCAP = 3")).toDouble(), 25.0);
        // A conforming capsule has no mark: NULL, not an empty text.
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED where PESOTEORICO = 250 and OBS is null and "
                                       "RESULTADO is null"))
                     .toInt(),
                 10);
        QCOMPARE(w->dbtxtRESULTADO->text(), QStringLiteral("Aprovado"));
        QCOMPARE(w->dbtxtRESULTADO->palette().color(QPalette::WindowText), QColor(0, 128, 0));
        QCOMPARE(DM->cds_PesoMed->RecNo(), 10);

        // One weight corrected out of range: the second analysis marks it,
        // updates the same record; corrected back, the mark goes.
        QVERIFY(DM->cds_PesoMed->Locate(QStringLiteral("NUMCAP"), {4}));
        DM->cds_PesoMed->Edit();
        DM->cds_PesoMed->FieldByName(QStringLiteral("PESO")).SetAsFloat(290);
        DM->cds_PesoMed->Post();
        w->btn_Calcular->click();
        QCOMPARE(scalar(QStringLiteral("select count(*) from RPESOMED where NPEDIDO = 4521")).toInt(), 1);
        QCOMPARE(scalar(r.arg(QStringLiteral("RESULTADO"))).toString(), QStringLiteral("Reprovado"));
        QCOMPARE(scalar(QStringLiteral("select OBS from PESOMED where NUMCAP = 4")).toString(),
                 QStringLiteral("Não Conforme"));
        QCOMPARE(scalar(QStringLiteral("select RESULTADO from PESOMED where NUMCAP = 4")).toString(),
                 QStringLiteral("Var. peso > 10% (Caps. abaixo de 300mg). "));
        QCOMPARE(w->dbtxtRESULTADO->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(DM->cds_PesoMed->Locate(QStringLiteral("NUMCAP"), {4}));
        DM->cds_PesoMed->Edit();
        DM->cds_PesoMed->FieldByName(QStringLiteral("PESO")).SetAsFloat(250);
        DM->cds_PesoMed->Post();
        w->btn_Calcular->click();
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED where OBS = 'Não Conforme'")).toInt(), 0);
        QCOMPARE(scalar(r.arg(QStringLiteral("RESULTADO"))).toString(), QStringLiteral("Aprovado"));
        QCOMPARE(scalar(r.arg(QStringLiteral("ID_RPESOMED"))).toInt(), 8);
        w->close();
    }

    void analysisCreatesMissingResultRecord()
    {
        formula({{"MG", "A", 4620}, {"UN", "CAPSULA Nº 0", 30}});
        // Weighings stored by another workstation, no result record yet.
        for (int i = 1; i <= 3; ++i)
            TestDb::weighing(i, QStringLiteral("01"), 4521, 1, i, 249 + i);
        DM->cds_PesoMed->Refresh();
        key(Qt::Key_F4);
        frm_Cadastros->btn_Calcular->click();
        QCOMPARE(scalar(QStringLiteral("select count(*) from RPESOMED where NPEDIDO = 4521")).toInt(), 1);
        QCOMPARE(scalar(QStringLiteral("select ID_RPESOMED from RPESOMED where NPEDIDO = 4521")).toInt(), 8);
        QCOMPARE(scalar(QStringLiteral("select CHAVE from RPESOMED where NPEDIDO = 4521")).toString(),
                 QStringLiteral("010045211"));
        QCOMPARE(scalar(QStringLiteral("select DATA_EMISSAO from RPESOMED where NPEDIDO = 4521")).toDate(),
                 QDate::currentDate());
        QCOMPARE(frm_Cadastros->dbtxtID_RPESOMED->text(), QStringLiteral("8"));
        frm_Cadastros->close();
    }

    void weightInTheCellEditorCountsForF5()
    {
        formula({{"MG", "A", 4620}, {"UN", "CAPSULA Nº 0", 30}});
        key(Qt::Key_F4);
        weigh({250, 252});
        frm_Cadastros->Mensagem->setText(QStringLiteral("aviso"));
        // A third weight typed on a new row and not yet confirmed when F5 is pressed.
        clicaAbaixoDasLinhas(frm_Cadastros->dbgrd1);
        digita(QStringLiteral("248"));
        key(Qt::Key_F5);
        QCOMPARE(scalar(QStringLiteral("select QDECAPS from RPESOMED where NPEDIDO = 4521")).toInt(), 3);
        QCOMPARE(scalar(QStringLiteral("select PESOTOTAL from RPESOMED where NPEDIDO = 4521")).toDouble(), 750.0);
        frm_Cadastros->close();
    }

    void tenWeightsByKeys_data()
    {
        QTest::addColumn<int>("confirma");
        QTest::newRow("weight Enter") << int(Qt::Key_Return);
        QTest::newRow("weight Down") << int(Qt::Key_Down);
        QTest::newRow("F6, read from the balance") << int(Qt::Key_F6);
    }
    void tenWeightsByKeys()
    {
        QFETCH(int, confirma);
        formula({{"MG", "A", 4620}, {"UN", "CAPSULA Nº 0", 30}});
        // Typed as the pharmacist reads them off the balance, a point as decimal separator among them.
        const QStringList digitados = {"250,1", "249,9", "250.5", "251",   "248,7",
                                       "250",   "252,25", "247,8", "0249,6", "250,15"};
        const QList<double> esperados = {250.1, 249.9, 250.5, 251, 248.7, 250, 252.25, 247.8, 249.6, 250.15};
        // Or sent by the balance itself, in grams.
        BalancaSimulada balanca;
        if (confirma == Qt::Key_F6) {
            QVERIFY(balanca.inicia({QStringLiteral("--pesos"),
                                    QStringLiteral("0.2501,0.2499,0.2505,0.251,0.2487,0.25,0.25225,0.2478,0.2496,"
                                                   "0.25015"),
                                    QStringLiteral("--instavel"), QStringLiteral("1")}));
            usaBalanca(balanca.porta());
        }
        key(Qt::Key_F4);
        clicaAbaixoDasLinhas(frm_Cadastros->dbgrd1);
        for (int i = 0; i < digitados.size(); ++i) {
            if (confirma == Qt::Key_F6) {
                key(Qt::Key_F6);
                QTRY_COMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), i + 1);
            } else {
                digita(digitados[i]);
                key(confirma);
            }
        }
        QVERIFY2(recorder->entries().isEmpty(), qPrintable(recorder->texts().join(QLatin1Char('|'))));
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 10);
        QList<double> guardados;
        for (int numcap = 1; numcap <= 10; ++numcap)
            guardados.append(scalar(QStringLiteral("select PESO from PESOMED where NUMCAP = %1").arg(numcap)).toDouble());
        QCOMPARE(guardados, esperados);
        // The next row waits, untouched; F5 analyses the ten capsules.
        QCOMPARE(DM->cds_PesoMed->State(), DataSetState::Insert);
        key(Qt::Key_F5);
        QVERIFY2(recorder->entries().isEmpty(), qPrintable(recorder->texts().join(QLatin1Char('|'))));
        double media = 0;
        for (double p : esperados)
            media += p / 10;
        double quadrados = 0;
        for (double p : esperados)
            quadrados += (p - media) * (p - media);
        const QString r = QStringLiteral("select %1 from RPESOMED where NPEDIDO = 4521");
        QCOMPARE(scalar(r.arg(QStringLiteral("count(*)"))).toInt(), 1);
        QCOMPARE(scalar(r.arg(QStringLiteral("QDECAPS"))).toInt(), 10);
        QVERIFY(std::fabs(scalar(r.arg(QStringLiteral("PESOTOTAL"))).toDouble() - 2500.0) < 1e-9);
        QVERIFY(std::fabs(scalar(r.arg(QStringLiteral("DESVIOPADRAO"))).toDouble() - std::sqrt(quadrados / 9)) < 1e-9);
        QCOMPARE(scalar(r.arg(QStringLiteral("RESULTADO"))).toString(), QStringLiteral("Aprovado"));
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 10);
        frm_Cadastros->close();
    }

    void balanceFaultsStoreNothing_data()
    {
        QTest::addColumn<QStringList>("opcoes");
        QTest::addColumn<QString>("mensagem");   // the start of the message shown
        QTest::newRow("overload") << QStringList{"--sobrecarga"} << "A balança está em sobrecarga";
        QTest::newRow("unit refused") << QStringList{"--unidade", "kg"} << "A balança enviou o peso em \"kg\"";
        QTest::newRow("garbage") << QStringList{"--lixo"} << "Resposta da balança ilegível";
        QTest::newRow("no balance") << QStringList{} << "Nenhuma balança configurada.";
    }
    void balanceFaultsStoreNothing()
    {
        QFETCH(QStringList, opcoes);
        QFETCH(QString, mensagem);
        formula({{"MG", "A", 4620}, {"UN", "CAPSULA Nº 0", 30}});
        BalancaSimulada balanca;
        if (!opcoes.isEmpty()) {
            QVERIFY(balanca.inicia(opcoes));
            usaBalanca(balanca.porta(), 1500);
        }
        key(Qt::Key_F4);
        weigh({250});
        clicaAbaixoDasLinhas(frm_Cadastros->dbgrd1);
        key(Qt::Key_F6);
        QTRY_COMPARE(recorder->entries().size(), 1);
        QVERIFY2(recorder->texts().first().startsWith(mensagem), qPrintable(recorder->texts().first()));
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 1);
        QVERIFY(frm_Cadastros->lbl_Balanca->isHidden());
        // The row still waits for its weight, which can be typed.
        digita(QStringLiteral("251"));
        key(Qt::Key_Return);
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 2);
        frm_Cadastros->close();
    }

    void slowBalanceLeavesTheWindowFree()
    {
        formula({{"MG", "A", 4620}, {"UN", "CAPSULA Nº 0", 30}});
        BalancaSimulada balanca;
        QVERIFY(balanca.inicia({QStringLiteral("--atraso"), QStringLiteral("3000"), QStringLiteral("--pesos"),
                                QStringLiteral("0.2505")}));
        usaBalanca(balanca.porta());
        key(Qt::Key_F4);
        clicaAbaixoDasLinhas(frm_Cadastros->dbgrd1);
        key(Qt::Key_F6);
        QCOMPARE(frm_Cadastros->lbl_Balanca->text(), QStringLiteral("Lendo a balança… (Esc para desistir)"));
        QVERIFY(!frm_Cadastros->lbl_Balanca->isHidden());
        // While it waits the window answers: the weight can be typed by hand.
        QVERIFY(balanca.espera(QStringLiteral("recebido")));
        key(Qt::Key_Escape);
        QVERIFY(frm_Cadastros->lbl_Balanca->isHidden());
        digita(QStringLiteral("249"));
        key(Qt::Key_Return);
        QCOMPARE(scalar(QStringLiteral("select list(cast(PESO as integer)) from PESOMED")).toString(), QStringLiteral("249"));
        // The reply that comes after Esc is not taken.
        QVERIFY(balanca.espera(QStringLiteral("enviado")));
        QTest::qWait(200);
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 1);
        QVERIFY(recorder->entries().isEmpty());
        // The balance's print key while the grid has the focus: the next capsule.
        balanca.comanda(QStringLiteral("--normal --pesos 0.2512"));
        QVERIFY(balanca.espera(QStringLiteral("aplicado")));
        balanca.comanda(QStringLiteral("tecla"));
        QTRY_COMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 2);
        QCOMPARE(scalar(QStringLiteral("select PESO from PESOMED where NUMCAP = 2")).toDouble(), 251.2);
        QCOMPARE(DM->cds_PesoMed->State(), DataSetState::Insert);
        frm_Cadastros->close();
    }

    void refusedWeightChangesNothing_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("mensagem");
        QTest::newRow("ambiguous") << "1.250" << "\"1.250\" é ambíguo";
        QTest::newRow("letters") << "25O" << "\"25O\" não é um número válido.";
        QTest::newRow("negative") << "-250" << "não pode ser negativo";
        QTest::newRow("exponent") << "1e3" << "\"1e3\" não é um número válido.";
    }
    void refusedWeightChangesNothing()
    {
        QFETCH(QString, texto);
        QFETCH(QString, mensagem);
        formula({{"MG", "A", 4620}, {"UN", "CAPSULA Nº 0", 30}});
        key(Qt::Key_F4);
        weigh({250, 252});
        // Over a stored weight: the cell goes back to it, the database keeps it.
        TestPrograma::clicaNaCelula(frm_Cadastros->dbgrd1, 0, 1);
        digita(texto);
        key(Qt::Key_Return);
        QCOMPARE(recorder->texts().size(), 1);
        QVERIFY2(recorder->texts().first().contains(mensagem), qPrintable(recorder->texts().first()));
        QCOMPARE(DM->cds_PesoMed->State(), DataSetState::Browse);
        QCOMPARE(DM->cds_PesoMed->RecNo(), 1);
        QCOMPARE(frm_Cadastros->dbgrd1->dataModel()->index(0, 1).data().toString(), QStringLiteral("250,0000"));
        QCOMPARE(scalar(QStringLiteral("select list(cast(PESO as integer)) from (select PESO from PESOMED order by NUMCAP)")).toString(),
                 QStringLiteral("250,252"));
        // On a new row: nothing stored, and the row waits for a weight.
        recorder->clear();
        clicaAbaixoDasLinhas(frm_Cadastros->dbgrd1);
        digita(texto);
        key(Qt::Key_Return);
        QCOMPARE(recorder->texts().size(), 1);
        QCOMPARE(DM->cds_PesoMed->RecordCount(), 3);
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 2);
        digita(QStringLiteral("251"));
        key(Qt::Key_Return);
        QCOMPARE(scalar(QStringLiteral("select list(cast(PESO as integer)) from (select PESO from PESOMED order by NUMCAP)")).toString(),
                 QStringLiteral("250,252,251"));
        frm_Cadastros->close();
    }

    void amendedReasonsAreStored()
    {
        formula({{"MG", "A", 4620}, {"UN", "CAPSULA Nº 0", 30}});
        TestDb::formula(QStringLiteral("01"), 4521, 2, QStringLiteral("Creme"));
        DM->cds_Pediform->Refresh();
        key(Qt::Key_F4);
        weigh({250, 300, 252});
        key(Qt::Key_F5);
        const QString motivos = QStringLiteral("select MOTIVOS from RPESOMED where NPEDIDO = 4521 and NFORMULA = 1");
        const QString doSistema = scalar(motivos).toString();
        QVERIFY(!doSistema.isEmpty());
        recorder->clear();
        // The pharmacist amends the reasons, then goes to the other formula and back.
        Tfrm_Cadastros *w = frm_Cadastros;
        QTest::mouseClick(w->DBRichEdit1->viewport(), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), w->DBRichEdit1);
        key(Qt::Key_End, Qt::ControlModifier);
        digita(QStringLiteral(" Refeita a pesagem."));
        TestPrograma::clicaNaCelula(w->dbgrd3, 1, 0);
        QCOMPARE(DM->cds_Pediform->FieldByName(QStringLiteral("NFORMULA")).AsInteger(), 2);
        QCOMPARE(scalar(motivos).toString(), doSistema + QStringLiteral(" Refeita a pesagem."));
        QVERIFY(w->DBRichEdit1->toPlainText().isEmpty());
        QVERIFY(w->DBRichEdit1->isReadOnly());
        TestPrograma::clicaNaCelula(w->dbgrd3, 0, 0);
        QCOMPARE(w->DBRichEdit1->toPlainText(), doSistema + QStringLiteral(" Refeita a pesagem."));
        QVERIFY2(recorder->entries().isEmpty(), qPrintable(recorder->texts().join(QLatin1Char('|'))));
        // Longer than the column: cut to its 200 characters.
        QTest::mouseClick(w->DBRichEdit1->viewport(), Qt::LeftButton);
        key(Qt::Key_A, Qt::ControlModifier);
        digita(QString(210, u'x'));
        w->dbgrd1->setFocus();
        QCOMPARE(scalar(motivos).toString(), QString(200, u'x'));
        // The next analysis writes its own reasons again.
        key(Qt::Key_F5);
        QCOMPARE(scalar(motivos).toString(), doSistema);
        QCOMPARE(w->DBRichEdit1->toPlainText(), doSistema);
        w->close();
    }

    void errorInAKeyHandlerIsShownByTheHandler()
    {
        formula({{"MG", "A", 4620}, {"UN", "CAPSULA Nº 0", 30}});
        key(Qt::Key_F4);
        weigh({250, 252});
        // Another workstation deletes the weighing this one is about to delete.
        TestDb::exec({QStringLiteral("delete from PESOMED where NUMCAP = 2")});
        const int antes = Application::uncaughtErrorCount();
        TestPrograma::clicaNaCelula(frm_Cadastros->dbgrd1, 1, 1);
        recorder->answerNext(true);
        key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(recorder->entries().size(), 2);
        QCOMPARE(recorder->entries().last().kind, MessageRecorder::Kind::Error);
        QVERIFY2(recorder->texts().last().startsWith(QStringLiteral("A exclusão da pesagem não foi gravada")),
                 qPrintable(recorder->texts().last()));
        // Handled by the grid's own handler, not by the toolkit's dispatch.
        QCOMPARE(Application::uncaughtErrorCount(), antes);
        frm_Cadastros->close();
    }

    void supplierWarningOutlivesTheMessageBox()
    {
        formula({{"MG", "A", 300}, {"UN", "CAPSULA Nº 0", 30}}, QStringLiteral("NINGUEM"));
        key(Qt::Key_F4);
        weigh({250});
        frm_Cadastros->dbgrd1->setFocus();
        key(Qt::Key_F5);
        // The window getting the focus back after the message does not clear it.
        QFocusEvent back(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(frm_Cadastros->dbgrd1, &back);
        QCOMPARE(frm_Cadastros->Mensagem->text(), QStringLiteral("Não encontrei o fornecedor das caps. usadas na fórmula"));
        // Entering the grid does.
        QFocusEvent enter(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(frm_Cadastros->dbgrd1, &enter);
        QVERIFY(frm_Cadastros->Mensagem->text().isEmpty());
        frm_Cadastros->close();
    }

    void nothingToAnalyse()
    {
        key(Qt::Key_F4);
        frm_Cadastros->btn_Calcular->click();
        QCOMPARE(recorder->entries().size(), 1);
        QCOMPARE(recorder->entries().first().kind, MessageRecorder::Kind::Information);
        QCOMPARE(recorder->entries().first().text, QStringLiteral("Não existem cápsulas para calcular o peso médio!"));
        frm_Cadastros->close();
    }

    void cancelledAnalysesChangeNothing_data()
    {
        QTest::addColumn<QList<double>>("pesos");
        QTest::addColumn<bool>("semLote");
        QTest::addColumn<QString>("mensagem");
        QTest::newRow("no theoretical weight") << QList<double>{250, 251} << true
                                               << "Não foi possível obter o Peso Teórico das cápsulas vazias. A "
                                                  "análise será cancelada.";
        QTest::newRow("mean of zero") << QList<double>{0, 0} << false
                                      << "A média dos pesos é zero: informe o peso das cápsulas antes de analisar.\r"
                                         "A análise será cancelada.";
    }
    void cancelledAnalysesChangeNothing()
    {
        QFETCH(QList<double>, pesos);
        QFETCH(bool, semLote);
        QFETCH(QString, mensagem);
        formula({{"MG", "A", 4620}, {"UN", "CAPSULA Nº 0", 30}}, QStringLiteral("CAPS BRASIL"),
                semLote ? QStringLiteral("L9") : QStringLiteral("L0"));
        key(Qt::Key_F4);
        weigh(pesos);
        DM->cds_RPesoMed->Locate(QStringLiteral("NFORMULA"), {1}); // stores the pending result record
        const QVariant before = scalar(QStringLiteral("select list(coalesce(VARIACAOPESO, -1)) from PESOMED"));
        frm_Cadastros->btn_Calcular->click();
        QCOMPARE(recorder->texts().last(), mensagem);
        QCOMPARE(scalar(QStringLiteral("select list(coalesce(VARIACAOPESO, -1)) from PESOMED")), before);
        QCOMPARE(scalar(QStringLiteral("select coalesce(RESULTADO, '') from RPESOMED where NPEDIDO = 4521"))
                     .toString(),
                 QString());
        frm_Cadastros->close();
    }

    void refusedWriteLeavesEverythingAsItWas_data()
    {
        QTest::addColumn<QString>("outraEstacao");
        QTest::addColumn<QString>("motivo");
        QTest::addColumn<int>("pesagens");   // the formula's weighings afterwards
        QTest::newRow("deletes a weighing") << "delete from PESOMED where NUMCAP = 2" << "Nada foi gravado" << 2;
        QTest::newRow("adds a weighing")
            << "insert into PESOMED (ID_PESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, PESO) values "
               "(90, '010045211', '01', 4521, 1, 4, 252)"
            << "Outra estação mudou as pesagens desta fórmula durante a análise." << 4;
        QTest::newRow("corrects a weight") << "update PESOMED set PESO = 262 where NUMCAP = 3"
                                           << "Outra estação mudou as pesagens desta fórmula durante a análise." << 3;
    }
    void refusedWriteLeavesEverythingAsItWas()
    {
        QFETCH(QString, outraEstacao);
        QFETCH(QString, motivo);
        QFETCH(int, pesagens);
        formula({{"MG", "A", 4620}, {"UN", "CAPSULA Nº 0", 30}});
        key(Qt::Key_F4);
        weigh({250, 255, 245});
        DM->cds_RPesoMed->Locate(QStringLiteral("NFORMULA"), {1}); // stores the pending result record
        // While the analysis runs, another workstation changes the formula's weighings.
        auto rule = DM->cds_RPesoMed->BeforeScroll;
        bool done = false;
        DM->cds_RPesoMed->BeforeScroll = [rule, &done, outraEstacao](ClientDataSet &ds) {
            rule(ds);
            if (!done)
                TestDb::exec({outraEstacao});
            done = true;
        };
        // The button's handler itself reports the error; nothing escapes the click.
        frm_Cadastros->btn_Calcular->click();
        QVERIFY(done);
        QCOMPARE(recorder->entries().size(), 1);
        QCOMPARE(recorder->entries().first().kind, MessageRecorder::Kind::Error);
        QVERIFY2(recorder->entries().first().text.startsWith(
                     QStringLiteral("A análise não foi gravada; as pesagens e o resultado continuam como estavam.")),
                 qPrintable(recorder->entries().first().text));
        QVERIFY2(recorder->entries().first().text.contains(motivo), qPrintable(recorder->entries().first().text));
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED where VARIACAOPESO is not null")).toInt(), 0);
        QCOMPARE(scalar(QStringLiteral("select coalesce(RESULTADO, '') from RPESOMED where NPEDIDO = 4521"))
                     .toString(),
                 QString());
        QCOMPARE(DM->cds_PesoMed->ChangeCount(), 0);
        QCOMPARE(DM->cds_RPesoMed->ChangeCount(), 0);
        // The screen shows what is stored now; analysed again, the figures agree with it.
        QCOMPARE(DM->cds_PesoMed->RecordCount(), pesagens);
        DM->cds_RPesoMed->BeforeScroll = rule;
        recorder->clear();
        frm_Cadastros->btn_Calcular->click();
        QVERIFY2(recorder->entries().isEmpty(), qPrintable(recorder->texts().join(QLatin1Char('|'))));
        QCOMPARE(scalar(QStringLiteral("select QDECAPS from RPESOMED where NPEDIDO = 4521")).toInt(), pesagens);
        QCOMPARE(scalar(QStringLiteral("select PESOTOTAL from RPESOMED where NPEDIDO = 4521")).toDouble(),
                 scalar(QStringLiteral("select sum(PESO) from PESOMED")).toDouble());
        frm_Cadastros->close();
    }

    void typicalAnalysisByKeys()
    {
        formula({{"MG", "CAFEINA", 3000}, {"G", "AMIDO", 1.5}, {"UN", "CAPSULA Nº 0", 30}});
        // 1. The order, found with the search window.
        frm_Principal->BitBtn2->click();
        QTRY_VERIFY(QApplication::focusWidget() && QApplication::focusWidget()->objectName() == QLatin1String("edt_1"));
        digita(QStringLiteral("01.4521"));
        key(Qt::Key_Return);
        QCOMPARE(DM->cds_Pedidos->FieldByName(QStringLiteral("NPEDIDO")).AsInteger(), 4521);
        // 2. to 4. F4, a click into the weights grid, the weights typed, F5.
        key(Qt::Key_F4);
        QVERIFY(frm_Cadastros);
        clicaAbaixoDasLinhas(frm_Cadastros->dbgrd1);
        for (const char *peso : {"246", "250", "242"}) {
            digita(QString::fromLatin1(peso));
            key(Qt::Key_Return);
        }
        key(Qt::Key_F5);
        QTRY_COMPARE(scalar(QStringLiteral("select count(*) from RPESOMED where CHAVE = '010045211'")).toInt(), 1);
        QCOMPARE(scalar(QStringLiteral("select QDECAPS from RPESOMED where CHAVE = '010045211'")).toInt(), 3);
        QCOMPARE(scalar(QStringLiteral("select VALORTEORICO from RPESOMED where CHAVE = '010045211'")).toDouble(),
                 246.0);
        QCOMPARE(scalar(QStringLiteral("select RESULTADO from RPESOMED where CHAVE = '010045211'")).toString(),
                 QStringLiteral("Aprovado"));
        QCOMPARE(scalar(QStringLiteral("select PESOTOTAL from RPESOMED where CHAVE = '010045211'")).toDouble(), 738.0);
        QCOMPARE(frm_Cadastros->dbtxtRESULTADO->text(), QStringLiteral("Aprovado"));
        frm_Cadastros->close();
    }
};

int main(int argc, char **argv)
{
    Application app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    TstAnalise test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_analise.moc"
