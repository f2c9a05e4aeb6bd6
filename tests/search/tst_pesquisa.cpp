// The order search window inside the running main window, driven by keys,
// against the test database.

#include "app/uPesoMed.h"
#include "config/uConfiguracao.h"
#include "core/AppError.h"
#include "data/udm.h"
#include "search/uPesquisa.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestDb.h"
#include "widgets/DBGrid.h"
#include "widgets/ErrorHandler.h"

#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

namespace {

QString iniPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/VELTRAMO.INI");
}

// Messages as "kind: text", the kind S(imple) or E(rror).
using Mensagens = QStringList;
QString simple(const QString &text) { return QStringLiteral("S: ") + text; }
QString error(const QString &text) { return QStringLiteral("E: ") + text; }

const QString kNaoEncontrado = QStringLiteral("Pedido não encontrado");
const QString kSemEstacao = QStringLiteral("Estação não encontrada");
const QString kFalhou = QStringLiteral("Não foi possível encontrar o pedido ");
// What the order list holds when it is closed.
const QStringList kFechada = {QStringLiteral("<fechada>")};

} // namespace

class TstPesquisa : public QObject {
    Q_OBJECT

    MessageRecorder *m_recorder = nullptr;
    QPointer<Tfrm_Pesquisa> m_janela;

    static void activate(QWidget *w)
    {
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
    }

    // Keys go where the focus is, as the user's would.
    static void key(Qt::Key k)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
        QTest::keyClick(target, k);
    }
    static void type(const QString &text)
    {
        if (!text.isEmpty())
            QTest::keyClicks(QApplication::focusWidget(), text);
    }

    // "EST.NUM" of each row of the order list.
    static QStringList orderList()
    {
        ClientDataSet *cds = DM->cds_Pedidos;
        if (!cds->Active())
            return kFechada;
        QStringList rows;
        const int current = cds->RecNo();
        for (cds->First(); !cds->Eof(); cds->Next())
            rows << cds->FieldByName(QStringLiteral("ESTACAO")).AsString() + QLatin1Char('.') +
                        cds->FieldByName(QStringLiteral("NPEDIDO")).AsString();
        cds->SetRecNo(current);
        return rows;
    }

    static QString currentOrder()
    {
        ClientDataSet *cds = DM->cds_Pedidos;
        return cds->FieldByName(QStringLiteral("ESTACAO")).AsString() + QLatin1Char('.') +
               cds->FieldByName(QStringLiteral("NPEDIDO")).AsString();
    }

    Mensagens messages() const
    {
        Mensagens result;
        for (const auto &e : m_recorder->entries())
            result << (e.kind == MessageRecorder::Kind::Simple ? simple(e.text)
                       : e.kind == MessageRecorder::Kind::Error ? error(e.text)
                                                                : QStringLiteral("?: ") + e.text);
        return result;
    }

    int children() const { return static_cast<int>(frm_Principal->mdiArea()->subWindowList().size()); }

    // Opens the search from the main window's button; the number box has the focus.
    void open()
    {
        frm_Principal->BitBtn2->click();
        QVERIFY(frm_Pesquisa);
        m_janela = frm_Pesquisa;
        QTRY_COMPARE(QApplication::focusWidget(), m_janela->edt_1);
    }

    // The window is gone: destroyed, frm_Pesquisa empty, no MDI child left.
    void verifyClosed()
    {
        QCOMPARE(frm_Pesquisa, nullptr);
        QTRY_VERIFY(m_janela.isNull());
        QTRY_COMPARE(children(), 0);
    }

    void verifyOpen()
    {
        QVERIFY(!m_janela.isNull());
        QCOMPARE(frm_Pesquisa, m_janela.data());
        QVERIFY(m_janela->isVisible());
    }

    // A search that leaves the window open does not spoil the next one.
    void searchAgainAndChoose()
    {
        m_recorder->clear();
        m_janela->edt_1->setFocus();
        m_janela->edt_1->clear();
        type(QStringLiteral("01.1234"));
        key(Qt::Key_Return);
        QVERIFY(messages().isEmpty());
        verifyClosed();
        QCOMPARE(currentOrder(), QStringLiteral("01.1234"));
    }

    // Types both dates and presses Enter in each box.
    void dateSearch(const QString &inicio, const QString &fim)
    {
        m_janela->medt1->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), m_janela->medt1);
        type(inicio);
        key(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), m_janela->medt2);
        type(fim);
        key(Qt::Key_Return);
    }

