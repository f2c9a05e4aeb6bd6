// Typing weights into the analysis window's grid as the pharmacist does,
// "weight, Enter", on the large database: the time from the Enter key to the
// next row ready for typing (post, write-back, re-read, new row). Then the
// same with F6 and the simulated balance: from the balance's weight reaching
// the program to the next row ready. The weighings it adds are deleted at the end.
// Usage: bench_digitacao [database]   (default 127.0.0.1:pesomed_bench)

#include "analysis/uCadPesos.h"
#include "balance/LeitorBalanca.h"
#include "bench/Medidas.h"
#include "tests/support/BalancaSimulada.h"
#include "data/udm.h"
#include "widgets/DBGrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    // The balance: the time is taken between the weight's signal reaching the
    // window (first slot) and the window done with it (last slot).
    BalancaSimulada simulada;
    if (!simulada.inicia({QStringLiteral("--pesos"), QStringLiteral("0.2501,0.2499,0.2505,0.251")}))
        return 1;
    ConfiguracaoBalanca configuracao;
    configuracao.porta = simulada.porta();
    configuracao.esperaMs = 5000;
    BalancaDoPrograma().setConfiguracao(configuracao);
    QElapsedTimer balancaRelogio;
    QList<double> balancaTempos;
    QObject::connect(&BalancaDoPrograma(), &LeitorBalanca::pesoLido, [&] { balancaRelogio.start(); });
    const QString database = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("127.0.0.1:pesomed_bench");
    TDM dm;
    DM = &dm;
    dm.sqlcon1.setParam(QStringLiteral("Database"), database);
    for (ClientDataSet *cds : {dm.cds_RPesoMed, dm.cds_PesoMed, dm.cds_Pedidos, dm.cds_Pediform, dm.cds_Compedid})
        cds->Open();
    auto *window = new Tfrm_Cadastros(DM, nullptr);
    frm_Cadastros = window;
    QObject::connect(&BalancaDoPrograma(), &LeitorBalanca::pesoLido,
                     [&] { balancaTempos.append(balancaRelogio.nsecsElapsed() / 1e6); });
    window->show();
    QApplication::setActiveWindow(window);
    DBGrid *grid = window->dbgrd1;
    grid->setFocus();
    const int before = dm.cds_PesoMed->RecordCount();
    const bool semResultado = dm.cds_RPesoMed->IsEmpty();

    QList<double> times;
    for (int i = 0; i < 21; ++i) {
        const QString weight = QStringLiteral("%1,%2").arg(245 + i % 11).arg(i % 10);
        for (QChar c : weight)
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        QElapsedTimer t;
        t.start();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        times.append(t.nsecsElapsed() / 1e6);
    }
    const int typed = dm.cds_PesoMed->RecordCount() - before - 1;
    std::printf("weight Enter to the next row    %.2f ms median, %.2f min, %.2f max (%lld runs, %d rows stored)\n",
                median(times), *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()), static_cast<long long>(times.size()), typed);
    tableRow(QStringLiteral("typed weight, Enter, to the next row ready"), QStringLiteral("%1 rows typed").arg(typed),
             times);

    for (int i = 0; i < 21; ++i) {
        const qsizetype antes = balancaTempos.size();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
        QElapsedTimer espera;
        espera.start();
        while (balancaTempos.size() == antes && espera.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    std::printf("balance weight to the next row  %.2f ms median, %.2f min, %.2f max (%lld runs)\n",
                median(balancaTempos), *std::min_element(balancaTempos.begin(), balancaTempos.end()),
                *std::max_element(balancaTempos.begin(), balancaTempos.end()),
                static_cast<long long>(balancaTempos.size()));
    tableRow(QStringLiteral("balance weight (F6) to the next row ready"),
             QStringLiteral("%1 readings").arg(balancaTempos.size()), balancaTempos);

    // The weighings added, and the result record their formula got, go again.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    ClientDataSet *w = dm.cds_PesoMed;
    while (w->RecordCount() > before) {
        w->Last();
        w->Delete();
    }
    if (semResultado && !dm.cds_RPesoMed->IsEmpty()) {
        dm.cds_RPesoMed->First();
        dm.cds_RPesoMed->Delete();
    }
    delete window;
    DM = nullptr;
    return 0;
}
