// The history of the module's tables against the real server: what each
// insert, update and delete of PESOMED, RPESOMED and PESCAVAZ records, the
// context a program hands over (operator, workstation, the weight's source,
// the analysis), two workstations at once, a write of another program,
// history rows that cannot be changed, writes the tables accept that the
// history must not refuse, and a database without the history that gets it
// by the install script.

#include "analysis/Analise.h"
#include "data/Historico.h"
#include "data/udm.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestDb.h"

#include <QDateTime>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <memory>
#include <optional>

namespace {

using TestDb::scalar;
using TestDb::weigh;
using TestDb::workstation;

const QString kImutavel = QStringLiteral("O histórico das pesagens não pode ser alterado nem excluído.");

// The rows of a query as texts, "-" for null.
QList<QStringList> linhas(SqlConnection &connection, const QString &sql)
{
    fb::Statement statement(connection.connection(), sql);
    statement.open();
    QList<QStringList> todas;
    while (statement.fetch()) {
        QStringList linha;
        for (int i = 0; i < statement.columns().size(); ++i) {
            const QVariant v = statement.value(i);
            linha << (v.isValid() ? v.toString() : QStringLiteral("-"));
        }
        todas << linha;
    }
    return todas;
}

qint64 marca()
{
    return scalar(QStringLiteral("select coalesce(max(ID_HISTPESO), 0) from HISTPESO")).toLongLong();
}

struct Registro {
    qint64 id = 0;
    QString tabela, acao, registro, chave, manipulador, amostra, veredito, origem, balanca, numSerie, leitura,
        endereco, computador, usuarioSo, programa, computadorInformado, usuarioSoInformado, conexao;
    QDateTime quando;
    // "CAMPO:antes>depois" of each changed column, in column order, "-" for null.
    QString campos;
};

// The history rows written after the mark, in the order of the writes.
QList<Registro> historia(qint64 desde, SqlConnection &connection = TestDb::admin())
{
    QList<Registro> lista;
    const auto rows = linhas(
        connection,
        QStringLiteral("select ID_HISTPESO, TABELA, ACAO, REGISTRO, "
                       "coalesce(ESTACAO || '/' || NPEDIDO || '/' || NFORMULA || coalesce('/' || NUMCAP, '') || "
                       "'#' || ID_REGISTRO, CODFORN || '/' || LOTE || '/' || TAMCAP), "
                       "MANIPULADOR, AMOSTRA, VEREDITO, ORIGEM, BALANCA, NUMSERIE, LEITURA, ENDERECO, COMPUTADOR, "
                       "USUARIO_SO, PROGRAMA, COMPUTADOR_INFORMADO, USUARIO_SO_INFORMADO, CONEXAO, DATAHORA "
                       "from HISTPESO where ID_HISTPESO > %1 order by ID_HISTPESO")
            .arg(desde));
    for (const QStringList &r : rows) {
        Registro h;
        h.id = r[0].toLongLong();
        h.tabela = r[1];
        h.acao = r[2];
        h.registro = r[3];
        h.chave = r[4];
        h.manipulador = r[5];
        h.amostra = r[6];
        h.veredito = r[7];
        h.origem = r[8];
        h.balanca = r[9];
        h.numSerie = r[10];
        h.leitura = r[11];
        h.endereco = r[12];
        h.computador = r[13];
        h.usuarioSo = r[14];
        h.programa = r[15];
        h.computadorInformado = r[16];
        h.usuarioSoInformado = r[17];
        h.conexao = r[18];
        h.quando = QDateTime::fromString(r[19], Qt::ISODateWithMs);
        QStringList campos;
        for (const QStringList &c :
             linhas(connection, QStringLiteral("select c.CAMPO, c.ANTES, c.DEPOIS from HISTPESO h left join "
                                               "HISTPESO_CAMPOS(h.ID_HISTPESO, h.CAMPOS) c on 1 = 1 where "
                                               "h.ID_HISTPESO = %1 and c.CAMPO is not null order by c.ORDEM")
                                    .arg(h.id)))
            campos << c[0] + QLatin1Char(':') + c[1] + QLatin1Char('>') + c[2];
        h.campos = campos.join(QLatin1Char(';'));
        lista << h;
    }
    return lista;
}

// The one history row of the writes after the mark.
Registro unico(qint64 desde)
{
    const QList<Registro> lista = historia(desde);
    if (lista.size() != 1)
        qFatal("expected one history row, found %d", int(lista.size()));
    return lista.first();
}

void correct(TDM &dm, int numcap, double peso)
{
    dm.cds_PesoMed->Refresh();
    QVERIFY(dm.cds_PesoMed->Locate(QStringLiteral("NUMCAP"), {numcap}));
    dm.cds_PesoMed->Edit();
    dm.cds_PesoMed->FieldByName(QStringLiteral("PESO")).SetAsFloat(peso);
    dm.cds_PesoMed->Post();
}

void apaga(TDM &dm, int numcap)
{
    dm.cds_PesoMed->Refresh();
    QVERIFY(dm.cds_PesoMed->Locate(QStringLiteral("NUMCAP"), {numcap}));
    dm.cds_PesoMed->Delete();
}

QString isqlFalha(const QString &database, const QString &entrada, const QStringList &extra = {})
{
    QProcess isql;
    isql.start(QStringLiteral("isql-fb"), QStringList{QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("-ch"),
                                                      QStringLiteral("UTF8"), QStringLiteral("-user"),
                                                      QStringLiteral("sysdba"), QStringLiteral("-password"),
                                                      QStringLiteral("tamarindo")} +
                                              extra + (database.isEmpty() ? QStringList() : QStringList{database}));
    isql.write(entrada.toUtf8());
    isql.closeWriteChannel();
    if (!isql.waitForFinished(60000))
        return QStringLiteral("isql-fb did not finish");
    if (isql.exitStatus() != QProcess::NormalExit || isql.exitCode() != 0)
        return QString::fromUtf8(isql.readAllStandardError() + isql.readAllStandardOutput());
    return {};
}

// Everything of a database but the history: its own objects and the module's rows.
QStringList retrato(SqlConnection &connection)
{
    QStringList texto;
    const QString foraDoHistorico = QStringLiteral(" not starting with 'HISTPESO' and %1 <> 'GEN_HISTPESO'");
    for (const QString &sql :
         {QStringLiteral("select RDB$RELATION_NAME from RDB$RELATIONS where coalesce(RDB$SYSTEM_FLAG, 0) = 0 and "
                         "RDB$RELATION_NAME") + foraDoHistorico.arg(QStringLiteral("RDB$RELATION_NAME")) +
              QStringLiteral(" order by 1"),
          QStringLiteral("select RDB$TRIGGER_NAME, RDB$TRIGGER_INACTIVE from RDB$TRIGGERS where "
                         "coalesce(RDB$SYSTEM_FLAG, 0) = 0 and RDB$TRIGGER_NAME") +
              foraDoHistorico.arg(QStringLiteral("RDB$TRIGGER_NAME")) + QStringLiteral(" order by 1"),
          QStringLiteral("select RDB$PROCEDURE_NAME from RDB$PROCEDURES where RDB$PROCEDURE_NAME") +
              foraDoHistorico.arg(QStringLiteral("RDB$PROCEDURE_NAME")) + QStringLiteral(" order by 1"),
          QStringLiteral("select RDB$INDEX_NAME, RDB$RELATION_NAME from RDB$INDICES where coalesce(RDB$SYSTEM_FLAG, 0) "
                         "= 0 and RDB$RELATION_NAME") +
              foraDoHistorico.arg(QStringLiteral("RDB$RELATION_NAME")) + QStringLiteral(" order by 1"),
          QStringLiteral("select RDB$GENERATOR_NAME from RDB$GENERATORS where coalesce(RDB$SYSTEM_FLAG, 0) = 0 and "
                         "RDB$GENERATOR_NAME") +
              foraDoHistorico.arg(QStringLiteral("RDB$GENERATOR_NAME")) + QStringLiteral(" order by 1"),
          QStringLiteral("select * from PESOMED order by ID_PESOMED"),
          QStringLiteral("select * from RPESOMED order by ID_RPESOMED"),
          QStringLiteral("select * from PESCAVAZ order by CODFORN, LOTE, TAMCAP")})
        for (const QStringList &l : linhas(connection, sql))
            texto << l.join(QLatin1Char('|')).trimmed();
    return texto;
}

} // namespace

