// The window "Balança" in the running program, driven by mouse and keys as a
// pharmacist would: reached from the menu, settings typed and saved to
// PesoMed.ini, one weight read from the simulated balance as a test.

#include "app/uBalanca.h"
#include "app/uPesoMed.h"
#include "balance/LeitorBalanca.h"
#include "config/uConfiguracao.h"
#include "tests/support/BalancaSimulada.h"
#include "analysis/uCadPesos.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestDb.h"
#include "widgets/DBGrid.h"
#include "tests/support/TestPrograma.h"
#include "widgets/ErrorHandler.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSpinBox>
#include <QTest>

namespace {

// Where the window saves the settings, read before any other.
QString arquivoIni()
{
    return ArquivoGravacaoBalanca();
}

void tecla(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    TestPrograma::tecla(k, modifiers);
}

void digita(const QString &texto)
{
    QTest::keyClicks(QApplication::focusWidget(), texto);
}

} // namespace

class TstJanelaBalanca : public QObject {
    Q_OBJECT

    MessageRecorder *recorder = nullptr;
    BalancaSimulada *balanca = nullptr;

    // The menu item "Balança", clicked.
    void abreJanela()
    {
        QMenuBar *menu = frm_Principal->menuBar();
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(frm_Principal->Balanca1).center());
        QVERIFY(frm_Balanca);
        QTRY_VERIFY(frm_Balanca->isVisible());
        QApplication::setActiveWindow(frm_Balanca);
        QVERIFY(QTest::qWaitForWindowActive(frm_Balanca));
    }

    // The port typed where a person types it: a click in the box, the old text replaced.
    void digitaPorta(const QString &porta)
    {
        QTest::mouseClick(frm_Balanca->cmb_Porta->lineEdit(), Qt::LeftButton);
        QTRY_COMPARE(QApplication::focusWidget(), frm_Balanca->cmb_Porta);
        tecla(Qt::Key_A, Qt::ControlModifier);
        digita(porta);
    }

    void escreveIni(const QByteArray &conteudo)
    {
        QVERIFY(QDir().mkpath(QFileInfo(arquivoIni()).path()));
        QFile f(arquivoIni());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(conteudo);
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    }
    void init()
    {
        QFile::remove(arquivoIni());
        ReiniciaConfiguracao();
        recorder = new MessageRecorder;
        balanca = new BalancaSimulada;
        TestPrograma::inicia();
        BalancaDoPrograma().setConfiguracao(LeConfiguracaoBalanca());
    }
    void cleanup()
    {
        TestPrograma::encerra();
        QCOMPARE(frm_Balanca, nullptr);
        BalancaDoPrograma().setConfiguracao(ConfiguracaoBalanca());
        delete balanca;
        delete recorder;
        QFile::remove(arquivoIni());
    }

    void menuItemOpensOneWindow()
    {
        abreJanela();
        Tfrm_Balanca *janela = frm_Balanca;
        QCOMPARE(janela->windowTitle(), QStringLiteral("Balança"));
        // Without PesoMed.ini: no balance, the usual settings.
        QCOMPARE(janela->cmb_Porta->currentText(), QString());
        QCOMPARE(janela->lbl_DescricaoPorta->text(), QStringLiteral("Sem balança nesta estação."));
        QCOMPARE(janela->cmb_Protocolo->currentText(), QStringLiteral("MT-SICS"));
        QCOMPARE(janela->cmb_Velocidade->currentText(), QStringLiteral("9600"));
        QCOMPARE(janela->cmb_BitsDeDados->currentText(), QStringLiteral("8"));
        QCOMPARE(janela->cmb_Paridade->currentText(), QStringLiteral("Nenhuma"));
        QCOMPARE(janela->cmb_BitsDeParada->currentText(), QStringLiteral("1"));
        QCOMPARE(janela->cmb_ControleDeFluxo->currentText(), QStringLiteral("Nenhum"));
        QCOMPARE(janela->spn_EsperaMs->value(), 5000);
        QVERIFY(janela->chk_TeclaImprimir->isChecked());
        QVERIFY(!janela->edt_Padrao->isEnabled());
        // The serial ports present are offered.
        QStringList presentes;
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
            presentes << NomeEstavelDaPorta(info.systemLocation());
        QStringList oferecidas;
        for (int i = 0; i < janela->cmb_Porta->count(); ++i)
            oferecidas << janela->cmb_Porta->itemText(i);
        QCOMPARE(oferecidas, presentes);

        // F6 with no port: the window says so, no message box.
        tecla(Qt::Key_F6);
        QCOMPARE(janela->lbl_Resultado->text(), QStringLiteral("Lendo a balança…"));
        QTRY_COMPARE(janela->lbl_Resultado->text(),
                     QStringLiteral("Nenhuma balança configurada. Informe a porta da balança na janela \"Balança\" do "
                                    "menu."));
        QVERIFY(recorder->entries().isEmpty());

        // The menu again: the same window.
        abreJanela();
        QCOMPARE(frm_Balanca, janela);
        int janelas = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            janelas += qobject_cast<Tfrm_Balanca *>(w) != nullptr;
        QCOMPARE(janelas, 1);
        QPointer<Tfrm_Balanca> guarda(janela);
        QTest::mouseClick(janela->btn_Fechar, Qt::LeftButton);
        QTRY_VERIFY(guarda.isNull());
        QCOMPARE(frm_Balanca, nullptr);
        QVERIFY(!QFile::exists(arquivoIni()));
        abreJanela();
        QVERIFY(frm_Balanca != nullptr);
    }

    void settingsTypedAndSaved()
    {
        abreJanela();
        digitaPorta(QStringLiteral("/dev/ttyUSB0"));
        tecla(Qt::Key_Tab); // Atualizar
        tecla(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), frm_Balanca->cmb_Protocolo);
        digita(QStringLiteral("S"));
        QCOMPARE(frm_Balanca->cmb_Protocolo->currentText(), QStringLiteral("SBI"));
        tecla(Qt::Key_Tab);
        digita(QStringLiteral("19200"));
        tecla(Qt::Key_Tab);
        digita(QStringLiteral("7"));
        tecla(Qt::Key_Tab);
        digita(QStringLiteral("P"));
        tecla(Qt::Key_Tab);
        digita(QStringLiteral("2"));
        tecla(Qt::Key_Tab);
        digita(QStringLiteral("S"));
        tecla(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), frm_Balanca->spn_EsperaMs);
        tecla(Qt::Key_A, Qt::ControlModifier);
        digita(QStringLiteral("8000"));
        tecla(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), frm_Balanca->chk_TeclaImprimir);
        tecla(Qt::Key_Space);
        QTest::mouseClick(frm_Balanca->btn_Gravar, Qt::LeftButton);
        QCOMPARE(frm_Balanca->lbl_Resultado->text(), QStringLiteral("Configuração gravada em PesoMed.ini."));
        QVERIFY(recorder->entries().isEmpty());

        const ConfiguracaoBalanca c = LeConfiguracaoBalanca(arquivoIni());
        QCOMPARE(c.porta, QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(c.protocolo, ProtocoloBalanca::Sbi);
        QCOMPARE(c.velocidade, 19200);
        QCOMPARE(c.bitsDeDados, 7);
        QCOMPARE(c.paridade, ParidadeBalanca::Par);
        QCOMPARE(c.bitsDeParada, ParadaBalanca::Dois);
        QCOMPARE(c.controleDeFluxo, FluxoBalanca::Software);
        QCOMPARE(c.esperaMs, 8000);
        QCOMPARE(c.teclaImprimir, false);
        QVERIFY(c.erros.isEmpty());
        // The program's balance takes them at once.
        QCOMPARE(BalancaDoPrograma().configuracao(), c);

        // Closed and opened again: what was saved.
        QTest::mouseClick(frm_Balanca->btn_Fechar, Qt::LeftButton);
        QVERIFY(recorder->entries().isEmpty());
        QTRY_COMPARE(frm_Balanca, nullptr);
        abreJanela();
        QCOMPARE(frm_Balanca->ConfiguracaoDaTela(), c);
    }

    void invalidSettingsAreNotSaved()
    {
        abreJanela();
        digitaPorta(QStringLiteral("COM3"));
        tecla(Qt::Key_Tab);
        tecla(Qt::Key_Tab);
        tecla(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), frm_Balanca->cmb_Velocidade);
        tecla(Qt::Key_Backspace);
        QTest::mouseClick(frm_Balanca->btn_Gravar, Qt::LeftButton);
        QCOMPARE(recorder->texts(),
                 QStringList{QStringLiteral("A configuração da balança tem valores inválidos: Velocidade \"0\".")});
        QVERIFY(!QFile::exists(arquivoIni()));
    }

    void readsOneWeightAsATest()
    {
        QVERIFY(balanca->inicia({QStringLiteral("--atraso"), QStringLiteral("1500"), QStringLiteral("--pesos"),
                                 QStringLiteral("0.3746,0.3812")}));
        abreJanela();
        digitaPorta(balanca->porta());
        tecla(Qt::Key_F6);
        QCOMPARE(frm_Balanca->lbl_Resultado->text(), QStringLiteral("Lendo a balança…"));
        QVERIFY(!frm_Balanca->btn_Ler->isEnabled());
        // The balance is slow; the window goes on taking keys meanwhile.
        QVERIFY(balanca->espera(QStringLiteral("recebido: S")));
        QTest::mouseClick(frm_Balanca->spn_EsperaMs, Qt::LeftButton);
        tecla(Qt::Key_A, Qt::ControlModifier);
        digita(QStringLiteral("9000"));
        QCOMPARE(frm_Balanca->spn_EsperaMs->value(), 9000);
        QVERIFY(frm_Balanca->leitor()->lendo());
        QTRY_COMPARE_WITH_TIMEOUT(frm_Balanca->lbl_Resultado->text(),
                                  QStringLiteral("Peso lido: 374,6 mg (a balança enviou 0.3746 g)."), 15000);
        QVERIFY(frm_Balanca->btn_Ler->isEnabled());

        // The button reads the next one; the calculation unit in grams shows grams.
        UnidadePesoMedio = QStringLiteral("G");
        QTest::mouseClick(frm_Balanca->btn_Ler, Qt::LeftButton);
        QCOMPARE(frm_Balanca->lbl_Resultado->text(), QStringLiteral("Lendo a balança…"));
        QTRY_COMPARE_WITH_TIMEOUT(frm_Balanca->lbl_Resultado->text(),
                                  QStringLiteral("Peso lido: 0,3812 g (a balança enviou 0.3812 g)."), 15000);
        QVERIFY(recorder->entries().isEmpty());
        // Nothing saved by reading.
        QVERIFY(!QFile::exists(arquivoIni()));
    }

    void escGivesUpAndFaultsAreShown()
    {
        QVERIFY(balanca->inicia({QStringLiteral("--mudo")}));
        abreJanela();
        digitaPorta(balanca->porta());
        tecla(Qt::Key_F6);
        QVERIFY(balanca->espera(QStringLiteral("recebido: S")));
        QCOMPARE(frm_Balanca->lbl_Resultado->text(), QStringLiteral("Lendo a balança…"));
        tecla(Qt::Key_Escape);
        QCOMPARE(frm_Balanca->lbl_Resultado->text(), QStringLiteral("Leitura cancelada."));
        QVERIFY(!frm_Balanca->leitor()->lendo());
        QVERIFY(frm_Balanca->isVisible());

        balanca->comanda(QStringLiteral("--normal --sobrecarga"));
        QVERIFY(balanca->espera(QStringLiteral("aplicado")));
        tecla(Qt::Key_F6);
        QTRY_COMPARE(frm_Balanca->lbl_Resultado->text(),
                     QStringLiteral("A balança está em sobrecarga: o peso passa da capacidade dela. "
                                    "Retire o peso do prato."));
        QCOMPARE(frm_Balanca->lbl_Resultado->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(recorder->entries().isEmpty());

        // Esc when nothing is read closes the window; the port typed is not saved unasked.
        tecla(Qt::Key_Escape);
        QCOMPARE(recorder->texts(), QStringList{QStringLiteral("A configuração da balança foi alterada e não foi "
                                                               "gravada.\rGravar agora?")});
        QTRY_COMPARE(frm_Balanca, nullptr);
        QVERIFY(!QFile::exists(arquivoIni()));
    }

    void unsavedChangesSavedOnRequest()
    {
        abreJanela();
        digitaPorta(QStringLiteral("/dev/ttyACM0"));
        recorder->answerNext(true);
        QTest::mouseClick(frm_Balanca->btn_Fechar, Qt::LeftButton);
        QCOMPARE(recorder->entries().size(), 1);
        QTRY_COMPARE(frm_Balanca, nullptr);
        QCOMPARE(LeConfiguracaoBalanca(arquivoIni()).porta, QStringLiteral("/dev/ttyACM0"));
    }

    void fileShownWhenOpened()
    {
        escreveIni("[Balanca]\nPorta=COM3\nProtocolo=CONTINUO\nVelocidade=4800\nBitsDeDados=7\nParidade=Marca\n"
                   "BitsDeParada=1.5\nControleDeFluxo=Hardware\nEsperaMs=2500\nTeclaImprimir=true\n"
                   "Padrao=\"^(?<peso>\\\\d+) g$\"\n");
        abreJanela();
        QCOMPARE(frm_Balanca->cmb_Porta->currentText(), QStringLiteral("COM3"));
        QCOMPARE(frm_Balanca->cmb_Protocolo->currentText(), QStringLiteral("CONTINUO"));
        QCOMPARE(frm_Balanca->cmb_Velocidade->currentText(), QStringLiteral("4800"));
        QCOMPARE(frm_Balanca->cmb_BitsDeDados->currentText(), QStringLiteral("7"));
        QCOMPARE(frm_Balanca->cmb_Paridade->currentText(), QStringLiteral("Marca"));
        QCOMPARE(frm_Balanca->cmb_BitsDeParada->currentText(), QStringLiteral("1,5"));
        QCOMPARE(frm_Balanca->cmb_ControleDeFluxo->currentText(), QStringLiteral("Hardware (RTS/CTS)"));
        QCOMPARE(frm_Balanca->spn_EsperaMs->value(), 2500);
        QVERIFY(frm_Balanca->chk_TeclaImprimir->isChecked());
        QVERIFY(frm_Balanca->edt_Padrao->isEnabled());
        QCOMPARE(frm_Balanca->edt_Padrao->text(), QStringLiteral("^(?<peso>\\d+) g$"));
        QCOMPARE(frm_Balanca->lbl_Resultado->text(), QString());
        // Nothing changed: closing asks nothing.
        QTest::mouseClick(frm_Balanca->btn_Fechar, Qt::LeftButton);
        QVERIFY(recorder->entries().isEmpty());
    }

    // Choosing a protocol proposes its makers' factory settings.
    void protocolProposesFactorySettings()
    {
        abreJanela();
        digitaPorta(QStringLiteral("/dev/ttyUSB0"));
        tecla(Qt::Key_Tab);
        tecla(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), frm_Balanca->cmb_Protocolo);
        struct Caso {
            const char *letra, *protocolo, *velocidade, *bits, *paridade, *fluxo;
        };
        const Caso casos[] = {
            {"S", "SBI", "1200", "7", "Ímpar", "Hardware (RTS/CTS)"},
            {"A", "AND", "2400", "7", "Par", "Nenhum"},
            {"M", "MT-SICS", "9600", "8", "Nenhuma", "Software (XON/XOFF)"},
        };
        for (const Caso &c : casos) {
            // A pause between the letters, or the box searches for both.
            QTest::qWait(QApplication::keyboardInputInterval() + 100);
            digita(QString::fromLatin1(c.letra));
            QCOMPARE(frm_Balanca->cmb_Protocolo->currentText(), QString::fromLatin1(c.protocolo));
            QCOMPARE(frm_Balanca->cmb_Velocidade->currentText(), QString::fromLatin1(c.velocidade));
            QCOMPARE(frm_Balanca->cmb_BitsDeDados->currentText(), QString::fromLatin1(c.bits));
            QCOMPARE(frm_Balanca->cmb_Paridade->currentText(), QString::fromUtf8(c.paridade));
            QCOMPARE(frm_Balanca->cmb_BitsDeParada->currentText(), QStringLiteral("1"));
            QCOMPARE(frm_Balanca->cmb_ControleDeFluxo->currentText(), QString::fromUtf8(c.fluxo));
        }
        // Changed by hand, kept.
        tecla(Qt::Key_Tab);
        tecla(Qt::Key_A, Qt::ControlModifier);
        digita(QStringLiteral("4800"));
        QCOMPARE(frm_Balanca->ConfiguracaoDaTela().velocidade, 4800);
    }

    // "Detectar" finds the balance with its makers' factory settings and
    // shows what it says it is; "Zerar" and "Tarar" reach it.
    void detectFindsTheBalance()
    {
        QVERIFY(balanca->inicia({QStringLiteral("--protocolo"), QStringLiteral("SBI"), QStringLiteral("--modelo"),
                                 QStringLiteral("LP6200S-0C"), QStringLiteral("--serie"), QStringLiteral("0012345678")}));
        abreJanela();
        digitaPorta(balanca->porta());
        QTest::mouseClick(frm_Balanca->btn_Detectar, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(frm_Balanca->lbl_Resultado->text().startsWith(QStringLiteral("Balança encontrada")),
                                 20000);
        QCOMPARE(frm_Balanca->lbl_Resultado->text(),
                 QStringLiteral("Balança encontrada na porta %1 (SBI). Clique em \"Gravar\" para usar estas "
                                "configurações.")
                     .arg(balanca->porta()));
        QCOMPARE(frm_Balanca->cmb_Protocolo->currentText(), QStringLiteral("SBI"));
        QCOMPARE(frm_Balanca->cmb_Velocidade->currentText(), QStringLiteral("1200"));
        QCOMPARE(frm_Balanca->cmb_Porta->currentText(), balanca->porta());
        QCOMPARE(frm_Balanca->lbl_Identificacao->text(),
                 QStringLiteral("modelo LP6200S-0C, número de série 0012345678"));
        // Only questions were asked: no weight, zero or tare.
        QCOMPARE(balanca->conta(QStringLiteral("recebido: \\x1BP")), 0);
        QCOMPARE(balanca->conta(QStringLiteral("recebido: \\x1BT")), 0);
        QTest::mouseClick(frm_Balanca->btn_Zerar, Qt::LeftButton);
        QVERIFY(balanca->espera(QStringLiteral("recebido: \\x1BV")));
        QTest::mouseClick(frm_Balanca->btn_Tarar, Qt::LeftButton);
        QVERIFY(balanca->espera(QStringLiteral("recebido: \\x1BT")));
        QCOMPARE(frm_Balanca->lbl_Resultado->text(), QStringLiteral("Comando de tarar enviado à balança."));
        QVERIFY(recorder->entries().isEmpty());
    }

    // While the weight settles the window shows it, and "instável".
    void unstableWeightIsShown()
    {
        QVERIFY(balanca->inicia({QStringLiteral("--estabiliza"), QStringLiteral("2500")}));
        abreJanela();
        digitaPorta(balanca->porta());
        tecla(Qt::Key_F6);
        QTRY_COMPARE(frm_Balanca->lbl_Resultado->text(), QStringLiteral("Lendo a balança… 0.3746 g instável"));
        QCOMPARE(frm_Balanca->lbl_Identificacao->text(), QStringLiteral("modelo XS205DU, número de série B021002593"));
        QTRY_COMPARE_WITH_TIMEOUT(frm_Balanca->lbl_Resultado->text(),
                                  QStringLiteral("Peso lido: 374,6 mg (a balança enviou 0.3746 g)."), 15000);
    }

    // A balance in auto-print mode beside the weights grid: for seconds
    // nothing is stored, one message says why; one F6 stores one row.
    void autoPrintStoresNothingInTheGrid()
    {
        TestPrograma::encerra();
        TestDb::reset();
        TestDb::order(QStringLiteral("01"), 4521);
        TestDb::formula(QStringLiteral("01"), 4521, 1);
        TestPrograma::inicia();
        QVERIFY(balanca->inicia({QStringLiteral("--tecla"), QStringLiteral("400"), QStringLiteral("--pesos"),
                                 QStringLiteral("0.2501,0.2499")}));
        ConfiguracaoBalanca c;
        c.porta = balanca->porta();
        BalancaDoPrograma().setConfiguracao(c);
        QVERIFY(c.teclaImprimir);
        tecla(Qt::Key_F4);
        QVERIFY(frm_Cadastros);
        TestPrograma::clicaAbaixoDasLinhas(frm_Cadastros->dbgrd1);
        const int antes = balanca->conta(QStringLiteral("enviado"));
        QVERIFY(balanca->espera(QStringLiteral("enviado"), antes + 10));
        QCOMPARE(TestDb::scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 0);
        QCOMPARE(recorder->texts(), QStringList{QStringLiteral("a balança está enviando pesos sem parar: desligue o "
                                                               "envio automático ou escolha o protocolo CONTINUO")});
        tecla(Qt::Key_F6);
        QTRY_COMPARE(TestDb::scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 1);
        QVERIFY(balanca->espera(QStringLiteral("enviado"), balanca->conta(QStringLiteral("enviado")) + 6));
        QCOMPARE(TestDb::scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 1);
        QCOMPARE(recorder->entries().size(), 1);
        frm_Cadastros->close();
    }

    void programBalanceLetsGoOfThePortMeanwhile()
    {
        QVERIFY(balanca->inicia({QStringLiteral("--pesos"), QStringLiteral("0.3746")}));
        escreveIni("[Balanca]\nPorta=" + balanca->porta().toUtf8() + "\n");
        LeitorBalanca &programa = BalancaDoPrograma();
        programa.setConfiguracao(LeConfiguracaoBalanca());
        QVERIFY(programa.abre());
        abreJanela();
        QCOMPARE(frm_Balanca->cmb_Porta->currentText(), balanca->porta());
        tecla(Qt::Key_F6);
        QTRY_COMPARE(frm_Balanca->lbl_Resultado->text(),
                     QStringLiteral("Peso lido: 374,6 mg (a balança enviou 0.3746 g)."));
        QVERIFY(!programa.aberta());
        QTest::mouseClick(frm_Balanca->btn_Fechar, Qt::LeftButton);
        QTRY_COMPARE(frm_Balanca, nullptr);
        QVERIFY(programa.aberta());
    }
};

int main(int argc, char **argv)
{
    Application app(argc, argv);
    TstJanelaBalanca test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_janela_balanca.moc"
