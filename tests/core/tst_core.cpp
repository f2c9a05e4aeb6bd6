#include "core/Capsulas.h"
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

    void typedNumber_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("read");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("message");   // a part of the refusal's message
        const QString br = QStringLiteral("pt_BR");
        const QString us = QStringLiteral("en_US");
        const QString howBr = QStringLiteral("com vírgula antes dos decimais, por exemplo 250,5");
        QTest::newRow("br comma") << br << "250,5" << true << 250.5 << "";
        QTest::newRow("br point alone") << br << "250.5" << true << 250.5 << "";
        QTest::newRow("br point two decimals") << br << "250.50" << true << 250.5 << "";
        QTest::newRow("br grams") << br << "0.250" << true << 0.25 << "";
        QTest::newRow("br grams comma") << br << "0,250" << true << 0.25 << "";
        QTest::newRow("br grouped") << br << "1.250,5" << true << 1250.5 << "";
        QTest::newRow("br two groups") << br << "1.250.000" << true << 1250000.0 << "";
        QTest::newRow("br four digits") << br << "1250.500" << true << 1250.5 << "";
        QTest::newRow("br whole") << br << "251" << true << 251.0 << "";
        QTest::newRow("br blanks around") << br << " 96,5 " << true << 96.5 << "";
        QTest::newRow("br leading decimal") << br << ",5" << true << 0.5 << "";
        QTest::newRow("br zero") << br << "0" << true << 0.0 << "";
        QTest::newRow("br ambiguous") << br << "1.250" << false << 0.0 << "\"1.250\" é ambíguo";
        QTest::newRow("br ambiguous offers both") << br << "250.500" << false << 0.0 << "Digite 250500 para o número inteiro ou 250,500";
        QTest::newRow("br double point") << br << "250..5" << false << 0.0 << howBr;
        QTest::newRow("br two commas") << br << "2,5,0" << false << 0.0 << "\"2,5,0\" não é um número válido";
        QTest::newRow("br letters") << br << "abc" << false << 0.0 << howBr;
        QTest::newRow("br exponent") << br << "1e3" << false << 0.0 << howBr;
        QTest::newRow("br double sign") << br << "--5" << false << 0.0 << howBr;
        QTest::newRow("br negative") << br << "-5" << false << 0.0 << "não pode ser negativo";
        QTest::newRow("br negative comma") << br << "-0,5" << false << 0.0 << "não pode ser negativo";
        QTest::newRow("br 300 digits") << br << QString(300, u'9') << false << 0.0 << "algarismos demais";
        QTest::newRow("br 16 digits") << br << "1234567890123456" << false << 0.0 << "algarismos demais";
        QTest::newRow("br leading zeros do not count") << br << ".0060040606" << true << 0.0060040606 << "";
        QTest::newRow("br eleven decimals") << br << ",00600406060" << false << 0.0 << "casas decimais demais";
        QTest::newRow("br tiny, found by fuzzing") << br << "-,000000000000000000000000000000000000016" << false << 0.0 << "casas decimais demais";
        QTest::newRow("br trailing separator") << br << "250," << false << 0.0 << howBr;
        QTest::newRow("br point after comma") << br << "1,250.5" << false << 0.0 << howBr;
        QTest::newRow("br bad grouping") << br << "12.50,5" << false << 0.0 << howBr;
        QTest::newRow("br only separator") << br << "," << false << 0.0 << howBr;
        QTest::newRow("br inner blank") << br << "250 5" << false << 0.0 << howBr;
        QTest::newRow("br empty") << br << "" << false << 0.0 << "Nenhum número";
        QTest::newRow("us point") << us << "250.5" << true << 250.5 << "";
        QTest::newRow("us comma alone") << us << "250,5" << true << 250.5 << "";
        QTest::newRow("us grams") << us << "0,250" << true << 0.25 << "";
        QTest::newRow("us grouped") << us << "1,250.5" << true << 1250.5 << "";
        QTest::newRow("us ambiguous") << us << "1,250" << false << 0.0 << "é ambíguo: a vírgula";
        QTest::newRow("us two points") << us << "2.5.0" << false << 0.0 << "com ponto antes dos decimais, por exemplo 250.5";
    }
    void typedNumber()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(bool, read);
        QFETCH(double, value);
        QFETCH(QString, message);
        const TypedNumber n = readTypedNumber(text, QLocale(locale));
        QCOMPARE(n.value.has_value(), read);
        if (read) {
            QCOMPARE(*n.value, value);
            QVERIFY(n.error.isEmpty());
        } else {
            QVERIFY2(n.error.contains(message), qPrintable(n.error));
        }
    }

    void numberForTypingReadsBack_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("weight") << 250.5 << "250,5";
        QTest::newRow("whole") << 251.0 << "251";
        QTest::newRow("grams") << 0.25 << "0,25";
        QTest::newRow("tiny, no exponent") << 0.00000001 << "0,00000001";
        QTest::newRow("large, no grouping") << 1250000.0 << "1250000";
        QTest::newRow("negative") << -3.5 << "-3,5";
    }
    void numberForTypingReadsBack()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        const QLocale br(QLocale::Portuguese, QLocale::Brazil);
        QCOMPARE(numberForTyping(value, br), text);
        QCOMPARE(parseTypedNumber(text, br), std::optional<double>(value));
    }

    void typedNumberNegativeWhenAllowed()
    {
        const QLocale br(QLocale::Portuguese, QLocale::Brazil);
        QCOMPARE(parseTypedNumber(QStringLiteral("-0,5"), br), std::optional<double>(-0.5));
        QCOMPARE(parseTypedNumber(QStringLiteral("+2"), br), std::optional<double>(2.0));
    }

    void win1252Unmappable()
    {
        QCOMPARE(toWin1252(QStringLiteral("a\u4E2Db")), QByteArray("a?b"));
    }
    // One rule names a capsule's description; the statements keep narrower
    // filters of their own, each a case of it.
    void capsuleDescriptions_data()
    {
        QTest::addColumn<QString>("descricao");
        QTest::addColumn<bool>("capsula");
        QTest::newRow("formula component, upper case") << "CAPSULA GELATINOSA Nº 0" << true;
        QTest::newRow("stock description") << "Capsula 00 Azul" << true;
        QTest::newRow("short form, lower case") << "cap 1" << true;
        QTest::newRow("accented: not the suite's spelling") << "Cápsula 0" << false;
        QTest::newRow("sachet") << "SACHE 5G" << false;
        QTest::newRow("too short") << "CA" << false;
        QTest::newRow("empty") << "" << false;
    }
    void capsuleDescriptions()
    {
        QFETCH(QString, descricao);
        QFETCH(bool, capsula);
        QCOMPARE(DescreveCapsula(descricao), capsula);
    }

    void capsuleFiltersOfTheStatements_data()
    {
        QTest::addColumn<QString>("prefixo");
        QTest::addColumn<QString>("filtro");
        // The lot grid reads the size at characters 9 and 10: only "Capsula ..." descriptions hold it there.
        QTest::newRow("stock lots of a supplier") << kPrefixoCapsulasDoEstoque << " and DESCRICAO like 'Capsula%'";
        // A stored lot's description is found by its lot alone; any capsule spelling will do.
        QTest::newRow("description of a stored lot") << kPrefixoDescricaoDoLote << " and DESCRICAO like 'Cap%'";
    }
    void capsuleFiltersOfTheStatements()
    {
        QFETCH(QString, prefixo);
        QFETCH(QString, filtro);
        QCOMPARE(FiltroDescricaoCapsula(prefixo), filtro);
        QVERIFY2(DescreveCapsula(prefixo), "every filter selects capsules in the shared sense");
    }

    // Two size readers: the analysis and a new lot take the digits of the
    // description; the lot grid takes characters 9 and 10 of a stock one.
    void capsuleSizeReaders_data()
    {
        QTest::addColumn<QString>("descricao");
        QTest::addColumn<QString>("peloDigitos");
        QTest::addColumn<QString>("noEstoque");
        QTest::newRow("stock description: both agree") << "Capsula 00 Azul" << "00" << "00";
        QTest::newRow("one digit then a blank") << "Capsula 1 Branca" << "1" << "1";
        QTest::newRow("digits elsewhere") << "Capsula 1 LOTE 2" << "12" << "1";
        QTest::newRow("short formula component") << "CAP 00 INCOLOR" << "00" << "";
        QTest::newRow("no digits") << "Capsula Gelatinosa" << "" << "";
    }
    void capsuleSizeReaders()
    {
        QFETCH(QString, descricao);
        QFETCH(QString, peloDigitos);
        QFETCH(QString, noEstoque);
        QCOMPARE(TamanhoCapsula(descricao), peloDigitos);
        QCOMPARE(TamanhoCapsulaNoEstoque(descricao), noEstoque);
    }
};

QTEST_GUILESS_MAIN(TstCore)
#include "tst_core.moc"
