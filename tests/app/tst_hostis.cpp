// One table of hostile inputs, pasted into every edit whose text reaches SQL,
// a file or the balance layer, as a user pastes text: each ends in a clear
// message or is stored exactly as given; nothing is stored wrongly, and no
// injected statement runs (the marker table stays untouched).

#include "analysis/uCadPesos.h"
#include "app/uBalanca.h"
#include "app/uPesoMed.h"
#include "balance/ConfiguracaoBalanca.h"
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

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

using TestDb::scalar;

struct Hostil {
    const char *nome;
    QString texto;
};

// The table: quotes, statement separators, comment markers, texts too long,
// characters the database's code page cannot hold, control characters.
QList<Hostil> hostis()
{
    return {
        {"quote", QStringLiteral("O'Brien")},
        {"double quote", QStringLiteral("\"; drop table MARCA")},
        {"injection", QStringLiteral("x'; delete from MARCA; --")},
        {"numeric injection", QStringLiteral("1 or 1=1; delete from MARCA")},
        {"comment markers", QStringLiteral("/* */ -- ")},
        {"semicolons", QStringLiteral(";;;")},
        {"union", QStringLiteral("' union select * from RDB$DATABASE --")},
        {"ten thousand characters", QString(10000, u'A')},
        {"chinese", QStringLiteral("測試")},
        {"emoji", QStringLiteral("peso 😀")},
        {"control characters", QStringLiteral("a\x01\x02\x1b[2J")},
        {"nul", QString(QChar(0)) + QStringLiteral("x")},
        {"tab and line ends", QStringLiteral("a\tb\r\nc")},
        {"percent and underscore", QStringLiteral("%_%")},
        {"backslashes", QStringLiteral("C:\\temp\\")},
        {"blanks", QStringLiteral("   ")},
        {"huge number", QStringLiteral("1e308")},
        {"not a number", QStringLiteral("NaN")},
        {"minus zero", QStringLiteral("-0")},
        {"many digits", QStringLiteral("99999999999999999999999")},
    };
}

void linhasHostis()
{
    QTest::addColumn<QString>("texto");
    for (const Hostil &h : hostis())
        QTest::newRow(h.nome) << h.texto;
}

void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    TestPrograma::tecla(k, modifiers);
}

// What the user pastes replaces whatever the edit held.
void cola(QLineEdit *edit, const QString &texto)
{
    edit->setFocus();
    edit->selectAll();
    edit->insert(texto);
}

int marca()
{
    return scalar(QStringLiteral("select count(*) from MARCA")).toInt();
}

} // namespace

class TstHostis : public QObject {
    Q_OBJECT

    MessageRecorder *recorder = nullptr;

private slots:
    void initTestCase()
    {
        TestDb::exec({QStringLiteral("recreate table MARCA (ID integer)")});
    }
    void init()
    {
        TestDb::reset();
        TestDb::exec({QStringLiteral("delete from MARCA"), QStringLiteral("insert into MARCA values (1)"),
                      QStringLiteral("insert into FORNECED (CODIGO, NOME, NOMEFANTASIA) values "
                                     "('0012', 'Caps Brasil Ltda', 'CAPS BRASIL')"),
                      QStringLiteral("insert into RPESOMED (ID_RPESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, RESULTADO, "
                                     "MOTIVOS) values (1, '010045211', '01', 4521, 1, 'Reprovado', 'motivo')")});
        TestDb::order(QStringLiteral("01"), 4521);
        TestDb::formula(QStringLiteral("01"), 4521, 1);
        TestDb::weighing(1, QStringLiteral("01"), 4521, 1, 1, 250);
        ReiniciaConfiguracao();
        recorder = new MessageRecorder;
        TestPrograma::inicia();
    }
    void cleanup()
    {
        TestPrograma::encerra();
        delete recorder;
        QCOMPARE(marca(), 1);
        QCOMPARE(Application::uncaughtErrorCount(), 0);
    }

