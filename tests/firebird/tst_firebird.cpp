// The Firebird client against the real server: transaction options, the
// connection's dialect and character set, WIN1252 text both ways, rows affected,
// and the server's own messages for failures.

#include "data/dataset/SqlConnection.h"
#include "data/dataset/SqlQuery.h"
#include "tests/support/TestDb.h"

#include <QTest>

class TstFirebird : public QObject {
    Q_OBJECT

    SqlConnection &db() { return TestDb::admin(); }

    static QVariant scalar(const QString &sql) { return TestDb::scalar(sql); }

private slots:
    void init() { TestDb::reset(); }

    void transactionIsReadCommittedAndWaits()
    {
        fb::Transaction transaction(db().connection());
        fb::Statement st(transaction,
                         QStringLiteral("select MON$ISOLATION_MODE, MON$LOCK_TIMEOUT from MON$TRANSACTIONS "
                                        "where MON$TRANSACTION_ID = CURRENT_TRANSACTION"));
        st.open();
        QVERIFY(st.fetch());
        QCOMPARE(st.value(0).toInt(), 2);  // read committed, record version
        QCOMPARE(st.value(1).toInt(), -1); // waits on locks
    }

    void attachmentIsDialect3Win1252()
    {
        QCOMPARE(scalar(QStringLiteral("select MON$SQL_DIALECT from MON$DATABASE")).toInt(), 3);
        QCOMPARE(scalar(QStringLiteral("select MON$CHARACTER_SET_ID from MON$ATTACHMENTS "
                                       "where MON$ATTACHMENT_ID = CURRENT_CONNECTION")).toInt(),
                 53);
    }

    void win1252RoundTrip_data()
    {
        QTest::addColumn<bool>("asParameter");
        QTest::newRow("literal in the statement") << false;
        QTest::newRow("bound parameter") << true;
    }
    void win1252RoundTrip()
    {
        QFETCH(bool, asParameter);
        const QString text = QStringLiteral("Não Conforme – açúcar € “ok” ‰ ÇÃÕ");
        if (asParameter) {
            db().execute(QStringLiteral("insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, OBS) "
                                        "values (1, '01', 1, 1, 1, ?)"),
                         {text});
        } else {
            db().execute(QStringLiteral("insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, OBS) "
                                        "values (1, '01', 1, 1, 1, '%1')")
                             .arg(text));
        }
        QCOMPARE(scalar(QStringLiteral("select OBS from PESOMED")).toString(), text);
        // Stored as one byte a character, "€" as 0x80 and "–" as 0x96.
        QCOMPARE(scalar(QStringLiteral("select octet_length(OBS) from PESOMED")).toInt(), text.size());
        QCOMPARE(scalar(QStringLiteral("select ascii_val(substring(OBS from 23 for 1)) from PESOMED")).toInt(), 0x80);
        QCOMPARE(scalar(QStringLiteral("select ascii_val(substring(OBS from 14 for 1)) from PESOMED")).toInt(), 0x96);
    }

    void valuesOfEachType()
    {
        db().execute(QStringLiteral(
            "insert into RPESOMED (ID_RPESOMED, ESTACAO, NPEDIDO, NFORMULA, PESOMEDIO, DATA_EMISSAO, VARTEORMIN, RESULTADO) "
            "values (?, ?, ?, ?, ?, ?, ?, ?)"),
                     {7, QStringLiteral("01"), 1234, 2, 246.125, QDate(2026, 12, 10), 98.12345678, QVariant()});
        SqlQuery q(&db());
        q.SQL = QStringLiteral("select ID_RPESOMED, NPEDIDO, PESOMEDIO, DATA_EMISSAO, VARTEORMIN, RESULTADO from RPESOMED");
        q.Open();
        QCOMPARE(q.value(QStringLiteral("id_rpesomed")).toInt(), 7);
        QCOMPARE(q.asFloat(QStringLiteral("PESOMEDIO")), 246.125);
        QCOMPARE(q.value(QStringLiteral("DATA_EMISSAO")).toDate(), QDate(2026, 12, 10));
        QCOMPARE(q.asFloat(QStringLiteral("VARTEORMIN")), 98.12345678);
        QVERIFY(!q.value(QStringLiteral("RESULTADO")).isValid());
        QCOMPARE(q.asString(QStringLiteral("RESULTADO")), QString());
        QCOMPARE(q.asInteger(QStringLiteral("RESULTADO")), 0);
    }

