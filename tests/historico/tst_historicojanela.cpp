// The history as the pharmacist meets it, in the running program on the test
// database: the "Manipulador" field, the formula's history window, the
// report's record of the analysis (when, by whom, where the weights came
// from, the corrections made before it), the sampling rule, and a database
// without the history.

#include "analysis/Manipuladores.h"
#include "analysis/uCadPesos.h"
#include "app/uPesoMed.h"
#include "config/uConfiguracao.h"
#include "data/Historico.h"
#include "data/udm.h"
#include "history/uHistorico.h"
#include "lots/UCadPrep.h"
#include "report/RegistroDaAnalise.h"
#include "report/ReportSystem.h"
#include "report/uRM.h"
#include "tests/report/TextoDosFormatos.h"
#include "tests/support/DialogCatcher.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestDb.h"
#include "tests/support/TestPrograma.h"
#include "widgets/DBGrid.h"
#include "widgets/ErrorHandler.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdlib>

namespace {

using TestDb::scalar;
using TestPrograma::clicaAbaixoDasLinhas;
using TestPrograma::clicaNaCelula;
using TestPrograma::digita;

void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    TestPrograma::tecla(k, modifiers);
}

const QStringList kDez{QStringLiteral("250,1"), QStringLiteral("249,8"), QStringLiteral("250,1"),
                       QStringLiteral("248,7"), QStringLiteral("251,0"), QStringLiteral("250,4"),
                       QStringLiteral("249,2"), QStringLiteral("250,9"), QStringLiteral("251,6"),
                       QStringLiteral("248,4")};

QString isql(const QString &database, const QString &entrada, const QStringList &extra = {})
{
    QProcess p;
    p.start(QStringLiteral("isql-fb"), QStringList{QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("-ch"),
                                                   QStringLiteral("UTF8"), QStringLiteral("-user"),
                                                   QStringLiteral("sysdba"), QStringLiteral("-password"),
                                                   QStringLiteral("tamarindo")} +
                                           extra + (database.isEmpty() ? QStringList() : QStringList{database}));
    p.write(entrada.toUtf8());
    p.closeWriteChannel();
    if (!p.waitForFinished(60000))
        return QStringLiteral("isql-fb did not finish");
    return p.exitCode() == 0 ? QString() : QString::fromUtf8(p.readAllStandardError() + p.readAllStandardOutput());
}

} // namespace

class TstHistoricoJanela : public QObject {
    Q_OBJECT

    MessageRecorder *recorder = nullptr;
    DialogCatcher *catcher = nullptr;
    QTemporaryDir *pasta = nullptr;
    // An order of its own for each case: the history outlives the rows.
    int pedido = 0;
    QString chave() const { return QStringLiteral("01%11").arg(pedido, 6, 10, QLatin1Char('0')); }

    // The report of the current formula printed to a file of that format, as
    // a person fills the output options; the text a reader sees in it.
    QString relatorio(const QString &formato)
    {
        static const QHash<QString, QString> nomes{{"PDF", "Adobe Acrobat (PDF)"}, {"TXT", "Plain Text (TXT)"}};
        const QString caminho = pasta->filePath(QStringLiteral("relatorio.") + formato.toLower());
        catcher->answer<OutputOptionsDialog>([&](OutputOptionsDialog *d) {
            d->rbFile->click();
            d->cbFormat->setCurrentIndex(d->cbFormat->findText(nomes.value(formato)));
            d->edtFileName->selectAll();
            QTest::keyClicks(d->edtFileName, caminho);
            d->buttons->button(QDialogButtonBox::Ok)->click();
        });
        frm_Cadastros->btn_Relatorio->click();
        return TextoDosFormatos::texto(formato, caminho);
    }

    // The operator typed into "Manipulador", then Tab, as a person does.
    void manipulador(const QString &nome)
    {
        QLineEdit *campo = frm_Cadastros->cmb_Manipulador->lineEdit();
        QTest::mouseClick(campo, Qt::LeftButton);
        campo->selectAll();
        digita(nome);
        key(Qt::Key_Tab);
    }

