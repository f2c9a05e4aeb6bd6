// The lot registry's entry panel, its pickers, saving and changing a lot,
// duplicate elimination and deletion, driven from the window with the keys
// and mouse clicks of a pharmacist, against the real database.

#include "core/DisplayFormat.h"
#include "tests/lots/JanelaLotes.h"
#include "balance/LeitorBalanca.h"
#include "tests/support/BalancaSimulada.h"
#include "tests/support/MessageRecorder.h"
#include "widgets/DBControls.h"
#include "widgets/ErrorHandler.h"

#include <QLabel>

#include <utility>

using namespace Lotes;

namespace {

const QString kJaExiste = QStringLiteral("ATENÇÃO: Já existe um registro para este LOTE deste FORNECEDOR!");
const QString kSucesso = QStringLiteral("Procedimento concluído com sucesso!");
const QString kSemDuplicados = QStringLiteral("Não foram encontrados registros duplicados.");
const QString kSemTamanho = QStringLiteral("Informe o tamanho das cápsulas deste lote (um ou dois algarismos, como 0, 1 "
                                           "ou 00): sem ele o lote não é encontrado na análise.\rNada foi gravado.");

TFormCadPrep *w()
{
    return FormCadPrep;
}

void foco(QWidget *alvo)
{
    QCOMPARE(QApplication::focusWidget(), alvo);
}

// Enter in the supplier code, the supplier at that row of the list chosen with Enter.
void escolheFornecedor(int linha)
{
    w()->CodigoFornecedor->setFocus();
    key(Qt::Key_Return);
    for (int i = 0; i < linha; ++i)
        key(Qt::Key_Down);
    key(Qt::Key_Return);
}

// A key typed into the lot, the lot at that row of the list chosen with Enter.
void escolheLote(int linha)
{
    digita(QStringLiteral("L"));
    for (int i = 0; i < linha; ++i)
        key(Qt::Key_Down);
    key(Qt::Key_Return);
}

// Each weight typed and Enter, from the edit that has the focus.
void digitaPesos(const QStringList &pesos)
{
    for (const QString &p : pesos) {
        digita(p);
        key(Qt::Key_Return);
    }
}

void eliminaDuplicacoes()
{
    escolheNoMenu(w()->PainelCapVazias, QPoint(900, 60), w()->PopupMenu1, w()->Eliminarduplicaes1);
}

QStringList pesosIguais(const QString &peso)
{
    return QStringList(20, peso);
}

} // namespace

class TstSalvaLotes : public QObject {
    Q_OBJECT

    MessageRecorder *recorder = nullptr;
    // The key of PESCAVAZ was dropped by the test: given back when the program is gone.
    bool semChave = false;

private slots:
    void init()
    {
        TestDb::reset();
        fornecedoresEEstoque();
        ReiniciaConfiguracao();
        recorder = new MessageRecorder;
        TestPrograma::inicia();
        CodFornAnterior.clear();
        LoteAnterior.clear();
    }
    void cleanup()
    {
        TestPrograma::encerra();
        delete recorder;
        if (std::exchange(semChave, false)) {
            TestDb::admin().close();
            TestDb::exec({QStringLiteral("delete from PESCAVAZ"),
                          QStringLiteral("alter table PESCAVAZ add constraint UQ_PESCAVAZ unique "
                                         "(CODFORN, LOTE, TAMCAP)")});
        }
        QCOMPARE(Application::uncaughtErrorCount(), 0);
    }

    // ---------------------------------------------- the typical new lot

    void newLotChosenAndTypedByKeys()
    {
        abreJanela();
        QTest::mouseClick(w()->BitBtn4, Qt::LeftButton);
        QCOMPARE(w()->ModoEntrada, 1);
        QVERIFY(w()->Panel1->isVisible());
        QCOMPARE(w()->Panel1->geometry(), QRect(168, 120, 601, 470));
        foco(w()->CodigoFornecedor);
        // Enter: the whole supplier list, by trade name, from its first row.
        key(Qt::Key_Return);
        QVERIFY(w()->PainelForneced->isVisible());
        foco(w()->DBGrid2);
        QCOMPARE(DM->SQLDS_OpForn.CommandText,
                 QStringLiteral("Select ") + ColunasFornecedor + QStringLiteral(" from FORNECED order by NOMEFANTASIA"));
        QCOMPARE(w()->DBGrid2->model()->rowCount(), 3);
        QCOMPARE(w()->DBGrid2->currentIndex().row(), 0);
        key(Qt::Key_Return);
        QVERIFY(!w()->PainelForneced->isVisible());
        QVERIFY(!DM->OpForn->Active());
        QCOMPARE(w()->CodigoFornecedor->text(), QStringLiteral("0012"));
        QCOMPARE(w()->Label31->text(), QStringLiteral("CAPS BRASIL"));
        QCOMPARE(w()->Label3->text(), QStringLiteral("CAPS BRASIL"));
        foco(w()->EditLote);
        // The first key is typed and opens the supplier's capsule lots.
        digita(QStringLiteral("X"));
        QCOMPARE(w()->EditLote->text(), QStringLiteral("X"));
        QVERIFY(w()->PainelEstLote->isVisible());
        foco(w()->DBGrid3);
        QCOMPARE(w()->DBText2->text(), QStringLiteral("CAPS BRASIL"));
        key(Qt::Key_Down);
        key(Qt::Key_Down);
        key(Qt::Key_Return);
        QVERIFY(!w()->PainelEstLote->isVisible());
        QVERIFY(!DM->OpForn->Active());
        QCOMPARE(w()->EditLote->text(), QStringLiteral("L2401"));
        QCOMPARE(w()->Label34->text(), QStringLiteral("Capsula 0 Azul"));
        foco(w()->Peso[0]);
        // "weight, Enter" through the twenty edits, then Enter on "Salvar".
        digitaPesos(pesosIguais(QStringLiteral("96,5")));
        foco(w()->BitBtn2);
        key(Qt::Key_Return);
        QCOMPARE(recorder->texts(), QStringList{kSucesso});
        QVERIFY(!w()->Panel1->isVisible());
        QCOMPARE(lotes(QStringLiteral("CODFORN = '0012' and LOTE = 'L2401' and TAMCAP = '0' and PESOMEDIO = 96.5 and "
                                      "P01 = 96.5 and P20 = 96.5")),
                 1);
        // The list read again, from its first lot.
        QCOMPARE(DM->PesoCaV->RecordCount(), 1);
        QCOMPARE(DM->PesoCaV->RecNo(), 1);
        QCOMPARE(w()->ModoEntrada, 1);
    }

