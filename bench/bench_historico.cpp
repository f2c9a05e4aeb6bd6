// What the history costs a write: 1000 weighings inserted and then corrected,
// each in a transaction of its own as the program posts them, with the
// history's triggers active and with them switched off, in alternate rounds.
// It switches the triggers of the database off and on again: run it on a
// test database that has the history. The rows it adds are deleted.
// Usage: bench_historico [database]   (default PESOMED_TEST_DB)

#include "bench/Medidas.h"
#include "data/Historico.h"
#include "tests/support/TestDb.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

constexpr int kEscritas = 1000;
constexpr int kPrimeiroId = 900000001;
const QStringList kGatilhos = {QStringLiteral("HISTPESO_PESOMED"), QStringLiteral("HISTPESO_RPESOMED"),
                               QStringLiteral("HISTPESO_PESCAVAZ")};

void liga(SqlConnection &c, bool ativo)
{
    for (const QString &g : kGatilhos)
        c.execute(QStringLiteral("alter trigger %1 %2").arg(g, ativo ? QStringLiteral("active") : QStringLiteral("inactive")));
    c.close();  // the next statements are prepared with the triggers as they are now
}

// Milliseconds of the inserts and of the updates of one round.
QPair<double, double> rodada(SqlConnection &c)
{
    const Historico::OrigemPeso origem{Historico::OrigemPeso::Tipo::Balanca, QStringLiteral("XS205"),
                                       QStringLiteral("B123456789"), QStringLiteral("S S      0.2501 g")};
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kEscritas; ++i)
        Historico::escreve(c,
                           QStringLiteral("insert into PESOMED (ID_PESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, "
                                          "PESO) values (%1, '999999991', '99', 999999, 1, %2, %3)")
                               .arg(kPrimeiroId + i)
                               .arg(i + 1)
                               .arg(250 + i % 7),
                           Historico::variaveis(origem));
    const double insercoes = t.nsecsElapsed() / 1e6;
    t.restart();
    for (int i = 0; i < kEscritas; ++i)
        Historico::escreve(c,
                           QStringLiteral("update PESOMED set PESO = %1 where ID_PESOMED = %2")
                               .arg(251 + i % 5)
                               .arg(kPrimeiroId + i),
                           Historico::variaveis(Historico::OrigemPeso{}));
    const double alteracoes = t.nsecsElapsed() / 1e6;
    c.execute(QStringLiteral("delete from PESOMED where ID_PESOMED >= %1").arg(kPrimeiroId));
    return {insercoes, alteracoes};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    SqlConnection c;
    TestDb::point(c);
    if (argc > 1)
        c.setParam(QStringLiteral("Database"), QString::fromLocal8Bit(argv[1]));
    if (!Historico::temHistorico(c)) {
        std::fprintf(stderr, "the database has no history\n");
        return 1;
    }
    Historico::iniciaConexao(c, {QStringLiteral("Bench"), QStringLiteral("bench"), QStringLiteral("BENCH")});
    QList<double> com[2], sem[2];
    try {
        for (int r = 0; r < 3; ++r) {
            liga(c, false);
            const auto s = rodada(c);
            liga(c, true);
            Historico::iniciaConexao(c, {QStringLiteral("Bench"), QStringLiteral("bench"), QStringLiteral("BENCH")});
            const auto h = rodada(c);
            sem[0] << s.first;
            sem[1] << s.second;
            com[0] << h.first;
            com[1] << h.second;
        }
    } catch (const AppError &e) {
        liga(c, true);
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    const QString n = QString::number(kEscritas);
    tableRow(QStringLiteral("weighings inserted, no history"), n, sem[0]);
    tableRow(QStringLiteral("weighings inserted, with history"), n, com[0]);
    tableRow(QStringLiteral("weights corrected, no history"), n, sem[1]);
    tableRow(QStringLiteral("weights corrected, with history"), n, com[1]);
    return 0;
}
