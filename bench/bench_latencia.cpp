// The program's actions over a slow link: the database reached through a relay
// that holds every chunk 0, 10 and 20 ms each way, each action timed and its
// request/response turns counted: moving through the orders, posting
// weighings, the analysis window, the station search, the report query,
// saving a lot, the analysis of 10 to 1 000 capsules, and F5 pressed in the
// program's analysis window.
// Usage: bench_latencia [bench alias] [scratch alias]
//   bench alias    the large database (default pesomed_bench); the weighings,
//                  result records and lots the actions add are deleted at the end
//   scratch alias  a test database, emptied and filled by the analysis actions
//                  (default: $PESOMED_TEST_ALIAS, else pesomed_teste)
// An action is a name, a size, a number of runs, what to do untimed before each run
// and what to time: add one to the list in main().

#include "analysis/uCadPesos.h"
#include "app/uPesoMed.h"
#include "bench/DelayProxy.h"
#include "bench/Medidas.h"
#include "core/SqlText.h"
#include "data/dataset/SqlQuery.h"
#include "data/udm.h"
#include "lots/UCadPrep.h"
#include "search/uPesquisa.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestDb.h"
#include "tests/support/TestPrograma.h"
#include "widgets/DBGrid.h"

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
    QString tamanho; // what it works on, for the table of scripts/benchmarks.sh
    int execucoes;
    std::function<void()> prepara; // before each run, untimed
    std::function<void()> executa; // timed
};

const int kAtrasos[] = {0, 10, 20};

