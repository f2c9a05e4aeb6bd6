// The program's actions over a slow link: the database reached through a relay
// that holds every chunk 0, 10 and 20 ms each way, each action timed and its
// request/response turns counted.
// Usage: bench_latencia [bench alias] [scratch alias]
//   bench alias    the large database (default pesomed_bench); the weighings
//                  the actions add are deleted at the end
//   scratch alias  a test database, emptied and filled by the analysis actions
//                  (default: $PESOMED_TEST_ALIAS, else pesomed_teste)
// An action is a name, a number of runs, what to do untimed before each run
// and what to time: add one to the list in main().

#include "analysis/uCadPesos.h"
#include "bench/DelayProxy.h"
#include "bench/Medidas.h"
#include "data/dataset/SqlQuery.h"
#include "data/udm.h"
#include "search/uPesquisa.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestDb.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

struct Acao {
    const char *nome;
    int execucoes;
    std::function<void()> prepara; // before each run, untimed
    std::function<void()> executa; // timed
};

const int kAtrasos[] = {0, 10, 20};

// Runs an action at each delay and prints its line of the table.
void mede(DelayProxy &proxy, const Acao &acao)
{
    QString linha = QStringLiteral("%1").arg(QString::fromUtf8(acao.nome), -44);
    for (int atraso : kAtrasos) {
        proxy.setDelay(atraso);
        QList<double> tempos, turnos;
        for (int i = 0; i < acao.execucoes; ++i) {
            if (acao.prepara)
                acao.prepara();
            const std::int64_t antes = proxy.turns();
            QElapsedTimer t;
            t.start();
            acao.executa();
            tempos.append(t.nsecsElapsed() / 1e6);
            turnos.append(static_cast<double>(proxy.turns() - antes));
        }
        linha += QStringLiteral("  %1 %2").arg(median(tempos), 9, 'f', 1).arg(median(turnos), 5, 'f', 0);
    }
    proxy.setDelay(0);
    std::printf("%s\n", qPrintable(linha));
    std::fflush(stdout);
}

void abreCadeia(TDM &dm)
{
    for (ClientDataSet *cds : {dm.cds_RPesoMed, dm.cds_PesoMed, dm.cds_Pedidos, dm.cds_Pediform, dm.cds_Compedid})
        cds->Open();
}