    void orderSearch_data() { linhasHostis(); }
    void orderSearch()
    {
        QFETCH(QString, texto);
        frm_Principal->BitBtn2->click();
        QVERIFY(frm_Pesquisa);
        cola(frm_Pesquisa->edt_1, texto);
        key(Qt::Key_Return);
        // Nothing of the database changes; a text that is no order is said so or finds nothing.
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 1);
        if (frm_Pesquisa)
            frm_Pesquisa->close();
    }

    void weightCell_data() { linhasHostis(); }
    void weightCell()
    {
        QFETCH(QString, texto);
        key(Qt::Key_F4);
        TestPrograma::clicaAbaixoDasLinhas(frm_Cadastros->dbgrd1);
        key(Qt::Key_1);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        cola(editor, texto);
        key(Qt::Key_Return);
        // Refused with a message that says how to type a weight (blanks are no
        // weight at all); nothing stored.
        QCOMPARE(recorder->texts().size(), texto.trimmed().isEmpty() ? 0 : 1);
        if (!texto.trimmed().isEmpty())
            QVERIFY2(recorder->texts().first().contains(QStringLiteral("Digite")), qPrintable(recorder->texts().first()));
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 1);
        QCOMPARE(scalar(QStringLiteral("select PESO from PESOMED")).toDouble(), 250.0);
        frm_Cadastros->close();
    }

    void amendedReasons_data() { linhasHostis(); }
    void amendedReasons()
    {
        QFETCH(QString, texto);
        key(Qt::Key_F4);
        DBRichEdit *motivos = frm_Cadastros->DBRichEdit1;
        QTest::mouseClick(motivos->viewport(), Qt::LeftButton);
        motivos->selectAll();
        motivos->insertPlainText(texto);
        frm_Cadastros->dbgrd1->setFocus();
        const QVariant guardado = scalar(QStringLiteral("select MOTIVOS from RPESOMED"));
        if (recorder->texts().isEmpty()) {
            // Stored as given, cut to the column's 200 characters (an emptied one as no value).
            const QString esperado = motivos->toPlainText().left(200);
            QCOMPARE(guardado.toString(), esperado);
            QCOMPARE(guardado.isNull(), esperado.isEmpty());
        } else {
            QVERIFY2(recorder->texts().first().startsWith(QStringLiteral("O campo 'MOTIVOS' não aceita")),
                     qPrintable(recorder->texts().first()));
            QCOMPARE(guardado.toString(), QStringLiteral("motivo"));
        }
        frm_Cadastros->close();
    }

    void lotEntryPanel_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("noCodigo");
        for (const Hostil &h : hostis()) {
            QTest::addRow("code, %s", h.nome) << h.texto << true;
            QTest::addRow("lot, %s", h.nome) << h.texto << false;
        }
    }
    void lotEntryPanel()
    {
        QFETCH(QString, texto);
        QFETCH(bool, noCodigo);
        frm_Principal->BitBtn1->click();
        QApplication::setActiveWindow(FormCadPrep);
        QVERIFY(QTest::qWaitForWindowActive(FormCadPrep));
        FormCadPrep->BitBtn4->click();
        cola(FormCadPrep->CodigoFornecedor, noCodigo ? texto : QStringLiteral("0012"));
        cola(FormCadPrep->EditLote, noCodigo ? QStringLiteral("L1") : texto);
        FormCadPrep->EditTamanho->setText(QStringLiteral("0"));
        for (QLineEdit *peso : FormCadPrep->Peso)
            peso->setText(QStringLiteral("96,5"));
        QTest::mouseClick(FormCadPrep->BitBtn2, Qt::LeftButton);
        // Either the lot is stored with exactly the code and lot given, or the user was told why not.
        QVERIFY(!recorder->texts().isEmpty());
        const bool sucesso = recorder->texts().last() == QStringLiteral("Procedimento concluído com sucesso!");
        const int guardados = scalar(QStringLiteral("select count(*) from PESCAVAZ")).toInt();
        if (sucesso) {
            QCOMPARE(guardados, 1);
            QCOMPARE(scalar(QStringLiteral("select CODFORN from PESCAVAZ")).toString(),
                     noCodigo ? texto : QStringLiteral("0012"));
            QCOMPARE(scalar(QStringLiteral("select LOTE from PESCAVAZ")).toString(), noCodigo ? QStringLiteral("L1") : texto);
        } else {
            QCOMPARE(guardados, 0);
        }
    }

    void lotTypedInTheGrid_data() { linhasHostis(); }
    void lotTypedInTheGrid()
    {
        QFETCH(QString, texto);
        frm_Principal->BitBtn1->click();
        QApplication::setActiveWindow(FormCadPrep);
        QVERIFY(QTest::qWaitForWindowActive(FormCadPrep));
        DBGrid *grade = FormCadPrep->DBGrid1;
        TestPrograma::clicaAbaixoDasLinhas(grade);
        TestPrograma::digita(QStringLiteral("0012"));
        key(Qt::Key_Return);   // to the lot
        QCOMPARE(grade->selectedIndex(), 1);
        key(Qt::Key_X);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        cola(editor, texto);
        key(Qt::Key_Return);
        // The lot is looked up in the stock with the text quoted: not found, said so.
        QVERIFY(!recorder->texts().isEmpty());
        const int guardados = scalar(QStringLiteral("select count(*) from PESCAVAZ where LOTE <> '0'")).toInt();
        QCOMPARE(guardados, 0);
    }

    void balancePort_data() { linhasHostis(); }
    void balancePort()
    {
        QFETCH(QString, texto);
        const QString ini = ArquivoGravacaoBalanca();
        QFile::remove(ini);
        frm_Principal->Balanca1->trigger();
        QVERIFY(frm_Balanca);
        frm_Balanca->cmb_Porta->setEditText(texto);
        QTest::mouseClick(frm_Balanca->btn_Gravar, Qt::LeftButton);
        // Saved and read back as given, or refused with a message; the file stays readable.
        const ConfiguracaoBalanca lida = LeConfiguracaoBalanca(ini);
        if (QFile::exists(ini) && recorder->texts().isEmpty())
            QCOMPARE(lida.porta, frm_Balanca->cmb_Porta->currentText().trimmed());
        QCOMPARE(lida.protocolo, ProtocoloBalanca::MtSics);
        frm_Balanca->close();
        QFile::remove(ini);
    }
};

int main(int argc, char **argv)
{
    Application app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    TstHostis test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_hostis.moc"
