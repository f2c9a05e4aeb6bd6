// The detailed report of 20 and 1 000 capsules, from "Imprimir" to the PDF
// written (the output options answered at once), with the analysis window
// shown as the user has it; and the resident memory the 1 000-capsule report
// adds to the program's. Uses the test database's tables, emptied first: run
// it only where no test is running.
// Usage: bench_relatorio [database]   (default 127.0.0.1:pesomed_teste)

#include "analysis/uCadPesos.h"
#include "bench/Medidas.h"
#include "config/uConfiguracao.h"
#include "data/udm.h"
#include "report/ReportSystem.h"
#include "report/uRM.h"
#include "tests/support/DialogCatcher.h"
#include "tests/support/TestDb.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Highest resident memory of this process so far, in kB.
long peakKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

// One formula of n weighed and analysed capsules, around 300 mg.
void formula(int npedido, int n)
{
    TestDb::order(QStringLiteral("01"), npedido);
    TestDb::formula(QStringLiteral("01"), npedido, 1);
    const QString chave = ChaveFormula(QStringLiteral("01"), npedido, 1);
    TestDb::exec({QStringLiteral("execute block as declare i int = 0; begin while (i < %1) do begin i = i + 1; "
                                 "insert into PESOMED (ID_PESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, PESO, "
                                 "VARIACAOPESO, VARIACAOPESOPERC, OBS, RESULTADO) values (%2 + :i, '%3', '01', %4, 1, "
                                 ":i, 295 + mod(:i * 37, 11), mod(:i * 37, 11) - 5, (mod(:i * 37, 11) - 5) / 3.0, "
                                 "iif(mod(:i, 97) = 0, 'Não Conforme', ''), iif(mod(:i, 97) = 0, 'Var. peso > 7,5% "
                                 "(caps. acima de 300mg). ', '')); end end")
                      .arg(n)
                      .arg(npedido * 10000)
                      .arg(chave)
                      .arg(npedido),
                  // Their analysis: count, total, mean and each capsule's variation as stored.
                  QStringLiteral("insert into RPESOMED (ID_RPESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, QDECAPS, "
                                 "PESOMEDIO, DESVIOPADRAO, COEFVARIACAO, RESULTADO, MOTIVOS, PESOTOTAL, MAXIMO, "
                                 "MINIMO, AMPLITUDE, VALORTEORICO, DATA_EMISSAO) select %1, '%2', '01', %3, 1, "
                                 "count(*), sum(PESO) / count(*), 3.2, 1.07, 'Reprovado', 'Var. peso > 7,5% (caps. "
                                 "acima de 300mg). ', sum(PESO), 305, 295, 10, 300, '2026-01-28' from PESOMED where "
                                 "NPEDIDO = %3")
                      .arg(npedido)
                      .arg(chave)
                      .arg(npedido),
                  QStringLiteral("update PESOMED set VARIACAOPESO = PESO - (select PESOMEDIO from RPESOMED where "
                                 "NPEDIDO = %1) where NPEDIDO = %1")
                      .arg(npedido)});
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    if (argc > 1)
        qputenv("PESOMED_TEST_DB", argv[1]);
    TestDb::reset();
    formula(20, 20);
    formula(1000, 1000);

    CaminhoSistema = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    UnidadePesoMedio = QStringLiteral("MG");
    TDM dm;
    DM = &dm;
    TestDb::point(dm.sqlcon1);
    for (ClientDataSet *cds : {dm.cds_RPesoMed, dm.cds_PesoMed, dm.cds_Pedidos, dm.cds_Pediform, dm.cds_Compedid})
        cds->Open();
    auto *rm = new TRM(DM);
    RM = rm;
    auto *window = new Tfrm_Cadastros(DM, RM);
    frm_Cadastros = window;
    window->show();
    QApplication::processEvents();

    QTemporaryDir folder;
    DialogCatcher catcher;
    int written = 0;
    auto report = [&]() {
        const QString path = folder.filePath(QStringLiteral("r%1.pdf").arg(++written));
        catcher.answer<OutputOptionsDialog>([path](OutputOptionsDialog *d) {
            d->rbFile->click();
            d->cbFormat->setCurrentIndex(0);
            d->edtFileName->setText(path);
            d->buttons->button(QDialogButtonBox::Ok)->click();
        });
        QElapsedTimer t;
        t.start();
        window->btn_Relatorio->click();
        const double ms = t.nsecsElapsed() / 1e6;
        if (!QFile::exists(path))
            std::printf("no PDF written\n");
        return ms;
    };

    std::printf("capsules  median ms  min ms  max ms  runs\n");
    long before = 0, peak = 0;
    for (int n : {20, 1000}) {
        dm.cds_Pedidos->Locate(QStringLiteral("NPEDIDO"), {n});
        QApplication::processEvents();
        if (n == 1000) {
            before = residentKb();
            report();
            peak = peakKb();
        }
        QList<double> times;
        const int runs = n == 1000 ? 5 : 11;
        for (int run = 0; run < runs; ++run)
            times.append(report());
        std::sort(times.begin(), times.end());
        std::printf("%8d  %9.1f  %6.1f  %6.1f  %4d\n", n, median(times), times.first(), times.last(), runs);
        // The 1 000-capsule report: the resident memory at its peak.
        tableRow(QStringLiteral("detailed report, \"Imprimir\" to the PDF"), QStringLiteral("%1 capsules").arg(n),
                 times, -1, n == 1000 ? peakKb() : residentKb());
    }
    std::printf("resident memory before the 1 000-capsule report: %ld kB; peak during it: %ld kB (+%ld kB); after "
                "all runs: %ld kB\n",
                before, peak, peak - before, residentKb());
    std::printf("unexpected dialogs: %d\n", int(catcher.unexpected().size()));
    delete window;
    delete rm;
    DM = nullptr;
    TestDb::reset();
    return 0;
}
