// The lot registry window in the running program: its unit hints and
// geometry, the lot grid typed into as a pharmacist does (new rows, the Enter
// cascade, the column-exit rules on weights, lot and supplier, the pickers
// they open), the lot record rules behind it, and what it does so that no
// typing is lost or stored against the wrong lot.

#include "analysis/uCadPesos.h"
#include "core/DisplayFormat.h"
#include "tests/lots/JanelaLotes.h"
#include "tests/support/MessageRecorder.h"
#include "widgets/DBControls.h"
#include "widgets/ErrorHandler.h"

#include <QLabel>
#include <QToolButton>

using namespace Lotes;

namespace {

const QString kLoteNaoInformado = QStringLiteral("Favor especificar o lote.");
const QString kSemTamanho = QStringLiteral("Favor especificar o Tamanho das Cápsulas.");

QString mensagemDoEstoque(const QString &descricao, const QString &lote)
{
    return QStringLiteral("FORNECEDOR: CAPS BRASIL\rCOD.FORNEC.: 0012\rPRODUTO.......: ") + descricao +
           QStringLiteral("\rLOTE............: ") + lote;
}

// A new row from a click below the rows, and its first values typed.
void novaLinha(const QStringList &valores, int separador = Qt::Key_Return)
{
    TestPrograma::clicaAbaixoDasLinhas(grade());
    for (const QString &v : valores) {
        digita(v);
        key(separador);
    }
}

} // namespace

class TstLotes : public QObject {
    Q_OBJECT

    MessageRecorder *recorder = nullptr;

private slots:
    void init()
    {
        TestDb::reset();
        fornecedoresEEstoque();
        ReiniciaConfiguracao();
        recorder = new MessageRecorder;
        TestPrograma::inicia();
    }
    void cleanup()
    {
        TestPrograma::encerra();
        delete recorder;
        // Every error was handled by its own handler, none crossed the toolkit.
        QCOMPARE(Application::uncaughtErrorCount(), 0);
    }

    void unitHints_data()
    {
        QTest::addColumn<QString>("unidade");
        QTest::addColumn<QString>("dica");
        QTest::newRow("G") << "G" << "Informe todos os pesos em g";
        QTest::newRow("MG") << "MG" << "Informe todos os pesos em mg";
        QTest::newRow("empty") << "" << "Informe todos os pesos em mg";
        QTest::newRow("GR") << "GR" << "Informe todos os pesos em mg";
    }
    void unitHints()
    {
        QFETCH(QString, unidade);
        QFETCH(QString, dica);
        UnidadePesoMedio = unidade;
        TFormCadPrep *w = abreJanela();
        QCOMPARE(w->windowTitle(), QStringLiteral("  Cadastro de Pesos de Cápsulas Vazias"));
        QCOMPARE(w->Label3->text(), dica);
        QCOMPARE(w->Label32->text(), dica);
        QVERIFY(!w->Panel1->isVisible());
        QVERIFY(!w->PainelForneced->isVisible());
        QVERIFY(!w->PainelEstLote->isVisible());
    }

    void geometry()
    {
        TFormCadPrep *w = abreJanela();
        // Sizes and places are those of windows with their frames.
        QCOMPARE(frm_Principal->frameGeometry().size(), QSize(1204, 804));
        // Larger than allowed: brought back, laid out, and put at the left edge.
        w->resize(1300, 900);
        QTRY_COMPARE(w->frameGeometry().size(), QSize(1127, 670));
        QTRY_COMPARE(w->pos(), QPoint(0, 82));
        QCOMPARE(w->DBGrid1->size(), QSize(1102, 495));
        QCOMPARE(w->BitBtn1->x(), 994);
        // Activation centres it on the main window: 38.5 goes to the even 38.
        ativa(frm_Principal);
        ativa(w);
        QTRY_COMPARE(w->pos(), QPoint(38, 82));
        QCOMPARE(w->frameGeometry().size(), QSize(1127, 670));
        w->resize(w->size() - w->frameGeometry().size() + QSize(1000, 600));
        QTRY_COMPARE(w->pos(), QPoint(0, 117));
        QCOMPARE(w->DBGrid1->size(), QSize(975, 425));
        QCOMPARE(w->BitBtn1->x(), 867);
    }

    void newRowStartsWithPlaceholders_data()
    {
        QTest::addColumn<int>("coluna");   // where the cursor stood
        QTest::newRow("from the supplier column") << 0;
        QTest::newRow("from the lot column") << 1;
    }
    void newRowStartsWithPlaceholders()
    {
        QFETCH(int, coluna);
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        abreJanela();
        clicaNaCelula(0, coluna);
        TestPrograma::clicaAbaixoDasLinhas(grade());
        QCOMPARE(DM->PesoCaV->State(), DataSetState::Insert);
        QCOMPARE(campo("CODFORN"), QStringLiteral("0"));
        QCOMPARE(campo("LOTE"), QStringLiteral("0"));
        QCOMPARE(campo("TAMCAP"), QStringLiteral("0"));
        QCOMPARE(grade()->selectedIndex(), 0);
        QCOMPARE(grade()->model()->index(1, 2).data().toString(), QStringLiteral("0"));
        QCOMPARE(QApplication::focusWidget(), grade());
        QVERIFY(recorder->entries().isEmpty());
        // Left untouched, it goes with Esc and nothing is stored.
        key(Qt::Key_Escape);
        QCOMPARE(DM->PesoCaV->RecordCount(), 1);
        QCOMPARE(lotes(), 1);
    }