class TstHistorico : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        TestDb::reset();
        TestDb::order(QStringLiteral("01"), 1234);
        TestDb::formula(QStringLiteral("01"), 1234, 1);
        TestDb::formula(QStringLiteral("01"), 1234, 2);
    }

    void eachWriteOfTheThreeTables_data()
    {
        QTest::addColumn<QStringList>("preparo");
        QTest::addColumn<QString>("escrita");
        QTest::addColumn<QString>("tabela");
        QTest::addColumn<QString>("acao");
        QTest::addColumn<QString>("registro");
        QTest::addColumn<QString>("chave");
        QTest::addColumn<QString>("campos");

        const QString pesagem = QStringLiteral(
            "insert into PESOMED (ID_PESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, PESO, OBS) "
            "values (7, '010012342', '01', 1234, 2, 3, 250.5, 'Não Conforme')");
        const QString capsula = QStringLiteral("Estação 01, pedido 1234, fórmula 2, cápsula 3");
        QTest::newRow("weighing inserted")
            << QStringList() << pesagem << "PESOMED" << "INCLUSAO" << capsula << "01/1234/2/3#7"
            << "ID_PESOMED:->7;CHAVE:->010012342;ESTACAO:->01;NPEDIDO:->1234;NFORMULA:->2;NUMCAP:->3;"
               "PESO:->250.5000000000000;OBS:->Não Conforme";
        QTest::newRow("weight corrected")
            << QStringList{pesagem} << "update PESOMED set PESO = 262 where ID_PESOMED = 7" << "PESOMED" << "ALTERACAO"
            << capsula << "01/1234/2/3#7" << "PESO:250.5000000000000>262.0000000000000";
        QTest::newRow("case and trailing blank count")
            << QStringList{pesagem} << "update PESOMED set OBS = 'NÃO CONFORME ' where ID_PESOMED = 7" << "PESOMED"
            << "ALTERACAO" << capsula << "01/1234/2/3#7" << "OBS:Não Conforme>NÃO CONFORME ";
        QTest::newRow("weight emptied")
            << QStringList{pesagem} << "update PESOMED set PESO = null, OBS = null where ID_PESOMED = 7" << "PESOMED"
            << "ALTERACAO" << capsula << "01/1234/2/3#7" << "PESO:250.5000000000000>-;OBS:Não Conforme>-";
        QTest::newRow("update changing nothing")
            << QStringList{pesagem} << "update PESOMED set PESO = PESO where ID_PESOMED = 7" << "PESOMED"
            << "ALTERACAO" << capsula << "01/1234/2/3#7" << "";
        QTest::newRow("weighing deleted")
            << QStringList{pesagem} << "delete from PESOMED where ID_PESOMED = 7" << "PESOMED" << "EXCLUSAO" << capsula
            << "01/1234/2/3#7"
            << "ID_PESOMED:7>-;CHAVE:010012342>-;ESTACAO:01>-;NPEDIDO:1234>-;NFORMULA:2>-;NUMCAP:3>-;"
               "PESO:250.5000000000000>-;OBS:Não Conforme>-";

        const QString resultado = QStringLiteral(
            "insert into RPESOMED (ID_RPESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, RESULTADO, DATA_EMISSAO) "
            "values (3, '010012342', '01', 1234, 2, 'Reprovado', '2026-12-01')");
        const QString formula = QStringLiteral("Estação 01, pedido 1234, fórmula 2");
        QTest::newRow("result inserted")
            << QStringList() << resultado << "RPESOMED" << "INCLUSAO" << formula << "01/1234/2#3"
            << "ID_RPESOMED:->3;CHAVE:->010012342;ESTACAO:->01;NPEDIDO:->1234;NFORMULA:->2;RESULTADO:->Reprovado;"
               "DATA_EMISSAO:->2026-12-01";
        QTest::newRow("result changed")
            << QStringList{resultado}
            << "update RPESOMED set MOTIVOS = 'DPR acima de 4%', MANIPULADOR = 'Ana', VARTEORMIN = 91.5 "
               "where ID_RPESOMED = 3"
            << "RPESOMED" << "ALTERACAO" << formula << "01/1234/2#3"
            << "MOTIVOS:->DPR acima de 4%;MANIPULADOR:->Ana;VARTEORMIN:->91.50000000";
        QTest::newRow("result deleted")
            << QStringList{resultado} << "delete from RPESOMED" << "RPESOMED" << "EXCLUSAO" << formula
            << "01/1234/2#3"
            << "ID_RPESOMED:3>-;CHAVE:010012342>-;ESTACAO:01>-;NPEDIDO:1234>-;NFORMULA:2>-;RESULTADO:Reprovado>-;"
               "DATA_EMISSAO:2026-12-01>-";

        const QString lote = QStringLiteral(
            "insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO, P01, P20) values ('0012', 'L0', '0', 96, 95.5, 96.5)");
        QTest::newRow("lot inserted")
            << QStringList() << lote << "PESCAVAZ" << "INCLUSAO" << "Fornecedor 0012, lote L0, tamanho 0" << "0012/L0/0"
            << "CODFORN:->0012;LOTE:->L0;TAMCAP:->0;PESOMEDIO:->96.000;P01:->95.500;P20:->96.500";
        QTest::newRow("lot changed as the grid writes it back")
            << QStringList{lote}
            << "update PESCAVAZ set P01 = 96.25, PESOMEDIO = 96.038 where CODFORN = '0012' and LOTE = 'L0' and "
               "TAMCAP = '0' and PESOMEDIO = 96 and P01 = 95.5 and P02 is null and P20 = 96.5"
            << "PESCAVAZ" << "ALTERACAO" << "Fornecedor 0012, lote L0, tamanho 0" << "0012/L0/0"
            << "PESOMEDIO:96.000>96.038;P01:95.500>96.250";
        QTest::newRow("lot renumbered")
            << QStringList{lote} << "update PESCAVAZ set LOTE = 'L1'" << "PESCAVAZ" << "ALTERACAO"
            << "Fornecedor 0012, lote L1, tamanho 0" << "0012/L1/0" << "LOTE:L0>L1";
        QTest::newRow("lot deleted")
            << QStringList{lote} << "delete from PESCAVAZ" << "PESCAVAZ" << "EXCLUSAO"
            << "Fornecedor 0012, lote L0, tamanho 0" << "0012/L0/0"
            << "CODFORN:0012>-;LOTE:L0>-;TAMCAP:0>-;PESOMEDIO:96.000>-;P01:95.500>-;P20:96.500>-";
    }
    void eachWriteOfTheThreeTables()
    {
        QFETCH(QStringList, preparo);
        QFETCH(QString, escrita);
        TestDb::exec(preparo);
        const qint64 antes = marca();
        const QDateTime inicio = scalar(QStringLiteral("select current_timestamp from RDB$DATABASE")).toDateTime();
        TestDb::exec({escrita});
        const QDateTime fim = scalar(QStringLiteral("select current_timestamp from RDB$DATABASE")).toDateTime();

        const Registro h = unico(antes);
        QTEST(h.tabela, "tabela");
        QTEST(h.acao, "acao");
        QTEST(h.registro, "registro");
        QTEST(h.chave, "chave");
        QTEST(h.campos, "campos");
        QVERIFY2(h.quando >= inicio && h.quando <= fim, qPrintable(h.quando.toString(Qt::ISODateWithMs)));
        // What the server knows of the program that wrote: this test.
        QVERIFY(!h.endereco.isEmpty() && h.endereco != QLatin1String("-"));
        QVERIFY(!h.computador.isEmpty() && h.computador != QLatin1String("-"));
        QVERIFY(h.programa.endsWith(QLatin1String("tst_historico")));
        QVERIFY(h.usuarioSo != QLatin1String("-"));
    }

    void weightSourceTravelsWithTheWrite()
    {
        SqlConnection &c = TestDb::admin();
        const QString linhaCrua = QStringLiteral("S S      0.2501 g 'estável'");
        const Historico::OrigemPeso balanca{Historico::OrigemPeso::Tipo::Balanca, QStringLiteral("XS205 DualRange"),
                                            QStringLiteral("B123456789"), linhaCrua};
        qint64 antes = marca();
        QCOMPARE(Historico::escreve(c,
                                    QStringLiteral("insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, "
                                                   "PESO) values (1, '01', 1234, 1, 1, 250.1)"),
                                    Historico::variaveis(balanca)),
                 qint64(1));
        Registro h = unico(antes);
        QCOMPARE(h.origem, QStringLiteral("BALANCA"));
        QCOMPARE(h.balanca, QStringLiteral("XS205 DualRange"));
        QCOMPARE(h.numSerie, QStringLiteral("B123456789"));
        QCOMPARE(h.leitura, linhaCrua);

        // Typed; two writes in one block: only the first carries the source.
        antes = marca();
        QCOMPARE(Historico::escreve(c,
                                    QStringLiteral("update PESOMED set PESO = 251 where ID_PESOMED = 1;\n"
                                                   "update PESOMED set OBS = 'x' where ID_PESOMED = 1"),
                                    Historico::variaveis(Historico::OrigemPeso{})),
                 qint64(1));
        QList<Registro> lista = historia(antes);
        QCOMPARE(lista.size(), 2);
        QCOMPARE(lista[0].origem, QStringLiteral("DIGITADO"));
        QCOMPARE(lista[0].balanca, QStringLiteral("-"));
        QCOMPARE(lista[0].campos, QStringLiteral("PESO:250.1000000000000>251.0000000000000"));
        QCOMPARE(lista[1].origem, QStringLiteral("-"));

        // A later write of the same connection carries none; a line longer
        // than a context variable holds is cut, not refused.
        antes = marca();
        TestDb::exec({QStringLiteral("update PESOMED set PESO = 252")});
        QCOMPARE(unico(antes).origem, QStringLiteral("-"));
        antes = marca();
        Historico::OrigemPeso longa = balanca;
        longa.leitura = QString(300, QLatin1Char('9'));
        Historico::escreve(c, QStringLiteral("update PESOMED set PESO = 253"), Historico::variaveis(longa));
        QCOMPARE(unico(antes).leitura, QString(Historico::kTamanhoMaximo, QLatin1Char('9')));
    }

    void theProgramsWritesCarryTheirContext()
    {
        // The formula of the fixture, ready for an analysis.
        TestDb::exec({QStringLiteral("insert into FORNECED (CODIGO, NOME, NOMEFANTASIA) values ('0012', 'Caps Brasil "
                                     "Ltda', 'CAPS BRASIL')"),
                      QStringLiteral("insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO) values ('0012', 'L0', "
                                     "'0', 96)")});
        TestDb::component(QStringLiteral("01"), 1234, 1, 1, QStringLiteral("CAFEINA"), 4620);
        TestDb::component(QStringLiteral("01"), 1234, 1, 2, QStringLiteral("CAPSULA N 0"), 30, QStringLiteral("UN"));
        TestDb::exec({QStringLiteral("update COMPEDID set LOTE = 'L0', FORNECEDOR = 'CAPS BRASIL' where ORDEM = 2")});
        auto dm = workstation();
        dm->DefineOperador(QStringLiteral("Carla Dias"));
        const Historico::OrigemPeso balanca{Historico::OrigemPeso::Tipo::Balanca, QStringLiteral("XS205 DualRange"),
                                            QStringLiteral("B123456789"), QStringLiteral("S S      0.2501 g")};
        struct Pesagem {
            std::optional<Historico::OrigemPeso> origem;
            const char *operador;
            const char *esperada; // ORIGEM
        };
        // Typed, from the balance, typed again (the source is taken by its
        // write), and typed after the operator changed.
        const QList<Pesagem> pesagens = {{{}, "Carla Dias", "DIGITADO"},
                                         {balanca, "Carla Dias", "BALANCA"},
                                         {{}, "Carla Dias", "DIGITADO"},
                                         {{}, "Davi Rocha", "DIGITADO"}};
        // Two first weighings store the formula's result record on the way.
        weigh(*dm, 248);
        weigh(*dm, 249);
        QList<qint64> comandos;
        qint64 antes = marca();
        for (const Pesagem &p : pesagens) {
            dm->DefineOperador(QString::fromUtf8(p.operador));
            if (p.origem)
                dm->DefineOrigemPeso(*p.origem);
            const qint64 contados = fb::statementCount();
            weigh(*dm, 250 + comandos.size());
            comandos << fb::statementCount() - contados;
        }
        QList<Registro> pesadas;
        for (const Registro &h : historia(antes))
            if (h.tabela == QLatin1String("PESOMED"))
                pesadas << h;
        QCOMPARE(pesadas.size(), pesagens.size());
        for (int i = 0; i < pesagens.size(); ++i) {
            QCOMPARE(pesadas[i].acao, QStringLiteral("INCLUSAO"));
            QCOMPARE(pesadas[i].origem, QString::fromUtf8(pesagens[i].esperada));
            QCOMPARE(pesadas[i].manipulador, QString::fromUtf8(pesagens[i].operador));
            const bool daBalanca = pesagens[i].origem.has_value();
            QCOMPARE(pesadas[i].balanca, daBalanca ? balanca.modelo : QStringLiteral("-"));
            QCOMPARE(pesadas[i].numSerie, daBalanca ? balanca.numeroSerie : QStringLiteral("-"));
            QCOMPARE(pesadas[i].leitura, daBalanca ? balanca.leitura : QStringLiteral("-"));
            // The context travels inside the write: no statement more for it.
            QCOMPARE(comandos[i], comandos.first());
        }

        // The analysis leaves its row, with the operator, the sample and the verdict.
        MessageRecorder recorder;
        antes = marca();
        QVERIFY(AnalisarCapsulas(*dm, recorder).gravada);
        QCOMPARE(recorder.texts(), QStringList());
        QList<Registro> analises;
        for (const Registro &h : historia(antes))
            if (h.tabela == QLatin1String("RPESOMED"))
                analises << h;
        QCOMPARE(analises.size(), 1);
        QCOMPARE(analises[0].acao, QStringLiteral("ANALISE"));
        QCOMPARE(analises[0].amostra, QStringLiteral("6"));
        QCOMPARE(analises[0].veredito, dm->cds_RPesoMed->FieldByName(QStringLiteral("RESULTADO")).AsString());
        QCOMPARE(analises[0].manipulador, QStringLiteral("Davi Rocha"));
    }

    void analysisAddsOneRow()
    {
        SqlConnection &c = TestDb::admin();
        QVERIFY(Historico::iniciaConexao(c, {QStringLiteral("Ana Souza"), {}, {}}));
        // An analysis that creates the result record, one that updates it.
        qint64 antes = marca();
        Historico::escreve(c,
                           QStringLiteral("insert into RPESOMED (ID_RPESOMED, ESTACAO, NPEDIDO, NFORMULA, QDECAPS, "
                                          "RESULTADO) values (1, '01', 1234, 1, 8, 'Reprovado')"),
                           Historico::analise());
        Registro h = unico(antes);
        QCOMPARE(h.acao, QStringLiteral("ANALISE"));
        QCOMPARE(h.amostra, QStringLiteral("8"));
        QCOMPARE(h.veredito, QStringLiteral("Reprovado"));
        QCOMPARE(h.manipulador, QStringLiteral("Ana Souza"));

        antes = marca();
        Historico::escreve(c,
                           QStringLiteral("update RPESOMED set QDECAPS = 10, RESULTADO = 'Aprovado' where ID_RPESOMED = 1;\n"
                                          "update RPESOMED set MANIPULADOR = 'Ana Souza' where ID_RPESOMED = 1"),
                           Historico::analise());
        QList<Registro> lista = historia(antes);
        QCOMPARE(lista.size(), 2);
        QCOMPARE(lista[0].acao, QStringLiteral("ANALISE"));
        QCOMPARE(lista[0].amostra, QStringLiteral("10"));
        QCOMPARE(lista[0].veredito, QStringLiteral("Aprovado"));
        QCOMPARE(lista[0].campos, QStringLiteral("QDECAPS:8>10;RESULTADO:Reprovado>Aprovado"));
        // The mark is used once: the next write of the block is an ordinary change.
        QCOMPARE(lista[1].acao, QStringLiteral("ALTERACAO"));
        QCOMPARE(lista[1].amostra, QStringLiteral("-"));

        // The same figures analysed again: still an analysis, nothing changed.
        antes = marca();
        Historico::escreve(c, QStringLiteral("update RPESOMED set QDECAPS = 10 where ID_RPESOMED = 1"),
                           Historico::analise());
        h = unico(antes);
        QCOMPARE(h.acao, QStringLiteral("ANALISE"));
        QCOMPARE(h.campos, QString());
        Historico::iniciaConexao(c, {});
        antes = marca();
        TestDb::exec({QStringLiteral("update RPESOMED set MOTIVOS = null")});
        QCOMPARE(unico(antes).manipulador, QStringLiteral("-"));
    }

    void twoWorkstationsOnOneFormula()
    {
        auto a = workstation();
        auto b = workstation();
        // Each data module sends its workstation with its first write.
        a->DefineEstacao({QStringLiteral("Ana Souza"), QStringLiteral("ana"), QStringLiteral("BALCAO-1")});
        b->DefineEstacao({QStringLiteral("Bruno Lima"), QStringLiteral("bruno"), QStringLiteral("LAB-2")});
        const qint64 antes = marca();
        weigh(*a, 250);
        weigh(*b, 251);
        weigh(*a, 252);
        correct(*b, 1, 249);
        correct(*a, 3, 253.5);
        apaga(*b, 2);
        weigh(*b, 254);

        struct Esperado {
            const char *quem;
            const char *computador;
            const char *acao;
            int capsula;
            const char *peso;
        };
        const QList<Esperado> esperado = {
            {"Ana Souza", "BALCAO-1", "INCLUSAO", 1, "PESO:->250.0000000000000"},
            {"Bruno Lima", "LAB-2", "INCLUSAO", 2, "PESO:->251.0000000000000"},
            {"Ana Souza", "BALCAO-1", "INCLUSAO", 3, "PESO:->252.0000000000000"},
            {"Bruno Lima", "LAB-2", "ALTERACAO", 1, "PESO:250.0000000000000>249.0000000000000"},
            {"Ana Souza", "BALCAO-1", "ALTERACAO", 3, "PESO:252.0000000000000>253.5000000000000"},
            {"Bruno Lima", "LAB-2", "EXCLUSAO", 2, "PESO:251.0000000000000>-"},
            {"Bruno Lima", "LAB-2", "INCLUSAO", 4, "PESO:->254.0000000000000"},
        };
        QList<Registro> pesagens;
        QSet<QString> conexoes;
        for (const Registro &h : historia(antes)) {
            if (h.tabela == QLatin1String("PESOMED"))
                pesagens << h;
            else
                QCOMPARE(h.tabela, QStringLiteral("RPESOMED"));  // the formula's result record
        }
        QCOMPARE(pesagens.size(), esperado.size());
        for (int i = 0; i < esperado.size(); ++i) {
            const Registro &h = pesagens[i];
            const Esperado &e = esperado[i];
            QCOMPARE(h.manipulador, QString::fromUtf8(e.quem));
            QCOMPARE(h.computadorInformado, QString::fromUtf8(e.computador));
            QCOMPARE(h.usuarioSoInformado, e.quem[0] == 'A' ? QStringLiteral("ana") : QStringLiteral("bruno"));
            QCOMPARE(h.acao, QString::fromUtf8(e.acao));
            QCOMPARE(h.registro, QStringLiteral("Estação 01, pedido 1234, fórmula 1, cápsula %1").arg(e.capsula));
            QVERIFY2(h.campos.contains(QString::fromUtf8(e.peso)), qPrintable(h.campos));
            if (i > 0)
                QVERIFY(h.quando >= pesagens[i - 1].quando);
            conexoes.insert(h.manipulador + h.conexao);
        }
        QCOMPARE(conexoes.size(), 2);
    }

    void historyRowsCannotBeChanged_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("update") << "update HISTPESO set MANIPULADOR = 'Outro' where ID_HISTPESO = %1";
        QTest::newRow("delete") << "delete from HISTPESO where ID_HISTPESO = %1";
        QTest::newRow("update of the values") << "update HISTPESO set CAMPOS = 'PESO:-1=1' where ID_HISTPESO = %1";
        // Values as the first version of the history kept them.
        QTest::newRow("update of a value") << "update HISTPESOCAMPO set DEPOIS = '1' where ID_HISTPESO = %1";
        QTest::newRow("delete of a value") << "delete from HISTPESOCAMPO where ID_HISTPESO = %1";
        QTest::newRow("delete of everything") << "delete from HISTPESO where ID_HISTPESO <= %1";
    }
    void historyRowsCannotBeChanged()
    {
        QFETCH(QString, sql);
        const qint64 antes = marca();
        TestDb::weighing(1, QStringLiteral("01"), 1234, 1, 1, 250);
        const Registro h = unico(antes);
        TestDb::exec({QStringLiteral("insert into HISTPESOCAMPO (ID_HISTPESO, ORDEM, CAMPO, DEPOIS) values (%1, 1, "
                                     "'PESO', '250')")
                          .arg(h.id)});
        const qint64 linhas = scalar(QStringLiteral("select count(*) from HISTPESO")).toLongLong();
        try {
            TestDb::exec({sql.arg(h.id)});
            QFAIL("the history row was changed");
        } catch (const fb::Error &e) {
            QVERIFY2(e.text().contains(kImutavel), qPrintable(e.text()));
        }
        QCOMPARE(scalar(QStringLiteral("select count(*) from HISTPESO")).toLongLong(), linhas);
        const Registro depois = unico(antes);
        QCOMPARE(depois.manipulador, h.manipulador);
        QCOMPARE(depois.campos, h.campos);
    }

    void writeOfAnotherProgram()
    {
        const qint64 antes = marca();
        const QString erro = isqlFalha(TestDb::location(),
                                       QStringLiteral("insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO) "
                                                      "values ('0001', 'SA2411873', '0', 95.8);\ncommit;\n"));
        QVERIFY2(erro.isEmpty(), qPrintable(erro));
        const Registro h = unico(antes);
        QCOMPARE(h.acao, QStringLiteral("INCLUSAO"));
        QCOMPARE(h.registro, QStringLiteral("Fornecedor 0001, lote SA2411873, tamanho 0"));
        QVERIFY2(h.programa.endsWith(QLatin1String("isql-fb")), qPrintable(h.programa));
        QCOMPARE(h.manipulador, QStringLiteral("-"));
        QVERIFY(h.usuarioSo != QLatin1String("-"));
        QVERIFY(h.computador != QLatin1String("-"));
    }

    // Writes the tables accepted before the history are accepted still, each
    // recorded in full.
    void writesTheTablesAccept_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("campo");
        QTest::addColumn<QString>("valor");
        const QString obs = QString(199, QChar(0x00E7)) + QLatin1Char('\'');
        const QString sqlObs = QString(obs).replace(QLatin1Char('\''), QStringLiteral("''"));
        QTest::newRow("no weight")
            << "insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, NUMCAP) values (5, '01', 1234, 1, 1)"
            << "NUMCAP" << "1";
        QTest::newRow("longest texts")
            << QStringLiteral("insert into PESOMED (ID_PESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, OBS, "
                              "PACIENTE, RESULTADO) values (5, '%1', 'ÁÉÍ', 2147483647, -2147483648, 2147483647, "
                              "'%2', '%3', '%4')")
                   .arg(QString(20, QLatin1Char('9')), sqlObs, QString(100, QLatin1Char('p')),
                        QString(100, QLatin1Char('r')))
            << "OBS" << obs;
        QTest::newRow("extreme reals")
            << "insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, PESO, VARIACAOPESO, "
               "PESOTEORICO) values (5, '01', 1234, 1, 1, 1.79e308, -1e-300, -9999999.99999999)"
            << "PESOTEORICO" << "-9999999.99999999";
        QTest::newRow("result with longest texts")
            << QStringLiteral("insert into RPESOMED (ID_RPESOMED, ESTACAO, NPEDIDO, NFORMULA, RESULTADO, MOTIVOS, "
                              "PACIENTE, MANIPULADOR, DATA_ULT_ALT) values (5, '01', 1234, 1, '%1', '%2', '%3', "
                              "'%4', '1900-01-01')")
                   .arg(QString(100, QLatin1Char('R')), QString(200, QLatin1Char('M')), QString(100, QLatin1Char('P')),
                        QString(60, QChar(0x00E3)))
            << "MANIPULADOR" << QString(60, QChar(0x00E3));
        QTest::newRow("lot with longest texts and extreme weights")
            << QStringLiteral("insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO, P01, P19, P20) values "
                              "('9999', '%1', '000', -999999999999.999, 999999999999.999, 0, -0.001)")
                   .arg(QString(30, QLatin1Char('L')))
            << "P01" << "999999999999.999";
        QTest::newRow("lot of empty texts")
            << "insert into PESCAVAZ (CODFORN, LOTE, TAMCAP) values ('', '', '')" << "LOTE" << "";
    }
    void writesTheTablesAccept()
    {
        QFETCH(QString, sql);
        QFETCH(QString, campo);
        QFETCH(QString, valor);
        // An operator name longer than the history keeps, with a quote in it.
        QVERIFY(Historico::iniciaConexao(TestDb::admin(), {QString(300, QLatin1Char('\'')), {}, {}}));
        const qint64 antes = marca();
        TestDb::exec({sql});
        const Registro h = unico(antes);
        QCOMPARE(h.acao, QStringLiteral("INCLUSAO"));
        QCOMPARE(h.manipulador, QString(60, QLatin1Char('\'')));
        QCOMPARE(scalar(QStringLiteral("select c.DEPOIS from HISTPESO h left join HISTPESO_CAMPOS(h.ID_HISTPESO, "
                                       "h.CAMPOS) c on 1 = 1 where h.ID_HISTPESO = %1 and c.CAMPO = '%2'")
                            .arg(h.id)
                            .arg(campo))
                     .toString(),
                 valor);
        Historico::iniciaConexao(TestDb::admin(), {});
    }

    // When the history cannot be written the write still goes through, and a
    // row of its own tells the gap.
    void failingHistoryNeverRefusesTheWrite()
    {
        TestDb::exec({QStringLiteral("create or alter trigger TESTE_HISTPESO_FALHA for HISTPESO active before "
                                     "insert position 1 as begin if (new.CAMPOS containing 'OBS:') then exception "
                                     "HISTPESO_IMUTAVEL; end")});
        const qint64 antes = marca();
        QString erro;
        {
            // Another connection, closed before the trigger is dropped.
            SqlConnection w;
            TestDb::point(w);
            try {
                w.execute(QStringLiteral("insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, PESO, "
                                         "OBS) values (9, '01', 1234, 1, 1, 250, 'Não Conforme')"));
            } catch (const fb::Error &e) {
                erro = e.text();
            }
        }
        TestDb::exec({QStringLiteral("drop trigger TESTE_HISTPESO_FALHA")});
        QVERIFY2(erro.isEmpty(), qPrintable(erro));
        QCOMPARE(scalar(QStringLiteral("select OBS from PESOMED where ID_PESOMED = 9")).toString(),
                 QStringLiteral("Não Conforme"));
        // A row of its own names the gap.
        const QList<Registro> lista = historia(antes);
        QCOMPARE(lista.size(), 1);
        QCOMPARE(lista[0].tabela, QStringLiteral("PESOMED"));
        QCOMPARE(lista[0].acao, QStringLiteral("FALHA"));
        QCOMPARE(lista[0].registro, QStringLiteral("INCLUSAO não registrada, erro 335544517"));
    }

    // A suite database without the history: the module's writes work, the
    // program learns it is off; the install script then adds the history and
    // nothing else, and may be run again.
    void databaseWithoutHistoryThenInstalled()
    {
        const QString caminho = scalar(QStringLiteral("select MON$DATABASE_NAME from MON$DATABASE")).toString();
        const QString servidor = TestDb::location().section(QLatin1Char(':'), 0, 0);
        QString arquivo = caminho;
        arquivo.replace(QRegularExpression(QStringLiteral("(\\.fdb)?$"), QRegularExpression::CaseInsensitiveOption),
                        QStringLiteral("_sem_historico.fdb"));
        const QString banco = servidor + QLatin1Char(':') + arquivo;
        const QString fontes = QStringLiteral(PESOMED_FONTES);
        // Left by a run that stopped half-way.
        isqlFalha({}, QStringLiteral("connect '%1' user 'sysdba' password 'tamarindo';\ndrop database;\n").arg(banco));
        QString erro = isqlFalha({}, QStringLiteral("create database '%1' user 'sysdba' password 'tamarindo' page_size "
                                                    "8192 default character set WIN1252;\ncommit;\n")
                                         .arg(banco));
        QVERIFY2(erro.isEmpty(), qPrintable(erro));
        erro = isqlFalha(banco, {}, {QStringLiteral("-i"), fontes + QStringLiteral("/db/schema.sql")});
        QVERIFY2(erro.isEmpty(), qPrintable(erro));

        {
            SqlConnection c;
            TestDb::point(c);
            c.setParam(QStringLiteral("Database"), banco);
            c.execute(QStringLiteral("insert into PEDIDOS (ESTACAO, NPEDIDO, TIPOPEDIDO) values ('01', 77, 'Pedido')"));
            c.execute(QStringLiteral(
                "insert into PEDIFORM (ESTACAO, NPEDIDO, NFORMULA, FORMAFARMA) values ('01', 77, 1, 'Cápsulas')"));
            QVERIFY(!Historico::temHistorico(c));
            QVERIFY(!Historico::iniciaConexao(c, {QStringLiteral("Ana"), {}, {}}));

            auto dm = workstation(banco);
            weigh(*dm, 250);
            weigh(*dm, 251);
            correct(*dm, 1, 249);
            apaga(*dm, 2);
            QCOMPARE(scalar(QStringLiteral("select count(*) from PESOMED")).toInt(), 0);  // not the test database
            QCOMPARE(Historico::escreve(c, QStringLiteral("update PESOMED set PESO = 248"),
                                        Historico::variaveis(Historico::OrigemPeso{})),
                     qint64(1));
            Historico::escreve(c, QStringLiteral("update RPESOMED set QDECAPS = 1, RESULTADO = 'Aprovado'"),
                               Historico::analise());
            c.execute(QStringLiteral("insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO) values "
                                     "('0012', 'L0', '0', 96)"));
            QCOMPARE(linhas(c, QStringLiteral("select NUMCAP, PESO from PESOMED")),
                     QList<QStringList>({{QStringLiteral("1"), QStringLiteral("248")}}));
            const QStringList antes = retrato(c);
            dm.reset();
            c.close();

            const auto instala = [&] {
                QProcess script;
                script.start(QStringLiteral("bash"), {fontes + QStringLiteral("/scripts/historico.sh"),
                                                      QStringLiteral("--sim"), banco});
                if (!script.waitForFinished(120000))
                    return QStringLiteral("historico.sh did not finish");
                return script.exitCode() == 0 ? QString()
                                              : QString::fromUtf8(script.readAllStandardError() +
                                                                  script.readAllStandardOutput());
            };
            erro = instala();
            QVERIFY2(erro.isEmpty(), qPrintable(erro));
            QCOMPARE(retrato(c), antes);
            QVERIFY(Historico::temHistorico(c));
            QCOMPARE(linhas(c, QStringLiteral("select count(*) from HISTPESO")),
                     QList<QStringList>({{QStringLiteral("0")}}));
            c.execute(QStringLiteral("update PESOMED set PESO = 247"));
            c.close();

            erro = instala();  // again: the history recorded so far stays
            QVERIFY2(erro.isEmpty(), qPrintable(erro));
            const QList<Registro> h = historia(0, c);
            QCOMPARE(h.size(), 1);
            QCOMPARE(h[0].campos, QStringLiteral("PESO:248.0000000000000>247.0000000000000"));
            QVERIFY(Historico::iniciaConexao(c, {QStringLiteral("Ana"), {}, {}}));
            c.execute(QStringLiteral("delete from PESCAVAZ"));
            QCOMPARE(historia(h[0].id, c).value(0).manipulador, QStringLiteral("Ana"));
            c.close();
        }
        erro = isqlFalha({}, QStringLiteral("connect '%1' user 'sysdba' password 'tamarindo';\ndrop database;\n").arg(banco));
        QVERIFY2(erro.isEmpty(), qPrintable(erro));
    }

    void detectionAsAColumnOfAnotherQuery()
    {
        const auto l = linhas(TestDb::admin(), QStringLiteral("select count(*) as PESAGENS, ") +
                                                   Historico::colunaHistorico() +
                                                   QStringLiteral(" from PESOMED"));
        QCOMPARE(l, QList<QStringList>({{QStringLiteral("0"), QStringLiteral("1")}}));
        QVERIFY(Historico::temHistorico(TestDb::admin()));
    }
};

QTEST_GUILESS_MAIN(TstHistorico)
#include "tst_historico.moc"
