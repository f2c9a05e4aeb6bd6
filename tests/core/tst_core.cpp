#include "core/SqlText.h"
#include "core/Win1252.h"

#include <QTest>

class TstCore : public QObject {
    Q_OBJECT
private slots:
    void quoting_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "01" << "'01'";
        QTest::newRow("empty") << "" << "''";
        QTest::newRow("one quote") << "O'" << "'O'''";
        QTest::newRow("injection") << "x' or '1'='1" << "'x'' or ''1''=''1'";
    }
    void quoting()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QCOMPARE(quoted(value), expected);
    }

    void wholeNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("whole");
        QTest::newRow("digits") << "0012" << true;
        QTest::newRow("signed") << "-5" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("sign only") << "+" << false;
        QTest::newRow("decimal") << "1.5" << false;
        QTest::newRow("sql") << "1 or 1=1" << false;
    }
    void wholeNumber()
    {
        QFETCH(QString, text);
        QFETCH(bool, whole);
        QCOMPARE(isWholeNumber(text), whole);
    }

    void win1252RoundTrip()
    {
        const QString text = QStringLiteral("Cápsulas – ção € ‰ Œ ÿ “aspas”");
        const QByteArray bytes = toWin1252(text);
        QCOMPARE(bytes.size(), text.size());
        QCOMPARE(static_cast<unsigned char>(bytes.at(text.indexOf(QChar(0x20AC)))), 0x80);
        QCOMPARE(static_cast<unsigned char>(bytes.at(text.indexOf(QChar(0x2013)))), 0x96);
        QCOMPARE(fromWin1252(bytes), text);
    }

    void win1252Unmappable()
    {
        QCOMPARE(toWin1252(QStringLiteral("a\u4E2Db")), QByteArray("a?b"));
    }
};

QTEST_GUILESS_MAIN(TstCore)
#include "tst_core.moc"
