// The empty-capsule lot register on the large database (2 000 lots): the
// window's activation (the whole list read again, laid out and painted, back
// on the lot it stood on: the first, and the last),
// leaving a weight column of the grid (the average, the post written back and
// the list read again), and saving a new lot from the entry panel (duplicate
// check, insert, list read again). The lots it adds are deleted at the end.
// Usage: bench_lotes [database]   (default 127.0.0.1:pesomed_bench)

#include "bench/Medidas.h"
#include "core/Messages.h"
#include "data/udm.h"
#include "lots/UCadPrep.h"
#include "widgets/DBGrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

// Messages are counted, not shown.
class Contador : public MessageService {
public:
    int quantas = 0;
    void simple(const QString &) override { ++quantas; }
    void information(const QString &) override { ++quantas; }
    void error(const QString &text) override
    {
        ++quantas;
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    bool confirm(const QString &) override { return false; }
};

void mostra(const char *oQue, const QList<double> &tempos)
{
    std::printf("%-44s %7.2f ms median, %7.2f min, %7.2f max (%lld runs)\n", oQue, median(tempos),
                *std::min_element(tempos.begin(), tempos.end()), *std::max_element(tempos.begin(), tempos.end()),
                static_cast<long long>(tempos.size()));
}

// Processor time of this process, in ms: the client's share of a wall-clock time.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

const QString kDoBenchmark = QStringLiteral("LOTE starting with 'BENCH-'");

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    const QString database = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("127.0.0.1:pesomed_bench");
    Contador contador;
    setMessageService(&contador);
    TDM dm;
    DM = &dm;
    dm.sqlcon1.setParam(QStringLiteral("Database"), database);
    dm.ExecutaComando(QStringLiteral("delete from PESCAVAZ where ") + kDoBenchmark);
    // A lot of the benchmark's own for the grid, in the stock under a supplier's trade name.
    dm.ExecutaComando(QStringLiteral("insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO, P01, P02) values "
                                     "('0005', 'BENCH-GRADE', '0', 9.65, 96.5, 96.5)"));

    auto *janela = new TFormCadPrep(&dm);
    FormCadPrep = janela;
    janela->show();
    janela->resize(1127, 670);
    QApplication::processEvents();

    // 1. Activation: the list read again, laid out and painted, back on the
    // first lot; then back on the last lot, which lies past the rows read first.
    QList<double> ativacoes;
    QList<double> comandosAtivacao;
    for (int i = 0; i < 21; ++i) {
        const qint64 antes = fb::statementCount();
        QElapsedTimer t;
        t.start();
        janela->FormActivate();
        QApplication::processEvents();
        ativacoes.append(t.nsecsElapsed() / 1e6);
        comandosAtivacao.append(fb::statementCount() - antes);
    }
    dm.PesoCaV->Last();
    const int ultima = dm.PesoCaV->RecNo();
    QList<double> ativacoesNoFim;
    for (int i = 0; i < 11; ++i) {
        QElapsedTimer t;
        t.start();
        janela->FormActivate();
        QApplication::processEvents();
        ativacoesNoFim.append(t.nsecsElapsed() / 1e6);
    }
    const bool voltouAoFim = dm.PesoCaV->RecNo() == ultima;
    dm.ConsultaRapida(QStringLiteral("select count(*) as QTDE from PESCAVAZ"));
    const qint64 lotes = dm.SQLQuery1.asInteger(QStringLiteral("QTDE"));
    dm.SQLQuery1.Close();

    // 2. Leaving a weight column of the grid after typing a weight.
    DBGrid *grade = janela->DBGrid1;
    grade->setFocus();
    dm.PesoCaV->Locate(QStringLiteral("CODFORN;LOTE"), {QStringLiteral("0005"), QStringLiteral("BENCH-GRADE")});
    grade->setSelectedIndex(5);
    QList<double> saidas;
    QList<double> saidasCpu;
    QList<double> comandos;
    for (int i = 0; i < 21; ++i) {
        const int coluna = 5 + i % 2;
        grade->setSelectedIndex(coluna);
        grade->typeIntoCell(coluna, QStringLiteral("%1,%2").arg(90 + i % 7).arg(i % 10));
        const qint64 antes = fb::statementCount();
        const double cpu = cpuMs();
        QElapsedTimer t;
        t.start();
        grade->setSelectedIndex(coluna + 1);
        QApplication::processEvents();
        saidas.append(t.nsecsElapsed() / 1e6);
        saidasCpu.append(cpuMs() - cpu);
        comandos.append(fb::statementCount() - antes);
    }
    const double media = dm.PesoCaV->FieldByName(QStringLiteral("PESOMEDIO")).AsFloat();
    const int linha = dm.PesoCaV->RecNo();

    // 3. Saving a new lot from the entry panel.
    QList<double> gravacoes;
    for (int i = 0; i < 11; ++i) {
        janela->BitBtn4Click();
        janela->CodigoFornecedor->setText(QStringLiteral("0005"));
        janela->EditLote->setText(QStringLiteral("BENCH-P%1").arg(i, 2, 10, QLatin1Char('0')));
        janela->EditTamanho->setText(QStringLiteral("0"));
        for (int p = 0; p < 20; ++p)
            janela->Peso[p]->setText(QStringLiteral("%1,5").arg(95 + p % 3));
        QElapsedTimer t;
        t.start();
        janela->BitBtn2Click();
        QApplication::processEvents();
        gravacoes.append(t.nsecsElapsed() / 1e6);
    }
    const qint64 gravados =
        dm.ExecutaComando(QStringLiteral("update PESCAVAZ set TAMCAP = TAMCAP where LOTE starting with 'BENCH-P'"));

    std::printf("%lld lots registered\n", static_cast<long long>(lotes));
    mostra("activation (read, lay out, paint)", ativacoes);
    mostra("activation back on the last lot", ativacoesNoFim);
    mostra("leaving a weight column (average, post)", saidas);
    mostra("saving a lot from the entry panel", gravacoes);
    const QString registrados = QStringLiteral("%1 lots").arg(lotes);
    tableRow(QStringLiteral("lot register activation (read, lay out, paint)"), registrados, ativacoes,
             median(comandosAtivacao));
    tableRow(QStringLiteral("lot register activation back on its last lot"), registrados, ativacoesNoFim);
    std::printf("activation: %.0f statements (median); back on the last lot (row %d): %s\n", median(comandosAtivacao),
                ultima, voltouAoFim ? "yes" : "NO");
    tableRow(QStringLiteral("leaving a weight column (average, post)"), registrados, saidas);
    tableRow(QStringLiteral("saving a lot from the entry panel"), registrados, gravacoes);
    std::printf("leaving a weight column: %.0f statements, %.2f ms of this process's processor time (medians); "
                "the lot is row %d of the list\n",
                median(comandos), median(saidasCpu), linha);
    std::printf("average of the grid lot %.3f, %lld lots saved, %d messages\n", media, static_cast<long long>(gravados),
                contador.quantas);

    // What the benchmark added goes again.
    janela->FormClose();
    delete janela;
    dm.ExecutaComando(QStringLiteral("delete from PESCAVAZ where ") + kDoBenchmark);
    DM = nullptr;
    setMessageService(nullptr);
    return 0;
}
