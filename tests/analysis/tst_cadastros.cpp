// The analysis window in the running program: focus, bound controls, the
// weights grid, the search window it owns, the verdict colour, and the typical
// weighing driven by keys from the main window.

#include "analysis/uCadPesos.h"
#include "app/uPesoMed.h"
#include "config/uConfiguracao.h"
#include "data/udm.h"
#include "lots/UCadPrep.h"
#include "search/uPesquisa.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestDb.h"
#include "tests/support/TestPrograma.h"
#include "widgets/DBControls.h"
#include "widgets/DBGrid.h"
#include "widgets/ErrorHandler.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

namespace {

using TestDb::scalar;
using TestPrograma::digita;

void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    TestPrograma::tecla(k, modifiers);
}



} // namespace

class TstCadastros : public QObject {
    Q_OBJECT

    MessageRecorder *recorder = nullptr;


private slots:
    void init()
    {
        TestDb::reset();
        TestDb::order(QStringLiteral("01"), 1234);
        TestDb::formula(QStringLiteral("01"), 1234, 1);
        TestDb::formula(QStringLiteral("01"), 1234, 2, QStringLiteral("Creme"));
        TestDb::component(QStringLiteral("01"), 1234, 1, 1, QStringLiteral("CAFEINA"), 200);
        TestDb::component(QStringLiteral("01"), 1234, 1, 2, QStringLiteral("CAPSULA N 0"), 30, QStringLiteral("UN"));
        TestDb::order(QStringLiteral("01"), 1300);
        TestDb::formula(QStringLiteral("01"), 1300, 1, QStringLiteral("Capsulas"));
        TestDb::exec({QStringLiteral("insert into RPESOMED (ID_RPESOMED, ESTACAO, NPEDIDO, NFORMULA, RESULTADO) "
                                     "values (5, '01', 1300, 1, 'Aprovado')")});
        ReiniciaConfiguracao();
        recorder = new MessageRecorder;
        TestPrograma::inicia();
    }
    void cleanup()
    {
        TestPrograma::encerra();
        delete recorder;
        QCOMPARE(frm_Cadastros, nullptr);
        QCOMPARE(frm_Pesquisa, nullptr);
    }

