// Opening the order chain and moving through it on the large database.
// Usage: bench_datasets [database]   (default 127.0.0.1:pesomed_bench)

#include "bench/Medidas.h"
#include "data/udm.h"
#include "tests/support/TestDb.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString database = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("127.0.0.1:pesomed_bench");
    TDM dm;
    dm.sqlcon1.setParam(QStringLiteral("Database"), database);
    dm.sqlcon1.connection(); // connect outside the measures

    const long rssBefore = residentKb();
    QList<double> opens;
    for (int run = 0; run < 15; ++run) {
        for (ClientDataSet *cds : {dm.cds_Pedidos, dm.cds_Pediform, dm.cds_Compedid, dm.cds_PesoMed, dm.cds_RPesoMed})
            cds->Close();
        QElapsedTimer t;
        t.start();
        for (ClientDataSet *cds : {dm.cds_RPesoMed, dm.cds_PesoMed, dm.cds_Pedidos, dm.cds_Pediform, dm.cds_Compedid})
            cds->Open();
        opens.append(t.nsecsElapsed() / 1e6);
    }
    const long rssOpen = residentKb();
    const QString listed = QStringLiteral("%1 orders listed").arg(dm.cds_Pedidos->RecordCount());

    // Only moves onto another order count: an order with two capsule formulas
    // is listed twice, and the second row fetches nothing.
    QList<double> moves;
    const qint64 fetchesBefore = DataSetProvider::fetchCount();
    for (int i = 0; i < 200 && !dm.cds_Pedidos->Eof(); ++i) {
        const qint64 f0 = DataSetProvider::fetchCount();
        QElapsedTimer t;
        t.start();
        dm.cds_Pedidos->Next();
        const double ms = t.nsecsElapsed() / 1e6;
        if (DataSetProvider::fetchCount() > f0)
            moves.append(ms);
    }
    const qint64 fetchesForward = DataSetProvider::fetchCount() - fetchesBefore;
    const qint64 backStart = DataSetProvider::fetchCount();
    QList<double> backs;
    for (int i = 0; i < 200 && !dm.cds_Pedidos->Bof(); ++i) {
        QElapsedTimer t;
        t.start();
        dm.cds_Pedidos->Prior();
        backs.append(t.nsecsElapsed() / 1e6);
    }
    const qint64 fetchesBack = DataSetProvider::fetchCount() - backStart;

    std::printf("database                         %s\n", qPrintable(database));
    std::printf("orders listed                    %d\n", dm.cds_Pedidos->RecordCount());
    std::printf("open five datasets, median       %.2f ms (15 runs)\n", median(opens));
    std::printf("move onto the next order, median %.2f ms (%lld fetches in %lld moves)\n", median(moves),
                static_cast<long long>(fetchesForward), static_cast<long long>(moves.size()));
    std::printf("move back to a fetched order     %.3f ms median, %lld fetches\n", median(backs),
                static_cast<long long>(fetchesBack));
    std::printf("resident memory of the datasets  %.1f MB (after open), %.1f MB (after moves)\n",
                (rssOpen - rssBefore) / 1024.0, (residentKb() - rssBefore) / 1024.0);
    tableRow(QStringLiteral("open the order chain (five datasets)"), listed, opens, -1, rssOpen);
    tableRow(QStringLiteral("move onto the next order (detail fetches)"), listed, moves);
    tableRow(QStringLiteral("move back to a fetched order"), listed, backs);
    return 0;
}