    void newRowOnAWeightColumn_data()
    {
        QTest::addColumn<int>("tecla");
        QTest::newRow("Insert") << int(Qt::Key_Insert);
        QTest::newRow("Down on the last row") << int(Qt::Key_Down);
    }
    void newRowOnAWeightColumn()
    {
        QFETCH(int, tecla);
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        TFormCadPrep *w = abreJanela();
        clicaNaCelula(0, 7);
        key(tecla);
        // The move to the first column runs the weight column's rules on the
        // new row; the supplier check then finds no supplier "0000" and offers the list.
        QCOMPARE(recorder->texts(), QStringList{kLoteNaoInformado});
        QCOMPARE(DM->PesoCaV->State(), DataSetState::Insert);
        QCOMPARE(campo("LOTE"), QStringLiteral("0"));
        QCOMPARE(grade()->selectedIndex(), 0);
        QVERIFY(w->PainelForneced->isVisible());
        QCOMPARE(QApplication::focusWidget(), w->DBGrid2);
        // Esc closes the list; the new row waits in the grid.
        key(Qt::Key_Escape);
        QVERIFY(!w->PainelForneced->isVisible());
        QVERIFY(!DM->OpForn->Active());
        QCOMPARE(QApplication::focusWidget(), grade());
        QCOMPARE(DM->PesoCaV->State(), DataSetState::Insert);
        QCOMPARE(lotes(), 1);
    }

    void averageOfTheWeightsTyped_data()
    {
        QTest::addColumn<QStringList>("pesos");
        QTest::addColumn<int>("separador");
        QTest::addColumn<double>("media");
        QTest::newRow("three weights over 20") << QStringList{QStringLiteral("50"), QStringLiteral("51"),
                                                              QStringLiteral("52"), QString()}
                                               << int(Qt::Key_Return) << 7.65;
        QTest::newRow("twenty of 96,5, Enter") << QStringList(20, QStringLiteral("96,5")) << int(Qt::Key_Return)
                                               << 96.5;
        QTest::newRow("twenty of 96,5, Tab") << QStringList(20, QStringLiteral("96,5")) << int(Qt::Key_Tab) << 96.5;
        QStringList semUltimo(19, QStringLiteral("96,5"));
        semUltimo.append(QString());
        QTest::newRow("P20 empty") << semUltimo << int(Qt::Key_Return) << 91.675;
    }
    void averageOfTheWeightsTyped()
    {
        QFETCH(QStringList, pesos);
        QFETCH(int, separador);
        QFETCH(double, media);
        abreJanela();
        novaLinha({QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0")}, separador);
        QCOMPARE(grade()->selectedIndex(), 3);
        for (const QString &p : pesos) {
            if (!p.isEmpty())
                digita(p);
            key(separador);
        }
        QVERIFY(recorder->entries().isEmpty());
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), media);
        QCOMPARE(valor(QStringLiteral("TAMCAP"), QStringLiteral("0012"), QStringLiteral("L2401")).toString(),
                 QStringLiteral("0"));
        if (pesos.size() == 20) {
            QCOMPARE(grade()->selectedIndex(), 23);
            QCOMPARE(lotes(QStringLiteral("P01 = 96.5 and P19 = 96.5")), 1);
        }
        QCOMPARE(FormCadPrep->DBText4->text(), QLocale().toString(media, 'g', 15));
    }

    void enterCascade_data()
    {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("lote");
        QTest::addColumn<QString>("tamanho");
        QTest::addColumn<int>("de");
        QTest::addColumn<int>("para");
        QTest::addColumn<QStringList>("mensagens");
        const QString l = QStringLiteral("L2401");
        QTest::newRow("P20 to Peso Médio") << "0012" << l << "0" << 22 << 23 << QStringList();
        QTest::newRow("Peso Médio to the first") << "0012" << l << "0" << 23 << 0 << QStringList();
        QTest::newRow("supplier to lot") << "0012" << l << "0" << 0 << 1 << QStringList();
        QTest::newRow("P01 to P02") << "0012" << l << "0" << 3 << 4 << QStringList();
        QTest::newRow("weight, no lot") << "0012" << "0" << "0" << 5 << 1 << QStringList{kLoteNaoInformado};
        QTest::newRow("weight, no size") << "0012" << l << "" << 5 << 2 << QStringList{kSemTamanho};
        QTest::newRow("weight, no size, supplier from the stock")
            << "0000" << "L2402" << "" << 5 << 3
            << QStringList{kSemTamanho, mensagemDoEstoque(QStringLiteral("Capsula 00 Azul"), QStringLiteral("L2402"))};
    }
    void enterCascade()
    {
        QFETCH(QString, codigo);
        QFETCH(QString, lote);
        QFETCH(QString, tamanho);
        QFETCH(int, de);
        QFETCH(int, para);
        QFETCH(QStringList, mensagens);
        registraLote(codigo, lote, tamanho, 96.5, 96.5);
        abreJanela();
        clicaNaCelula(0, de);
        // Leaving the supplier column of a "0000" row offers the supplier list.
        if (FormCadPrep->PainelForneced->isVisible())
            key(Qt::Key_Escape);
        recorder->clear();
        QCOMPARE(grade()->selectedIndex(), de);
        key(Qt::Key_Return);
        QCOMPARE(grade()->selectedIndex(), para);
        QCOMPARE(recorder->texts(), mensagens);
        QCOMPARE(QApplication::focusWidget(), grade());
    }

