// The lot register's arithmetic and statement texts: the grid's capsule size,
// the supplier key, the average, and the look-ups with their quoted values.

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
        QCOMPARE(TamanhoNaDescricao(descricao), tamanho);
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
