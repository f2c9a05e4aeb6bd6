// The lot register's arithmetic and statement texts: the grid's capsule size,
// the supplier key, codes of the same supplier, the average, and the insert
// and update statements with their numbers and quoted values.

#include "data/udm.h"
#include "lots/CalculosLote.h"

#include <QTest>

class TstCalculosLote : public QObject {
    Q_OBJECT

private slots:
    void tamanhoNaDescricao_data()
    {
        QTest::addColumn<QString>("descricao");
        QTest::addColumn<QString>("tamanho");
        QTest::newRow("two digits") << "Capsula 00 Azul" << "00";
        QTest::newRow("one digit, blank after") << "Capsula 1 Branca" << "1";
        QTest::newRow("no digits") << "Capsula Gelatinosa" << "";
        QTest::newRow("ends at the digit") << "Capsula 3" << "3";
        QTest::newRow("digit then letter") << "Capsula 0A" << "";
        QTest::newRow("three digits: the first two") << "Capsula 123" << "12";
        QTest::newRow("short") << "Caps" << "";
        QTest::newRow("empty") << "" << "";
    }
    void tamanhoNaDescricao()
    {
        QFETCH(QString, descricao);
        QFETCH(QString, tamanho);
        QCOMPARE(TamanhoCapsulaNoEstoque(descricao), tamanho);
    }

    void codigoComQuatroDigitos_data()
    {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("chave");   // "-" when not a whole number
        QTest::newRow("12") << "12" << "0012";
        QTest::newRow("0012") << "0012" << "0012";
        QTest::newRow("0") << "0" << "0000";
        QTest::newRow("12345") << "12345" << "12345";
        QTest::newRow("blanks") << " 12 " << "0012";
        QTest::newRow("letters") << "AB" << "-";
        QTest::newRow("empty") << "" << "-";
        QTest::newRow("decimal") << "1,5" << "-";
    }
    void codigoComQuatroDigitos()
    {
        QFETCH(QString, codigo);
        QFETCH(QString, chave);
        QCOMPARE(CodigoComQuatroDigitos(codigo).value_or(QStringLiteral("-")), chave);
    }