    void sizeAndSupplierFromTheStock_data()
    {
        QTest::addColumn<QString>("lote");
        QTest::addColumn<QString>("tamanho");
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QStringList>("mensagens");
        QTest::newRow("Capsula 00 Azul")
            << "L2402" << "00" << "0012"
            << QStringList{mensagemDoEstoque(QStringLiteral("Capsula 00 Azul"), QStringLiteral("L2402"))};
        QTest::newRow("Capsula 1 Branca")
            << "L2403" << "1" << "0012"
            << QStringList{mensagemDoEstoque(QStringLiteral("Capsula 1 Branca"), QStringLiteral("L2403"))};
        QTest::newRow("Capsula Gelatinosa")
            << "L2404" << "" << "0012"
            << QStringList{mensagemDoEstoque(QStringLiteral("Capsula Gelatinosa"), QStringLiteral("L2404"))};
        QTest::newRow("supplier not registered") << "LX1" << "2" << "0000" << QStringList();
    }
    void sizeAndSupplierFromTheStock()
    {
        QFETCH(QString, lote);
        QFETCH(QString, tamanho);
        QFETCH(QString, codigo);
        QFETCH(QStringList, mensagens);
        TFormCadPrep *w = abreJanela();
        // "0000": the supplier is to be taken from the stock lot. No supplier
        // has that code, so the list is offered first; Esc puts it away.
        novaLinha({QStringLiteral("0000")});
        QVERIFY(w->PainelForneced->isVisible());
        key(Qt::Key_Escape);
        QCOMPARE(grade()->selectedIndex(), 1);
        recorder->clear();
        digita(lote);
        key(Qt::Key_Return);
        QCOMPARE(recorder->texts(), mensagens);
        QCOMPARE(campo("TAMCAP"), tamanho);
        QCOMPARE(campo("CODFORN"), codigo);
        QCOMPARE(campo("LOTE"), lote);
        QCOMPARE(grade()->selectedIndex(), 2);
        QVERIFY(!DM->OpForn->Active());
    }

    void lotTypedInTheGrid_data()
    {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("lote");
        QTest::addColumn<QString>("ficou");
        QTest::addColumn<QStringList>("mensagens");
        QTest::newRow("in the stock, supplier known") << "0012" << "L2401" << "L2401" << QStringList();
        QTest::newRow("another supplier's stock lot") << "0031" << "L2401" << "L2401" << QStringList();
        QTest::newRow("not in the stock")
            << "0012" << "NOVO" << "0" << QStringList{QStringLiteral("Lote \"NOVO\" inexistente.")};
        QTest::newRow("with a quote") << "0031" << "L'Q" << "L'Q" << QStringList();
        QTest::newRow("quote, not in the stock")
            << "0031" << "X'Y" << "0" << QStringList{QStringLiteral("Lote \"X'Y\" inexistente.")};
    }
    void lotTypedInTheGrid()
    {
        QFETCH(QString, codigo);
        QFETCH(QString, lote);
        QFETCH(QString, ficou);
        QFETCH(QStringList, mensagens);
        abreJanela();
        novaLinha({codigo, lote});
        QCOMPARE(recorder->texts(), mensagens);
        QCOMPARE(campo("LOTE"), ficou);
        QCOMPARE(campo("CODFORN"), codigo);
        QCOMPARE(grade()->selectedIndex(), 2);
    }

    void supplierCodeTyped_data()
    {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<bool>("lista");
        QTest::newRow("12 with a supplier 0012") << "12" << false;
        QTest::newRow("0012") << "0012" << false;
        QTest::newRow("AB") << "AB" << true;
        QTest::newRow("0") << "0" << true;
        QTest::newRow("unknown") << "0099" << true;
    }
    void supplierCodeTyped()
    {
        QFETCH(QString, codigo);
        QFETCH(bool, lista);
        TFormCadPrep *w = abreJanela();
        novaLinha({codigo});
        QVERIFY(recorder->entries().isEmpty());
        // The code stays as typed.
        QCOMPARE(campo("CODFORN"), codigo);
        QCOMPARE(grade()->selectedIndex(), 1);
        QCOMPARE(w->PainelForneced->isVisible(), lista);
        QCOMPARE(DM->OpForn->Active(), lista);
        if (!lista)
            return;
        QCOMPARE(QApplication::focusWidget(), w->DBGrid2);
        QCOMPARE(w->PainelForneced->geometry(), QRect(176, 48, 393, 441));
        // The list by trade name; Enter puts the chosen supplier's code into the row.
        QCOMPARE(w->DBGrid2->model()->index(0, 0).data().toString(), QStringLiteral("CAPS BRASIL"));
        QCOMPARE(w->DBGrid2->model()->index(1, 0).data().toString(), QStringLiteral("D'ORO"));
        key(Qt::Key_Down);
        key(Qt::Key_Return);
        QVERIFY(!w->PainelForneced->isVisible());
        QVERIFY(!DM->OpForn->Active());
        QCOMPARE(QApplication::focusWidget(), grade());
        QCOMPARE(campo("CODFORN"), QStringLiteral("0031"));
        QCOMPARE(w->Label3->text(), QStringLiteral("D'ORO"));
        QCOMPARE(grade()->selectedIndex(), 1);
        // The row goes on: the lot typed next, stored with the chosen supplier.
        digita(QStringLiteral("L'Q"));
        key(Qt::Key_Return);
        digita(QStringLiteral("1"));
        key(Qt::Key_Return);
        digita(QStringLiteral("80"));
        key(Qt::Key_Return);
        digita(QStringLiteral("81"));
        key(Qt::Key_Return);
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0031"), QStringLiteral("L'Q")).toDouble(), 8.05);
        QVERIFY(recorder->entries().isEmpty());
    }