    void opensOnTheOrdersWithTheirControls()
    {
        key(Qt::Key_F4);
        QVERIFY(frm_Cadastros);
        QTRY_COMPARE(QApplication::focusWidget(), frm_Cadastros->dbgrd2);
        // Outer size, frame included; no maximise button.
        QCOMPARE(frm_Principal->JanelaDe(frm_Cadastros)->size(), QSize(787, 575));
        QVERIFY(!frm_Principal->JanelaDe(frm_Cadastros)->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(frm_Cadastros->dbgrd2->dataModel()->rowCount(), 2);
        QCOMPARE(frm_Cadastros->dbtxtNPEDIDO->text(), QStringLiteral("CAFEINA"));
        QCOMPARE(frm_Cadastros->dbtxtID_RPESOMED1->text(), QStringLiteral("01"));
        QCOMPARE(frm_Cadastros->dbtxtID_RPESOMED2->text(), QStringLiteral("1234"));
        QCOMPARE(frm_Cadastros->dbtxtID_RPESOMED3->text(), QStringLiteral("1"));
        // Moving in the orders grid moves every control.
        key(Qt::Key_Down);
        QCOMPARE(DM->cds_Pedidos->FieldByName(QStringLiteral("NPEDIDO")).AsInteger(), 1300);
        QCOMPARE(frm_Cadastros->dbtxtID_RPESOMED2->text(), QStringLiteral("1300"));
        QCOMPARE(frm_Cadastros->dbtxtID_RPESOMED->text(), QStringLiteral("5"));
        QCOMPARE(frm_Cadastros->dbtxtRESULTADO->text(), QStringLiteral("Aprovado"));
        QCOMPARE(frm_Cadastros->dbtxtRESULTADO->palette().color(QPalette::WindowText), QColor(0, 128, 0));
        QCOMPARE(frm_Cadastros->dbtxtNPEDIDO->text(), QString());
        key(Qt::Key_Up);
        QCOMPARE(frm_Cadastros->dbtxtRESULTADO->palette().color(QPalette::WindowText), QColor(255, 0, 0));

        // Closed and opened again: a fresh window at the same size and place.
        Tfrm_Cadastros *first = frm_Cadastros;
        const QRect place = frm_Principal->JanelaDe(first)->geometry();
        first->BitBtn2->click();
        QCOMPARE(frm_Cadastros, nullptr);
        key(Qt::Key_F4);
        QVERIFY(frm_Cadastros);
        QCOMPARE(frm_Principal->JanelaDe(frm_Cadastros)->geometry(), place);
        frm_Cadastros->close();
    }

    void verdictColour_data()
    {
        QTest::addColumn<QString>("resultado");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("approved") << "Aprovado" << QColor(0, 128, 0);
        QTest::newRow("failed") << "Reprovado" << QColor(255, 0, 0);
        QTest::newRow("small letter") << "aprovado" << QColor(255, 0, 0);
        QTest::newRow("trailing blank") << "Aprovado " << QColor(255, 0, 0);
        QTest::newRow("empty") << "" << QColor(255, 0, 0);
    }
    void verdictColour()
    {
        QFETCH(QString, resultado);
        QFETCH(QColor, colour);
        QCOMPARE(CorDoResultado(resultado), colour);
    }

    void noColouringWithoutTheWindow()
    {
        key(Qt::Key_F4);
        frm_Cadastros->close();
        QTRY_VERIFY(!DM->ColoreVeredito);
        DM->cds_Pedidos->Next();
        DM->cds_Pedidos->First();
        QVERIFY(recorder->entries().isEmpty());
    }

    void weightsGrid()
    {
        key(Qt::Key_F4);
        Tfrm_Cadastros *w = frm_Cadastros;
        w->Mensagem->setText(QStringLiteral("aviso antigo"));
        w->dbgrd1->setFocus();
        QVERIFY(w->Mensagem->text().isEmpty());
        // A new row left untouched is dropped when the focus leaves the grid.
        key(Qt::Key_Down);
        QCOMPARE(DM->cds_PesoMed->State(), DataSetState::Insert);
        w->dbgrd3->setFocus();
        QCOMPARE(DM->cds_PesoMed->State(), DataSetState::Browse);
        QVERIFY(DM->cds_PesoMed->IsEmpty());
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 0);
        // Typed weights are stored; deleting asks first.
        w->dbgrd1->setFocus();
        for (const char *peso : {"250,5", "251"}) {
            key(Qt::Key_Down);
            w->dbgrd1->setCurrentIndex(w->dbgrd1->dataModel()->index(DM->cds_PesoMed->RecNo() - 1, 1));
            digita(QString::fromLatin1(peso));
            key(Qt::Key_Return);
            QTRY_VERIFY(DM->cds_PesoMed->Modified());
            w->dbgrd1->setFocus();
            DM->cds_PesoMed->Post();
        }
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 2);
        QCOMPARE(scalar(QStringLiteral("select sum(PESO) from PESOMED")).toDouble(), 501.5);
        recorder->answerNext(true);
        key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 1);
        w->close();
    }

    void searchWindowOwnedByTheAnalysis()
    {
        key(Qt::Key_F4);
        frm_Cadastros->BitBtn1->click();
        Tfrm_Pesquisa *search = frm_Pesquisa;
        QVERIFY(search);
        QCOMPARE(search->owner(), frm_Cadastros);
        frm_Cadastros->BitBtn1->click();
        QCOMPARE(frm_Pesquisa, search);
        QCOMPARE(frm_Principal->mdiArea()->subWindowList().size(), 2);
        // Removed with Ctrl+F4, the analysis window takes its search window along.
        QMdiSubWindow *sub = frm_Principal->JanelaDe(frm_Cadastros);
        frm_Principal->mdiArea()->setActiveSubWindow(sub);
        key(Qt::Key_F4, Qt::ControlModifier);
        QCOMPARE(frm_Cadastros, nullptr);
        QCOMPARE(frm_Pesquisa, nullptr);
        QCOMPARE(frm_Principal->mdiArea()->subWindowList().size(), 0);
    }

    void typicalWeighingByKeys()
    {
        // 1. "Localize o pedido", the order's key and Enter.
        frm_Principal->BitBtn2->click();
        QVERIFY(frm_Pesquisa);
        QTRY_VERIFY(QApplication::focusWidget() && QApplication::focusWidget()->objectName() == QLatin1String("edt_1"));
        digita(QStringLiteral("01.1234"));
        key(Qt::Key_Return);
        QTRY_COMPARE(frm_Pesquisa, nullptr);
        QCOMPARE(DM->cds_Pedidos->FieldByName(QStringLiteral("NPEDIDO")).AsInteger(), 1234);
        // 2. F4: the order, its formulas and the current formula's details.
        key(Qt::Key_F4);
        QVERIFY(frm_Cadastros);
        QCOMPARE(frm_Cadastros->dbgrd3->dataModel()->rowCount(), 2);
        QCOMPARE(frm_Cadastros->dbtxtNPEDIDO->text(), QStringLiteral("CAFEINA"));
        // 3. One weight per capsule in the weights grid, each stored as posted.
        frm_Cadastros->dbgrd1->setFocus();
        const QStringList weights = {QStringLiteral("250,1"), QStringLiteral("249,9"), QStringLiteral("251,3")};
        for (const QString &peso : weights) {
            key(Qt::Key_Down);
            key(Qt::Key_Right);
            digita(peso);
            // Down straight from the cell editor: what was typed is kept.
            key(Qt::Key_Down);
        }
        QTRY_COMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 3);
        QCOMPARE(scalar(QStringLiteral("select list(NUMCAP) from (select NUMCAP from PESOMED order by NUMCAP)"))
                     .toString(),
                 QStringLiteral("1,2,3"));
        QCOMPARE(scalar(QStringLiteral("select min(CHAVE) from PESOMED")).toString(), QStringLiteral("010012341"));
        QCOMPARE(scalar(QStringLiteral("select sum(PESO) from PESOMED")).toDouble(), 751.3);
        QCOMPARE(scalar(QStringLiteral("select count(*) from RPESOMED where CHAVE = '010012341'")).toInt(), 1);
        frm_Cadastros->close();
    }
};

int main(int argc, char **argv)
{
    Aplicacao app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    TstCadastros test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_cadastros.moc"
