// Server faults in the middle of the user's work, against the real server:
// the connection dropped by the server (or the server stopped and started
// again) during a weighing, an analysis, a lot save, duplicate elimination and
// a report. The user is told plainly, the program goes on and connects again
// on the next action, and the data are consistent afterwards. The test runs
// against a server of its own, which it may stop and start again.

#include "analysis/uCadPesos.h"
#include "app/uPesoMed.h"
#include "config/uConfiguracao.h"
#include "data/udm.h"
#include "lots/UCadPrep.h"
#include "report/ReportSystem.h"
#include "tests/support/DialogCatcher.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/ServidorLocal.h"
#include "tests/support/TestDb.h"
#include "tests/support/TestPrograma.h"
#include "widgets/DBGrid.h"
#include "widgets/ErrorHandler.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>

namespace {

using TestDb::scalar;

void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    TestPrograma::tecla(k, modifiers);
}

const QString kPerdida = QStringLiteral("A conexão com o banco de dados foi perdida.");

// The server drops every other connection to the database: what a server
// stopped and started again, or a link cut and back, leaves the program with.
void derruba()
{
    TestDb::exec({QStringLiteral("delete from MON$ATTACHMENTS where MON$ATTACHMENT_ID <> CURRENT_CONNECTION "
                                 "and MON$SYSTEM_FLAG = 0")});
}

// "numcap:weight|..." of the formula's weighings, in capsule order.
QString pesagensGuardadas()
{
    return scalar(QStringLiteral("select list(NUMCAP || ':' || cast(PESO as numeric(9,1)), '|') from (select NUMCAP, "
                                 "PESO from PESOMED order by NUMCAP)"))
        .toString();
}

// The same as the weights grid shows them, a new row still being typed left out.
QString pesagensNaGrade(DBGrid *grade)
{
    ClientDataSet *ds = grade->dataSet();
    const int numcap = ds->FieldIndex(QStringLiteral("NUMCAP"));
    const int peso = ds->FieldIndex(QStringLiteral("PESO"));
    QStringList linhas;
    for (int r = 0; r < ds->RecordCount(); ++r) {
        if (ds->State() == DataSetState::Insert && r == ds->RecNo() - 1)
            continue;
        linhas.append(QStringLiteral("%1:%2").arg(ds->rowValue(r, numcap).toLongLong()).arg(
            ds->rowValue(r, peso).toDouble(), 0, 'f', 1));
    }
    return linhas.join(QLatin1Char('|'));
}

} // namespace

class TstFalhas : public QObject {
    Q_OBJECT

    MessageRecorder *recorder = nullptr;
    std::unique_ptr<ServidorLocal> servidor;

private slots:
    void initTestCase()
    {
        if (!ServidorLocal::disponivel())
            QSKIP("this machine has no Firebird server program to run a server of the test's own");
        servidor = std::make_unique<ServidorLocal>();
        QVERIFY2(servidor->prepara(), qPrintable(servidor->erro()));
        qputenv("PESOMED_TEST_DB", servidor->banco().toLocal8Bit());
    }
    void cleanupTestCase()
    {
        if (servidor)
            QVERIFY2(servidor->para(), qPrintable(servidor->erro()));
        servidor.reset();
    }
    void init()
    {
        // Running again after a test that stopped it and failed.
        QVERIFY2(servidor->inicia(), qPrintable(servidor->erro()));
        TestDb::reset();
        TestDb::capsuleFormula(4521);
        ReiniciaConfiguracao();
        recorder = new MessageRecorder;
        TestPrograma::inicia();
    }
    void cleanup()
    {
        TestPrograma::encerra();
        delete recorder;
        QCOMPARE(Application::uncaughtErrorCount(), 0);
    }