// Runs an action at each delay and prints its line of the table, then its
// rows of the table of scripts/benchmarks.sh.
void mede(DelayProxy &proxy, const Acao &acao)
{
    struct Medida {
        int atraso;
        QList<double> tempos, turnos;
        long memoria;
    };
    QList<Medida> medidas;
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
        medidas.append({atraso, tempos, turnos, residentKb()});
    }
    proxy.setDelay(0);
    std::printf("%s\n", qPrintable(linha));
    std::fflush(stdout);
    for (const Medida &m : medidas)
        tableRow(QStringLiteral("%1, link %2 ms each way").arg(QString::fromUtf8(acao.nome)).arg(m.atraso),
                 acao.tamanho, m.tempos, median(m.turnos), m.memoria);
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
    const QString listadas = QStringLiteral("%1 orders listed").arg(pedidos->RecordCount());
    acoes.append({"move onto the next order", listadas, 15,
                  [&] {
                      // The next row a different order: its formulas are not held yet.
                      while (pedidos->RecNo() < pedidos->RecordCount() &&
                             valorNaLinha(pedidos, pedidos->RecNo(), "NPEDIDO") ==
                                 valorNaLinha(pedidos, pedidos->RecNo() - 1, "NPEDIDO"))
                          pedidos->Next();
                  },
                  [&] { pedidos->Next(); }});
    int peso = 0;
    acoes.append({"append and post a weighing", QStringLiteral("one weighing"), 11, nullptr, [&] {
                      w->Append();
                      w->FieldByName(QStringLiteral("PESO")).SetAsFloat(250 + ++peso % 5);
                      w->Post();
                  }});
    acoes.append({"post one weighing (apply, refresh, relocate)", QStringLiteral("one weighing"), 15,
                  [&] {
                      w->SetRecNo(1 + ++peso % w->RecordCount());
                      w->Edit();
                      // Always another weight: a post that changes nothing writes nothing.
                      const double antes = w->FieldByName(QStringLiteral("PESO")).AsFloat();
                      w->FieldByName(QStringLiteral("PESO")).SetAsFloat(antes < 260 ? antes + 1 : 249);
                  },
                  [&] { w->Post(); }});
    std::unique_ptr<Tfrm_Cadastros> janela;
    acoes.append({"open the analysis window", QStringLiteral("-"), 11, [&] { janela.reset(); },
                  [&] {
                      janela = std::make_unique<Tfrm_Cadastros>(DM, nullptr);
                      janela->show();
                      QApplication::processEvents();
                  }});
    std::unique_ptr<Tfrm_Pesquisa> pesquisa;
    const QString listaInicial = dm.sql_Pedidos.CommandText;
    acoes.append({"station search", QStringLiteral("station 01"), 5,
                  [&] {
                      // Back to the list of start-up, nothing of the station's held.
                      pesquisa.reset();
                      for (ClientDataSet *cds : {dm.cds_Compedid, dm.cds_Pediform, dm.cds_Pedidos, dm.cds_PesoMed,
                                                 dm.cds_RPesoMed})
                          cds->Close();
                      dm.sql_Pedidos.CommandText = listaInicial;
                      abreCadeia(dm);
                      pesquisa = std::make_unique<Tfrm_Pesquisa>(DM);
                      pesquisa->edt_1->setText(QStringLiteral("01"));
                  },
                  [&] { pesquisa->PesquisarNumero(); }});

    // A formula of 20 analysed capsules, written straight into the large
    // database: one no weighing touches, its weighings and its result record.
    SqlQuery livre(&direto);
    livre.SQL = QStringLiteral("select first 1 f.ESTACAO, f.NPEDIDO, f.NFORMULA from PEDIFORM f where not exists "
                               "(select 1 from PESOMED p where p.ESTACAO = f.ESTACAO and p.NPEDIDO = f.NPEDIDO) "
                               "order by f.ESTACAO, f.NPEDIDO, f.NFORMULA");
    livre.Open();
    const QString relEstacao = livre.asString(QStringLiteral("ESTACAO"));
    const qint64 relPedido = livre.asInteger(QStringLiteral("NPEDIDO"));
    const qint64 relFormula = livre.asInteger(QStringLiteral("NFORMULA"));
    livre.Close();
    const QString relChave = ChaveFormula(relEstacao, relPedido, relFormula);
    direto.execute(QStringLiteral("execute block (base int = ?, chave varchar(20) = ?, estacao varchar(3) = ?, "
                                  "npedido int = ?, nformula int = ?) as declare i int = 0; begin while (i < 20) do "
                                  "begin i = i + 1; insert into PESOMED (ID_PESOMED, CHAVE, ESTACAO, NPEDIDO, "
                                  "NFORMULA, NUMCAP, PESO, VARIACAOPESO, VARIACAOPESOPERC, OBS, RESULTADO) values "
                                  "(:base + :i, :chave, :estacao, :npedido, :nformula, :i, 295 + mod(:i * 37, 11), "
                                  "mod(:i * 37, 11) - 5, (mod(:i * 37, 11) - 5) / 3.0, '', ''); end end"),
                   {ultimaPesagem, relChave, relEstacao, relPedido, relFormula});
    direto.execute(QStringLiteral("insert into RPESOMED (ID_RPESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, QDECAPS, "
                                  "PESOMEDIO, DESVIOPADRAO, COEFVARIACAO, RESULTADO, MOTIVOS, PESOTOTAL, MAXIMO, "
                                  "MINIMO, AMPLITUDE, VALORTEORICO, DATA_EMISSAO) values (?, ?, ?, ?, ?, 20, 300, "
                                  "3.2, 1.07, 'Aprovado', '', 6000, 305, 295, 10, 300, current_date)"),
                   {ultimoResultado + 1, relChave, relEstacao, relPedido, relFormula});
    // What "Imprimir" opens and reads for it: the statement of the report's dataset.
    int linhasDoRelatorio = 0;
    acoes.append({"the report query", QStringLiteral("20 capsules"), 11, nullptr, [&] {
                      ClientDataSet *rel = dm.cds_RelPesomed;
                      rel->Close();
                      dm.sqlds_RelPesoMed.Close();
                      dm.sqlds_RelPesoMed.CommandText =
                          QStringLiteral("select p.*, pd.nome, r.*, pd.paciente, pd.fone from pesomed p, rPesoMed r, "
                                         "pedidos pd where p.chave = r.chave and p.estacao = ") +
                          quoted(relEstacao) + QStringLiteral(" and p.npedido = ") + QString::number(relPedido) +
                          QStringLiteral(" and p.nformula = ") + QString::number(relFormula) +
                          QStringLiteral(" and p.estacao = pd.estacao and p.npedido = pd.npedido order by p.numcap");
                      dm.sqlds_RelPesoMed.Open();
                      rel->Open();
                      linhasDoRelatorio = 0;
                      for (rel->First(); !rel->Eof(); rel->Next())
                          linhasDoRelatorio += rel->FieldByName(QStringLiteral("PESO")).AsFloat() > 0;
                  }});

    // Saving a new lot from the lot register's entry panel: the window's own handler.
    direto.execute(QStringLiteral("delete from PESCAVAZ where LOTE starting with 'BENCH-LAT'"));
    dm.ConsultaRapida(QStringLiteral("select count(*) as QTDE from PESCAVAZ"));
    const QString registrados = QStringLiteral("%1 lots").arg(dm.SQLQuery1.asInteger(QStringLiteral("QTDE")));
    dm.SQLQuery1.Close();
    std::unique_ptr<TFormCadPrep> lotes;
    int lote = 0;
    acoes.append({"saving a lot", registrados, 11,
                  [&] {
                      if (!lotes) {
                          lotes = std::make_unique<TFormCadPrep>(&dm);
                          FormCadPrep = lotes.get();
                          lotes->show();
                          QApplication::processEvents();
                      }
                      lotes->BitBtn4Click();
                      lotes->CodigoFornecedor->setText(QStringLiteral("0005"));
                      lotes->EditLote->setText(QStringLiteral("BENCH-LAT%1").arg(++lote, 3, 10, QLatin1Char('0')));
                      lotes->EditTamanho->setText(QStringLiteral("0"));
                      for (int p = 0; p < 20; ++p)
                          lotes->Peso[p]->setText(QStringLiteral("%1,5").arg(95 + p % 3));
                  },
                  [&] {
                      lotes->BitBtn2Click();
                      QApplication::processEvents();
                  }});

    for (const Acao &acao : acoes)
        mede(proxy, acao);
    janela.reset();
    pesquisa.reset();
    if (lotes)
        lotes->FormClose();
    FormCadPrep = nullptr;
    lotes.reset();
    if (linhasDoRelatorio != 20)
        std::printf("the report query read %d capsules instead of 20\n", linhasDoRelatorio);
    // The weighings added, the result records of their formulas and the lots saved go.
    direto.execute(QStringLiteral("delete from PESOMED where ID_PESOMED > ?"), {ultimaPesagem});
    direto.execute(QStringLiteral("delete from RPESOMED where ID_RPESOMED > ?"), {ultimoResultado});
    direto.execute(QStringLiteral("delete from PESCAVAZ where LOTE starting with 'BENCH-LAT'"));

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
    auto cadastros = std::make_unique<Tfrm_Cadastros>(DM, nullptr);
    frm_Cadastros = cadastros.get();
    cadastros->show();
    int pesadas = 0;
    int correcao = 0;
    QList<Acao> analises;
    for (int n : {10, 20, 100, 1000}) {
        static QByteArray nomes[4];
        QByteArray &nome = nomes[analises.size()];
        nome = QStringLiteral("analysis of %1 capsules").arg(n).toLatin1();
        analises.append({nome.constData(), QStringLiteral("%1 capsules").arg(n), n == 1000 ? 3 : 7,
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
    // Order n of station 01, one formula of 20 weighed capsules.
    const auto novaFormula = [](int n) {
        TestDb::order(QStringLiteral("01"), n);
        TestDb::formula(QStringLiteral("01"), n, 1);
        TestDb::component(QStringLiteral("01"), n, 1, 1, QStringLiteral("CAFEINA"), 4620);
        TestDb::component(QStringLiteral("01"), n, 1, 2, QStringLiteral("CAPSULA N 0"), 30, QStringLiteral("UN"));
        TestDb::exec({QStringLiteral("update COMPEDID set LOTE = 'L0', FORNECEDOR = 'CAPS BRASIL' where ORDEM = 2"),
                      QStringLiteral("execute block as declare i int = 0; begin while (i < 20) do begin "
                                     "i = i + 1; insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, "
                                     "NUMCAP, PESO) values (%1 + :i, '01', %2, 1, :i, 245 + mod(:i, 11)); "
                                     "end end")
                          .arg(100000 * n)
                          .arg(n)});
    };
    int pedido = 1;
    analises.append({"analysis of 20 capsules, a new formula", QStringLiteral("20 capsules"), 5,
                     [&] {
                         const int n = ++pedido;
                         novaFormula(n);
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

    // ------------------------------------------------ F5 pressed in the program
    // The program as started (main window, data module, analysis window by
    // F4), a never-analysed formula current, F5 pressed where the pharmacist
    // typed: timed from the key to the last byte of the window's re-reads.
    TestPrograma::inicia(proxy.database(rascunho));
    TestPrograma::tecla(Qt::Key_F4);
    QApplication::processEvents();
    QList<Acao> teclas;
    teclas.append({"F5 in the analysis window, a new formula", QStringLiteral("20 capsules"), 7,
                   [&] {
                       const int n = ++pedido;
                       novaFormula(n);
                       DM->cds_Pedidos->Refresh();
                       DM->cds_Pedidos->Locate(QStringLiteral("NPEDIDO"), {n});
                       QApplication::setActiveWindow(frm_Principal);
                       frm_Cadastros->dbgrd1->setFocus();
                       QApplication::processEvents();
                   },
                   [&] {
                       TestPrograma::tecla(Qt::Key_F5);
                       QApplication::processEvents();
                   }});
    for (const Acao &acao : teclas)
        mede(proxy, acao);
    TestPrograma::encerra();
    TestDb::reset();
    DM = nullptr;
    // Saving a lot tells its success; anything else is worth a look.
    QStringList outras;
    for (const MessageRecorder::Entry &m : mensagens.entries())
        if (m.text != QStringLiteral("Procedimento concluído com sucesso!"))
            outras.append(m.text);
    if (!outras.isEmpty())
        std::printf("messages shown: %lld, the first: %s\n", static_cast<long long>(outras.size()),
                    qPrintable(outras.first()));
    return 0;
}
