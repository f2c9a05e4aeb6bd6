// The Windows places of the installation: the suite's configuration beside the
// executable; the location file and the report project under C:\VELTRAMO\; the
// client library named by the location file, loaded; the serial ports by their
// COM names; the balance settings beside the executable, or in the user's
// folder when that one is closed to them.

#include "balance/ConfiguracaoBalanca.h"
#include "config/uConfiguracao.h"
#include "data/udm.h"
#include "tests/support/MessageRecorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSerialPortInfo>
#include <QTest>

class TstWindows : public QObject {
    Q_OBJECT

    const QString m_localizacao = QStringLiteral("C:/VELTRAMO/CaminhoGDS.txt");
    const QString m_pasta = QCoreApplication::applicationDirPath() + u'/';

    static void escreve(const QString &caminho, const QByteArray &conteudo)
    {
        QFile f(caminho);
        QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(f.errorString()));
        QCOMPARE(f.write(conteudo), conteudo.size());
    }

private slots:
    void init()
    {
        ReiniciaConfiguracao();
        CaminhoSistema = m_pasta;
    }

    void fixedPaths()
    {
        CaminhoSistema = QStringLiteral("D:/outra/");
        QVERIFY(CaminhosLiterais());
        QCOMPARE(ArquivoInstalacao(QStringLiteral("CaminhoGDS.txt")), m_localizacao);
        QCOMPARE(ArquivoInstalacao(QStringLiteral("RPT/rptPesoMed.rav")), QStringLiteral("C:/VELTRAMO/RPT/rptPesoMed.rav"));
    }

    void configurationBesideExecutable()
    {
        const QString ini = m_pasta + QStringLiteral("VELTRAMO.INI");
        escreve(ini, QByteArray("IP DO SERVIDOR CENTRAL.........................: 192.168.0.7\r\n"));
        CaminhoSistema.clear();
        LeConfiguracao();
        QFile::remove(ini);
        QCOMPARE(CaminhoSistema, m_pasta);
        QCOMPARE(IPServidorCentral, QStringLiteral("192.168.0.7"));
    }

    // No location file and no client: the message names the library, the
    // location file and the client's own name. Before the stand-in is loaded:
    // a library loaded under the name GDS32.DLL answers to that name.
    void noClientLibrary()
    {
        if (QFile::exists(m_localizacao))
            QSKIP("a suite is installed here: its location file is left alone");
        QLibrary sistema(QStringLiteral("gds32.dll"));
        if (sistema.load())
            QSKIP("a database client is installed here");
        MessageRecorder recorder;
        TDM dm;
        QCOMPARE(dm.sqlcon1.clientLibraryPath(), QStringLiteral("gds32.dll"));
        try {
            dm.sqlcon1.connection();
            QFAIL("connected without a client library");
        } catch (const fb::Error &e) {
            for (const QString &parte : {QStringLiteral("\"gds32.dll\""), QStringLiteral("C:\\VELTRAMO\\CaminhoGDS.txt"),
                                         QStringLiteral("fbclient.dll")})
                QVERIFY2(e.text().contains(parte), qPrintable(e.text()));
        }
    }

    // The location file names the folder; that folder's GDS32.DLL is the one loaded.
    void clientLibraryNamedByLocationFile()
    {
        if (QFile::exists(m_localizacao))
            QSKIP("a suite is installed here: its location file is left alone");
        QVERIFY(QDir().mkpath(QStringLiteral("C:/VELTRAMO")));
        const QString pasta = QDir::toNativeSeparators(m_pasta + QStringLiteral("cliente"));
        escreve(m_localizacao, pasta.toLatin1() + "\r\n");
        MessageRecorder recorder;
        TDM dm;
        QFile::remove(m_localizacao);
        const QString biblioteca = pasta + QStringLiteral("\\GDS32.DLL");
        QCOMPARE(dm.sqlcon1.VendorLib, biblioteca);
        QCOMPARE(dm.sqlcon1.clientLibraryPath(), biblioteca);

        // Loaded with the library it needs from its own folder.
        void *master = nullptr;
        try {
            master = fb::loadClient(dm.sqlcon1.clientLibraryPath());
        } catch (const fb::Error &e) {
            QFAIL(qPrintable(e.text()));
        }
        QLibrary falsa(biblioteca);
        QVERIFY2(falsa.load(), qPrintable(falsa.errorString()));
        const auto entrada = reinterpret_cast<void *(*)()>(falsa.resolve("fb_get_master_interface"));
        QVERIFY(entrada);
        QCOMPARE(master, entrada());
        QVERIFY(recorder.entries().isEmpty());
    }

    void serialPortNames()
    {
        const QList<QSerialPortInfo> portas = QSerialPortInfo::availablePorts();
        if (portas.isEmpty())
            QSKIP("no serial port on this machine");
        static const QRegularExpression com(QStringLiteral("^COM[0-9]+$"));
        for (const QSerialPortInfo &porta : portas)
            QVERIFY2(com.match(porta.portName()).hasMatch(), qPrintable(porta.portName()));
    }

    void balanceSettingsBesideExecutable()
    {
        const QString arquivo = ArquivoConfiguracaoBalanca();
        QCOMPARE(arquivo, m_pasta + QStringLiteral("PesoMed.ini"));
        ConfiguracaoBalanca c;
        c.porta = QStringLiteral("COM3");
        QString erro;
        QVERIFY2(GravaConfiguracaoBalanca(c, arquivo, &erro), qPrintable(erro));
        const ConfiguracaoBalanca lida = LeConfiguracaoBalanca(arquivo);
        QFile::remove(arquivo);
        QCOMPARE(lida.porta, QStringLiteral("COM3"));
    }

    // A suite folder the user cannot write: the settings go to the user's own
    // folder and are read from there.
    void balanceSettingsInTheUsersFolderWhenTheSuitesIsClosed()
    {
        CaminhoSistema = QStringLiteral("Q:/sem/acesso/");
        const QString doUsuario = ArquivoDoUsuarioBalanca();
        const auto limpa = qScopeGuard([&] { QFile::remove(doUsuario); });
        QVERIFY(doUsuario.contains(QStringLiteral("/AppData/"), Qt::CaseInsensitive));
        ConfiguracaoBalanca c;
        c.porta = QStringLiteral("COM4");
        QString erro;
        QCOMPARE(GravaConfiguracaoDaBalanca(c, &erro), doUsuario);
        QVERIFY(erro.isEmpty());
        QCOMPARE(ArquivoConfiguracaoBalanca(), doUsuario);
        QCOMPARE(LeConfiguracaoBalanca().porta, QStringLiteral("COM4"));
    }
};

QTEST_GUILESS_MAIN(TstWindows)
#include "tst_windows.moc"