private slots:
    void initTestCase()
    {
        QFile ini(iniPath());
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(QByteArray("IP DO SERVIDOR CENTRAL").leftJustified(48, ' ') + " 127.0.0.1\r\n");
        ini.close();

        TestDb::reset();
        using TestDb::formula;
        using TestDb::order;
        order(QStringLiteral("01"), 1234, QStringLiteral("Pedido"), QDate(2026, 12, 1));
        formula(QStringLiteral("01"), 1234, 1, QStringLiteral("Cápsulas"));
        order(QStringLiteral("01"), 1235, QStringLiteral("Cancel"), QDate(2026, 12, 1));
        formula(QStringLiteral("01"), 1235, 1, QStringLiteral("Cápsulas"));
        order(QStringLiteral("01"), 1236, QStringLiteral("Orçam"), QDate(2026, 12, 1));
        formula(QStringLiteral("01"), 1236, 1, QStringLiteral("Cápsulas"));
        // Two capsule formulas and one that is not.
        order(QStringLiteral("01"), 1237, QStringLiteral("Repos"), QDate(2026, 12, 2));
        formula(QStringLiteral("01"), 1237, 1, QStringLiteral("Capsula"));
        formula(QStringLiteral("01"), 1237, 2, QStringLiteral("Cápsula"));
        formula(QStringLiteral("01"), 1237, 3, QStringLiteral("Creme"));
        // No formula at all: found by number, never by date.
        order(QStringLiteral("01"), 123, QStringLiteral("Pedido"), QDate(2026, 11, 30));
        order(QStringLiteral("02"), 5, QStringLiteral("Pedido"), QDate(2026, 12, 1));
        formula(QStringLiteral("02"), 5, 1, QStringLiteral("Creme"));
        order(QStringLiteral("02"), 7, QStringLiteral("Próprio"), QDate(2026, 12, 1));
        formula(QStringLiteral("02"), 7, 1, QStringLiteral("Cápsulas"));

        ReiniciaConfiguracao();
        frm_Principal = new Tfrm_Principal;
        DM = new TDM;
        TestDb::point(DM->sqlcon1);
        frm_Principal->UsaModulos(DM, nullptr, nullptr);
        frm_Principal->resize(1000, 700);
        frm_Principal->show();
        QVERIFY(QTest::qWaitForWindowExposed(frm_Principal));
        activate(frm_Principal);
        QVERIFY(DM->cds_Pedidos->Active());
    }

    void cleanupTestCase()
    {
        delete frm_Principal;
        QCOMPARE(frm_Pesquisa, nullptr);
        delete DM;
        DM = nullptr;
        QFile::remove(iniPath());
    }

    void init() { m_recorder = new MessageRecorder; }

    void cleanup()
    {
        if (QMdiSubWindow *sub = frm_Principal->JanelaDe(frm_Pesquisa))
            sub->close();
        QTRY_COMPARE(children(), 0);
        delete m_recorder;
        m_recorder = nullptr;
    }

    void opensCentredWithFocusInNumberBox()
    {
        open();
        QMdiSubWindow *sub = frm_Principal->JanelaDe(m_janela);
        QVERIFY(sub);
        QTRY_COMPARE(sub->size(), QSize(339, 548));
        const QRect area = frm_Principal->mdiArea()->viewport()->rect();
        QTRY_VERIFY(qAbs(sub->geometry().center().x() - area.center().x()) <= 1);
        QTRY_VERIFY(qAbs(sub->geometry().center().y() - area.center().y()) <= 1);
        QCOMPARE(CamposPedido.left(18), QStringLiteral("ESTACAO, NPEDIDO, "));
        QCOMPARE(TextoDaData(m_janela->medt1), QStringLiteral("  /  /  "));
        QCOMPARE(TextoDaData(m_janela->medt2), QStringLiteral("  /  /  "));
        type(QStringLiteral("ab.1x"));
        QCOMPARE(m_janela->edt_1->text(), QStringLiteral("AB.1X"));
    }

    void searchByNumber_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("list");

        QTest::newRow("found") << "01.1234" << "01.1234" << "" << QStringList{"01.1234"};
        QTest::newRow("dot inserted") << "01123" << "01.123" << "" << QStringList{"01.123"};
        QTest::newRow("leading zero: found, yet refused")
            << "01.01234" << "01.01234" << kNaoEncontrado << QStringList{"01.1234"};
        QTest::newRow("cancelled order") << "01.1235" << "01.1235" << kNaoEncontrado << QStringList{};
        QTest::newRow("budget") << "01.1236" << "01.1236" << kNaoEncontrado << QStringList{};
        QTest::newRow("one-char station") << "1.234" << "1..234" << kNaoEncontrado << QStringList{};
        QTest::newRow("empty box") << "" << "." << kFalhou + "." << kFechada;
        QTest::newRow("not a number, upper-cased") << "01.abc" << "01.ABC" << kFalhou + "01.ABC" << kFechada;
        QTest::newRow("quote in number") << "01.12'3" << "01.12'3" << kFalhou + "01.12'3" << kFechada;
        QTest::newRow("quote in station") << "O'.1" << "O'.1" << kNaoEncontrado << QStringList{};
        QTest::newRow("station alone, unknown") << "03" << "03." << kSemEstacao << QStringList{};
        QTest::newRow("one-char station alone") << "1." << "1.." << kSemEstacao << QStringList{};
        QTest::newRow("quote in station alone") << "O'" << "O'." << kSemEstacao << QStringList{};
    }
    void searchByNumber()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        QFETCH(QStringList, list);
        open();
        type(typed);
        key(Qt::Key_Enter);
        QCOMPARE(orderList(), list);
        if (message.isEmpty()) {
            QVERIFY(messages().isEmpty());
            verifyClosed();
            QCOMPARE(currentOrder(), list.first());
            return;
        }
        QCOMPARE(m_janela->edt_1->text(), shown);
        QCOMPARE(messages(), Mensagens{simple(message)});
        verifyOpen();
        QCOMPARE(QApplication::focusWidget(), m_janela->edt_1);
        searchAgainAndChoose();
    }

    void stationListChosenFromGrid_data()
    {
        QTest::addColumn<Qt::Key>("closingKey");
        QTest::newRow("Enter") << Qt::Key_Return;
        QTest::newRow("Esc") << Qt::Key_Escape;
    }
    void stationListChosenFromGrid()
    {
        QFETCH(Qt::Key, closingKey);
        open();
        type(QStringLiteral("01"));
        key(Qt::Key_Return);
        QVERIFY(messages().isEmpty());
        QCOMPARE(m_janela->edt_1->text(), QStringLiteral("01."));
        QCOMPARE(orderList(), QStringList({"01.1237", "01.1234", "01.123"}));
        QCOMPARE(QApplication::focusWidget(), m_janela->dbgrd2);
        // The formula column has no field in this list.
        QCOMPARE(m_janela->dbgrd2->model()->index(0, 3).data().toString(), QString());
        key(Qt::Key_Down);
        QCOMPARE(currentOrder(), QStringLiteral("01.1234"));
        key(closingKey);
        verifyClosed();
        QCOMPARE(currentOrder(), QStringLiteral("01.1234"));
        QCOMPARE(DM->cds_Pediform->RecordCount(), 1);
        QCOMPARE(DM->cds_Pediform->FieldByName(QStringLiteral("NPEDIDO")).AsInteger(), 1234);
    }

    void exitButtonSearchesThenCloses_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Mensagens>("expected");
        QTest::addColumn<QStringList>("list");
        QTest::newRow("valid key chooses") << "01.1234" << Mensagens{} << QStringList{"01.1234"};
        QTest::newRow("not found") << "01.1235" << Mensagens{simple(kNaoEncontrado)} << QStringList{};
        QTest::newRow("empty box") << "" << Mensagens{simple(kFalhou + ".")} << kFechada;
    }
    void exitButtonSearchesThenCloses()
    {
        QFETCH(QString, typed);
        QFETCH(Mensagens, expected);
        QFETCH(QStringList, list);
        open();
        type(typed);
        QTest::mouseClick(m_janela->BitBtn1, Qt::LeftButton);
        QCOMPARE(messages(), expected);
        QCOMPARE(orderList(), list);
        verifyClosed();
    }

    void escapeCloses_data()
    {
        QTest::addColumn<QString>("box");
        QTest::newRow("number box") << "edt_1";
        QTest::newRow("start date") << "medt1";
        QTest::newRow("end date") << "medt2";
    }
    void escapeCloses()
    {
        QFETCH(QString, box);
        open();
        const QString before = DM->sql_Pedidos.CommandText;
        m_janela->findChild<QLineEdit *>(box)->setFocus();
        key(Qt::Key_Escape);
        verifyClosed();
        QVERIFY(messages().isEmpty());
        QCOMPARE(DM->sql_Pedidos.CommandText, before);
    }

    void searchByDate_data()
    {
        QTest::addColumn<QString>("inicio");
        QTest::addColumn<QString>("fim");
        QTest::addColumn<Mensagens>("expected");
        QTest::addColumn<QStringList>("list");
        QTest::newRow("one day") << "011226" << "011226" << Mensagens{} << QStringList{"01.1234"};
        QTest::newRow("two capsule formulas, listed twice")
            << "021226" << "021226" << Mensagens{} << QStringList{"01.1237", "01.1237"};
        QTest::newRow("range") << "301126" << "311226" << Mensagens{}
                               << QStringList{"01.1234", "01.1237", "01.1237"};
        QTest::newRow("start after end")
            << "021226" << "011226"
            << Mensagens{error("Atenção: A data inicial não pode ser maior que a data final!\r\nFavor corrigir.")}
            << kFechada;
        QTest::newRow("empty start") << "" << "011226"
                                     << Mensagens{error("'  /  /  ' is not a valid date")} << kFechada;
        QTest::newRow("no such day") << "011226" << "310226"
                                     << Mensagens{error("'31/02/26' is not a valid date")} << kFechada;
        QTest::newRow("year of one digit") << "01122" << "011226"
                                           << Mensagens{error("'01/12/2 ' is not a valid date")} << kFechada;
    }
    void searchByDate()
    {
        QFETCH(QString, inicio);
        QFETCH(QString, fim);
        QFETCH(Mensagens, expected);
        QFETCH(QStringList, list);
        open();
        dateSearch(inicio, fim);
        QCOMPARE(messages(), expected);
        QCOMPARE(orderList(), list);
        verifyOpen();
        if (expected.isEmpty()) {
            QCOMPARE(QApplication::focusWidget(), m_janela->dbgrd2);
            key(Qt::Key_Return);
            verifyClosed();
            QCOMPARE(currentOrder(), list.first());
        } else {
            searchAgainAndChoose();
        }
    }

    void destroyedWithItsOwner()
    {
        QWidget owner;
        frm_Pesquisa = new Tfrm_Pesquisa(DM, &owner);
        QCOMPARE(frm_Pesquisa->owner(), &owner);
        QMdiSubWindow *sub = frm_Principal->AdicionaFilha(frm_Pesquisa);
        QCOMPARE(frm_Pesquisa->parentWidget(), sub);
        delete sub;
        QCOMPARE(frm_Pesquisa, nullptr);
    }

    void twoDigitYears_data()
    {
        QTest::addColumn<QString>("yy");
        for (const char *yy : {"00", "49", "50", "99"})
            QTest::newRow(yy) << QString::fromLatin1(yy);
        const int near = QDate::currentDate().year() % 100;
        QTest::newRow("50 years back") << QStringLiteral("%1").arg((near + 50) % 100, 2, 10, QLatin1Char('0'));
        QTest::newRow("49 years ahead") << QStringLiteral("%1").arg((near + 49) % 100, 2, 10, QLatin1Char('0'));
    }
    void twoDigitYears()
    {
        // The window's dates and the server's reading of the "dd.mm.yy" texts agree.
        QFETCH(QString, yy);
        DM->ConsultaRapida(QStringLiteral("select cast('31.12.%1' as date) D from rdb$database").arg(yy));
        const QDate server = DM->SQLQuery1.value(QStringLiteral("D")).toDate();
        DM->SQLQuery1.Close();
        QCOMPARE(DataDoTexto(QStringLiteral("31/12/") + yy), server);
    }

    void dateText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("reference");
        QTest::addColumn<QDate>("date");
        QTest::newRow("full") << "01/12/26" << 2026 << QDate(2026, 12, 1);
        QTest::newRow("blanks before") << " 1/ 2/26" << 2026 << QDate(2026, 2, 1);
        QTest::newRow("blanks after") << "1 /2 /26" << 2026 << QDate(2026, 2, 1);
        QTest::newRow("window start") << "01/01/30" << 2080 << QDate(2030, 1, 1);
        QTest::newRow("next century") << "31/12/29" << 2080 << QDate(2129, 12, 31);
        QTest::newRow("empty") << "  /  /  " << 2026 << QDate();
        QTest::newRow("no day") << "  /12/26" << 2026 << QDate();
        QTest::newRow("month 13") << "01/13/26" << 2026 << QDate();
        QTest::newRow("day 0") << "00/12/26" << 2026 << QDate();
        QTest::newRow("29 Feb, common year") << "29/02/26" << 2026 << QDate();
        QTest::newRow("29 Feb, leap year") << "29/02/28" << 2026 << QDate(2028, 2, 29);
    }
    void dateText()
    {
        QFETCH(QString, text);
        QFETCH(int, reference);
        QFETCH(QDate, date);
        try {
            QCOMPARE(DataDoTexto(text, reference), date);
            QVERIFY(date.isValid());
        } catch (const AppError &e) {
            QVERIFY(!date.isValid());
            QCOMPARE(e.text(), QStringLiteral("'%1' is not a valid date").arg(text));
        }
    }
};

int main(int argc, char **argv)
{
    Application app(argc, argv);
    TstPesquisa test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_pesquisa.moc"
