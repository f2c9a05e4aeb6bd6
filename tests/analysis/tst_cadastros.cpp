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
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {

using TestDb::scalar;
using TestPrograma::clicaAbaixoDasLinhas;
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
        // The window's connection to the verdict signal goes with the window.
        const QPointer<Tfrm_Cadastros> janela(frm_Cadastros);
        frm_Cadastros->close();
        QTRY_VERIFY(!janela);
        DM->cds_Pedidos->Next();
        DM->cds_Pedidos->First();
        QVERIFY(recorder->entries().isEmpty());
    }

    void weightsGrid()
    {
        key(Qt::Key_F4);
        Tfrm_Cadastros *w = frm_Cadastros;
        ClientDataSet *pesos = DM->cds_PesoMed;
        w->Mensagem->setText(QStringLiteral("aviso antigo"));
        // A click into the empty grid: a new capsule row, ready in "Peso".
        clicaAbaixoDasLinhas(w->dbgrd1);
        QCOMPARE(QApplication::focusWidget(), w->dbgrd1);
        QVERIFY(w->Mensagem->text().isEmpty());
        QCOMPARE(pesos->State(), DataSetState::Insert);
        QCOMPARE(w->dbgrd1->selectedField(), QStringLiteral("PESO"));
        // Left untouched, it is dropped when the focus leaves the grid.
        w->dbgrd3->setFocus();
        QCOMPARE(pesos->State(), DataSetState::Browse);
        QVERIFY(pesos->IsEmpty());
        // Esc drops it too.
        clicaAbaixoDasLinhas(w->dbgrd1);
        QCOMPARE(pesos->State(), DataSetState::Insert);
        key(Qt::Key_Escape);
        QCOMPARE(pesos->State(), DataSetState::Browse);
        QVERIFY(pesos->IsEmpty());
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 0);
        // With the grid focused and empty, the first key typed starts the row and is kept.
        for (const char *peso : {"250,5", "251"}) {
            digita(QString::fromLatin1(peso));
            key(Qt::Key_Return);
        }
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 2);
        QCOMPARE(scalar(QStringLiteral("select sum(PESO) from PESOMED")).toDouble(), 501.5);
        // The next row waits in "Peso"; Esc drops it, then Ctrl+Delete asks first.
        QCOMPARE(pesos->State(), DataSetState::Insert);
        QCOMPARE(w->dbgrd1->selectedField(), QStringLiteral("PESO"));
        key(Qt::Key_Escape);
        QCOMPARE(pesos->RecordCount(), 2);
        key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 2);
        recorder->answerNext(true);
        key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 1);
        w->close();
    }

    void theCellReceivingTheKeysIsFramed()
    {
        key(Qt::Key_F4);
        Tfrm_Cadastros *w = frm_Cadastros;
        clicaAbaixoDasLinhas(w->dbgrd1);
        digita(QStringLiteral("250,5"));
        key(Qt::Key_Return);
        key(Qt::Key_Escape);
        TestPrograma::clicaNaCelula(w->dbgrd1, 0, 1);
        QCOMPARE(w->dbgrd1->currentIndex(), w->dbgrd1->dataModel()->index(0, 1));
        // The row is highlighted; the cell that takes the keys is not, and is framed.
        const QImage picture = w->dbgrd1->viewport()->grab().toImage();
        const QRect cell = w->dbgrd1->visualRect(w->dbgrd1->dataModel()->index(0, 1));
        const QRect neighbour = w->dbgrd1->visualRect(w->dbgrd1->dataModel()->index(0, 2));
        const QColor highlight = w->dbgrd1->palette().color(QPalette::Active, QPalette::Highlight);
        QCOMPARE(picture.pixelColor(neighbour.center()), highlight);
        QVERIFY(picture.pixelColor(cell.left() + 4, cell.center().y()) != highlight);
        QVERIFY(picture.pixelColor(cell.left() + 1, cell.center().y()) != picture.pixelColor(cell.left() + 4, cell.center().y()));
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
        // 3. A click into the weights grid, then one weight per capsule, each
        // confirmed with Enter and stored at once.
        clicaAbaixoDasLinhas(frm_Cadastros->dbgrd1);
        for (const QString &peso : {QStringLiteral("250,1"), QStringLiteral("249.9"), QStringLiteral("251,3")}) {
            digita(peso);
            key(Qt::Key_Return);
        }
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 3);
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
    Application app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    TstCadastros test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_cadastros.moc"
