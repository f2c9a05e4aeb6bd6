// The analysis of 10, 100 and 1 000 capsules of one formula, with the window
// shown as the user has it. Uses the test database's tables, emptied first:
// run it only where no test is running.
// Usage: bench_analise [database]   (default 127.0.0.1:pesomed_teste)

#include "analysis/uCadPesos.h"
#include "bench/Medidas.h"
#include "data/udm.h"
#include "tests/support/TestDb.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>

#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc > 1)
        qputenv("PESOMED_TEST_DB", argv[1]);
    TestDb::reset();
    TestDb::capsuleFormula(1);

    TDM dm;
    DM = &dm;
    TestDb::point(dm.sqlcon1);
    for (ClientDataSet *cds : {dm.cds_RPesoMed, dm.cds_PesoMed, dm.cds_Pedidos, dm.cds_Pediform, dm.cds_Compedid})
        cds->Open();
    auto *window = new Tfrm_Cadastros(DM, nullptr);
    frm_Cadastros = window;
    window->show();

    int weighed = 0;
    std::printf("capsules  median ms  per capsule ms  statements\n");
    for (int n : {10, 100, 1000}) {
        // Weights straight into the table, then re-read: the analysis is what is measured.
        TestDb::exec({QStringLiteral("execute block as declare i int = %1; begin while (i < %2) do begin "
                                     "i = i + 1; insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, "
                                     "PESO) values (:i, '01', 1, 1, :i, 245 + mod(:i, 11)); end end")
                          .arg(weighed)
                          .arg(n)});
        weighed = n;
        dm.cds_PesoMed->Refresh();
        QList<double> times;
        qint64 statements = 0;
        const int runs = n == 1000 ? 3 : 7;
        for (int run = 0; run < runs; ++run) {
            // A corrected weight changes the mean, so every row is rewritten.
            TestDb::exec({QStringLiteral("update PESOMED set PESO = %1 where NUMCAP = 1").arg(240 + run)});
            dm.cds_PesoMed->Refresh();
            const qint64 before = fb::statementCount();
            QElapsedTimer t;
            t.start();
            window->btn_Calcular->click();
            times.append(t.nsecsElapsed() / 1e6);
            statements = fb::statementCount() - before;
        }
        std::printf("%8d  %9.1f  %14.3f  %10lld\n", n, median(times), median(times) / n,
                    static_cast<long long>(statements));
        tableRow(QStringLiteral("analysis of a formula (window shown)"), QStringLiteral("%1 capsules").arg(n), times);
    }
    delete window;
    DM = nullptr;
    TestDb::reset();
    return 0;
}