    void twentyWeightsReadFromTheBalance()
    {
        // The balance sends the weights in grams; the register is kept in milligrams.
        BalancaSimulada balanca;
        QStringList gramas;
        for (int i = 0; i < 20; ++i)
            gramas << QStringLiteral("0.09%1").arg(i < 10 ? 65 : 64);   // 96.5 mg ten times, 96.4 mg ten times
        QVERIFY(balanca.inicia({QStringLiteral("--pesos"), gramas.join(QLatin1Char(','))}));
        ConfiguracaoBalanca c;
        c.porta = balanca.porta();
        BalancaDoPrograma().setConfiguracao(c);
        abreJanela();
        QTest::mouseClick(w()->BitBtn4, Qt::LeftButton);
        escolheFornecedor(0);
        escolheLote(2);
        foco(w()->Peso[0]);
        // F6 in each weight edit: the weight goes in and the focus moves on, as Enter does.
        for (int i = 0; i < 20; ++i) {
            key(Qt::Key_F6);
            QTRY_COMPARE(QApplication::focusWidget(), i < 19 ? static_cast<QWidget *>(w()->Peso[i + 1]) : w()->BitBtn2);
        }
        QCOMPARE(w()->Peso[0]->text(), QStringLiteral("96,5"));
        QCOMPARE(w()->Peso[19]->text(), QStringLiteral("96,4"));
        key(Qt::Key_Return);
        QCOMPARE(recorder->texts(), QStringList{kSucesso});
        QCOMPARE(lotes(QStringLiteral("CODFORN = '0012' and LOTE = 'L2401' and PESOMEDIO = 96.45 and P01 = 96.5 and "
                                      "P20 = 96.4")),
                 1);
        BalancaDoPrograma().setConfiguracao(ConfiguracaoBalanca());
    }

    void tabOrderOfTheEntryPanel()
    {
        abreJanela();
        w()->BitBtn4->click();
        QList<QWidget *> ordem = {w()->EditLote, w()->EditTamanho, w()->BitBtn3};
        for (QLineEdit *p : w()->Peso)
            ordem.append(p);
        ordem.append(w()->BitBtn2);
        for (QWidget *proximo : ordem) {
            key(Qt::Key_Tab);
            foco(proximo);
        }
    }

    void supplierListOpensWhateverWasTyped_data()
    {
        QTest::addColumn<QString>("codigo");
        QTest::newRow("empty") << "";
        QTest::newRow("a valid code") << "0031";
    }
    void supplierListOpensWhateverWasTyped()
    {
        QFETCH(QString, codigo);
        abreJanela();
        w()->BitBtn4->click();
        digita(codigo);
        key(Qt::Key_Return);
        QVERIFY(w()->PainelForneced->isVisible());
        QCOMPARE(w()->DBGrid2->currentIndex().row(), 0);
        QCOMPARE(w()->DBGrid2->model()->index(0, 0).data().toString(), QStringLiteral("CAPS BRASIL"));
        // Esc: back to the code, which stays as it was, and nothing else changes.
        key(Qt::Key_Escape);
        QVERIFY(!w()->PainelForneced->isVisible());
        QVERIFY(!DM->OpForn->Active());
        foco(w()->CodigoFornecedor);
        QCOMPARE(w()->CodigoFornecedor->text(), codigo);
        QCOMPARE(w()->Label31->text(), QString());
        QCOMPARE(w()->Label3->text(), QStringLiteral("Informe todos os pesos em mg"));
    }

    void lotListOfTheSupplier()
    {
        abreJanela();
        w()->BitBtn4->click();
        escolheFornecedor(0);
        digita(QStringLiteral("Q"));
        // Capsule lots only, "Cápsula" and "CAPSULA" left out, by expiry and then lot.
        QStringList listados;
        for (int r = 0; r < w()->DBGrid3->model()->rowCount(); ++r)
            listados.append(w()->DBGrid3->model()->index(r, 0).data().toString());
        QCOMPARE(listados, (QStringList{QStringLiteral("L2402"), QStringLiteral("L2403"), QStringLiteral("L2401"),
                                        QStringLiteral("L2404"), QStringLiteral("L2405")}));
        // Esc: back to the lot, with what was typed; the next key offers the list again.
        key(Qt::Key_Escape);
        QVERIFY(!w()->PainelEstLote->isVisible());
        foco(w()->EditLote);
        QCOMPARE(w()->EditLote->text(), QStringLiteral("Q"));
        QCOMPARE(w()->DBText2->text(), QString());
        key(Qt::Key_Backspace);
        QVERIFY(w()->PainelEstLote->isVisible());
        QCOMPARE(w()->DBText2->text(), QStringLiteral("CAPS BRASIL"));
        key(Qt::Key_Return);
        QCOMPARE(w()->EditLote->text(), QStringLiteral("L2402"));
        QCOMPARE(w()->Label34->text(), QStringLiteral("Capsula 00 Azul"));
        foco(w()->Peso[0]);
        QVERIFY(recorder->entries().isEmpty());
    }

