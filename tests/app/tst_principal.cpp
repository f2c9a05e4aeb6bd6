// Start-up of the main window against the configuration beside the executable,
// and the general error handler.

#include "analysis/uCadPesos.h"
#include "app/Inicio.h"
#include "app/uPesoMed.h"
#include "config/uConfiguracao.h"
#include "core/AppError.h"
#include "data/udm.h"
#include "lots/UCadPrep.h"
#include "search/uPesquisa.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestDb.h"
#include "tests/support/TestPrograma.h"
#include "widgets/ErrorHandler.h"

#include <QAction>
#include <QFile>
#include <QFrame>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

QString iniPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/VELTRAMO.INI");
}

QByteArray line(const char *key, const char *value)
{
    return QByteArray(key).leftJustified(48, ' ') + ' ' + value + "\r\n";
}

const char *kCor = "COR DE FUNDO DAS TELAS.........................:";
const char *kIp = "IP DO SERVIDOR CENTRAL.........................:";

} // namespace

class TstPrincipal : public QObject {
    Q_OBJECT

    void writeIni(const QByteArray &content)
    {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

    // The running program: main window, data module, lot registry

    void startProgram(bool reachableDatabase = true)
    {
        TestDb::reset();
        TestPrograma::inicia(reachableDatabase ? QString() : QStringLiteral("127.0.0.1:C:\\nao\\existe.bd"));
    }

    void stopProgram()
    {
        TestPrograma::encerra();
        QCOMPARE(frm_Pesquisa, nullptr);
        QCOMPARE(frm_Cadastros, nullptr);
    }

    static void activate(QWidget *w)
    {
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
    }

    static void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { TestPrograma::tecla(k, modifiers); }

    int children() const { return static_cast<int>(frm_Principal->mdiArea()->subWindowList().size()); }

private slots:
    void init()
    {
        ReiniciaConfiguracao();
    }
    void cleanup() { QFile::remove(iniPath()); }

    void missingConfigurationEndsWithMessage()
    {
        QFile::remove(iniPath());
        MessageRecorder recorder;
        try {
            Tfrm_Principal window;
            QFAIL("the window was created");
        } catch (const ProgramExit &exit) {
            QCOMPARE(exit.status, 0);
        }
        QCOMPARE(recorder.entries().size(), 1);
        QCOMPARE(recorder.entries().first().kind, MessageRecorder::Kind::Simple);
        QCOMPARE(recorder.entries().first().text,
                 QStringLiteral("Arquivo VELTRAMO.INI não encontrado. Execute o programa Korvel.exe para criá-lo."));
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void backgroundColour_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("errors");
        QTest::newRow("no colour line: black") << line(kIp, "127.0.0.1") << QColor(Qt::black) << 0;
        QTest::newRow("255 is red") << line(kCor, "255") << QColor(255, 0, 0) << 0;
        QTest::newRow("blue in the third byte") << line(kCor, "16711680") << QColor(0, 0, 255) << 0;
        QTest::newRow("not a number: design colour kept") << line(kCor, "azul") << QColor() << 1;
    }
    void backgroundColour()
    {
        QFETCH(QByteArray, content);
        QFETCH(QColor, colour);
        QFETCH(int, errors);
        writeIni(content);
        MessageRecorder recorder;
        Tfrm_Principal window;
        QCOMPARE(recorder.entries().size(), errors);
        QCOMPARE(UnidadePesoMedio, QStringLiteral("MG"));
        if (errors) {
            QCOMPARE(recorder.entries().first().kind, MessageRecorder::Kind::Error);
            QCOMPARE(recorder.entries().first().text, QStringLiteral("'azul' is not a valid integer value"));
            QVERIFY(window.mdiArea()->background().color() != QColor(Qt::black));
        } else {
            QCOMPARE(window.mdiArea()->background().color(), colour);
        }
    }

    void titleAndIcon()
    {
        writeIni(line(kIp, "127.0.0.1"));
        Tfrm_Principal window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Peso Médio - Análise dos Pesos das Cápsulas - 23.2"));
        // The program's own icon, carried inside the program at the sizes title bars and desktops ask for.
        const QIcon icone = IconePrograma();
        const QList<QSize> tamanhos = icone.availableSizes();
        for (int n : {16, 24, 32, 48, 64, 128, 256}) {
            QVERIFY2(tamanhos.contains(QSize(n, n)), qPrintable(QString::number(n)));
            QCOMPARE(icone.pixmap(QSize(n, n)).size(), QSize(n, n));
        }
    }

    void opensDatasetsInOrderAndClosesThem()
    {
        TestDb::reset();
        MessageRecorder recorder;
        startProgram();
        QVERIFY(recorder.entries().isEmpty());
        for (ClientDataSet *cds : {DM->cds_RPesoMed, DM->cds_PesoMed, DM->cds_Pedidos, DM->cds_Pediform,
                                   DM->cds_Compedid})
            QVERIFY2(cds->Active(), qPrintable(cds->objectName()));
        QCOMPARE(CamposFornecedor, QStringLiteral("CODIGO, NOME, NOMEFANTASIA, ENDERECO, COMPLEMENTO, CEP, CIDADE, "
                                                  "ESTADO, TEL, FAX, E_MAIL, SITE, CNPJ, IE, IM, PRAZO_PAGAMENTO"));
        // Esc does nothing.
        key(Qt::Key_Escape);
        QVERIFY(frm_Principal->isVisible());
        frm_Principal->Sair2->trigger();
        QVERIFY(!frm_Principal->isVisible());
        QVERIFY(!DM->cds_Pedidos->Active());
        QVERIFY(!DM->cds_RPesoMed->Active());
        stopProgram();
    }

    void unreachableDatabaseLeavesWindowUsable()
    {
        MessageRecorder recorder;
        startProgram(false);
        QCOMPARE(recorder.entries().size(), 1);
        QCOMPARE(recorder.entries().first().kind, MessageRecorder::Kind::Error);
        QVERIFY(recorder.entries().first().text.contains(QStringLiteral("existe.bd")));
        for (ClientDataSet *cds : {DM->cds_RPesoMed, DM->cds_PesoMed, DM->cds_Pedidos, DM->cds_Pediform,
                                   DM->cds_Compedid})
            QVERIFY(!cds->Active());
        frm_Principal->BitBtn2->click();
        QVERIFY(frm_Pesquisa);
        QVERIFY(frm_Pesquisa->isVisible());
        stopProgram();
    }

    void searchWindowIsSingleAndFreshAfterClosing()
    {
        MessageRecorder recorder;
        startProgram();
        frm_Principal->BitBtn2->click();
        Tfrm_Pesquisa *first = frm_Pesquisa;
        QVERIFY(first);
        frm_Principal->PesquisarPedido1->trigger();
        QCOMPARE(frm_Pesquisa, first);
        QCOMPARE(children(), 1);
        QPointer<Tfrm_Pesquisa> guard(first);
        frm_Principal->JanelaDe(first)->close();
        QTRY_VERIFY(guard.isNull());
        QCOMPARE(frm_Pesquisa, nullptr);
        QCOMPARE(children(), 0);
        frm_Principal->BitBtn2->click();
        QVERIFY(frm_Pesquisa);
        QCOMPARE(children(), 1);
        stopProgram();
    }

    void lotRegistryIsNeverDuplicated()
    {
        MessageRecorder recorder;
        startProgram();
        TFormCadPrep *registry = FormCadPrep;
        QVERIFY(!registry->isVisible());
        frm_Principal->BitBtn1->click();
        frm_Principal->CadastroInicial1->trigger();
        QVERIFY(registry->isVisible());
        QCOMPARE(FormCadPrep, registry);
        registry->close();
        QVERIFY(!registry->isVisible());
        frm_Principal->BitBtn1->click();
        QCOMPARE(FormCadPrep, registry);
        QVERIFY(registry->isVisible());
        int registries = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            registries += qobject_cast<TFormCadPrep *>(w) != nullptr;
        QCOMPARE(registries, 1);
        stopProgram();
    }

    void keysActOnTheActiveAnalysisWindowOnly()
    {
        MessageRecorder recorder;
        startProgram();
        // No analysis window: F5 and Ctrl+F4 do nothing.
        key(Qt::Key_F5);
        key(Qt::Key_F4, Qt::ControlModifier);
        QCOMPARE(children(), 0);

        key(Qt::Key_F4);
        QVERIFY(frm_Cadastros);
        Tfrm_Cadastros *analysis = frm_Cadastros;
        // With no weighing, each analysis run says so: the messages count the runs.
        const QString nada = QStringLiteral("Não existem cápsulas para calcular o peso médio!");
        auto runs = [&] { return recorder.texts().count(nada); };
        int closeEvents = 0;
        struct CloseCounter : QObject {
            int *count;
            explicit CloseCounter(int *c) : count(c) {}
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Close)
                    ++*count;
                return false;
            }
        } counter(&closeEvents);
        analysis->installEventFilter(&counter);
        key(Qt::Key_F5);
        QCOMPARE(runs(), 1);