    void executeReturnsRowsAffected()
    {
        for (int i = 1; i <= 3; ++i)
            QCOMPARE(db().execute(QStringLiteral("insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, PESO) "
                                                 "values (%1, '01', 5, 1, %1, 250)")
                                      .arg(i)),
                     1);
        QCOMPARE(db().execute(QStringLiteral("update PESOMED set PESO = 251 where NUMCAP >= 2")), 2);
        QCOMPARE(db().execute(QStringLiteral("update PESOMED set PESO = 1 where NUMCAP > 99")), 0);
        QCOMPARE(db().execute(QStringLiteral("delete from PESOMED")), 3);
    }

    void serverMessageReachesCaller_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unknown table") << "select * from TABELA_INEXISTENTE" << "TABELA_INEXISTENTE";
        QTest::newRow("syntax") << "selec 1 from rdb$database" << "Token unknown";
        QTest::newRow("duplicate key")
            << "insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, NUMCAP) values (1, '01', 1, 1, 1)"
            << "violation of PRIMARY or UNIQUE KEY constraint";
        QTest::newRow("required column")
            << "insert into PESOMED (ID_PESOMED, NPEDIDO, NFORMULA, NUMCAP) values (2, 1, 1, 1)"
            << "ESTACAO";
    }
    void serverMessageReachesCaller()
    {
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        db().execute(QStringLiteral("insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, NUMCAP) "
                                    "values (1, '01', 1, 1, 1)"));
        try {
            if (sql.startsWith(QLatin1String("sel"), Qt::CaseInsensitive))
                scalar(sql);
            else
                db().execute(sql);
            QFAIL("the statement was accepted");
        } catch (const fb::Error &e) {
            QVERIFY2(e.text().contains(expected), qPrintable(e.text()));
        }
        // The connection is still usable after the failure.
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 1);
    }

    void connectionFailures_data()
    {
        QTest::addColumn<QString>("vendorLib");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("expected");
        const QString ok = TestDb::location();
        QTest::newRow("wrong password") << "gds32.dll" << ok << "errada" << "user name and password";
        QTest::newRow("alias the server does not know")
            << "gds32.dll" << "127.0.0.1:C:\\outro\\banco.bd" << "tamarindo" << "C:\\outro\\banco.bd";
        QTest::newRow("server down") << "gds32.dll" << "127.0.0.1/3059:pesomed_teste" << "tamarindo"
                                     << "network request";
        QTest::newRow("client library missing")
            << "/pasta/inexistente\\GDS32.DLL" << ok << "tamarindo" << "/pasta/inexistente/libfbclient.so.2";
    }
    void connectionFailures()
    {
        QFETCH(QString, vendorLib);
        QFETCH(QString, database);
        QFETCH(QString, password);
        QFETCH(QString, expected);
        SqlConnection c;
        c.VendorLib = vendorLib;
        TestDb::point(c);
        c.setParam(QStringLiteral("Database"), database);
        c.setParam(QStringLiteral("Password"), password);
        try {
            c.connection();
            QFAIL("connected");
        } catch (const AppError &e) {
            QVERIFY2(e.text().contains(expected), qPrintable(e.text()));
        }
        QVERIFY(!c.connected());
    }
};

QTEST_GUILESS_MAIN(TstFirebird)
#include "tst_firebird.moc"