    void supplierListLeftWithEsc()
    {
        TFormCadPrep *w = abreJanela();
        novaLinha({QStringLiteral("AB")});
        QVERIFY(w->PainelForneced->isVisible());
        key(Qt::Key_Escape);
        QVERIFY(!w->PainelForneced->isVisible());
        QCOMPARE(campo("CODFORN"), QStringLiteral("AB"));
        QCOMPARE(w->Label3->text(), QStringLiteral("Informe todos os pesos em mg"));
        QVERIFY(recorder->entries().isEmpty());
    }

    void lotPickerFromTheGrid()
    {
        TFormCadPrep *w = abreJanela();
        // No lot yet: leaving the lot column offers the supplier's stock lots.
        novaLinha({QStringLiteral("0012"), QString()});
        QVERIFY(w->PainelEstLote->isVisible());
        QCOMPARE(w->PainelEstLote->geometry(), QRect(8, 6, 745, 433));
        QCOMPARE(QApplication::focusWidget(), w->DBGrid3);
        QCOMPARE(w->DBText2->text(), QStringLiteral("CAPS BRASIL"));
        // Capsule lots only, by expiry and then lot.
        QStringList listados;
        for (int r = 0; r < w->DBGrid3->model()->rowCount(); ++r)
            listados.append(w->DBGrid3->model()->index(r, 0).data().toString());
        QCOMPARE(listados, (QStringList{QStringLiteral("L2402"), QStringLiteral("L2403"), QStringLiteral("L2401"),
                                        QStringLiteral("L2404"), QStringLiteral("L2405")}));
        key(Qt::Key_Down);
        // A key typed into the list lets the supplier go.
        QCOMPARE(w->DBText2->text(), QStringLiteral("CAPS BRASIL"));
        key(Qt::Key_Return);
        QVERIFY(!w->PainelEstLote->isVisible());
        QVERIFY(!DM->OpForn->Active());
        QCOMPARE(QApplication::focusWidget(), grade());
        // The chosen lot with the size of its description goes to the row.
        QCOMPARE(campo("LOTE"), QStringLiteral("L2403"));
        QCOMPARE(campo("TAMCAP"), QStringLiteral("1"));
        QCOMPARE(grade()->selectedIndex(), 2);
        QVERIFY(recorder->entries().isEmpty());

        // Offered again on another new row and left with Esc: nothing changes.
        key(Qt::Key_Escape);
        novaLinha({QStringLiteral("0012"), QString()});
        QVERIFY(w->PainelEstLote->isVisible());
        key(Qt::Key_Escape);
        QVERIFY(!w->PainelEstLote->isVisible());
        QCOMPARE(campo("LOTE"), QStringLiteral("0"));
        QCOMPARE(QApplication::focusWidget(), grade());
    }

    void noLotYetAndACodeThatIsNoNumber()
    {
        TFormCadPrep *w = abreJanela();
        novaLinha({QStringLiteral("AB")});
        key(Qt::Key_Escape);
        recorder->clear();
        // The stock lots of supplier "AB" cannot be offered: the rules stop there.
        key(Qt::Key_Return);
        QCOMPARE(recorder->texts(), QStringList{QStringLiteral("'AB' não é um valor inteiro válido.")});
        QCOMPARE(recorder->entries().first().kind, MessageRecorder::Kind::Error);
        QCOMPARE(grade()->selectedIndex(), 1);
        QVERIFY(!w->PainelEstLote->isVisible());
    }

    void noStockLotsForTheSupplier()
    {
        TFormCadPrep *w = abreJanela();
        novaLinha({QStringLiteral("0044"), QString()});
        QCOMPARE(recorder->texts(),
                 QStringList{QStringLiteral("Não há nenhum lote de cápsulas deste fornecedor no estoque.")});
        QVERIFY(!w->PainelEstLote->isVisible());
        QVERIFY(!DM->OpForn->Active());
    }