    void mesmoFornecedor_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("mesmo");
        QTest::newRow("12 and 0012") << "12" << "0012" << true;
        QTest::newRow("equal") << "0012" << "0012" << true;
        QTest::newRow("other number") << "0012" << "0013" << false;
        QTest::newRow("text equal") << "AB" << "AB" << true;
        QTest::newRow("text case") << "AB" << "ab" << false;
        QTest::newRow("text and number") << "AB" << "0012" << false;
        QTest::newRow("quote") << "A'B" << "A'B" << true;
    }
    void mesmoFornecedor()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, mesmo);
        QCOMPARE(MesmoFornecedor(a, b), mesmo);
        QCOMPARE(MesmoFornecedor(b, a), mesmo);
    }

    void mediaDosPesos_data()
    {
        QTest::addColumn<QList<double>>("pesos");   // -1 for an empty weight
        QTest::addColumn<double>("media");
        QTest::newRow("three weights over 20") << QList<double>{50, 51, 52} << 7.65;
        QTest::newRow("twenty of 96.5") << QList<double>(20, 96.5) << 96.5;
        QList<double> semUltimo(19, 96.5);
        semUltimo.append(-1);
        QTest::newRow("nineteen and an empty one") << semUltimo << 91.675;
        QTest::newRow("kept with three decimals") << QList<double>{1.23456} << 0.062;
        QTest::newRow("half up on the third decimal") << QList<double>{0.01} << 0.001;
    }
    void mediaDosPesos()
    {
        QFETCH(QList<double>, pesos);
        QFETCH(double, media);
        QList<std::optional<double>> lidos;
        for (double p : pesos)
            lidos.append(p < 0 ? std::nullopt : std::optional<double>(p));
        QCOMPARE(MediaDosPesos(lidos), media);
    }

    void numerosNosComandos_data()
    {
        QTest::addColumn<double>("valor");
        QTest::addColumn<QString>("numero");
        QTest::addColumn<QString>("media");
        QTest::newRow("96.5") << 96.5 << "96.5" << "96.50";
        QTest::newRow("96.5125") << 96.5125 << "96.5125" << "96.51";
        QTest::newRow("96.1") << 96.1 << "96.1" << "96.10";
        QTest::newRow("whole") << 100.0 << "100" << "100.00";
        QTest::newRow("small") << 0.00001 << "0.00001" << "0.00";
        QTest::newRow("rounded up") << 0.125 << "0.125" << "0.13";
        QTest::newRow("large") << 1234567.5 << "1234567.5" << "1234567.50";
    }
    void numerosNosComandos()
    {
        QFETCH(double, valor);
        QFETCH(QString, numero);
        QFETCH(QString, media);
        QCOMPARE(NumeroNoComando(valor), numero);
        QCOMPARE(MediaNoComando(valor), media);
    }

    void comandoIncluiLote()
    {
        QString esperado = QStringLiteral(
            "Insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO, P01, P02, P03, P04, P05, P06, P07, P08, P09, "
            "P10, P11, P12, P13, P14, P15, P16, P17, P18, P19, P20) values ('0012', 'L2401', '0', 96.50");
        for (int i = 0; i < 20; ++i)
            esperado += QStringLiteral(", 96.5");
        esperado += QLatin1Char(')');
        QCOMPARE(ComandoIncluiLote(QStringLiteral("0012"), QStringLiteral("L2401"), QStringLiteral("0"),
                                   QList<double>(20, 96.5)),
                 esperado);
        // Quotes inside values are doubled; the sum 1930.25 gives 96.51.
        QList<double> pesos(19, 96.5);
        pesos.append(96.75);
        const QString sql = ComandoIncluiLote(QStringLiteral("00'1"), QStringLiteral("L'1"), QString(), pesos);
        QVERIFY(sql.contains(QStringLiteral("values ('00''1', 'L''1', '', 96.51, 96.5,")));
        QVERIFY(sql.endsWith(QStringLiteral(", 96.75)")));
    }

    void comandoAlteraLote()
    {
        QList<double> pesos;
        for (int i = 1; i <= 20; ++i)
            pesos.append(90 + i / 10.0);
        const QString sql = ComandoAlteraLote(QStringLiteral("0031"), QStringLiteral("L'2"), pesos,
                                              QStringLiteral("0012"), QStringLiteral("L'1"), QStringLiteral("1"));
        QString esperado = QStringLiteral("Update PESCAVAZ set CODFORN = '0031', LOTE = 'L''2', PESOMEDIO = 91.05");
        for (int i = 1; i <= 20; ++i)
            esperado += QStringLiteral(", P%1 = %2").arg(i, 2, 10, QLatin1Char('0')).arg(NumeroNoComando(90 + i / 10.0));
        // The size is part of the lot's key: another size of the lot is not touched.
        esperado += QStringLiteral(" where CODFORN = '0012' and LOTE = 'L''1' and TAMCAP = '1'");
        QCOMPARE(sql, esperado);
        QVERIFY(sql.contains(QStringLiteral(", P01 = 90.1, P02 = 90.2,")));
        // The size itself is never changed.
        QVERIFY(!sql.section(QStringLiteral(" where "), 0, 0).contains(QStringLiteral("TAMCAP")));
        QCOMPARE(ComandoExcluiLote(QStringLiteral("0012"), QStringLiteral("L'1"), QStringLiteral("00")),
                 QStringLiteral("Delete from PESCAVAZ where CODFORN = '0012' and LOTE = 'L''1' and TAMCAP = '00'"));
    }

    void consultas()
    {
        QCOMPARE(ConsultaLoteRegistrado(QStringLiteral("0012"), QStringLiteral("L'1")),
                 QStringLiteral("Select CODFORN, LOTE from PESCAVAZ where CODFORN = '0012' and LOTE = 'L''1'"));
        QCOMPARE(ConsultaLotesDoFornecedor(QStringLiteral("D'ORO")),
                 QStringLiteral("Select DESCRICAO, LOTE, FORNECEDOR, CODIGO, SALDOPREVISTO, SALDOCORRENTE, UNIDADE, "
                                "CODIGOEAN, FABRICANTE, VALIDADE, SITUACAO, DENSIDADE, FATORCORRECAO, LABORATORIO, "
                                "CONTROLADA from ESTLOTE where FORNECEDOR = 'D''ORO' and DESCRICAO like 'Capsula%' "
                                "order by Validade,Lote"));
    }
};

QTEST_GUILESS_MAIN(TstCalculosLote)
#include "tst_calculoslote.moc"