    void lotTypedFreely_data()
    {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QStringList>("mensagens");
        // The look-up is exact: "12" is not "0012".
        QTest::newRow("12 while the table holds 0012") << "12" << QStringList();
        QTest::newRow("unknown supplier") << "0099" << QStringList();
        QTest::newRow("supplier still to be identified") << "0000" << QStringList();
        QTest::newRow("supplier without capsule lots")
            << "0044" << QStringList(3, QStringLiteral("Não há nenhum lote de cápsulas deste fornecedor no estoque."));
    }
    void lotTypedFreely()
    {
        QFETCH(QString, codigo);
        QFETCH(QStringList, mensagens);
        // A supplier "0000" with capsule lots: still no list while the code says "to be identified".
        TestDb::exec({QStringLiteral("insert into FORNECED (CODIGO, NOME, NOMEFANTASIA) values ('0000', 'A "
                                     "identificar', 'A IDENTIFICAR')"),
                      QStringLiteral("insert into ESTLOTE (DESCRICAO, LOTE, FORNECEDOR, CODIGO, LABORATORIO) values "
                                     "('Capsula 4', 'LZ', 'A IDENTIFICAR', '900', 'LAB')")});
        abreJanela();
        w()->BitBtn4->click();
        digita(codigo);
        key(Qt::Key_Tab);
        digita(QStringLiteral("LIV"));
        QCOMPARE(w()->EditLote->text(), QStringLiteral("LIV"));
        QVERIFY(!w()->PainelEstLote->isVisible());
        QVERIFY(!DM->OpForn->Active());
        QCOMPARE(recorder->texts(), mensagens);
        foco(w()->EditLote);
    }

    void aChosenSupplierCodeOpensTheLots()
    {
        abreJanela();
        w()->BitBtn4->click();
        digita(QStringLiteral("12"));
        key(Qt::Key_Tab);
        digita(QStringLiteral("L"));
        QVERIFY(!w()->PainelEstLote->isVisible());
        // Chosen from the list, the code reads "0012" and the lots are offered.
        escolheFornecedor(0);
        QCOMPARE(w()->CodigoFornecedor->text(), QStringLiteral("0012"));
        digita(QStringLiteral("L"));
        QVERIFY(w()->PainelEstLote->isVisible());
    }

    // ------------------------------------------ the duplicate check on Peso1

    void duplicateWhenEnteringTheFirstWeight_data()
    {
        QTest::addColumn<bool>("alteracao");
        QTest::newRow("new lot") << false;
        QTest::newRow("change: never") << true;
    }
    void duplicateWhenEnteringTheFirstWeight()
    {
        QFETCH(bool, alteracao);
        registraLote(QStringLiteral("0031"), QStringLiteral("L'Q"), QStringLiteral("1"), 80, 80);
        registraLote(QStringLiteral("0012"), QStringLiteral("L2402"), QStringLiteral("00"), 96.5, 96.5);
        abreJanela();
        if (alteracao)
            menuDaLinha(linhaDe(QStringLiteral("0031"), QStringLiteral("L'Q")), w()->Alteraresteregistro1);
        else
            w()->BitBtn4->click();
        QCOMPARE(w()->ModoEntrada, alteracao ? 2 : 1);
        // The code and the lot of the other registered lot, chosen from the lists.
        escolheFornecedor(0);
        w()->EditLote->selectAll();
        escolheLote(0);
        if (alteracao) {
            QCOMPARE(w()->EditLote->text(), QStringLiteral("L2402"));
            QVERIFY(recorder->entries().isEmpty());
            foco(w()->Peso[0]);
            QCOMPARE(w()->CodigoFornecedor->text(), QStringLiteral("0012"));
        } else {
            QCOMPARE(recorder->texts(), QStringList{kJaExiste});
            QCOMPARE(w()->CodigoFornecedor->text(), QString());
            QCOMPARE(w()->EditLote->text(), QString());
            foco(w()->CodigoFornecedor);
        }
    }

    // ----------------------------------------------------------- saving

