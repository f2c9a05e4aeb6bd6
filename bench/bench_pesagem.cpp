// Posting weighings of a formula that already has 20, and the station search,
// on the large database. The weighings it adds are deleted at the end.
// Usage: bench_pesagem [database]   (default 127.0.0.1:pesomed_bench)

#include "bench/Medidas.h"
#include "data/udm.h"
#include "search/uPesquisa.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString database = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("127.0.0.1:pesomed_bench");
    TDM dm;
    DM = &dm;
    dm.sqlcon1.setParam(QStringLiteral("Database"), database);
    for (ClientDataSet *cds : {dm.cds_RPesoMed, dm.cds_PesoMed, dm.cds_Pedidos, dm.cds_Pediform, dm.cds_Compedid})
        cds->Open();
    ClientDataSet *w = dm.cds_PesoMed;
    const QString chave = dm.cds_Pedidos->FieldByName(QStringLiteral("ESTACAO")).AsString() + QLatin1Char('/') +
                          dm.cds_Pedidos->FieldByName(QStringLiteral("NPEDIDO")).AsString();

    QList<double> appends;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer t;
        t.start();
        w->Append();
        w->FieldByName(QStringLiteral("PESO")).SetAsFloat(250 + i % 5);
        w->Post();
        appends.append(t.nsecsElapsed() / 1e6);
    }
    QList<double> posts;
    for (int i = 0; i < 31; ++i) {
        w->SetRecNo(1 + i % 20);
        QElapsedTimer t;
        t.start();
        w->Edit();
        w->FieldByName(QStringLiteral("PESO")).SetAsFloat(249 + i % 3);
        w->Post();
        posts.append(t.nsecsElapsed() / 1e6);
    }
    const int held = w->RecordCount();
    while (!w->IsEmpty())
        w->Delete();
    dm.cds_RPesoMed->First();
    if (!dm.cds_RPesoMed->IsEmpty())
        dm.cds_RPesoMed->Delete();

    // The station list, as the search window builds it.
    Tfrm_Pesquisa pesquisa(&dm); // assigns CamposPedido
    QList<double> searches;
    int rows = 0;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        dm.sql_Pedidos.Close();
        dm.cds_Pedidos->Close();
        dm.sql_Pedidos.CommandText = QStringLiteral("Select ") + CamposPedido +
                                     QStringLiteral(" from pedidos where (tipopedido <> 'Cancel') and (tipopedido "
                                                    "<> 'Orçam') and (ESTACAO = '01') order by NPEDIDO DESC");
        dm.sql_Pedidos.Open();
        dm.cds_Pedidos->Open();
        searches.append(t.nsecsElapsed() / 1e6);
        rows = dm.cds_Pedidos->RecordCount();
    }

    std::printf("formula                          %s, %d weighings\n", qPrintable(chave), held);
    std::printf("append and post a weighing       %.2f ms median (20 runs)\n", median(appends));
    std::printf("post one of 20 weighings         %.2f ms median (31 runs: apply, refresh, relocate)\n", median(posts));
    std::printf("station search                   %.1f ms median (5 runs), %d orders listed\n", median(searches), rows);
    tableRow(QStringLiteral("append and post a weighing"), QStringLiteral("weighings 1 to 20 of a formula"),
             appends);
    tableRow(QStringLiteral("post one weighing (apply, refresh, relocate)"), QStringLiteral("one of 20 weighings"),
             posts);
    tableRow(QStringLiteral("station search"), QStringLiteral("%1 orders listed").arg(rows), searches);
    DM = nullptr;
    return 0;
}