QVariant valorNaLinha(ClientDataSet *cds, int linha, const char *campo)
{
    return cds->rowValue(linha, cds->FieldIndex(QString::fromLatin1(campo)));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString bench = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("pesomed_bench");
    QString rascunho = argc > 2 ? QString::fromLocal8Bit(argv[2]) : qEnvironmentVariable("PESOMED_TEST_ALIAS");
    if (rascunho.isEmpty())
        rascunho = QStringLiteral("pesomed_teste");
    qputenv("PESOMED_TEST_DB", QStringLiteral("127.0.0.1:%1").arg(rascunho).toLocal8Bit());
    MessageRecorder mensagens; // messages are counted, not shown
    DelayProxy proxy;

    // Straight to the server, for putting the large database back as it was.
    SqlConnection direto;
    TestDb::point(direto);
    direto.setParam(QStringLiteral("Database"), QStringLiteral("127.0.0.1:%1").arg(bench));
    auto maior = [&](const QString &sql) {
        SqlQuery q(&direto);
        q.SQL = sql;
        q.Open();
        return q.asInteger(q.columns().first().name);
    };
    const qint64 ultimaPesagem = maior(QStringLiteral("select coalesce(max(ID_PESOMED), 0) from PESOMED"));
    const qint64 ultimoResultado = maior(QStringLiteral("select coalesce(max(ID_RPESOMED), 0) from RPESOMED"));

    // ------------------------------------------------ the large database
    TDM dm;
    DM = &dm;
    dm.sqlcon1.setParam(QStringLiteral("Database"), proxy.database(bench));
    abreCadeia(dm);
    ClientDataSet *pedidos = dm.cds_Pedidos;
    ClientDataSet *w = dm.cds_PesoMed;

    std::printf("database %s through 127.0.0.1/%d; scratch database %s\n", qPrintable(bench), proxy.port(),
                qPrintable(rascunho));
    std::printf("%-44s", "one-way delay, ms");
    for (int atraso : kAtrasos)
        std::printf("  %9d %5s", atraso, "");
    std::printf("\n%-44s", "");
    for (size_t i = 0; i < std::size(kAtrasos); ++i)
        std::printf("  %9s %5s", "median ms", "turns");
    std::printf("\n");

    QList<Acao> acoes;
    acoes.append({"move onto the next order", 15,
                  [&] {
                      // The next row a different order: its formulas are not held yet.
                      while (pedidos->RecNo() < pedidos->RecordCount() &&
                             valorNaLinha(pedidos, pedidos->RecNo(), "NPEDIDO") ==
                                 valorNaLinha(pedidos, pedidos->RecNo() - 1, "NPEDIDO"))
                          pedidos->Next();
                  },
                  [&] { pedidos->Next(); }});
    int peso = 0;
    acoes.append({"append and post a weighing", 11, nullptr, [&] {
                      w->Append();
                      w->FieldByName(QStringLiteral("PESO")).SetAsFloat(250 + ++peso % 5);
                      w->Post();
                  }});
    acoes.append({"post one weighing (apply, refresh, relocate)", 15,
                  [&] {
                      w->SetRecNo(1 + ++peso % w->RecordCount());
                      w->Edit();
                      // Always another weight: a post that changes nothing writes nothing.
                      const double antes = w->FieldByName(QStringLiteral("PESO")).AsFloat();
                      w->FieldByName(QStringLiteral("PESO")).SetAsFloat(antes < 260 ? antes + 1 : 249);
                  },
                  [&] { w->Post(); }});
    std::unique_ptr<Tfrm_Cadastros> janela;
    acoes.append({"open the analysis window", 11, [&] { janela.reset(); },
                  [&] {
                      janela = std::make_unique<Tfrm_Cadastros>();
                      janela->show();
                      QApplication::processEvents();
                  }});
    std::unique_ptr<Tfrm_Pesquisa> pesquisa;
    const QString listaInicial = dm.sql_Pedidos.CommandText;
    acoes.append({"station search", 5,
                  [&] {
                      // Back to the list of start-up, nothing of the station's held.
                      pesquisa.reset();
                      for (ClientDataSet *cds : {dm.cds_Compedid, dm.cds_Pediform, dm.cds_Pedidos, dm.cds_PesoMed,
                                                 dm.cds_RPesoMed})
                          cds->Close();
                      dm.sql_Pedidos.CommandText = listaInicial;
                      abreCadeia(dm);
                      pesquisa = std::make_unique<Tfrm_Pesquisa>();
                      pesquisa->edt_1->setText(QStringLiteral("01"));
                  },
                  [&] { pesquisa->PesquisarNumero(); }});
    for (const Acao &acao : acoes)
        mede(proxy, acao);
    janela.reset();
    pesquisa.reset();
    // The weighings added, and the result record of their formula, go.
    direto.execute(QStringLiteral("delete from PESOMED where ID_PESOMED > ?"), {ultimaPesagem});
    direto.execute(QStringLiteral("delete from RPESOMED where ID_RPESOMED > ?"), {ultimoResultado});

    // ------------------------------------------------ the analysis, on the scratch database
    TestDb::reset();
    TestDb::exec({QStringLiteral("insert into FORNECED (CODIGO, NOMEFANTASIA) values ('0012', 'CAPS BRASIL')"),
                  QStringLiteral("insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO) values ('0012', 'L0', '0', "
                                 "96)")});
    TestDb::order(QStringLiteral("01"), 1);
    TestDb::formula(QStringLiteral("01"), 1, 1);
    TestDb::component(QStringLiteral("01"), 1, 1, 1, QStringLiteral("CAFEINA"), 4620);
    TestDb::component(QStringLiteral("01"), 1, 1, 2, QStringLiteral("CAPSULA N 0"), 30, QStringLiteral("UN"));
    TestDb::exec({QStringLiteral("update COMPEDID set LOTE = 'L0', FORNECEDOR = 'CAPS BRASIL' where ORDEM = 2")});
    TDM analise;
    DM = &analise;
    TestDb::point(analise.sqlcon1);
    analise.sqlcon1.setParam(QStringLiteral("Database"), proxy.database(rascunho));
    abreCadeia(analise);
    auto cadastros = std::make_unique<Tfrm_Cadastros>();
    frm_Cadastros = cadastros.get();
    cadastros->show();
    int pesadas = 0;
    int correcao = 0;
    QList<Acao> analises;
    for (int n : {10, 20, 100, 1000}) {
        static QByteArray nomes[4];
        QByteArray &nome = nomes[analises.size()];
        nome = QStringLiteral("analysis of %1 capsules").arg(n).toLatin1();
        analises.append({nome.constData(), n == 1000 ? 3 : 7,
                         [&, n] {
                             if (pesadas < n) {
                                 TestDb::exec({QStringLiteral(
                                                   "execute block as declare i int = %1; begin while (i < %2) do "
                                                   "begin i = i + 1; insert into PESOMED (ID_PESOMED, ESTACAO, "
                                                   "NPEDIDO, NFORMULA, NUMCAP, PESO) values (:i, '01', 1, 1, :i, "
                                                   "245 + mod(:i, 11)); end end")
                                                   .arg(pesadas)
                                                   .arg(n)});
                                 pesadas = n;
                             }
                             // A corrected weight changes the mean: every row is rewritten.
                             TestDb::exec({QStringLiteral("update PESOMED set PESO = %1 where NUMCAP = 1")
                                               .arg(240 + ++correcao % 5)});
                             analise.cds_PesoMed->Refresh();
                         },
                         [&] { cadastros->btn_Calcular->click(); }});
    }
    // A formula analysed for the first time: nothing of it prepared or held yet.
    int pedido = 1;
    analises.append({"analysis of 20 capsules, a new formula", 5,
                     [&] {
                         const int n = ++pedido;
                         TestDb::order(QStringLiteral("01"), n);
                         TestDb::formula(QStringLiteral("01"), n, 1);
                         TestDb::component(QStringLiteral("01"), n, 1, 1, QStringLiteral("CAFEINA"), 4620);
                         TestDb::component(QStringLiteral("01"), n, 1, 2, QStringLiteral("CAPSULA N 0"), 30,
                                           QStringLiteral("UN"));
                         TestDb::exec(
                             {QStringLiteral("update COMPEDID set LOTE = 'L0', FORNECEDOR = 'CAPS BRASIL' where "
                                             "ORDEM = 2"),
                              QStringLiteral("execute block as declare i int = 0; begin while (i < 20) do begin "
                                             "i = i + 1; insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, "
                                             "NUMCAP, PESO) values (%1 + :i, '01', %2, 1, :i, 245 + mod(:i, 11)); "
                                             "end end")
                                  .arg(100000 * n)
                                  .arg(n)});
                         analise.cds_Pedidos->Refresh();
                         analise.cds_Pedidos->Locate(QStringLiteral("NPEDIDO"), {n});
                     },
                     [&] { cadastros->btn_Calcular->click(); }});
    for (const Acao &acao : analises)
        mede(proxy, acao);
    frm_Cadastros = nullptr;
    cadastros.reset();
    for (ClientDataSet *cds : {analise.cds_Compedid, analise.cds_Pediform, analise.cds_Pedidos, analise.cds_PesoMed,
                               analise.cds_RPesoMed})
        cds->Close();
    TestDb::reset();
    DM = nullptr;
    if (!mensagens.entries().isEmpty())
        std::printf("messages shown: %lld, the first: %s\n", static_cast<long long>(mensagens.entries().size()),
                    qPrintable(mensagens.entries().first().text));
    return 0;
}