    void leavingP01VersusP02_data()
    {
        QTest::addColumn<int>("coluna");
        QTest::addColumn<double>("media");
        QTest::newRow("P01: no average") << 3 << 96.5;
        QTest::newRow("P02: the average") << 4 << 94.675;
    }
    void leavingP01VersusP02()
    {
        QFETCH(int, coluna);
        QFETCH(double, media);
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        abreJanela();
        clicaNaCelula(0, coluna);
        digita(QStringLiteral("60"));
        // Left with the mouse.
        clicaNaCelula(0, 10);
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), media);
        QCOMPARE(DM->PesoCaV->FieldByName(QStringLiteral("PESOMEDIO")).AsFloat(), media);
        QVERIFY(recorder->entries().isEmpty());
    }

    void weightsOfALotWithoutNumber()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("0"), QStringLiteral("0"), 96.5);
        abreJanela();
        clicaNaCelula(0, 10);
        key(Qt::Key_Tab);
        QCOMPARE(recorder->texts(), QStringList{kLoteNaoInformado});
        QCOMPARE(grade()->selectedIndex(), 0);
        QVERIFY(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0012"), QStringLiteral("0")).isNull());
    }

    void allWeightsZeroKeepTheAverage()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 0, 50);
        abreJanela();
        clicaNaCelula(0, 5);
        digita(QStringLiteral("0"));
        key(Qt::Key_Return);
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), 50.0);
    }

    void duplicateKeyMessageWhileTheRowIsPending()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        registraLote(QStringLiteral("0031"), QStringLiteral("L'Q"), QStringLiteral("1"), 80, 80);
        abreJanela();
        // The same supplier, lot and size again: the database refuses it.
        novaLinha({QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), QStringLiteral("96,5"),
                   QStringLiteral("96,5")});
        QCOMPARE(recorder->texts(), QStringList{kChaveDuplicadaLote});
        QCOMPARE(kChaveDuplicadaLote, QStringLiteral("Possibilidade de chave duplicada (Lote/Fornecedor/TamanhoCapsula)"
                                                     "\rExperimente clicar com o botão direito sobre o registro a ser "
                                                     "alterado."));
        QCOMPARE(lotes(), 2);
        QCOMPARE(DM->PesoCaV->ChangeCount(), 1);
        // Another lot changed meanwhile is stored, and the refusal is told again.
        clicaNaCelula(linhaDe(QStringLiteral("0031"), QStringLiteral("L'Q")), 5);
        digita(QStringLiteral("85"));
        key(Qt::Key_Return);
        QCOMPARE(recorder->texts().count(kChaveDuplicadaLote), 2);
        QCOMPARE(valor(QStringLiteral("P03"), QStringLiteral("0031"), QStringLiteral("L'Q")).toDouble(), 85.0);
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0031"), QStringLiteral("L'Q")).toDouble(), 80.25);
        // The next activation reads the list again and lets the refused row go.
        ativa(frm_Principal);
        ativa(FormCadPrep);
        QCOMPARE(DM->PesoCaV->ChangeCount(), 0);
        QCOMPARE(DM->PesoCaV->RecordCount(), 2);
    }

    void supplierOfTheCurrentLot_data()
    {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("nome");
        QTest::newRow("0012") << "0012" << "CAPS BRASIL";
        QTest::newRow("12 compared as a number") << "12" << "CAPS BRASIL";
        QTest::newRow("no such supplier") << "9999" << "";
        QTest::newRow("not a number") << "AB" << "";
        QTest::newRow("a quote") << "1'2" << "";
    }
    void supplierOfTheCurrentLot()
    {
        QFETCH(QString, codigo);
        QFETCH(QString, nome);
        TestDb::exec({QStringLiteral("insert into FORNECED (CODIGO, NOMEFANTASIA) values ('0001', 'PRIMEIRO')")});
        registraLote(QStringLiteral("0001"), QStringLiteral("A1"), QStringLiteral("0"));
        registraLote(codigo, QStringLiteral("B1"), QStringLiteral("0"));
        TFormCadPrep *w = abreJanela();
        QCOMPARE(w->DBText1->text(), QStringLiteral("PRIMEIRO"));
        clicaNaCelula(linhaDe(codigo, QStringLiteral("B1")), 0);
        QCOMPARE(w->DBText1->text(), nome);
        QCOMPARE(w->DBText3->text(), QStringLiteral("B1"));
        // A code that is no whole number never reaches a statement.
        if (!isWholeNumber(codigo))
            QVERIFY(!DM->SQLDS_Fornec.CommandText.contains(codigo));
        QVERIFY(recorder->entries().isEmpty());
    }

    void typedWeightRefused_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::newRow("letters") << "abc";
        QTest::newRow("exponent") << "1e2";
        QTest::newRow("negative") << "-5";
        QTest::newRow("ambiguous") << "1.250";
    }
    void typedWeightRefused()
    {
        QFETCH(QString, texto);
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        abreJanela();
        clicaNaCelula(0, 7);
        digita(texto);
        key(Qt::Key_Return);
        QCOMPARE(recorder->entries().size(), 1);
        QCOMPARE(recorder->entries().first().kind, MessageRecorder::Kind::Error);
        QCOMPARE(recorder->entries().first().text, readTypedNumber(texto).error);
        QCOMPARE(grade()->selectedIndex(), 7);
        QCOMPARE(DM->PesoCaV->State(), DataSetState::Browse);
        QCOMPARE(valor(QStringLiteral("P05"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), 96.5);
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), 96.5);
    }

    void deletionRefusedWhenChangedElsewhere()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        abreJanela();
        clicaNaCelula(0, 1);
        TestDb::exec({QStringLiteral("update PESCAVAZ set P01 = 50")});
        recorder->answerNext(true);
        key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(lotes(), 1);
        QCOMPARE(recorder->entries().size(), 2);
        QCOMPARE(recorder->entries().last().kind, MessageRecorder::Kind::Error);
        // Said as it is, the row back in the grid as the database now holds
        // it, and nothing left pending to be sent again.
        QCOMPARE(recorder->texts().last(), QStringLiteral("O lote não foi excluído: a linha foi alterada ou excluída "
                                                          "por outra estação.\rA lista foi lida de novo."));
        QCOMPARE(DM->PesoCaV->RecordCount(), 1);
        QCOMPARE(DM->PesoCaV->ChangeCount(), 0);
        QCOMPARE(DM->PesoCaV->FieldByName(QStringLiteral("P01")).AsFloat(), 50.0);
        // The next weight typed is stored without any other message.
        clicaNaCelula(0, 7);
        digita(QStringLiteral("97"));
        key(Qt::Key_Return);
        QCOMPARE(recorder->entries().size(), 2);
        QCOMPARE(valor(QStringLiteral("P05"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), 97.0);
    }

    void aRefusedDeletionIsUndone()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        registraLote(QStringLiteral("0031"), QStringLiteral("L'Q"), QStringLiteral("1"), 80, 80);
        TestDb::exec({QStringLiteral("create exception E_LOTE_PRESO 'lote preso pelo teste'"),
                      QStringLiteral("create trigger T_LOTE_PRESO for PESCAVAZ before delete as begin if "
                                     "(old.LOTE = 'L2401') then exception E_LOTE_PRESO; end")});
        struct Remove {
            ~Remove()
            {
                try {
                    TestDb::exec({QStringLiteral("drop trigger T_LOTE_PRESO"),
                                  QStringLiteral("drop exception E_LOTE_PRESO")});
                } catch (const std::exception &e) {
                    qWarning("%s", e.what());
                }
            }
        } remove;
        abreJanela();
        clicaNaCelula(linhaDe(QStringLiteral("0012"), QStringLiteral("L2401")), 1);
        recorder->answerNext(true);
        key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(recorder->entries().size(), 2);
        QVERIFY2(recorder->texts().last().contains(QStringLiteral("lote preso pelo teste")),
                 qPrintable(recorder->texts().last()));
        QCOMPARE(DM->PesoCaV->RecordCount(), 2);
        QCOMPARE(DM->PesoCaV->ChangeCount(), 0);
        // Another lot changed afterwards: stored, and no duplicate-key message.
        clicaNaCelula(linhaDe(QStringLiteral("0031"), QStringLiteral("L'Q")), 5);
        digita(QStringLiteral("85"));
        key(Qt::Key_Return);
        QCOMPARE(recorder->entries().size(), 2);
        QCOMPARE(valor(QStringLiteral("P03"), QStringLiteral("0031"), QStringLiteral("L'Q")).toDouble(), 85.0);
        QCOMPARE(lotes(), 2);
    }

    void theNavigatorDropsAnUntouchedNewRow()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        registraLote(QStringLiteral("0031"), QStringLiteral("L'Q"), QStringLiteral("1"), 80, 80);
        TFormCadPrep *w = abreJanela();
        for (DBNavigator::Button b : {DBNavigator::First, DBNavigator::Prior}) {
            TestPrograma::clicaAbaixoDasLinhas(grade());
            QCOMPARE(DM->PesoCaV->State(), DataSetState::Insert);
            QTest::mouseClick(w->DBNavigator1->button(b), Qt::LeftButton);
            QCOMPARE(lotes(), 2);
            QCOMPARE(DM->PesoCaV->RecordCount(), 2);
        }
        QVERIFY(recorder->entries().isEmpty());
    }

    void comingBackGoesOnInTheSameLotAndColumn()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        registraLote(QStringLiteral("0031"), QStringLiteral("L'Q"), QStringLiteral("1"), 80, 80);
        abreJanela();
        clicaNaCelula(linhaDe(QStringLiteral("0031"), QStringLiteral("L'Q")), 7);
        ativa(frm_Principal);
        ativa(FormCadPrep);
        // "weight, Enter" goes into the lot and weight it left.
        digita(QStringLiteral("85"));
        key(Qt::Key_Return);
        QCOMPARE(valor(QStringLiteral("P05"), QStringLiteral("0031"), QStringLiteral("L'Q")).toDouble(), 85.0);
        QCOMPARE(valor(QStringLiteral("P05"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), 96.5);
    }

    void aPickerFromTheGridClosesWhenTheRowChanges()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("0"), QStringLiteral("0"));
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        TFormCadPrep *w = abreJanela();
        // The lot picker offered for the lot without a lot yet.
        clicaNaCelula(linhaDe(QStringLiteral("0012"), QStringLiteral("0")), 1);
        key(Qt::Key_Return);
        QVERIFY(w->PainelEstLote->isVisible());
        // The pharmacist clicks another lot of the grid, then chooses in the list.
        clicaNaCelula(linhaDe(QStringLiteral("0012"), QStringLiteral("L2401")), 22);
        if (w->PainelEstLote->isVisible()) {
            QTest::mouseClick(w->DBGrid3->viewport(), Qt::LeftButton, {},
                              w->DBGrid3->visualRect(w->DBGrid3->model()->index(0, 0)).center());
            key(Qt::Key_Return);
        }
        // The choice never reaches the other lot.
        QVERIFY(!w->PainelEstLote->isVisible());
        QCOMPARE(linhaDe(QStringLiteral("0012"), QStringLiteral("L2402")), -1);
        QVERIFY(linhaDe(QStringLiteral("0012"), QStringLiteral("L2401")) >= 0);
        QCOMPARE(lotes(QStringLiteral("LOTE = 'L2401' and TAMCAP = '0'")), 1);
    }

    // ----------------------------------------------- no typing lost

    void closingWithARowThatCannotBeStored()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        TFormCadPrep *w = abreJanela();
        clicaNaCelula(0, 0);
        // F2 opens the cell with its text selected; Backspace empties it.
        key(Qt::Key_F2);
        key(Qt::Key_Backspace);
        QTest::mouseClick(w->BitBtn1, Qt::LeftButton);
        // The error is shown, by the record rule and by the post, and the row stays.
        const QString erro = QStringLiteral("O campo 'CODFORN' deve ter um valor.");
        QCOMPARE(recorder->texts(), (QStringList{erro, erro}));
        QVERIFY(w->isVisible());
        QCOMPARE(DM->PesoCaV->State(), DataSetState::Edit);
        // Dropped with Esc, the window closes.
        grade()->setFocus();
        key(Qt::Key_Escape);
        QCOMPARE(campo("CODFORN"), QStringLiteral("0012"));
        QTest::mouseClick(w->BitBtn1, Qt::LeftButton);
        QVERIFY(!w->isVisible());
        QVERIFY(!DM->PesoCaV->Active());
        QCOMPARE(lotes(QStringLiteral("CODFORN = '0012'")), 1);
    }

    void closingStoresAValidRow()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        TFormCadPrep *w = abreJanela();
        clicaNaCelula(0, 7);
        digita(QStringLiteral("97"));
        w->close();
        QVERIFY(!w->isVisible());
        QCOMPARE(valor(QStringLiteral("P05"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), 97.0);
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), 96.525);
    }

    void activationStoresTheRowBeingTyped()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        abreJanela();
        clicaNaCelula(0, 7);
        digita(QStringLiteral("97"));
        ativa(frm_Principal);
        ativa(FormCadPrep);
        QCOMPARE(valor(QStringLiteral("P05"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), 97.0);
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), 96.525);
        QCOMPARE(DM->PesoCaV->State(), DataSetState::Browse);
        QVERIFY(recorder->entries().isEmpty());
    }

    void theTheoreticalWeightKeepsALotRowBeingTyped()
    {
        // A weighed formula whose capsules are lot L0 of CAPS BRASIL, size 0.
        registraLote(QStringLiteral("0012"), QStringLiteral("L0"), QStringLiteral("0"), 96, 96);
        TestDb::order(QStringLiteral("01"), 4521);
        TestDb::formula(QStringLiteral("01"), 4521, 1);
        TestDb::component(QStringLiteral("01"), 4521, 1, 1, QStringLiteral("CAFEINA"), 4620);
        TestDb::component(QStringLiteral("01"), 4521, 1, 2, QStringLiteral("CAPSULA N 0"), 30, QStringLiteral("UN"));
        TestDb::exec({QStringLiteral("update COMPEDID set LOTE = 'L0', FORNECEDOR = 'CAPS BRASIL' where ORDEM = 2")});
        TestDb::weighing(1, QStringLiteral("01"), 4521, 1, 1, 250);
        // A new lot typed in the register: supplier, lot, size, and a first
        // weight still in its cell.
        abreJanela();
        novaLinha({QStringLiteral("0031"), QStringLiteral("L'Q"), QStringLiteral("1")});
        digita(QStringLiteral("80"));
        // The pharmacist goes to the main window, finds the order, opens the
        // analysis and presses F5.
        ativa(frm_Principal);
        frm_Principal->BitBtn2->click();
        QTRY_VERIFY(QApplication::focusWidget() && QApplication::focusWidget()->objectName() == QLatin1String("edt_1"));
        digita(QStringLiteral("01.4521"));
        key(Qt::Key_Return);
        key(Qt::Key_F4);
        QVERIFY(frm_Cadastros);
        key(Qt::Key_F5);
        // The analysis found its lot...
        QCOMPARE(scalar(QStringLiteral("select VALORTEORICO from RPESOMED where NPEDIDO = 4521")).toDouble(), 250.0);
        // ...and the lot being typed was stored with its weight, nothing said.
        QCOMPARE(lotes(QStringLiteral("CODFORN = '0031' and LOTE = 'L''Q' and TAMCAP = '1' and P01 = 80 and "
                                      "PESOMEDIO = 4")),
                 1);
        QCOMPARE(recorder->texts(), QStringList());
        // Back in the register, the lot is there.
        ativa(FormCadPrep);
        QVERIFY(linhaDe(QStringLiteral("0031"), QStringLiteral("L'Q")) >= 0);
        QCOMPARE(lotes(), 2);
        frm_Cadastros->close();
    }

    void activationKeepsARowThatCannotBeStored()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        abreJanela();
        clicaNaCelula(0, 0);
        key(Qt::Key_F2);
        key(Qt::Key_Backspace);
        ativa(frm_Principal);
        ativa(FormCadPrep);
        QCOMPARE(recorder->texts().size(), 2);
        QCOMPARE(DM->PesoCaV->State(), DataSetState::Edit);
        QCOMPARE(campo("CODFORN"), QString());
    }

    void aRowLeftWithTheArrowsStoresItsAverage()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        registraLote(QStringLiteral("0031"), QStringLiteral("L'Q"), QStringLiteral("1"), 80, 80);
        abreJanela();
        clicaNaCelula(0, 7);
        digita(QStringLiteral("97"));
        key(Qt::Key_Down);
        QCOMPARE(valor(QStringLiteral("P05"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), 97.0);
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), 96.525);
    }

    void theCursorStaysOnTheLotJustStored()
    {
        // The new lot sorts first: the re-read list puts another lot where it stood.
        registraLote(QStringLiteral("0031"), QStringLiteral("L'Q"), QStringLiteral("1"), 80, 80);
        abreJanela();
        novaLinha({QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), QStringLiteral("96,5"),
                   QStringLiteral("96,5")});
        QCOMPARE(campo("CODFORN"), QStringLiteral("0012"));
        QCOMPARE(grade()->currentIndex().row(), DM->PesoCaV->RecNo() - 1);
        QCOMPARE(grade()->selectedIndex(), 5);
        digita(QStringLiteral("95"));
        key(Qt::Key_Return);
        QCOMPARE(valor(QStringLiteral("P03"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), 95.0);
        QCOMPARE(valor(QStringLiteral("P03"), QStringLiteral("0031"), QStringLiteral("L'Q")).toDouble(), 80.0);
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0031"), QStringLiteral("L'Q")).toDouble(), 80.0);
    }

    void theLastOfManyLots()
    {
        // More lots than are read at once: the navigator's last button reaches them.
        for (int i = 1; i <= 150; ++i)
            registraLote(QStringLiteral("0012"), QStringLiteral("M%1").arg(i, 3, 10, QLatin1Char('0')),
                         QStringLiteral("0"), 50, 50);
        TFormCadPrep *w = abreJanela();
        QTest::mouseClick(w->DBNavigator1->button(DBNavigator::Last), Qt::LeftButton);
        QCOMPARE(DM->PesoCaV->RecNo(), 150);
        QCOMPARE(w->DBText3->text(), QStringLiteral("M150"));
        clicaNaCelula(149, 5);
        digita(QStringLiteral("70"));
        key(Qt::Key_Return);
        QCOMPARE(valor(QStringLiteral("P03"), QStringLiteral("0012"), QStringLiteral("M150")).toDouble(), 70.0);
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0012"), QStringLiteral("M150")).toDouble(), 51.0);
        QCOMPARE(campo("LOTE"), QStringLiteral("M150"));
        QCOMPARE(grade()->currentIndex().row(), 149);
        QCOMPARE(lotes(QStringLiteral("PESOMEDIO = 50")), 149);
        QVERIFY(recorder->entries().isEmpty());
    }

    void aRegisteredLotGoneFromTheStockIsKept()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("VELHO"), QStringLiteral("0"), 96.5, 96.5);
        abreJanela();
        clicaNaCelula(0, 1);
        clicaNaCelula(0, 2);
        QVERIFY(recorder->entries().isEmpty());
        QCOMPARE(campo("LOTE"), QStringLiteral("VELHO"));
        // A weight typed and the lot passed again: still kept, and stored with it.
        clicaNaCelula(0, 5);
        digita(QStringLiteral("90"));
        clicaNaCelula(0, 1);
        clicaNaCelula(0, 2);
        QVERIFY(recorder->entries().isEmpty());
        QCOMPARE(lotes(QStringLiteral("LOTE = 'VELHO' and P03 = 90")), 1);
    }

    void aBalanceWeightGoesWhereATypedOneWould()
    {
        TFormCadPrep *w = abreJanela();
        novaLinha({QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0")});
        for (int i = 0; i < 20; ++i)
            QVERIFY(w->EntraPeso(96.5));
        QCOMPARE(grade()->selectedIndex(), 23);
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), 96.5);
        // Not on a weight column.
        QVERIFY(!w->EntraPeso(96.5));
        // In the entry panel: into the focused weight edit, then to the next.
        w->BitBtn4->click();
        w->Peso[18]->setFocus();
        QVERIFY(w->EntraPeso(12.25));
        QCOMPARE(w->Peso[18]->text(), QStringLiteral("12,25"));
        QCOMPARE(QApplication::focusWidget(), w->Peso[19]);
        QVERIFY(w->EntraPeso(12.5));
        QCOMPARE(QApplication::focusWidget(), w->BitBtn2);
        QVERIFY(recorder->entries().isEmpty());
    }
};

int main(int argc, char **argv)
{
    Application app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    TstLotes test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_lotes.moc"