    void averageWrittenWithTwoDecimals_data()
    {
        QTest::addColumn<QStringList>("pesos");
        QTest::addColumn<double>("media");
        QTest::newRow("twenty of 96,5") << pesosIguais(QStringLiteral("96,5")) << 96.5;
        QStringList soma = pesosIguais(QStringLiteral("96,5"));
        soma[19] = QStringLiteral("96,75");
        QTest::newRow("sum 1930.25") << soma << 96.51;
        QStringList pontos = pesosIguais(QStringLiteral("96.5"));
        QTest::newRow("a point alone as the decimal separator") << pontos << 96.5;
    }
    void averageWrittenWithTwoDecimals()
    {
        QFETCH(QStringList, pesos);
        QFETCH(double, media);
        abreJanela();
        w()->BitBtn4->click();
        escolheFornecedor(0);
        escolheLote(2);
        digitaPesos(pesos);
        key(Qt::Key_Return);
        QCOMPARE(recorder->texts(), QStringList{kSucesso});
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), media);
        QCOMPARE(valor(QStringLiteral("P20"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(),
                 readTypedNumber(pesos[19]).value.value());
    }

    void aWeightThatIsNoNumber_data()
    {
        QTest::addColumn<int>("indice");
        QTest::addColumn<QString>("texto");
        QTest::newRow("empty") << 4 << "";
        QTest::newRow("letters") << 0 << "abc";
        QTest::newRow("exponent") << 19 << "1e2";
        QTest::newRow("negative") << 7 << "-1";
        QTest::newRow("ambiguous") << 10 << "1.250";
    }
    void aWeightThatIsNoNumber()
    {
        QFETCH(int, indice);
        QFETCH(QString, texto);
        abreJanela();
        w()->BitBtn4->click();
        escolheFornecedor(0);
        escolheLote(2);
        QStringList pesos = pesosIguais(QStringLiteral("96,5"));
        pesos[indice] = texto;
        digitaPesos(pesos);
        key(Qt::Key_Return);
        QCOMPARE(recorder->entries().size(), 1);
        QCOMPARE(recorder->entries().first().kind, MessageRecorder::Kind::Error);
        QCOMPARE(recorder->entries().first().text,
                 QStringLiteral("Peso %1: ").arg(indice + 1) + readTypedNumber(texto).error);
        // Nothing stored, the panel open with what was typed, the edit in question focused.
        QCOMPARE(lotes(), 0);
        QVERIFY(w()->Panel1->isVisible());
        QCOMPARE(w()->Peso[indice]->text(), texto);
        foco(w()->Peso[indice]);
    }

    void capsuleSizeOfANewLot_data()
    {
        QTest::addColumn<bool>("daLista");
        QTest::addColumn<int>("linhaDoLote");
        QTest::addColumn<QString>("lote");
        QTest::addColumn<QString>("lido");       // the size the panel offers
        QTest::addColumn<QString>("tamanho");    // the size stored
        QTest::newRow("Capsula 1 Branca") << true << 1 << "L2403" << "1" << "1";
        // No size is offered: asked for, typed, then stored.
        QTest::newRow("three digits in the description") << true << 4 << "L2405" << "" << "00";
        QTest::newRow("typed by hand, no description") << false << 0 << "LIVRE" << "" << "2";
    }
    void capsuleSizeOfANewLot()
    {
        QFETCH(bool, daLista);
        QFETCH(int, linhaDoLote);
        QFETCH(QString, lote);
        QFETCH(QString, lido);
        QFETCH(QString, tamanho);
        abreJanela();
        w()->BitBtn4->click();
        QString codigo = QStringLiteral("0012");
        if (daLista) {
            escolheFornecedor(0);
            escolheLote(linhaDoLote);
        } else {
            codigo = QStringLiteral("0099");
            digita(codigo);
            key(Qt::Key_Tab);
            digita(lote);
            key(Qt::Key_Tab);
            key(Qt::Key_Tab);
            key(Qt::Key_Tab);
        }
        QCOMPARE(w()->EditTamanho->text(), lido);
        foco(w()->Peso[0]);
        digitaPesos(pesosIguais(QStringLiteral("50")));
        key(Qt::Key_Return);
        if (lido.isEmpty()) {
            // A lot without a size would never be found by the analysis: nothing
            // stored, the panel kept with its weights, the size asked for.
            QCOMPARE(recorder->texts(), QStringList{kSemTamanho});
            QCOMPARE(lotes(), 0);
            QVERIFY(w()->Panel1->isVisible());
            QCOMPARE(w()->Peso[19]->text(), QStringLiteral("50"));
            foco(w()->EditTamanho);
            recorder->clear();
            digita(tamanho);
            QTest::mouseClick(w()->BitBtn2, Qt::LeftButton);
        }
        QCOMPARE(recorder->texts(), QStringList{kSucesso});
        QCOMPARE(valor(QStringLiteral("TAMCAP"), codigo, lote).toString(), tamanho);
    }

    void quotesInTheCodeAndLot()
    {
        abreJanela();
        w()->BitBtn4->click();
        digita(QStringLiteral("0'9"));
        key(Qt::Key_Tab);
        digita(QStringLiteral("O'BRIEN"));
        key(Qt::Key_Tab);
        digita(QStringLiteral("0"));
        key(Qt::Key_Tab);
        key(Qt::Key_Tab);
        digitaPesos(pesosIguais(QStringLiteral("50")));
        key(Qt::Key_Return);
        QCOMPARE(recorder->texts(), QStringList{kSucesso});
        QCOMPARE(lotes(QStringLiteral("CODFORN = '0''9' and LOTE = 'O''BRIEN' and PESOMEDIO = 50")), 1);
        // The same again is a duplicate, found through the quotes.
        w()->BitBtn4->click();
        digita(QStringLiteral("0'9"));
        key(Qt::Key_Tab);
        digita(QStringLiteral("O'BRIEN"));
        key(Qt::Key_Tab);
        digita(QStringLiteral("0"));
        key(Qt::Key_Tab);
        key(Qt::Key_Tab);
        QCOMPARE(recorder->texts().last(), kJaExiste);
    }

    void newLotRegisteredMeanwhile()
    {
        abreJanela();
        w()->BitBtn4->click();
        escolheFornecedor(0);
        escolheLote(2);
        digitaPesos(pesosIguais(QStringLiteral("50")));
        // Another workstation registers the lot before "Salvar".
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("5"), 40, 40);
        key(Qt::Key_Return);
        QCOMPARE(recorder->texts(), QStringList{kJaExiste});
        QCOMPARE(w()->Label31->text(), QString());
        QCOMPARE(w()->Label34->text(), QString());
        // The panel stays with the twenty weights typed, for another lot to be given.
        QVERIFY(w()->Panel1->isVisible());
        QCOMPARE(w()->Peso[19]->text(), QStringLiteral("50"));
        foco(w()->CodigoFornecedor);
        QCOMPARE(lotes(), 1);
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), 40.0);
        QCOMPARE(DM->PesoCaV->RecordCount(), 1);
    }

    void aStatementTheDatabaseRefuses()
    {
        abreJanela();
        w()->BitBtn4->click();
        // A code longer than the column.
        digita(QStringLiteral("00123"));
        key(Qt::Key_Tab);
        digita(QStringLiteral("LONGO"));
        key(Qt::Key_Tab);
        digita(QStringLiteral("0"));
        key(Qt::Key_Tab);
        key(Qt::Key_Tab);
        // No supplier has the code: "0012" is not found by cutting it to the column's size.
        QVERIFY(!w()->PainelEstLote->isVisible());
        digitaPesos(pesosIguais(QStringLiteral("50")));
        key(Qt::Key_Return);
        // The message is followed by the database's own reason.
        QCOMPARE(recorder->texts().size(), 1);
        QVERIFY2(recorder->texts().first().startsWith(QStringLiteral("Falha na execução do procedimento.\rMotivo: ")),
                 qPrintable(recorder->texts().first()));
        QVERIFY2(recorder->texts().first().contains(QStringLiteral("string truncation")), qPrintable(recorder->texts().first()));
        // Nothing stored; the panel stays with what was typed, to be corrected.
        QVERIFY(w()->Panel1->isVisible());
        QCOMPARE(w()->CodigoFornecedor->text(), QStringLiteral("00123"));
        QCOMPARE(lotes(), 0);
    }

    void cancelKeepsTheTextsAndNewLotEmptiesThem()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        abreJanela();
        w()->BitBtn4->click();
        digita(QStringLiteral("0099"));
        QTest::mouseClick(w()->BitBtn3, Qt::LeftButton);
        QVERIFY(!w()->Panel1->isVisible());
        QCOMPARE(w()->CodigoFornecedor->text(), QStringLiteral("0099"));
        QCOMPARE(w()->ModoEntrada, 1);
        w()->BitBtn4->click();
        QCOMPARE(w()->CodigoFornecedor->text(), QString());
        w()->Peso[3]->setText(QStringLiteral("7"));
        QTest::mouseClick(w()->BitBtn3, Qt::LeftButton);
        menuDaLinha(0, w()->Alteraresteregistro1);
        QCOMPARE(w()->CodigoFornecedor->text(), QStringLiteral("0012"));
        QCOMPARE(w()->Peso[3]->text(), QStringLiteral("96,5"));
    }

    // --------------------------------------------------------- changing

    void changeLoadsTheLot_data()
    {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("nome");
        QTest::addColumn<QString>("descricao");
        QTest::newRow("registered supplier, stock lot") << "0012" << "CAPS BRASIL" << "Capsula 0 Azul";
        QTest::newRow("supplier not registered") << "0099" << "" << "Capsula 0 Azul";
    }
    void changeLoadsTheLot()
    {
        QFETCH(QString, codigo);
        QFETCH(QString, nome);
        QFETCH(QString, descricao);
        registraLote(codigo, QStringLiteral("L2401"), QStringLiteral("0"), 96.25, 96.25);
        TestDb::exec({QStringLiteral("update PESCAVAZ set P07 = null")});
        abreJanela();
        menuDaLinha(0, w()->Alteraresteregistro1);
        QCOMPARE(w()->ModoEntrada, 2);
        QVERIFY(w()->Panel1->isVisible());
        foco(w()->CodigoFornecedor);
        QCOMPARE(CodFornAnterior, codigo);
        QCOMPARE(LoteAnterior, QStringLiteral("L2401"));
        QCOMPARE(w()->CodigoFornecedor->text(), codigo);
        QCOMPARE(w()->EditLote->text(), QStringLiteral("L2401"));
        QCOMPARE(w()->Label31->text(), nome);
        QCOMPARE(w()->Label34->text(), descricao);
        QCOMPARE(w()->Peso[0]->text(), QStringLiteral("96,25"));
        QCOMPARE(w()->Peso[6]->text(), QString());
    }

    void changeKeepingTheKeyAndTheSize()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        abreJanela();
        menuDaLinha(0, w()->Alteraresteregistro1);
        // Another lot of another size chosen from the stock: the size stays.
        escolheFornecedor(0);
        w()->EditLote->selectAll();
        escolheLote(1);
        digitaPesos(pesosIguais(QStringLiteral("90")));
        key(Qt::Key_Return);
        QCOMPARE(recorder->texts(), QStringList{kSucesso});
        QCOMPARE(lotes(), 1);
        QCOMPARE(valor(QStringLiteral("TAMCAP"), QStringLiteral("0012"), QStringLiteral("L2403")).toString(),
                 QStringLiteral("0"));
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0012"), QStringLiteral("L2403")).toDouble(), 90.0);
        // The same code and lot: stored at once, no duplicate reported.
        menuDaLinha(0, w()->Alteraresteregistro1);
        w()->Peso[0]->setFocus();
        w()->Peso[0]->selectAll();
        digita(QStringLiteral("110"));
        w()->BitBtn2->click();
        QCOMPARE(recorder->texts().last(), kSucesso);
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0012"), QStringLiteral("L2403")).toDouble(), 91.0);
    }

    void changeToAnotherLotsKey()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        registraLote(QStringLiteral("0031"), QStringLiteral("L'Q"), QStringLiteral("1"), 80, 80);
        abreJanela();
        menuDaLinha(linhaDe(QStringLiteral("0012"), QStringLiteral("L2401")), w()->Alteraresteregistro1);
        escolheFornecedor(1);
        w()->EditLote->selectAll();
        escolheLote(0);
        QCOMPARE(w()->EditLote->text(), QStringLiteral("L'Q"));
        w()->BitBtn2->click();
        QCOMPARE(recorder->texts(),
                 QStringList{QStringLiteral("ATENÇÃO: Já existe um registro para o LOTE L'Q do FORNECEDOR 0031")});
        QCOMPARE(w()->CodigoFornecedor->text(), QStringLiteral("0012"));
        QCOMPARE(w()->EditLote->text(), QStringLiteral("L2401"));
        // The panel stays with the weights typed.
        QVERIFY(w()->Panel1->isVisible());
        QCOMPARE(w()->Peso[0]->text(), QStringLiteral("96,5"));
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), 96.5);
        QCOMPARE(valor(QStringLiteral("PESOMEDIO"), QStringLiteral("0031"), QStringLiteral("L'Q")).toDouble(), 80.0);
    }

    void changeOfALotDeletedMeanwhile()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        abreJanela();
        menuDaLinha(0, w()->Alteraresteregistro1);
        TestDb::exec({QStringLiteral("delete from PESCAVAZ")});
        w()->BitBtn2->click();
        QCOMPARE(recorder->texts(),
                 QStringList{QStringLiteral("O lote \"L2401\" do fornecedor \"0012\" não está mais cadastrado: foi "
                                            "excluído ou alterado em outra estação.\rNada foi alterado.")});
        QCOMPARE(lotes(), 0);
        QVERIFY(DM->PesoCaV->IsEmpty());
    }

    void changingOneSizeOfALot()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L1"), QStringLiteral("0"), 96.5, 96.5);
        registraLote(QStringLiteral("0012"), QStringLiteral("L1"), QStringLiteral("1"), 80, 80);
        abreJanela();
        const int linha = 1;
        const QString tamanho = DM->PesoCaV->rowValue(linha, DM->PesoCaV->FieldIndex(QStringLiteral("TAMCAP"))).toString();
        menuDaLinha(linha, w()->Alteraresteregistro1);
        QCOMPARE(w()->EditTamanho->text(), tamanho);
        w()->Peso[0]->setFocus();
        digitaPesos(pesosIguais(QStringLiteral("70")));
        key(Qt::Key_Return);
        QCOMPARE(recorder->texts(), QStringList{kSucesso});
        // Only the size taken for change is changed.
        QCOMPARE(lotes(QStringLiteral("TAMCAP = '%1' and PESOMEDIO = 70").arg(tamanho)), 1);
        QCOMPARE(lotes(QStringLiteral("TAMCAP <> '%1' and PESOMEDIO = 70").arg(tamanho)), 0);
    }

    void changeWithAGridEditPending()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"), 96.5, 96.5);
        abreJanela();
        // A weight typed into the grid, its cell still open.
        clicaNaCelula(0, 7);
        digita(QStringLiteral("97"));
        menuDaLinha(0, w()->Alteraresteregistro1);
        // The panel holds the lot as stored with that weight.
        QCOMPARE(w()->Peso[4]->text(), QStringLiteral("97"));
        w()->Peso[0]->setFocus();
        digita(QStringLiteral("90"));
        QTest::mouseClick(w()->BitBtn2, Qt::LeftButton);
        QCOMPARE(recorder->texts(), QStringList{kSucesso});
        QCOMPARE(valor(QStringLiteral("P01"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), 90.0);
        QCOMPARE(valor(QStringLiteral("P05"), QStringLiteral("0012"), QStringLiteral("L2401")).toDouble(), 97.0);
        QCOMPARE(DM->PesoCaV->ChangeCount(), 0);
    }

    // ------------------------------------------------------- duplicates

    void noDuplicates()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L1"), QStringLiteral("0"), 96.5, 96.5);
        registraLote(QStringLiteral("0012"), QStringLiteral("L2"), QStringLiteral("0"), 96.5, 96.5);
        abreJanela();
        eliminaDuplicacoes();
        QCOMPARE(recorder->texts(), QStringList{kSemDuplicados});
        QCOMPARE(lotes(), 2);
    }

    void duplicateGroups_data()
    {
        QTest::addColumn<QStringList>("linhas");      // code/lot/size
        QTest::addColumn<QStringList>("mensagens");
        QTest::addColumn<QStringList>("ficam");       // code/lot/size
        QTest::newRow("three rows of L1 / 0012")
            << QStringList{"0012/L1/0", "0012/L1/1", "0012/L1/2", "0031/L2/0"}
            << QStringList{"Achei 3 registros para L1 / 0012", "Eliminando a duplicidade de LOTE: 'L1' e CODFORN: 0012",
                           "Foi encontrado um lote/fornecedor duplicado. A duplicação foi eliminada."}
            << QStringList{"0012/L1/*", "0031/L2/0"};
        QTest::newRow("two groups")
            << QStringList{"0012/L1/0", "0012/L1/1", "0031/L2/0", "0031/L2/1", "0031/L3/0"}
            << QStringList{"Achei 2 registros para L1 / 0012", "Eliminando a duplicidade de LOTE: 'L1' e CODFORN: 0012",
                           "Achei 2 registros para L2 / 0031", "Eliminando a duplicidade de LOTE: 'L2' e CODFORN: 0031",
                           "Foram encontrados 2 lotes/fornecedores duplicados. As duplicações foram eliminadas."}
            << QStringList{"0012/L1/*", "0031/L2/*", "0031/L3/0"};
        QTest::newRow("12 and 0012")
            << QStringList{"12/L1/0", "0012/L1/1"}
            << QStringList{"Achei 2 registros para L1 / 0012", "Eliminando a duplicidade de LOTE: 'L1' e CODFORN: 0012",
                           "Foi encontrado um lote/fornecedor duplicado. A duplicação foi eliminada."}
            << QStringList{"0012/L1/1"};
        QTest::newRow("codes that are no number, compared as text")
            << QStringList{"AB/L1/0", "AB/L1/1", "0012/L1/0", "ab/L1/2"}
            << QStringList{"Achei 2 registros para L1 / AB", "Eliminando a duplicidade de LOTE: 'L1' e CODFORN: AB",
                           "Foi encontrado um lote/fornecedor duplicado. A duplicação foi eliminada."}
            << QStringList{"0012/L1/0", "AB/L1/*", "ab/L1/2"};
        QTest::newRow("a lot with a quote")
            << QStringList{"0031/L'Q/0", "0031/L'Q/1"}
            << QStringList{"Achei 2 registros para L'Q / 0031", "Eliminando a duplicidade de LOTE: 'L'Q' e CODFORN: 0031",
                           "Foi encontrado um lote/fornecedor duplicado. A duplicação foi eliminada."}
            << QStringList{"0031/L'Q/*"};
    }
    void duplicateGroups()
    {
        QFETCH(QStringList, linhas);
        QFETCH(QStringList, mensagens);
        QFETCH(QStringList, ficam);
        double peso = 90;
        for (const QString &l : linhas) {
            const QStringList p = l.split(QLatin1Char('/'));
            peso += 1;
            registraLote(p[0], p[1], p[2], peso, peso);
        }
        abreJanela();
        // The row that stands for each group: the first of it in the grid's order.
        QHash<QString, QStringList> primeira;
        ClientDataSet *ds = DM->PesoCaV;
        for (int r = ds->RecordCount() - 1; r >= 0; --r) {
            const QString lote = ds->rowValue(r, ds->FieldIndex(QStringLiteral("LOTE"))).toString();
            QStringList valores;
            for (const char *c : {"CODFORN", "TAMCAP", "PESOMEDIO", "P01", "P20"})
                valores.append(ds->rowValue(r, ds->FieldIndex(QString::fromLatin1(c))).toString());
            primeira[valores[0] + QLatin1Char('/') + lote] = valores;
        }
        eliminaDuplicacoes();
        QCOMPARE(recorder->texts(), mensagens);
        QCOMPARE(lotes(), ficam.size());
        for (const QString &l : ficam) {
            const QStringList p = l.split(QLatin1Char('/'));
            QCOMPARE(lotes(QStringLiteral("CODFORN = %1 and LOTE = %2").arg(quoted(p[0]), quoted(p[1]))), 1);
            if (p[2] != QLatin1String("*"))
                continue;
            // A collapsed group keeps the values of its first row.
            const QStringList &valores = primeira.value(p[0] + QLatin1Char('/') + p[1]);
            QCOMPARE(valor(QStringLiteral("TAMCAP"), p[0], p[1]).toString(), valores[1]);
            QCOMPARE(valor(QStringLiteral("PESOMEDIO"), p[0], p[1]).toString(), valores[2]);
            QCOMPARE(valor(QStringLiteral("P01"), p[0], p[1]).toString(), valores[3]);
            QCOMPARE(valor(QStringLiteral("P20"), p[0], p[1]).toString(), valores[4]);
        }
        QCOMPARE(DM->PesoCaV->RecordCount(), ficam.size());
    }

    void sizesZeroAndOneInOneGroup()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("L1"), QStringLiteral("0"), 96.5, 96.5);
        registraLote(QStringLiteral("0012"), QStringLiteral("L1"), QStringLiteral("1"), 80, 80);
        abreJanela();
        const QString primeira = DM->PesoCaV->FieldByName(QStringLiteral("TAMCAP")).AsString();
        eliminaDuplicacoes();
        QCOMPARE(lotes(), 1);
        QCOMPARE(valor(QStringLiteral("TAMCAP"), QStringLiteral("0012"), QStringLiteral("L1")).toString(), primeira);
    }

    void sixtyGroupsTakeTwoRuns()
    {
        for (int g = 1; g <= 60; ++g)
            for (const char *tamanho : {"0", "1"})
                registraLote(QStringLiteral("0012"), QStringLiteral("G%1").arg(g, 2, 10, QLatin1Char('0')),
                             QString::fromLatin1(tamanho), 90 + g, 90 + g);
        registraLote(QStringLiteral("0012"), QStringLiteral("SOZINHO"), QStringLiteral("0"), 50, 50);
        abreJanela();
        eliminaDuplicacoes();
        QCOMPARE(recorder->texts().count(QStringLiteral("Achei 2 registros para G01 / 0012")), 1);
        QCOMPARE(recorder->texts().filter(QStringLiteral("Achei ")).size(), 51);
        QCOMPARE(recorder->texts().last(),
                 QStringLiteral("Foram encontrados 51 lotes/fornecedores duplicados. As duplicações foram eliminadas."));
        QCOMPARE(lotes(), 51 + 18 + 1);
        recorder->clear();
        eliminaDuplicacoes();
        QCOMPARE(recorder->texts().filter(QStringLiteral("Achei ")).size(), 9);
        QCOMPARE(recorder->texts().last(),
                 QStringLiteral("Foram encontrados 9 lotes/fornecedores duplicados. As duplicações foram eliminadas."));
        QCOMPARE(lotes(), 61);
        QCOMPARE(scalar(QStringLiteral("select sum(PESOMEDIO) from PESCAVAZ")).toDouble(), 60 * 90 + 1830 + 50.0);
    }

    void aFailedWriteBackLeavesTheGroupAsItWas()
    {
        registraLote(QStringLiteral("0012"), QStringLiteral("FALHA"), QStringLiteral("0"), 96.5, 96.5);
        registraLote(QStringLiteral("0012"), QStringLiteral("FALHA"), QStringLiteral("1"), 80, 80);
        // The database refuses the group's row written back.
        TestDb::exec({QStringLiteral("create exception E_LOTE_RECUSADO 'lote recusado pelo teste'"),
                      QStringLiteral("create trigger T_LOTE_RECUSADO for PESCAVAZ before insert as begin if "
                                     "(new.LOTE = 'FALHA') then exception E_LOTE_RECUSADO; end")});
        struct Remove {
            ~Remove()
            {
                try {
                    TestDb::exec({QStringLiteral("drop trigger T_LOTE_RECUSADO"),
                                  QStringLiteral("drop exception E_LOTE_RECUSADO")});
                } catch (const std::exception &e) {
                    qWarning("%s", e.what());
                }
            }
        } remove;
        abreJanela();
        eliminaDuplicacoes();
        const QStringList textos = recorder->texts();
        QCOMPARE(textos.size(), 3);
        QCOMPARE(textos[0], QStringLiteral("Achei 2 registros para FALHA / 0012"));
        QVERIFY(textos[2].startsWith(QStringLiteral("A duplicidade de LOTE: 'FALHA' e CODFORN: 0012 não foi "
                                                    "eliminada; os registros continuam como estavam.\r")));
        QVERIFY(textos[2].contains(QStringLiteral("lote recusado pelo teste")));
        QCOMPARE(recorder->entries()[2].kind, MessageRecorder::Kind::Error);
        QCOMPARE(lotes(QStringLiteral("LOTE = 'FALHA' and TAMCAP = '0' and PESOMEDIO = 96.5")), 1);
        QCOMPARE(lotes(QStringLiteral("LOTE = 'FALHA' and TAMCAP = '1' and PESOMEDIO = 80")), 1);
        QCOMPARE(DM->PesoCaV->RecordCount(), 2);
    }

    // --------------------------------------------------------- deletion

    void deletion_data()
    {
        QTest::addColumn<bool>("sim");
        QTest::newRow("answered No") << false;
        QTest::newRow("answered Yes") << true;
    }
    void deletion()
    {
        QFETCH(bool, sim);
        registraLote(QStringLiteral("0012"), QStringLiteral("L'1"), QStringLiteral("0"), 96.5, 96.5);
        registraLote(QStringLiteral("0012"), QStringLiteral("L'1"), QStringLiteral("1"), 80, 80);
        registraLote(QStringLiteral("0031"), QStringLiteral("L2"), QStringLiteral("0"), 70, 70);
        abreJanela();
        recorder->answerNext(sim);
        menuDaLinha(1, w()->Excluiresteregistro1);
        QCOMPARE(recorder->entries().size(), 1);
        QCOMPARE(recorder->entries().first().kind, MessageRecorder::Kind::Confirm);
        QCOMPARE(recorder->texts(),
                 QStringList{QStringLiteral("Confirma a exclusão do lote \"L'1\" do fornecedor \"0012\"?")});
        QCOMPARE(CodFornAnterior, QStringLiteral("0012"));
        QCOMPARE(LoteAnterior, QStringLiteral("L'1"));
        // Yes: that size of the lot goes, the other size stays, and the list starts again.
        QCOMPARE(lotes(), sim ? 2 : 3);
        QCOMPARE(DM->PesoCaV->RecordCount(), sim ? 2 : 3);
        QCOMPARE(lotes(QStringLiteral("LOTE = 'L''1' and TAMCAP = '%1'").arg(w()->TamanhoAnterior)), sim ? 0 : 1);
        if (sim)
            QCOMPARE(DM->PesoCaV->RecNo(), 1);
    }

    // A database that holds one supplier, lot and size twice (its key was
    // bypassed, or never there): a change or deletion of that lot would touch
    // both rows, and is refused with nothing changed.
    void aStatementThatWouldTouchTwoRowsIsRefused_data()
    {
        QTest::addColumn<bool>("exclusao");
        QTest::newRow("Salvar after Alterar este registro") << false;
        QTest::newRow("Excluir este registro") << true;
    }
    void aStatementThatWouldTouchTwoRowsIsRefused()
    {
        QFETCH(bool, exclusao);
        // No statement of the test's own connection may hold the key's index.
        TestDb::admin().close();
        TestDb::exec({QStringLiteral("alter table PESCAVAZ drop constraint UQ_PESCAVAZ")});
        semChave = true;
        registraLote(QStringLiteral("0012"), QStringLiteral("L1"), QStringLiteral("0"), 96.5, 96.5);
        registraLote(QStringLiteral("0012"), QStringLiteral("L1"), QStringLiteral("0"), 80, 80);
        abreJanela();
        if (exclusao) {
            recorder->answerNext(true);
            menuDaLinha(0, w()->Excluiresteregistro1);
        } else {
            menuDaLinha(0, w()->Alteraresteregistro1);
            w()->Peso[0]->setFocus();
            digitaPesos(pesosIguais(QStringLiteral("70")));
            key(Qt::Key_Return);
        }
        const QStringList textos = recorder->texts();
        QVERIFY(!textos.isEmpty());
        QVERIFY2(textos.last().contains(QStringLiteral("O comando atingiria 2 registros do lote \"L1\" do "
                                                       "fornecedor \"0012\" (tamanho \"0\"); nada foi alterado.")),
                 qPrintable(textos.join(QLatin1Char('\n'))));
        QVERIFY(!textos.contains(kSucesso));
        // Both rows as they were.
        QCOMPARE(lotes(), 2);
        QCOMPARE(lotes(QStringLiteral("PESOMEDIO = 96.5 and P01 = 96.5")), 1);
        QCOMPARE(lotes(QStringLiteral("PESOMEDIO = 80 and P01 = 80")), 1);
        QCOMPARE(DM->PesoCaV->RecordCount(), 2);
    }
};

int main(int argc, char **argv)
{
    Application app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    TstSalvaLotes test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_salvalotes.moc"
