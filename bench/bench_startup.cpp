// The program's start-up, as PesoMed runs it, on a given database: prints the
// time from process start until the main window is shown with its five
// datasets open, and the resident memory then. Used by bench/startup.sh.
// Usage: bench_startup [database]   (default 127.0.0.1:pesomed_bench)

#include "app/Inicio.h"
#include "app/uPesoMed.h"
#include "core/AppError.h"
#include "bench/Medidas.h"
#include "data/udm.h"
#include "lots/UCadPrep.h"
#include "report/uRM.h"
#include "widgets/ErrorHandler.h"
#include "widgets/MessageBoxes.h"

#include <QFile>
#include <QScreen>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

// Milliseconds since this process started.
double sinceProcessStart()
{
    QFile f(QStringLiteral("/proc/self/stat"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = f.readAll().split(' ');
    const double startTicks = fields.value(21).toDouble();
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs = now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
    return nowMs - startTicks * 1000.0 / sysconf(_SC_CLK_TCK);
}


} // namespace

int main(int argc, char **argv)
{
    Application app(argc, argv);
    const QString database = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("127.0.0.1:pesomed_bench");
    if (const auto status = IniciaPrograma(&app))
        return *status;
    DM->sqlcon1.setParam(QStringLiteral("Database"), database);
    frm_Principal->setGeometry(frm_Principal->screen()->availableGeometry());
    frm_Principal->showMaximized();
    QApplication::processEvents();
    const bool open = DM->cds_Compedid->Active();
    std::printf("%.1f ms %ld kB %s %d orders\n", sinceProcessStart(), residentKb(), open ? "open" : "CLOSED",
                DM->cds_Pedidos->RecordCount());
    EncerraPrograma();
    return 0;
}
