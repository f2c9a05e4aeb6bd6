// The data module: where it takes the client library and the database from,
// that it connects only on first use, and the ad-hoc query service.

#include "config/uConfiguracao.h"
#include "data/udm.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestDb.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TstUdm : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    void writeLocationFile(const QString &name, const QByteArray &content)
    {
        QFile f(m_dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir dir(m_dir.path());
        for (const QString &entry : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
            QFileInfo info(dir.filePath(entry));
            if (info.isDir())
                QDir(info.filePath()).removeRecursively();
            else
                QFile::remove(info.filePath());
        }
        ReiniciaConfiguracao();
        CaminhoSistema = m_dir.path() + QLatin1Char('/');
    }

    void locationFile_data()
    {
        QTest::addColumn<QString>("fileName");  // empty: no location file
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("vendorLib");
        QTest::addColumn<QString>("libraryLoaded");

        const QByteArray hundred = "D:\\" + QByteArray(97, 'x');
        QTest::newRow("no file") << "" << QByteArray() << "gds32.dll" << "libfbclient.so.2";
        QTest::newRow("folder") << "CaminhoGDS.txt" << QByteArray("C:\\IB\\bin\r\nsegunda linha\r\n")
                                << "C:\\IB\\bin\\GDS32.DLL" << "C:\\IB\\bin/libfbclient.so.2";
        QTest::newRow("folder with backslash") << "CaminhoGDS.txt" << QByteArray("C:\\IB\\bin\\\n")
                                               << "C:\\IB\\bin\\GDS32.DLL" << "C:\\IB\\bin/libfbclient.so.2";
        QTest::newRow("empty first line") << "CaminhoGDS.txt" << QByteArray("\r\nC:\\IB\r\n") << "gds32.dll"
                                          << "libfbclient.so.2";
        QTest::newRow("empty file") << "CaminhoGDS.txt" << QByteArray() << "gds32.dll" << "libfbclient.so.2";
        QTest::newRow("blanks kept") << "CaminhoGDS.txt" << QByteArray(" C:\\IB \n") << " C:\\IB \\GDS32.DLL"
                                     << " C:\\IB /libfbclient.so.2";
        QTest::newRow("120 characters") << "CaminhoGDS.txt" << hundred + QByteArray(20, 'y') + "\n"
                                        << QString::fromLatin1(hundred) + "GDS32.DLL"
                                        << QString::fromLatin1(hundred) + "/libfbclient.so.2";
        QTest::newRow("exactly 100") << "CaminhoGDS.txt" << hundred << QString::fromLatin1(hundred) + "GDS32.DLL"
                                     << QString::fromLatin1(hundred) + "/libfbclient.so.2";
        QTest::newRow("linux folder") << "CaminhoGDS.txt" << QByteArray("/usr/lib/x86_64-linux-gnu\n")
                                      << "/usr/lib/x86_64-linux-gnu\\GDS32.DLL"
                                      << "/usr/lib/x86_64-linux-gnu/libfbclient.so.2";
        QTest::newRow("name in other case") << "caminhogds.TXT" << QByteArray("C:\\IB")
                                            << "C:\\IB\\GDS32.DLL" << "C:\\IB/libfbclient.so.2";
    }
    void locationFile()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(QString, vendorLib);
        QFETCH(QString, libraryLoaded);
        if (!fileName.isEmpty())
            writeLocationFile(fileName, content);
        IPServidorCentral = QStringLiteral("192.168.0.10");
        MessageRecorder recorder;
        TDM dm;
        QCOMPARE(dm.sqlcon1.VendorLib, vendorLib);
        QCOMPARE(dm.sqlcon1.clientLibraryPath(), libraryLoaded);
        QCOMPARE(dm.sqlcon1.param(QStringLiteral("Database")),
                 QStringLiteral("192.168.0.10:C:\\veltramo\\dados\\veltramo.bd"));
        QVERIFY(recorder.entries().isEmpty());
    }

    // A client library that cannot be loaded: the message names the library
    // and the location file that named its folder.
    void clientLibraryNotFound()
    {
        writeLocationFile(QStringLiteral("CaminhoGDS.txt"), QByteArray("C:\\sem-cliente-firebird\r\n"));
        MessageRecorder recorder;
        TDM dm;
        const QString biblioteca = dm.sqlcon1.clientLibraryPath();
        try {
            dm.sqlcon1.connection();
            QFAIL("connected without a client library");
        } catch (const fb::Error &e) {
            QVERIFY2(e.text().contains(QLatin1Char('"') + biblioteca + QLatin1Char('"')), qPrintable(e.text()));
            QVERIFY2(e.text().contains(QStringLiteral("A pasta da biblioteca cliente vem do arquivo %1.")
                                           .arg(QDir::toNativeSeparators(ArquivoInstalacao(QStringLiteral("CaminhoGDS.txt"))))),
                     qPrintable(e.text()));
        }
        QVERIFY(!dm.sqlcon1.connected());
    }

    void databaseLocation_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("database");
        QTest::newRow("address") << "192.168.0.10" << "192.168.0.10:C:\\veltramo\\dados\\veltramo.bd";
        QTest::newRow("empty address") << "" << ":C:\\veltramo\\dados\\veltramo.bd";
    }
    void databaseLocation()
    {
        QFETCH(QString, address);
        QFETCH(QString, database);
        IPServidorCentral = address;
        TDM dm;
        QCOMPARE(dm.sqlcon1.param(QStringLiteral("database")), database);
        // Replaced in place: the parameter lines keep their order.
        QCOMPARE(dm.sqlcon1.Params.at(1), QStringLiteral("Database=") + database);
        QCOMPARE(dm.sqlcon1.Params.size(), 14);
    }

    void unreadableLocationFileKeepsStoredDatabase()
    {
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("CaminhoGDS.txt")));
        IPServidorCentral = QStringLiteral("192.168.0.10");
        MessageRecorder recorder;
        TDM dm;
        QCOMPARE(recorder.entries().size(), 1);
        QCOMPARE(recorder.entries().first().kind, MessageRecorder::Kind::Error);
        QVERIFY(recorder.entries().first().text.contains(QStringLiteral("CaminhoGDS.txt")));
        QCOMPARE(dm.sqlcon1.VendorLib, QStringLiteral("gds32.dll"));
        QCOMPARE(dm.sqlcon1.param(QStringLiteral("Database")),
                 QStringLiteral("127.0.0.1:C:\\VELTRAMO\\DADOS\\VELTRAMO.BD"));
    }

    void connectsOnFirstUseAndRunsQueries()
    {
        TestDb::reset();
        TDM dm;
        QVERIFY(!dm.sqlcon1.connected());
        TestDb::point(dm.sqlcon1);
        QVERIFY(!dm.sqlcon1.connected());

        for (int i = 1; i <= 3; ++i)
            QCOMPARE(dm.ExecutaComando(QStringLiteral("insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, "
                                                      "NUMCAP, PESO) values (%1, '01', 1234, 1, %1, %2)")
                                           .arg(i)
                                           .arg(240 + i)),
                     1);
        QVERIFY(dm.sqlcon1.connected());
        QCOMPARE(dm.ExecutaComando(QStringLiteral("update PESOMED set OBS = 'x' where PESO > 241.5")), 2);

        dm.ConsultaRapida(QStringLiteral("select max(NUMCAP) as UltCaps, min(PESO) as PesoMin from PESOMED"));
        QCOMPARE(dm.SQLQuery1.asInteger(QStringLiteral("ULTCAPS")), 3);
        QCOMPARE(dm.SQLQuery1.asFloat(QStringLiteral("pesomin")), 241.0);
        dm.ConsultaRapida(QStringLiteral("select * from PESOMED where OBS = 'x'"));
        QCOMPARE(dm.SQLQuery1.RecordCount(), 2);
        dm.SQLQuery1.Close();

        // A statement the server rejects raises its message to the caller.
        try {
            dm.ExecutaComando(QStringLiteral("delete from PESOMEDX"));
            QFAIL("accepted");
        } catch (const fb::Error &e) {
            QVERIFY2(e.text().contains(QStringLiteral("PESOMEDX")), qPrintable(e.text()));
        }
    }
};

QTEST_GUILESS_MAIN(TstUdm)
#include "tst_udm.moc"
