#include "core/DisplayFormat.h"
#include "core/SqlText.h"
#include "core/Win1252.h"

#include <QTest>

#include <cmath>

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

    void displayFormat_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("brazil");
        QTest::addColumn<QString>("c");
        QTest::newRow("weight") << 1234.5 << "#,##0.0000" << "1.234,5000" << "1,234.5000";
        QTest::newRow("result") << 250.0 << "#,##0.000" << "250,000" << "250.000";
        QTest::newRow("millions") << 1234567.891 << "#,##0.000" << "1.234.567,891" << "1,234,567.891";
        QTest::newRow("optional decimals used") << 0.1234567 << "#,##0.0000###" << "0,1234567" << "0.1234567";
        QTest::newRow("optional decimals trimmed") << 2.5 << "#,##0.0000#" << "2,5000" << "2.5000";
        QTest::newRow("optional decimal rounded") << 2.123456 << "#,##0.0000#" << "2,12346" << "2.12346";
        QTest::newRow("two decimals") << 98.765 << "0.00" << "98,77" << "98.77";
        QTest::newRow("half away from zero") << -0.125 << "0.00" << "-0,13" << "-0.13";
        QTest::newRow("decimal half up") << 1.005 << "0.00" << "1,01" << "1.01";
        QTest::newRow("carry into integer") << 999.9996 << "#,##0.000" << "1.000,000" << "1,000.000";
        QTest::newRow("tiny") << 0.00001 << "#,##0.0000###" << "0,00001" << "0.00001";
        QTest::newRow("zero") << 0.0 << "#,##0.000" << "0,000" << "0.000";
        QTest::newRow("negative small") << -3.25 << "#,##0.000" << "-3,250" << "-3.250";
        QTest::newRow("rounds to zero") << -0.0001 << "0.00" << "0,00" << "0.00";
        QTest::newRow("no format") << 246.5 << "" << "246,5" << "246.5";
        QTest::newRow("not a number") << std::nan("") << "#,##0.000" << "" << "";
    }
    void displayFormat()
    {
        QFETCH(double, value);
        QFETCH(QString, format);
        QFETCH(QString, brazil);
        QFETCH(QString, c);
        QCOMPARE(formatNumber(value, format, QLocale(QLocale::Portuguese, QLocale::Brazil)), brazil);
        QCOMPARE(formatNumber(value, format, QLocale::c()), c);
    }

    void win1252Unmappable()
    {
        QCOMPARE(toWin1252(QStringLiteral("a\u4E2Db")), QByteArray("a?b"));
    }
};

QTEST_GUILESS_MAIN(TstCore)
#include "tst_core.moc"