        // Another window active: both keys leave the analysis window alone.
        frm_Principal->BitBtn2->click();
        QVERIFY(frm_Principal->JanelaAtiva(frm_Pesquisa));
        key(Qt::Key_F5);
        key(Qt::Key_F4, Qt::ControlModifier);
        QCOMPARE(runs(), 1);
        QCOMPARE(frm_Cadastros, analysis);
        QVERIFY(frm_Pesquisa);
        QCOMPARE(children(), 2);

        // F4 brings it back; Ctrl+F4 then removes it without its close handler.
        key(Qt::Key_F4);
        QCOMPARE(frm_Cadastros, analysis);
        QVERIFY(frm_Principal->JanelaAtiva(analysis));
        QPointer<Tfrm_Cadastros> guard(analysis);
        key(Qt::Key_F4, Qt::ControlModifier);
        QVERIFY(guard.isNull());
        QCOMPARE(frm_Cadastros, nullptr);
        QCOMPARE(closeEvents, 0);
        QCOMPARE(children(), 1);

        // A new, working analysis window.
        key(Qt::Key_F4);
        QVERIFY(frm_Cadastros);
        QVERIFY(frm_Cadastros != nullptr && frm_Cadastros->isVisible());
        key(Qt::Key_F5);
        QCOMPARE(runs(), 2);

