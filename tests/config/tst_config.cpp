#include "config/uConfiguracao.h"
#include "core/AppError.h"
#include "tests/support/MessageRecorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <utility>

namespace {

const char kServidor[] = "IP DO SERVIDOR CENTRAL.........................:";
const char kEstacao[] = "IP DA ESTACAO DO USUARIO.......................:";
const char kBackupManual[] = "CAMINHO DO BACKUP MANUAL DO BD DO SISTEMA......:";
const char kCor[] = "COR DE FUNDO DAS TELAS.........................:";
const char kLog[] = "LOG DE ATIVIDADES..............................:";
const char kArredonda[] = "ARREDONDAMENTO DO PRECO (1, 5, 10, 50, 100)....:";
const char kRepetir[] = "HABILITAR BOTAO \"REPETIR PEDIDO\"...............:";
const char kUnidade[] = "UNIDADE USADA NO CALCULO DO PESO MEDIO.........:";

const QString kMensagemAusente =
    QStringLiteral("Arquivo VELTRAMO.INI não encontrado. Execute o programa Korvel.exe para criá-lo.");

// Key, the separator blank, the value and a line feed.
QByteArray linha(const char *chave, const QByteArray &valor)
{
    return QByteArray(chave) + ' ' + valor + '\n';
}

void escreve(const QString &caminho, const QByteArray &bytes)
{
    QFile arquivo(caminho);
    QVERIFY2(arquivo.open(QIODevice::WriteOnly), qPrintable(arquivo.errorString()));
    QCOMPARE(arquivo.write(bytes), bytes.size());
}

// The text of the AppError thrown by the reading, empty when none.
QString erroDaLeitura(const QString &pasta)
{
    try {
        LeConfiguracaoDe(pasta);
    } catch (const AppError &erro) {
        return erro.text();
    }
    return {};
}

using Valores = QList<std::pair<QString, QString>>;

} // namespace