    void weighingPost()
    {
        key(Qt::Key_F4);
        TestPrograma::clicaAbaixoDasLinhas(frm_Cadastros->dbgrd1);
        TestPrograma::digita(QStringLiteral("250"));
        key(Qt::Key_Return);
        TestPrograma::digita(QStringLiteral("251"));
        derruba();
        key(Qt::Key_Return);
        // Told in plain words; the weight stays on screen, pending.
        QCOMPARE(recorder->texts().size(), 1);
        QVERIFY2(recorder->texts().first().startsWith(kPerdida), qPrintable(recorder->texts().first()));
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 1);
        QCOMPARE(DM->cds_PesoMed->ChangeCount(), 1);
        // The pharmacist goes on: the next weight connects again and takes the pending one along.
        recorder->clear();
        key(Qt::Key_Return);
        TestPrograma::digita(QStringLiteral("252"));
        key(Qt::Key_Return);
        QVERIFY2(recorder->texts().isEmpty(), qPrintable(recorder->texts().join(QLatin1Char('|'))));
        QCOMPARE(scalar(QStringLiteral("select list(cast(PESO as integer)) from (select PESO from PESOMED order by "
                                       "NUMCAP)"))
                     .toString(),
                 QStringLiteral("250,251,252"));
        frm_Cadastros->close();
    }

    // A weight typed while the server is stopped is kept, written first once
    // the server is back, and never typed over by the next one.
    void weighingWhileServerStopped_data()
    {
        QTest::addColumn<QString>("aindaParado");    // typed before the server is back; "\n" is Enter
        QTest::addColumn<QString>("outraEstacao");   // a weighing another workstation stores meanwhile
        QTest::addColumn<bool>("cliqueNaLinha");     // the pharmacist goes back to the row on purpose
        QTest::addColumn<QStringList>("depois");     // typed once the server is back; "\n" is Enter, "F5" F5
        QTest::addColumn<QString>("esperado");

        const QString tres = QStringLiteral("1:174.5|2:175.5|3:176.5");
        QTest::newRow("the next weight goes to the next capsule")
            << QString() << QString() << false << QStringList{QStringLiteral("176,5"), QStringLiteral("\n")}
            << tres;
        QTest::newRow("Enter on the row writes it, then the next capsule")
            << QString() << QString() << false
            << QStringList{QStringLiteral("\n"), QStringLiteral("176,5"), QStringLiteral("\n")} << tres;
        QTest::newRow("retyped on the row on purpose")
            << QString() << QString() << true << QStringList{QStringLiteral("175"), QStringLiteral("\n")}
            << QStringLiteral("1:174.5|2:175.0");
        // Another workstation took capsule 2 (with the same identifier, or another one).
        QTest::newRow("capsule 2 stored elsewhere, same identifier")
            << QString() << QStringLiteral("2") << false << QStringList{QStringLiteral("176,5"), QStringLiteral("\n")}
            << QStringLiteral("1:174.5|2:180.0|3:175.5|4:176.5");
        QTest::newRow("capsule 2 stored elsewhere, another identifier")
            << QString() << QStringLiteral("9") << false << QStringList{QStringLiteral("176,5"), QStringLiteral("\n")}
            << QStringLiteral("1:174.5|2:180.0|3:175.5|4:176.5");
        QTest::newRow("the analysis writes it first")
            << QString() << QStringLiteral("9") << false << QStringList{QStringLiteral("F5")}
            << QStringLiteral("1:174.5|2:180.0|3:175.5");
        // Still stopped: the next capsule is not opened, the pending weight stays as it was.
        QTest::newRow("a weight begun while still stopped")
            << QStringLiteral("1") << QString() << false
            << QStringList{QStringLiteral("176,5"), QStringLiteral("\n")} << tres;
        QTest::newRow("Enter while still stopped")
            << QStringLiteral("\n") << QString() << false
            << QStringList{QStringLiteral("176,5"), QStringLiteral("\n")} << tres;
    }
    void weighingWhileServerStopped()
    {
        QFETCH(QString, aindaParado);
        QFETCH(QString, outraEstacao);
        QFETCH(bool, cliqueNaLinha);
        QFETCH(QStringList, depois);
        QFETCH(QString, esperado);

        key(Qt::Key_F4);
        TestPrograma::clicaAbaixoDasLinhas(frm_Cadastros->dbgrd1);
        TestPrograma::digita(QStringLiteral("174,5"));
        key(Qt::Key_Return);
        QCOMPARE(pesagensGuardadas(), QStringLiteral("1:174.5"));
        QVERIFY2(servidor->para(), qPrintable(servidor->erro()));
        TestPrograma::digita(QStringLiteral("175,5"));
        key(Qt::Key_Return);
        // Told plainly, with what becomes of the weight and of the next one.
        QCOMPARE(recorder->texts().size(), 1);
        const QString aviso = recorder->texts().first();
        QVERIFY2(aviso.startsWith(kPerdida), qPrintable(aviso));
        QVERIFY2(aviso.contains(QStringLiteral("A pesagem da cápsula 2 (175,5) continua pendente nesta estação. Ela "
                                               "será gravada antes do próximo peso digitado, que irá para a cápsula "
                                               "seguinte. Tecle Enter nesta linha para gravá-la agora")),
                 qPrintable(aviso));
        recorder->clear();
        if (!aindaParado.isEmpty()) {
            if (aindaParado == QLatin1String("\n"))
                key(Qt::Key_Return);
            else
                TestPrograma::digita(aindaParado);
            QCOMPARE(recorder->texts().size(), 1);
            QVERIFY2(recorder->texts().first().endsWith(
                         QStringLiteral("A pesagem da cápsula 2 (175,5) continua pendente nesta estação. A cápsula "
                                        "seguinte só é aberta depois que ela for gravada.")),
                     qPrintable(recorder->texts().first()));
            QCOMPARE(pesagensNaGrade(frm_Cadastros->dbgrd1), QStringLiteral("1:174.5|2:175.5"));
            QCOMPARE(DM->cds_PesoMed->ChangeCount(), 1);
            recorder->clear();
        }
        QVERIFY2(servidor->inicia(), qPrintable(servidor->erro()));
        QCOMPARE(pesagensGuardadas(), QStringLiteral("1:174.5"));
        if (!outraEstacao.isEmpty())
            TestDb::exec({QStringLiteral("insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, PESO) "
                                         "values (%1, '01', 4521, 1, 2, 180)")
                              .arg(outraEstacao)});
        if (cliqueNaLinha)
            TestPrograma::clicaNaCelula(frm_Cadastros->dbgrd1, 1, 1);
        for (const QString &teclas : depois) {
            if (teclas == QLatin1String("\n"))
                key(Qt::Key_Return);
            else if (teclas == QLatin1String("F5"))
                key(Qt::Key_F5);
            else
                TestPrograma::digita(teclas);
        }
        QVERIFY2(recorder->texts().isEmpty(), qPrintable(recorder->texts().join(QLatin1Char('|'))));
        // Nothing lost, nothing twice, numbers in order; the grid shows what is stored.
        QCOMPARE(pesagensGuardadas(), esperado);
        QCOMPARE(pesagensNaGrade(frm_Cadastros->dbgrd1), esperado);
        QCOMPARE(DM->cds_PesoMed->ChangeCount(), 0);
        frm_Cadastros->close();
    }

    // Closing while a weighing could not be written: written when the server
    // answers; asked, and kept on No, when it does not.
    void closingWithWeighingPending()
    {
        key(Qt::Key_F4);
        TestPrograma::clicaAbaixoDasLinhas(frm_Cadastros->dbgrd1);
        TestPrograma::digita(QStringLiteral("174,5"));
        key(Qt::Key_Return);
        QVERIFY2(servidor->para(), qPrintable(servidor->erro()));
        TestPrograma::digita(QStringLiteral("175,5"));
        key(Qt::Key_Return);
        QCOMPARE(recorder->texts().size(), 1);
        struct Fecho {
            QWidget *janela;
            std::function<void()> fecha;
            QString pergunta;
        };
        const Fecho fechos[] = {
            {frm_Cadastros, [] { frm_Cadastros->BitBtn2->click(); },
             QStringLiteral("Fechar a janela mesmo assim? A pesagem continua pendente nesta estação")},
            {frm_Principal, [] { frm_Principal->close(); },
             QStringLiteral("Sair do programa mesmo assim? A pesagem que não foi gravada será perdida.")},
        };
        for (const Fecho &f : fechos) {
            recorder->clear();
            f.fecha();
            QCOMPARE(recorder->entries().size(), 1);
            QCOMPARE(recorder->entries().first().kind, MessageRecorder::Kind::Confirm);
            const QString pergunta = recorder->texts().first();
            QVERIFY2(pergunta.contains(QStringLiteral("A pesagem da cápsula 2 (175,5) continua pendente")),
                     qPrintable(pergunta));
            QVERIFY2(pergunta.contains(f.pergunta), qPrintable(pergunta));
            // No: the window stays, the weight with it.
            QVERIFY(f.janela->isVisible());
            QCOMPARE(DM->cds_PesoMed->ChangeCount(), 1);
        }
        // The server back: "Sair" writes it and closes, asking nothing.
        QVERIFY2(servidor->inicia(), qPrintable(servidor->erro()));
        recorder->clear();
        frm_Cadastros->BitBtn2->click();
        QVERIFY2(recorder->texts().isEmpty(), qPrintable(recorder->texts().join(QLatin1Char('|'))));
        QVERIFY(!frm_Cadastros);
        QCOMPARE(pesagensGuardadas(), QStringLiteral("1:174.5|2:175.5"));
    }

    void analysis()
    {
        for (int i = 1; i <= 3; ++i)
            TestDb::weighing(i, QStringLiteral("01"), 4521, 1, i, 249 + i);
        DM->cds_PesoMed->Refresh();
        key(Qt::Key_F4);
        // The connection drops once the weights were read, before the figures are written.
        auto regra = DM->cds_RPesoMed->BeforeScroll;
        bool feito = false;
        DM->cds_RPesoMed->BeforeScroll = [regra, &feito](ClientDataSet &ds) {
            regra(ds);
            if (!feito)
                derruba();
            feito = true;
        };
        key(Qt::Key_F5);
        QVERIFY(feito);
        DM->cds_RPesoMed->BeforeScroll = regra;
        QVERIFY(!recorder->texts().isEmpty());
        QVERIFY2(recorder->texts().first().startsWith(QStringLiteral("A análise não foi gravada")),
                 qPrintable(recorder->texts().first()));
        QVERIFY2(recorder->texts().first().contains(kPerdida), qPrintable(recorder->texts().first()));
        // Nothing half written.
        QCOMPARE(scalar(QStringLiteral("select count(*) from RPESOMED")).toInt(), 0);
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED where VARIACAOPESO is not null")).toInt(), 0);
        // F5 again: connected again, analysed whole.
        recorder->clear();
        key(Qt::Key_F5);
        QVERIFY2(recorder->texts().isEmpty(), qPrintable(recorder->texts().join(QLatin1Char('|'))));
        QCOMPARE(scalar(QStringLiteral("select QDECAPS from RPESOMED")).toInt(), 3);
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED where VARIACAOPESO is not null")).toInt(), 3);
        frm_Cadastros->close();
    }

    void lotSave()
    {
        frm_Principal->BitBtn1->click();
        QApplication::setActiveWindow(FormCadPrep);
        QVERIFY(QTest::qWaitForWindowActive(FormCadPrep));
        FormCadPrep->BitBtn4->click();
        FormCadPrep->CodigoFornecedor->setText(QStringLiteral("0012"));
        FormCadPrep->EditLote->setText(QStringLiteral("L7"));
        FormCadPrep->EditTamanho->setText(QStringLiteral("0"));
        for (QLineEdit *peso : FormCadPrep->Peso)
            peso->setText(QStringLiteral("96,5"));
        derruba();
        QTest::mouseClick(FormCadPrep->BitBtn2, Qt::LeftButton);
        // Told (by the duplicate check or by the save itself, whichever met the dropped link).
        QCOMPARE(recorder->texts().size(), 1);
        QVERIFY2(recorder->texts().first().contains(kPerdida), qPrintable(recorder->texts().first()));
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESCAVAZ where LOTE = 'L7'")).toInt(), 0);
        // The typed lot is still there; "Salvar" again stores it.
        QVERIFY(FormCadPrep->Panel1->isVisible());
        recorder->clear();
        QTest::mouseClick(FormCadPrep->BitBtn2, Qt::LeftButton);
        QCOMPARE(recorder->texts(), QStringList{QStringLiteral("Procedimento concluído com sucesso!")});
        QCOMPARE(scalar(QStringLiteral("select PESOMEDIO from PESCAVAZ where LOTE = 'L7'")).toDouble(), 96.5);
    }

    void duplicateElimination()
    {
        for (const char *codigo : {"12", "0012", "012"})
            TestDb::exec({QStringLiteral("insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO) values ('%1', 'L5', "
                                         "'0', 90)")
                              .arg(QString::fromLatin1(codigo))});
        frm_Principal->BitBtn1->click();
        QApplication::setActiveWindow(FormCadPrep);
        QVERIFY(QTest::qWaitForWindowActive(FormCadPrep));
        // The connection drops as the group is about to be collapsed.
        recorder->quandoAparecer(QStringLiteral("Eliminando a duplicidade"), derruba);
        FormCadPrep->Eliminarduplicaes1->trigger();
        const QString falha = recorder->texts().last();
        QVERIFY2(falha.contains(QStringLiteral("não foi eliminada; os registros continuam como estavam")),
                 qPrintable(falha));
        QVERIFY2(falha.contains(kPerdida), qPrintable(falha));
        // The group as it was: none of it deleted.
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESCAVAZ where LOTE = 'L5'")).toInt(), 3);
        // Again, connected again: collapsed into one.
        recorder->quandoAparecer(QString(), nullptr);
        recorder->clear();
        FormCadPrep->Eliminarduplicaes1->trigger();
        QCOMPARE(recorder->texts().last(),
                 QStringLiteral("Foi encontrado um lote/fornecedor duplicado. A duplicação foi eliminada."));
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESCAVAZ where LOTE = 'L5'")).toInt(), 1);
    }

    void report()
    {
        for (int i = 1; i <= 3; ++i)
            TestDb::weighing(i, QStringLiteral("01"), 4521, 1, i, 249 + i);
        TestDb::exec({QStringLiteral("update PESOMED set CHAVE = '010045211'")});
        DM->cds_PesoMed->Refresh();
        key(Qt::Key_F4);
        key(Qt::Key_F5);
        QVERIFY2(recorder->texts().isEmpty(), qPrintable(recorder->texts().join(QLatin1Char('|'))));
        DialogCatcher catcher;
        derruba();
        frm_Cadastros->btn_Relatorio->click();
        // Told, and nothing printed: no output options were offered.
        QVERIFY(!recorder->texts().isEmpty());
        QVERIFY2(recorder->texts().join(QLatin1Char('|')).contains(kPerdida), qPrintable(recorder->texts().join(QLatin1Char('|'))));
        QVERIFY(catcher.shown().isEmpty());
        // Again: connected again, the options are offered (and given up here).
        recorder->clear();
        catcher.answer<OutputOptionsDialog>([](OutputOptionsDialog *d) { d->reject(); });
        frm_Cadastros->btn_Relatorio->click();
        QVERIFY2(recorder->texts().isEmpty(), qPrintable(recorder->texts().join(QLatin1Char('|'))));
        QCOMPARE(catcher.shown().size(), 1);
        QCOMPARE(DM->cds_RelPesomed->RecordCount(), 3);
        frm_Cadastros->close();
    }

    void serverStoppedAndStartedAgain()
    {
        key(Qt::Key_F4);
        TestPrograma::clicaAbaixoDasLinhas(frm_Cadastros->dbgrd1);
        TestPrograma::digita(QStringLiteral("250"));
        key(Qt::Key_Return);
        TestPrograma::digita(QStringLiteral("251"));
        QVERIFY2(servidor->para(), qPrintable(servidor->erro()));
        key(Qt::Key_Return);
        const bool voltou = servidor->inicia();
        QVERIFY2(voltou, qPrintable(servidor->erro()));
        QCOMPARE(recorder->texts().size(), 1);
        QVERIFY2(recorder->texts().first().startsWith(kPerdida), qPrintable(recorder->texts().first()));
        // Back: the next weight connects again and takes the pending one along.
        recorder->clear();
        key(Qt::Key_Return);
        TestPrograma::digita(QStringLiteral("252"));
        key(Qt::Key_Return);
        QVERIFY2(recorder->texts().isEmpty(), qPrintable(recorder->texts().join(QLatin1Char('|'))));
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 3);
        // While it is down, opening what needs the database says so plainly.
        QVERIFY2(servidor->para(), qPrintable(servidor->erro()));
        recorder->clear();
        key(Qt::Key_F5);
        QVERIFY2(servidor->inicia(), qPrintable(servidor->erro()));
        QVERIFY(!recorder->texts().isEmpty());
        for (const QString &m : recorder->texts())
            QVERIFY2(m.contains(kPerdida) || m.contains(QStringLiteral("Não foi possível conectar ao banco de dados.")),
                     qPrintable(m));
        frm_Cadastros->close();
    }
};

int main(int argc, char **argv)
{
    Application app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    TstFalhas test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_falhas.moc"