        // The keys also act from the lot registry window; F5 there finds no active analysis window.
        frm_Principal->BitBtn1->click();
        activate(FormCadPrep);
        key(Qt::Key_F5);
        QCOMPARE(runs(), 2);
        frm_Principal->JanelaDe(frm_Cadastros)->close();
        QCOMPARE(frm_Cadastros, nullptr);
        activate(FormCadPrep);
        key(Qt::Key_F4);
        QVERIFY(frm_Cadastros);
        frm_Principal->JanelaDe(frm_Pesquisa)->close();
        frm_Principal->JanelaDe(frm_Cadastros)->close();
        QTRY_COMPARE(children(), 0);
        stopProgram();
    }

    void helpPanel()
    {
        MessageRecorder recorder;
        startProgram();
        QFile expected(QFINDTESTDATA("ajuda.txt"));
        QVERIFY(expected.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(expected.readAll());
        QCOMPARE(text.split(QLatin1Char('\n')).size(), 83);
        QCOMPARE(frm_Principal->mmo1->toPlainText(), text);
        QVERIFY(frm_Principal->mmo1->isReadOnly());

        key(Qt::Key_F4);
        QMdiSubWindow *sub = frm_Principal->JanelaDe(frm_Cadastros);
        const QRect before = sub->geometry();
        QVERIFY(!frm_Principal->pnl_informacoes->isVisible());
        frm_Principal->InformaessobreoPesoMdio1->trigger();
        QVERIFY(frm_Principal->pnl_informacoes->isVisible());
        QCOMPARE(frm_Principal->pnl_informacoes->geometry(), frm_Principal->centralWidget()->rect());
        QCOMPARE(frm_Principal->mmo1->geometry(), QRect(6, 6, 772, 491));
        QCOMPARE(frm_Principal->btn1->geometry(), QRect(307, 497, 153, 22));
        QCOMPARE(frm_Principal->btn1->text(), QStringLiteral("Fechar "));
        frm_Principal->resize(1200, 800);
        QTRY_COMPARE(frm_Principal->pnl_informacoes->geometry(), frm_Principal->centralWidget()->rect());
        QCOMPARE(frm_Principal->mmo1->geometry(), QRect(6, 6, 772, 491));
        frm_Principal->btn1->click();
        QVERIFY(!frm_Principal->pnl_informacoes->isVisible());
        QVERIFY(sub->isVisible());
        QCOMPARE(sub->geometry(), before);
        sub->close();
        stopProgram();
    }

    void uncaughtErrorIsShownAndProgramGoesOn()
    {
        QPushButton button(QStringLiteral("x"));
        int clicks = 0;
        connect(&button, &QPushButton::clicked, [&] {
            ++clicks;
            throw AppError(QStringLiteral("Falha de teste"));
        });
        MessageRecorder recorder;
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks, 2);
        QCOMPARE(recorder.texts(), QStringList({QStringLiteral("Falha de teste"), QStringLiteral("Falha de teste")}));
    }
};

int main(int argc, char **argv)
{
    Application app(argc, argv);
    TstPrincipal test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_principal.moc"
