// The Firebird client against the real server: transaction options, the
// connection's dialect and character set, WIN1252 text both ways, rows affected,
// the server's own messages for failures, and the statements a connection
// keeps: reused, and let go when it closes or is dropped.

#include "data/dataset/SqlConnection.h"
#include "data/dataset/SqlQuery.h"
#include "tests/support/TestDb.h"

#include <QTest>

namespace {

// The server's view read afresh: its monitoring tables stay as first read for
// the whole of a transaction, so each look takes a transaction of its own.
int monitored(const QString &sql, const QList<QVariant> &params = {})
{
    fb::Transaction transaction(TestDb::admin().connection(), true);
    fb::Statement statement(transaction, sql);
    statement.open(params);
    return statement.fetch() ? statement.value(0).toInt() : 0;
}

qint64 attachmentId(SqlConnection &c)
{
    SqlQuery q(&c);
    q.SQL = QStringLiteral("select CURRENT_CONNECTION from RDB$DATABASE");
    q.Open();
    return q.asInteger(QStringLiteral("CURRENT_CONNECTION"));
}

int countOf(SqlConnection &c, const QString &table)
{
    SqlQuery q(&c);
    q.SQL = QStringLiteral("select count(*) as N from %1").arg(table);
    q.Open();
    return static_cast<int>(q.asInteger(QStringLiteral("N")));
}

} // namespace

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

    void statementRunInABlockReportsAsAlone_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("duplicate key")
            << "insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, NUMCAP) values (1, '01', 1, 1, 1)";
        QTest::newRow("required column") << "update PESOMED set ESTACAO = null";
        QTest::newRow("text too long") << "update PESOMED set ESTACAO = '0123456789'";
        QTest::newRow("not a number") << "update PESOMED set NPEDIDO = 'doze'";
    }
    void statementRunInABlockReportsAsAlone()
    {
        QFETCH(QString, sql);
        db().execute(QStringLiteral("insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, NUMCAP) "
                                    "values (1, '01', 1, 1, 1)"));
        QString alone;
        try {
            fb::Transaction transaction(db().connection());
            fb::Statement(transaction, sql).execute();
            QFAIL("accepted alone");
        } catch (const fb::Error &e) {
            alone = e.text();
        }
        try {
            db().execute(sql); // a plain statement goes in a block with its row count
            QFAIL("accepted");
        } catch (const fb::Error &e) {
            QCOMPARE(e.text(), alone);
        }
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED where ESTACAO = '01' and NPEDIDO = 1")).toInt(),
                 1);
    }

    void statementsArePreparedOncePerConnection()
    {
        SqlConnection c;
        TestDb::point(c);
        const QString sql = QStringLiteral("select max(ID_PESOMED) as ULTID from PESOMED");
        SqlQuery q(&c);
        q.SQL = sql;
        q.Open();
        const qint64 prepared = fb::prepareCount();
        for (int i = 0; i < 5; ++i) {
            q.Open();
            c.execute(QStringLiteral("update PESOMED set PESO = ? where ID_PESOMED = ?"), {250.0 + i, 1});
        }
        QCOMPARE(fb::prepareCount() - prepared, 1);
        QCOMPARE(c.connection().preparedCount(), 2);
        // Reads share one transaction, and still see what others commit meanwhile.
        const int before = countOf(c, QStringLiteral("PESOMED"));
        TestDb::weighing(9, QStringLiteral("01"), 1, 1, 9, 250);
        QCOMPARE(countOf(c, QStringLiteral("PESOMED")), before + 1);
    }

    void statementsKeptAreBounded()
    {
        SqlConnection c;
        TestDb::point(c);
        const qint64 id = attachmentId(c);
        for (int i = 0; i < fb::Connection::kCacheSize + 20; ++i) {
            SqlQuery q(&c);
            q.SQL = QStringLiteral("select %1 as N from RDB$DATABASE").arg(i);
            q.Open();
            QCOMPARE(q.asInteger(QStringLiteral("N")), i);
        }
        QVERIFY(c.connection().preparedCount() <= fb::Connection::kCacheSize);
        attachmentId(c); // the statements let go reach the server with the next request
        const int onServer = monitored(QStringLiteral("select count(*) from MON$STATEMENTS where MON$ATTACHMENT_ID = ?"),
                                       {id});
        QVERIFY2(onServer <= fb::Connection::kCacheSize + 2, qPrintable(QString::number(onServer)));
    }

    void statementsReleasedOnClose()
    {
        const int live = fb::liveStatementCount();
        SqlConnection c;
        TestDb::point(c);
        const qint64 id = attachmentId(c);
        countOf(c, QStringLiteral("PESOMED"));
        c.execute(QStringLiteral("update PESOMED set PESO = ? where ID_PESOMED = ?"), {250.0, 1});
        QCOMPARE(fb::liveStatementCount(), live + 3);
        QVERIFY(monitored(QStringLiteral("select count(*) from MON$STATEMENTS where MON$ATTACHMENT_ID = ?"), {id}) >= 3);
        c.close();
        QCOMPARE(fb::liveStatementCount(), live);
        QCOMPARE(monitored(QStringLiteral("select count(*) from MON$ATTACHMENTS where MON$ATTACHMENT_ID = ?"), {id}), 0);
        // Used again, it connects again and prepares afresh.
        QCOMPARE(countOf(c, QStringLiteral("PESOMED")), 0);
        QVERIFY(attachmentId(c) != id);
    }

    void droppedConnectionLetsEverythingGo()
    {
        const int live = fb::liveStatementCount();
        SqlConnection c;
        TestDb::point(c);
        const qint64 id = attachmentId(c);
        QCOMPARE(countOf(c, QStringLiteral("PESOMED")), 0);
        // A write under way when the connection goes.
        auto transaction = std::make_unique<fb::Transaction>(c.connection());
        fb::Statement insert(c.connection(), QStringLiteral("insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, "
                                                            "NFORMULA, NUMCAP) values (?, '01', 1, 1, ?)"));
        insert.setTransaction(*transaction);
        insert.run({5, 5});
        QVERIFY(c.connection().preparedCount() >= 3);

        // The administrator ends the attachment, as a server shutdown or a
        // broken network would.
        db().execute(QStringLiteral("delete from MON$ATTACHMENTS where MON$ATTACHMENT_ID = %1").arg(id));
        try {
            countOf(c, QStringLiteral("PESOMED"));
            QFAIL("read on a dropped connection");
        } catch (const fb::Error &e) {
            QVERIFY2(e.connectionLost(), qPrintable(e.text()));
        }
        QVERIFY(!c.connected());
        QCOMPARE(c.connection().preparedCount(), 0);
        // Every handle of the dropped attachment is gone; the statement still
        // held refuses to run instead of touching a dead handle.
        QCOMPARE(fb::liveStatementCount(), live);
        QVERIFY_THROWS_EXCEPTION(fb::Error, insert.run({6, 6}));
        // The write under way is not reported as done.
        QVERIFY_THROWS_EXCEPTION(fb::Error, transaction->commit());
        transaction.reset();
        QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 0);
        // The next use is a new attachment.
        QVERIFY(attachmentId(c) != id);
        c.execute(QStringLiteral("insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, NUMCAP) "
                                 "values (7, '01', 1, 1, 7)"));
        QCOMPARE(countOf(c, QStringLiteral("PESOMED")), 1);
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