    // A click into the weights grid and one weight per capsule, each with Enter.
    void pesa(const QStringList &pesos)
    {
        clicaAbaixoDasLinhas(frm_Cadastros->dbgrd1);
        for (const QString &p : pesos) {
            digita(p);
            key(Qt::Key_Return);
        }
        key(Qt::Key_Escape);
    }

private slots:
    void initTestCase()
    {
        // The names typed here stay out of the user's settings.
        QStandardPaths::setTestModeEnabled(true);
        QFile::remove(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                      QStringLiteral("/pesomed/Manipuladores.ini"));
    }

    void init()
    {
        TestDb::reset();
        pedido = std::max(5000, scalar(QStringLiteral("select coalesce(max(NPEDIDO), 0) from HISTPESO where NPEDIDO "
                                                      "between 5000 and 899999")).toInt()) + 1;
        TestDb::capsuleFormula(pedido);
        ReiniciaConfiguracao();
        recorder = new MessageRecorder;
        catcher = new DialogCatcher;
        pasta = new QTemporaryDir;
    }

    void cleanup()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<Tfrm_Historico *>(w))
                delete w;
        if (frm_Cadastros)
            frm_Cadastros->close();
        if (DM)
            TestPrograma::encerra();
        QCOMPARE(catcher->pending(), 0);
        delete catcher;
        delete recorder;
        delete pasta;
    }

    // Ten weights typed, capsule 3 corrected, F5, "Imprimir": the report says
    // when and by whom, that the weights were typed, and the correction.
    void typedCorrectedAnalysedAndPrinted_data()
    {
        QTest::addColumn<QString>("formato");
        QTest::newRow("PDF") << "PDF";
        QTest::newRow("TXT") << "TXT";
    }
    void typedCorrectedAnalysedAndPrinted()
    {
        QFETCH(QString, formato);
        TestPrograma::inicia();
        UnidadePesoMedio = QStringLiteral("MG");
        key(Qt::Key_F4);
        QVERIFY(frm_Cadastros);
        manipulador(QStringLiteral("Ana Souza"));
        QCOMPARE(DM->Operador(), QStringLiteral("Ana Souza"));
        pesa(kDez);
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 10);
        clicaNaCelula(frm_Cadastros->dbgrd1, 2, 1);
        digita(QStringLiteral("252,5"));
        key(Qt::Key_Return);
        key(Qt::Key_Escape);
        QCOMPARE(scalar(QStringLiteral("select PESO from PESOMED where NUMCAP = 3")).toDouble(), 252.5);
        const QDateTime antes = scalar(QStringLiteral("select current_timestamp from RDB$DATABASE")).toDateTime();
        key(Qt::Key_F5);
        QCOMPARE(scalar(QStringLiteral("select QDECAPS from RPESOMED")).toInt(), 10);
        // Empty or another name: written; the same name again: not written again.
        QCOMPARE(scalar(QStringLiteral("select MANIPULADOR from RPESOMED")).toString(), QStringLiteral("Ana Souza"));
        QVERIFY(frm_Cadastros->lbl_Registro->isHidden());

        const QString t = relatorio(formato);
        QVERIFY2(recorder->entries().isEmpty(), qPrintable(recorder->texts().join(QLatin1Char('|'))));
        const QRegularExpression analisado(QStringLiteral("Analisado em (\\d\\d/\\d\\d/\\d{4}) às (\\d\\d:\\d\\d) por Ana Souza"));
        const QRegularExpressionMatch m = analisado.match(t);
        QVERIFY2(m.hasMatch(), qPrintable(t));
        QCOMPARE(m.captured(1), antes.date().toString(QStringLiteral("dd/MM/yyyy")));
        QVERIFY(std::abs(QTime::fromString(m.captured(2), QStringLiteral("HH:mm")).secsTo(antes.time())) <= 120);
        QVERIFY(t.contains(QStringLiteral("Pesos digitados")));
        QVERIFY(!t.contains(QStringLiteral("balança")));
        QVERIFY(t.contains(QStringLiteral("Correções antes da análise")));
        QVERIFY2(t.contains(QRegularExpression(
                     QStringLiteral("Cápsula 3: 250,1 (→|->) 252,5 em \\d\\d/\\d\\d/\\d{4} às \\d\\d:\\d\\d por \\S"))),
                 qPrintable(t));
        QCOMPARE(t.count(QRegularExpression(QStringLiteral("Cápsula \\d+:"))), 1);
        QVERIFY(!t.contains(kHistoricoDesativado));
    }

    // The "Manipulador" field: the record's name when it holds one, else the
    // last one typed at this workstation; the names used before offered.
    void operatorFromTheRecordOrThisWorkstation()
    {
        TestDb::exec({QStringLiteral("insert into RPESOMED (ID_RPESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, "
                                     "MANIPULADOR) values (1, '%1', '01', %2, 1, 'Bruno Lima')").arg(chave()).arg(pedido)});
        LembraManipulador(QStringLiteral("Carla Dias"));
        LembraManipulador(QStringLiteral("Ana Souza"));
        TestPrograma::inicia();
        key(Qt::Key_F4);
        QTRY_COMPARE(frm_Cadastros->cmb_Manipulador->currentText(), QStringLiteral("Bruno Lima"));
        QCOMPARE(DM->Operador(), QStringLiteral("Bruno Lima"));
        QCOMPARE(frm_Cadastros->cmb_Manipulador->itemText(0), QStringLiteral("Ana Souza"));
        QCOMPARE(frm_Cadastros->cmb_Manipulador->itemText(1), QStringLiteral("Carla Dias"));
        // Chosen from the list: it replaces the record's name and goes first in the list.
        QTest::mouseClick(frm_Cadastros->cmb_Manipulador->lineEdit(), Qt::LeftButton);
        key(Qt::Key_Down);
        key(Qt::Key_Tab);
        const QString escolhido = frm_Cadastros->cmb_Manipulador->currentText();
        QVERIFY(escolhido != QLatin1String("Bruno Lima"));
        QCOMPARE(scalar(QStringLiteral("select MANIPULADOR from RPESOMED")).toString(), escolhido);
        QCOMPARE(ManipuladoresUsados().value(0), escolhido);
        QCOMPARE(DM->Operador(), escolhido);
    }

    // Fewer than 10 of 30 capsules: F5 stores and tells; the report says so.
    void sampleSmallerThanTheMethodAsks()
    {
        TestPrograma::inicia();
        UnidadePesoMedio = QStringLiteral("MG");
        key(Qt::Key_F4);
        pesa(kDez.mid(0, 4));
        key(Qt::Key_F5);
        QCOMPARE(scalar(QStringLiteral("select QDECAPS from RPESOMED")).toInt(), 4);
        QVERIFY(!scalar(QStringLiteral("select RESULTADO from RPESOMED")).toString().isEmpty());
        const QString aviso = QStringLiteral("Amostra de 4 cápsulas; o método pede 10");
        QTRY_COMPARE(frm_Cadastros->lbl_Registro->text(), aviso);
        QVERIFY(frm_Cadastros->lbl_Registro->isVisible());
        QVERIFY(relatorio(QStringLiteral("TXT")).contains(aviso));
    }

    // The history window of the formula: newest first, who, what, before → after.
    void historyWindowOfTheFormula()
    {
        TestPrograma::inicia();
        key(Qt::Key_F4);
        manipulador(QStringLiteral("Ana Souza"));
        pesa(kDez.mid(0, 3));
        clicaNaCelula(frm_Cadastros->dbgrd1, 1, 1);
        digita(QStringLiteral("260"));
        key(Qt::Key_Return);
        key(Qt::Key_Escape);
        frm_Cadastros->btn_Historico->click();
        Tfrm_Historico *h = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *j = qobject_cast<Tfrm_Historico *>(w))
                h = j;
        QVERIFY(h && h->isVisible());
        QVERIFY(h->lbl_Desativado->isHidden());
        QCOMPARE(h->grd_Historico->rowCount(),
                 scalar(QStringLiteral("select count(*) from HISTPESO where NPEDIDO = %1").arg(pedido)).toInt());
        QCOMPARE(h->grd_Historico->item(0, 2)->text(), QStringLiteral("Cápsula 2: alteração (digitado)"));
        QCOMPARE(h->grd_Historico->item(0, 3)->text(), QStringLiteral("PESO: 249,8 → 260"));
        QStringList oque;
        for (int r = 0; r < h->grd_Historico->rowCount(); ++r)
            oque << h->grd_Historico->item(r, 2)->text();
        QVERIFY(oque.indexOf(QStringLiteral("Cápsula 3: inclusão (digitado)")) < oque.indexOf(QStringLiteral("Cápsula 1: inclusão (digitado)")));
        QVERIFY2(oque.contains(QStringLiteral("Resultado: inclusão")), qPrintable(oque.join(QLatin1Char('|'))));
    }

    // "Histórico deste lote" in the lot register's grid menu.
    void historyOfALot()
    {
        const QString lote = QStringLiteral("H%1").arg(pedido);
        TestDb::exec({QStringLiteral("insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO) values ('0012', '%1', "
                                     "'0', 96)").arg(lote),
                      QStringLiteral("update PESCAVAZ set P01 = 95.5 where LOTE = '%1'").arg(lote)});
        TestPrograma::inicia();
        FormCadPrep->show();
        QTRY_VERIFY(DM->PesoCaV->Active());
        QVERIFY(DM->PesoCaV->Locate(QStringLiteral("LOTE"), {lote}));
        FormCadPrep->Historicodestelote1->trigger();
        Tfrm_Historico *h = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *j = qobject_cast<Tfrm_Historico *>(w))
                h = j;
        QVERIFY(h);
        QCOMPARE(h->grd_Historico->rowCount(), 2);
        QCOMPARE(h->grd_Historico->item(0, 2)->text(), QStringLiteral("Lote: alteração"));
        QCOMPARE(h->grd_Historico->item(0, 3)->text(), QStringLiteral("P01: — → 95,5"));
        QCOMPARE(h->grd_Historico->item(1, 2)->text(), QStringLiteral("Lote: inclusão"));
        FormCadPrep->hide();
    }

    // Weights read from the balance, as the writes carrying their source
    // record them: the report names the balance per capsule when mixed.
    void weightsFromTheBalanceOnTheReport()
    {
        SqlConnection &c = TestDb::admin();
        const Historico::OrigemPeso balanca{Historico::OrigemPeso::Tipo::Balanca, QStringLiteral("XS205"),
                                            QStringLiteral("B123456789"), QStringLiteral("S S     250.1 mg")};
        for (int i = 0; i < 4; ++i)
            Historico::escreve(c,
                               QStringLiteral("insert into PESOMED (ID_PESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, "
                                              "NUMCAP, PESO) values (%1, '%3', '01', %4, 1, %1, %2)")
                                   .arg(i + 1)
                                   .arg(250 + i * 0.3)
                                   .arg(chave())
                                   .arg(pedido),
                               i < 3 ? Historico::variaveis(balanca) : Historico::variaveis(Historico::OrigemPeso{}));
        TestDb::exec({QStringLiteral("insert into RPESOMED (ID_RPESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA) values "
                                     "(1, '%1', '01', %2, 1)").arg(chave()).arg(pedido)});
        TestPrograma::inicia();
        UnidadePesoMedio = QStringLiteral("MG");
        key(Qt::Key_F4);
        key(Qt::Key_F5);
        const QString t = relatorio(QStringLiteral("TXT"));
        QVERIFY2(t.contains(QStringLiteral("Pesos lidos da balança XS205, nº de série B123456789: cápsulas 1, 2, 3")),
                 qPrintable(t));
        QVERIFY(t.contains(QStringLiteral("Pesos digitados: cápsula 4")));
        QVERIFY2(!t.contains(QStringLiteral("Correções antes da análise")), qPrintable(t));
    }

    // A suite database without the history: weighing, analysis and report
    // work as before, and the window, the report and the history window say
    // in one line that the history is off.
    void databaseWithoutHistory()
    {
        const QString caminho = scalar(QStringLiteral("select MON$DATABASE_NAME from MON$DATABASE")).toString();
        QString arquivo = caminho;
        arquivo.replace(QRegularExpression(QStringLiteral("(\\.fdb)?$"), QRegularExpression::CaseInsensitiveOption),
                        QStringLiteral("_janela_sem_historico.fdb"));
        const QString banco = TestDb::location().section(QLatin1Char(':'), 0, 0) + QLatin1Char(':') + arquivo;
        isql({}, QStringLiteral("connect '%1' user 'sysdba' password 'tamarindo';\ndrop database;\n").arg(banco));
        QString erro = isql({}, QStringLiteral("create database '%1' user 'sysdba' password 'tamarindo' page_size 8192 "
                                               "default character set WIN1252;\ncommit;\n")
                                    .arg(banco));
        QVERIFY2(erro.isEmpty(), qPrintable(erro));
        erro = isql(banco, {}, {QStringLiteral("-i"), QStringLiteral(PESOMED_FONTES "/db/schema.sql")});
        QVERIFY2(erro.isEmpty(), qPrintable(erro));
        erro = isql(banco, QStringLiteral(
                               "insert into FORNECED (CODIGO, NOME, NOMEFANTASIA) values ('0012', 'Caps', 'CAPS BRASIL');\n"
                               "insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO) values ('0012', 'L0', '0', 96);\n"
                               "insert into PEDIDOS (ESTACAO, NPEDIDO, TIPOPEDIDO) values ('01', 77, 'Pedido');\n"
                               "insert into PEDIFORM (ESTACAO, NPEDIDO, NFORMULA, FORMAFARMA) values ('01', 77, 1, "
                               "'Cápsulas');\n"
                               "insert into COMPEDID (ESTACAO, NPEDIDO, NFORMULA, ORDEM, COMPONENTE, QDE, UNID) values "
                               "('01', 77, 1, 1, 'CAFEINA', 4620, 'MG');\n"
                               "insert into COMPEDID (ESTACAO, NPEDIDO, NFORMULA, ORDEM, COMPONENTE, QDE, UNID, LOTE, "
                               "FORNECEDOR) values ('01', 77, 1, 2, 'CAPSULA N 0', 30, 'UN', 'L0', 'CAPS BRASIL');\n"
                               "commit;\n"));
        QVERIFY2(erro.isEmpty(), qPrintable(erro));
        {
            TestPrograma::inicia(banco);
            UnidadePesoMedio = QStringLiteral("MG");
            key(Qt::Key_F4);
            manipulador(QStringLiteral("Ana Souza"));
            pesa(kDez);
            key(Qt::Key_F5);
            QTRY_COMPARE(frm_Cadastros->lbl_Registro->text(), kHistoricoDesativado);
            QVERIFY(!frm_Cadastros->lbl_Registro->isHidden());
            const QString t = relatorio(QStringLiteral("TXT"));
            QVERIFY2(t.contains(kHistoricoDesativado), qPrintable(t));
            QVERIFY(!t.contains(QStringLiteral("Analisado")));
            QVERIFY(t.contains(QStringLiteral("Aprovado")));
            frm_Cadastros->btn_Historico->click();
            Tfrm_Historico *h = nullptr;
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *j = qobject_cast<Tfrm_Historico *>(w))
                    h = j;
            QVERIFY(h);
            QCOMPARE(h->lbl_Desativado->text(), kHistoricoDesativado);
            QCOMPARE(h->grd_Historico->rowCount(), 0);
            delete h;
            frm_Cadastros->close();
            TestPrograma::encerra();
        }
        erro = isql({}, QStringLiteral("connect '%1' user 'sysdba' password 'tamarindo';\ndrop database;\n").arg(banco));
        QVERIFY2(erro.isEmpty(), qPrintable(erro));
    }
};

int main(int argc, char **argv)
{
    Application app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    TstHistoricoJanela test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_historicojanela.moc"