class TstConfig : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        ReiniciaConfiguracao();
        // What the main window sets before reading.
        UnidadePesoMedio = QStringLiteral("MG");
    }

    void leitura_data()
    {
        QTest::addColumn<QByteArray>("arquivo");
        QTest::addColumn<Valores>("esperados");
        QTest::addColumn<QString>("erro");

        const QString sessenta = QString(50, u'x') + QStringLiteral("0123456789");

        QTest::newRow("value from column 49 loses its first character")
            << QByteArray(kServidor) + "10.0.0.1\n" << Valores{{kServidor, "0.0.0.1"}} << QString();
        QTest::newRow("key in small letters skipped")
            << linha(QByteArray(kServidor).toLower(), "10.0.0.1") << Valores{{kServidor, ""}} << QString();
        QTest::newRow("key with one dot too many skipped")
            << linha("IP DO SERVIDOR CENTRAL..........................:", "10.0.0.1")
            << Valores{{kServidor, ""}} << QString();
        QTest::newRow("key with one dot too few skipped")
            << linha("IP DO SERVIDOR CENTRAL........................:", "10.0.0.1")
            << Valores{{kServidor, ""}} << QString();
        QTest::newRow("line shorter than a key skipped")
            << QByteArray("IP DO SERVIDOR CENTRAL\n") << Valores{{kServidor, ""}} << QString();
        QTest::newRow("key alone stores an empty value")
            << linha(kServidor, "10.0.0.1") + QByteArray(kServidor) << Valores{{kServidor, ""}} << QString();

        QTest::newRow("unit g becomes G") << linha(kUnidade, "g") << Valores{{kUnidade, "G"}} << QString();
        QTest::newRow("unit upper-cases a-z only")
            << linha(kUnidade, "m\xE7\xE3o") << Valores{{kUnidade, QStringLiteral("MçãO")}} << QString();
        QTest::newRow("blank unit leaves it empty")
            << linha(kUnidade, "      ") << Valores{{kUnidade, ""}} << QString();
        QTest::newRow("no unit line keeps MG")
            << linha(kServidor, "10.0.0.1") << Valores{{kUnidade, "MG"}} << QString();

        QTest::newRow("colour after blanks") << linha(kCor, "   255") << Valores{{kCor, "255"}} << QString();
        QTest::newRow("colour with plus sign") << linha(kCor, "+16") << Valores{{kCor, "16"}} << QString();
        QTest::newRow("colour lowest") << linha(kCor, "-2147483648") << Valores{{kCor, "-2147483648"}} << QString();
        QTest::newRow("colour highest") << linha(kCor, "2147483647") << Valores{{kCor, "2147483647"}} << QString();
        QTest::newRow("colour of letters stops the reading")
            << linha(kServidor, "10.0.0.1") + linha(kCor, "255") + linha(kCor, "  abc  ") + linha(kUnidade, "g")
                   + linha(kLog, "SIM")
            << Valores{{kServidor, "10.0.0.1"}, {kCor, "255"}, {kUnidade, "MG"}, {kLog, ""}}
            << QStringLiteral("'abc' is not a valid integer value");
        QTest::newRow("blank colour stops the reading")
            << linha(kServidor, "10.0.0.1") + linha(kCor, "    ") + linha(kUnidade, "g")
            << Valores{{kServidor, "10.0.0.1"}, {kCor, "0"}, {kUnidade, "MG"}}
            << QStringLiteral("'' is not a valid integer value");
        QTest::newRow("colour above 32 bits")
            << linha(kCor, "2147483648") << Valores{{kCor, "0"}}
            << QStringLiteral("'2147483648' is not a valid integer value");
        QTest::newRow("colour below 32 bits")
            << linha(kCor, "-2147483649") << Valores{{kCor, "0"}}
            << QStringLiteral("'-2147483649' is not a valid integer value");
        QTest::newRow("colour of many digits")
            << linha(kCor, "99999999999999999999999") << Valores{{kCor, "0"}}
            << QStringLiteral("'99999999999999999999999' is not a valid integer value");
        QTest::newRow("colour with inner blank")
            << linha(kCor, "25 5") << Valores{{kCor, "0"}} << QStringLiteral("'25 5' is not a valid integer value");
        QTest::newRow("colour sign alone")
            << linha(kCor, "-") << Valores{{kCor, "0"}} << QStringLiteral("'-' is not a valid integer value");
        QTest::newRow("colour in hexadecimal")
            << linha(kCor, "$FF") << Valores{{kCor, "0"}} << QStringLiteral("'$FF' is not a valid integer value");

        QTest::newRow("later line of the same key wins")
            << linha(kServidor, "10.0.0.1") + linha(kUnidade, "g") + linha(kServidor, "10.0.0.2")
            << Valores{{kServidor, "10.0.0.2"}, {kUnidade, "G"}} << QString();
        QTest::newRow("value cut at column 109")
            << linha(kServidor, sessenta.toLatin1() + "ABCDEFGHIJ") + linha(kBackupManual, sessenta.toLatin1() + "ABC")
            << Valores{{kServidor, sessenta}, {kBackupManual, sessenta}} << QString();
        QTest::newRow("other address keeps 60")
            << linha(kEstacao, sessenta.toLatin1()) << Valores{{kEstacao, sessenta}} << QString();
        QTest::newRow("other key cut to 30")
            << linha(kRepetir, sessenta.toLatin1()) << Valores{{kRepetir, sessenta.left(30)}} << QString();
        QTest::newRow("log cut to 3") << linha(kLog, "SIMNAO") << Valores{{kLog, "SIM"}} << QString();
        QTest::newRow("key with parentheses and commas")
            << linha(kArredonda, "5") << Valores{{kArredonda, "5"}} << QString();
        QTest::newRow("address between blanks")
            << linha(kServidor, "   192.168.0.10            ") << Valores{{kServidor, "192.168.0.10"}} << QString();
        QTest::newRow("inner blanks kept")
            << linha(kBackupManual, "C:\\Meus Backups ") << Valores{{kBackupManual, "C:\\Meus Backups"}} << QString();

        QTest::newRow("CRLF line ends")
            << QByteArray(kServidor) + " 10.0.0.1\r\n" + kUnidade + " g\r\n"
            << Valores{{kServidor, "10.0.0.1"}, {kUnidade, "G"}} << QString();
        QTest::newRow("WIN1252 value")
            << linha(kBackupManual, "C:\\Backup\\Farm\xE1" "cia \x80")
            << Valores{{kBackupManual, QStringLiteral("C:\\Backup\\Farmácia €")}} << QString();
        QTest::newRow("empty file")
            << QByteArray() << Valores{{kServidor, ""}, {kCor, "0"}, {kUnidade, "MG"}} << QString();

        QByteArray lixo;
        for (int volta = 0; volta < 4; ++volta) {
            for (int byte = 0; byte < 256; ++byte)
                lixo.append(char(byte));
        }
        QTest::newRow("binary garbage, then a good line")
            << lixo + '\n' + linha(kServidor, "10.0.0.1") << Valores{{kServidor, "10.0.0.1"}, {kUnidade, "MG"}}
            << QString();
        QTest::newRow("long line without line end")
            << QByteArray(200000, '\xFF') << Valores{{kServidor, ""}, {kUnidade, "MG"}} << QString();
        QTest::newRow("last line without line end")
            << linha(kServidor, "10.0.0.1") + QByteArray(kUnidade) + " g"
            << Valores{{kServidor, "10.0.0.1"}, {kUnidade, "G"}} << QString();
    }
    void leitura()
    {
        QFETCH(QByteArray, arquivo);
        QFETCH(Valores, esperados);
        QFETCH(QString, erro);

        QTemporaryDir pasta;
        QVERIFY(pasta.isValid());
        escreve(pasta.filePath("VELTRAMO.INI"), arquivo);
        MessageRecorder recorder;

        QCOMPARE(erroDaLeitura(pasta.path()), erro);
        for (const auto &[chave, valor] : esperados)
            QCOMPARE(std::pair(chave, ValorConfiguracao(chave)), std::pair(chave, valor));
        QVERIFY(recorder.entries().isEmpty());
    }

    void arquivoAusente()
    {
        QTemporaryDir pasta;
        QVERIFY(pasta.isValid());
        MessageRecorder recorder;

        int status = -1;
        try {
            LeConfiguracaoDe(pasta.path());
        } catch (const ProgramExit &fim) {
            status = fim.status;
        }
        QCOMPARE(status, 0);
        QCOMPARE(recorder.entries().size(), 1);
        QCOMPARE(recorder.entries().first().kind, MessageRecorder::Kind::Simple);
        QCOMPARE(recorder.entries().first().text, kMensagemAusente);
        QVERIFY(QDir(pasta.path()).isEmpty());
    }

    void arquivoIlegivel()
    {
        QTemporaryDir pasta;
        QVERIFY(pasta.isValid());
        QVERIFY(QDir(pasta.path()).mkdir("VELTRAMO.INI"));
        MessageRecorder recorder;

        const QString erro = erroDaLeitura(pasta.path());
        QVERIFY2(erro.startsWith("Erro ao ler o arquivo ") && erro.contains("VELTRAMO.INI"), qPrintable(erro));
        QVERIFY(recorder.entries().isEmpty());
    }

    void nomeEmMinusculas()
    {
        QTemporaryDir pasta;
        QVERIFY(pasta.isValid());
        escreve(pasta.filePath("veltramo.ini"), linha(kServidor, "10.0.0.1"));

        QCOMPARE(erroDaLeitura(pasta.path() + '/'), QString());
        QCOMPARE(IPServidorCentral, QStringLiteral("10.0.0.1"));
        QCOMPARE(CaminhoSistema, pasta.path() + '/');
    }

    void pastaDoPrograma()
    {
        MessageRecorder recorder;
        try {
            LeConfiguracao();
        } catch (const ProgramExit &) {
        } catch (const AppError &) {
        }
        QCOMPARE(CaminhoSistema, QCoreApplication::applicationDirPath() + '/');
    }

    void arquivosDaInstalacao()
    {
        // The installation root is the program's folder; names match in any case.
        if (CaminhosLiterais())
            QSKIP("on Windows the fixed paths are used themselves (tst_windows)");
        QTemporaryDir raiz;
        QVERIFY(QDir(raiz.path()).mkpath(QStringLiteral("rpt")));
        QFile(raiz.filePath(QStringLiteral("rpt/RPTPESOMED.RAV"))).open(QIODevice::WriteOnly);
        QFile(raiz.filePath(QStringLiteral("caminhogds.TXT"))).open(QIODevice::WriteOnly);
        CaminhoSistema = raiz.path() + u'/';
        QCOMPARE(ArquivoInstalacao(QStringLiteral("RPT/rptPesoMed.rav")),
                 raiz.filePath(QStringLiteral("rpt/RPTPESOMED.RAV")));
        QCOMPARE(ArquivoInstalacao(QStringLiteral("CaminhoGDS.txt")), raiz.filePath(QStringLiteral("caminhogds.TXT")));
        // Absent: the path as given, under the root.
        QCOMPARE(ArquivoInstalacao(QStringLiteral("RPT/outro.rav")), raiz.filePath(QStringLiteral("rpt/outro.rav")));
        QCOMPARE(ArquivoInstalacao(QStringLiteral("DADOS\\x.txt")), raiz.filePath(QStringLiteral("DADOS/x.txt")));
    }

    void tiraEspacos_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("empty") << "" << "";
        QTest::newRow("blanks only") << "     " << "";
        QTest::newRow("both sides") << "  a b  " << "a b";
        QTest::newRow("nothing to strip") << "a" << "a";
        QTest::newRow("tabs kept") << "\ta\t" << "\ta\t";
        QTest::newRow("blank behind a tab kept") << " \t a \t " << "\t a \t";
        QTest::newRow("no-break space kept") << QStringLiteral("\u00A0a ") << QStringLiteral("\u00A0a");
    }
    void tiraEspacos()
    {
        QFETCH(QString, texto);
        QFETCH(QString, esperado);
        QCOMPARE(TiraEspacos(texto), esperado);
    }

    // Every key is recognised and keeps a value of its own.
    void chaves()
    {
        const QStringList &chaves = ChavesConfiguracao();
        QCOMPARE(chaves.size(), 109);
        QCOMPARE(QSet<QString>(chaves.begin(), chaves.end()).size(), 109);
        for (const char *nome : {kServidor, kEstacao, kBackupManual, kCor, kLog, kArredonda, kRepetir, kUnidade})
            QVERIFY2(chaves.contains(nome), nome);

        QByteArray arquivo;
        for (int i = 0; i < chaves.size(); ++i) {
            QCOMPARE(chaves.at(i).size(), 48);
            QVERIFY(chaves.at(i).endsWith(':'));
            arquivo += linha(chaves.at(i).toLatin1().constData(), QByteArray::number(i + 1));
        }
        QTemporaryDir pasta;
        QVERIFY(pasta.isValid());
        escreve(pasta.filePath("VELTRAMO.INI"), arquivo);
        QCOMPARE(erroDaLeitura(pasta.path()), QString());
        for (int i = 0; i < chaves.size(); ++i)
            QCOMPARE(ValorConfiguracao(chaves.at(i)), QString::number(i + 1));
        QCOMPARE(ValorConfiguracao("CHAVE DESCONHECIDA"), QString());

        ReiniciaConfiguracao();
        for (const QString &chave : chaves)
            QCOMPARE(ValorConfiguracao(chave), QString(chave == kCor ? "0" : ""));
    }
};

QTEST_GUILESS_MAIN(TstConfig)
#include "tst_config.moc"
