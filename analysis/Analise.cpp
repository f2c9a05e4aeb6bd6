#include "analysis/Analise.h"

#include "analysis/Calculos.h"
#include "analysis/PesoTeorico.h"
#include "core/Messages.h"
#include "core/ErrorGuard.h"
#include "core/SqlText.h"
#include "data/udm.h"

#include <QMap>

#include <algorithm>
#include <optional>

namespace {

// The identifier and weight of each weighing of the formula as the database
// holds them, and how many result records the formula has, read in the
// transaction given by a statement prepared once per connection.
struct Guardado {
    QMap<qint64, QVariant> pesagens;
    qint64 resultados = 0;
};
Guardado guardado(fb::Transaction &transacao, const QString &estacao, qint64 npedido, qint64 nformula)
{
    fb::Statement consulta(transacao.connection(),
                           QStringLiteral("select ID_PESOMED, PESO, (select count(*) from RPESOMED r where "
                                          "r.ESTACAO = p.ESTACAO and r.NPEDIDO = p.NPEDIDO and r.NFORMULA = "
                                          "p.NFORMULA) from PESOMED p where p.ESTACAO = ? and p.NPEDIDO = ? and "
                                          "p.NFORMULA = ?"));
    consulta.setTransaction(transacao);
    consulta.open({estacao, npedido, nformula});
    Guardado g;
    while (consulta.fetch()) {
        g.pesagens.insert(consulta.value(0).toLongLong(), consulta.value(1));
        g.resultados = consulta.value(2).toLongLong();
    }
    return g;
}

// The formula has another result record than the one this analysis wrote:
// stored by another workstation at the same moment.
struct OutroResultado {};

// The lightest and heaviest weights analysed, an empty weight left out as
// the database's MIN and MAX leave it; 0 when there is none. The analysis is
// stored only while these are the weights stored.
std::pair<double, double> extremos(const QList<std::optional<double>> &pesos)
{
    std::optional<double> minimo, maximo;
    for (const auto &p : pesos) {
        if (!p)
            continue;
        minimo = minimo ? std::min(*minimo, *p) : *p;
        maximo = maximo ? std::max(*maximo, *p) : *p;
    }
    return {minimo.value_or(0), maximo.value_or(0)};
}

} // namespace

ResultadoDaAnalise AnalisarCapsulas(TDM &dm, MessageService &mensagens)
{
    ResultadoDaAnalise resultado;
    ClientDataSet *w = dm.cds_PesoMed;
    ClientDataSet *r = dm.cds_RPesoMed;

    // Anything still pending from an earlier post goes first, or the analysis
    // does not start: its rows would otherwise be written with the analysis.
    w->CheckBrowseMode();
    // A weighing whose write failed is written as the next weighing would
    // write it: renumbered when another workstation took its capsule number.
    if (w->CurrentIsPending())
        dm.GravaPesagensPendentes();
    if (w->ChangeCount() > 0 && w->ApplyUpdates(-1) > 0)
        throw AppError(QStringLiteral("Há pesagens pendentes que o banco de dados recusou; a análise não foi "
                                      "feita.\rMotivo: %1").arg(w->LastApplyError()));

    // 1. The mean, over every row.
    QList<std::optional<double>> pesos;
    QMap<qint64, QVariant> analisadas;   // identifier and weight of each row analysed
    w->First();
    while (!w->Eof()) {
        const Field peso = w->FieldByName(QStringLiteral("PESO"));
        pesos.append(peso.IsNull() ? std::nullopt : std::optional<double>(peso.AsFloat()));
        analisadas.insert(w->FieldByName(QStringLiteral("ID_PESOMED")).AsInteger(), peso.Value());
        w->Next();
    }
    double soma = 0;
    for (const auto &p : pesos)
        soma += p.value_or(0);
    if (soma == 0) {
        mensagens.simple(QStringLiteral("A média dos pesos é zero: informe o peso das cápsulas antes de "
                                        "analisar.\rA análise será cancelada."));
        return resultado;
    }

    // 2. The theoretical weight.
    const PesoTeorico pt =
        CalcularPesoTeorico(dm, mensagens, dm.cds_Compedid->FieldByName(QStringLiteral("ESTACAO")).AsString(),
                            dm.cds_Compedid->FieldByName(QStringLiteral("NPEDIDO")).AsInteger(),
                            dm.cds_Compedid->FieldByName(QStringLiteral("NFORMULA")).AsInteger());
    resultado.aviso = pt.aviso;
    const double teorico = pt.valor;
    if (teorico == 0) {
        mensagens.simple(QStringLiteral(
            "Não foi possível obter o Peso Teórico das cápsulas vazias. A análise será cancelada."));
        return resultado;
    }

    // The lightest and heaviest stored weights: the analysis does not change them.
    w->Last();
    const QString estacao = w->FieldByName(QStringLiteral("ESTACAO")).AsString();
    const qint64 npedido = w->FieldByName(QStringLiteral("NPEDIDO")).AsInteger();
    const qint64 nformula = w->FieldByName(QStringLiteral("NFORMULA")).AsInteger();
    const auto [minimo, maximo] = extremos(pesos);
    const ResultadoAnalise a = AvaliaAmostra(pesos, teorico, minimo, maximo);

    // Every weighing row and the result record are written in one transaction:
    // all of them or, on a failure, none.
    try {
        const TDM::GravacaoAdiada adiada(dm);
        w->First();
        for (int i = 0; i < a.capsulas.size() && !w->Eof(); ++i) {
            const CapsulaAnalisada &c = a.capsulas[i];
            w->Edit();
            w->FieldByName(QStringLiteral("PESOTEORICO")).SetAsFloat(teorico);
            w->FieldByName(QStringLiteral("VARIACAOPESO")).SetAsFloat(c.variacao);
            w->FieldByName(QStringLiteral("VARIACAOPESOPERC")).SetAsFloat(c.variacaoPerc);
            w->FieldByName(QStringLiteral("QUADRADOSUBTRACOES")).SetAsFloat(c.quadrado);
            w->FieldByName(QStringLiteral("RESULTADO")).SetAsString(c.naoConforme ? a.textoVariacao : QString());
            w->FieldByName(QStringLiteral("OBS")).SetAsString(c.naoConforme ? QStringLiteral("Não Conforme")
                                                                            : QString());
            w->Post();
            w->Next();
        }

        // The result record of the formula, found again in the database
        // when this workstation holds none; appended when there is none.
        auto preencheResultado = [&] {
            if (dm.LocalizaResultado(estacao, npedido, nformula)) {
                r->Edit();
            } else {
                // The record rules give it the next identifier, which it keeps.
                r->Append();
                r->FieldByName(QStringLiteral("ESTACAO")).SetAsString(estacao);
                r->FieldByName(QStringLiteral("NPEDIDO")).SetAsInteger(npedido);
                r->FieldByName(QStringLiteral("NFORMULA")).SetAsInteger(nformula);
                r->FieldByName(QStringLiteral("CHAVE")).SetAsString(ChaveFormula(estacao, npedido, nformula));
            }
            r->FieldByName(QStringLiteral("QDECAPS")).SetAsInteger(a.n);
            r->FieldByName(QStringLiteral("PESOMEDIO")).SetAsFloat(a.media);
            r->FieldByName(QStringLiteral("DESVIOPADRAO")).SetAsFloat(a.desvioPadrao);
            r->FieldByName(QStringLiteral("COEFVARIACAO")).SetAsFloat(a.desvioRelativo);
            r->FieldByName(QStringLiteral("RESULTADO")).SetAsString(a.veredito);
            r->FieldByName(QStringLiteral("MOTIVOS")).SetAsString(a.motivos);
            r->FieldByName(QStringLiteral("MINIMO")).SetAsFloat(a.minimo);
            r->FieldByName(QStringLiteral("MAXIMO")).SetAsFloat(a.maximo);
            r->FieldByName(QStringLiteral("AMPLITUDE")).SetAsFloat(a.amplitude);
            r->FieldByName(QStringLiteral("VARTEORMIN")).SetAsFloat(a.varTeorMin);
            r->FieldByName(QStringLiteral("VARTEORMAX")).SetAsFloat(a.varTeorMax);
            r->FieldByName(QStringLiteral("PESOTOTAL")).SetAsFloat(a.total);
            r->FieldByName(QStringLiteral("VALORTEORICO")).SetAsFloat(teorico);
            r->Post();
            return r->CurrentIsPendingInsert();
        };
        // The result record is written first, so that this transaction holds
        // it while it checks the weighings and until it commits; the history
        // records the write as the analysis.
        auto grava = [&] {
            dm.dsp_RPesoMed.Context = dm.ContextoDaEscrita(false) + Historico::contexto(Historico::analise());
            try {
                dm.GravaJuntos({r, w}, [&](fb::Transaction &transacao) {
                    const Guardado g = guardado(transacao, estacao, npedido, nformula);
                    // The figures stand for the weighings stored: if another
                    // workstation added, changed or removed one meanwhile,
                    // nothing is written.
                    if (g.pesagens != analisadas)
                        throw AppError(QStringLiteral("Outra estação mudou as pesagens desta fórmula durante a "
                                                      "análise.\rConfira as pesagens e analise de novo."));
                    if (g.resultados > 1)
                        throw OutroResultado{};
                });
            } catch (...) {
                dm.dsp_RPesoMed.Context.clear();
                throw;
            }
        };
        bool novo = preencheResultado();
        try {
            grava();
        } catch (const OutroResultado &) {
            novo = true; // taken over below
        } catch (const AppError &) {
            // A result record stored by another workstation at the same moment
            // (its identifier may be the one this one took) is taken over.
            if (!novo || !dm.ResultadoGuardado(estacao, npedido, nformula))
                throw;
        }
        if (novo && r->ChangeCount() > 0) {
            r->CancelUpdates();
            r->Refresh();
            if (!preencheResultado()) {
                grava();
            } else {
                throw AppError(QStringLiteral("Outra estação gravou o resultado desta fórmula durante a análise.\r"
                                              "Analise de novo."));
            }
        }
    } catch (const AppError &e) {
        // Nothing of this analysis reached the database: the screen goes back to what is stored.
        w->CancelUpdates();
        r->CancelUpdates();
        try {
            w->Refresh();
        } catch (const ProgramExit &) {
            throw;
        } catch (...) {
            handleError(std::current_exception(), mensagens);
        }
        throw AppError(QStringLiteral("A análise não foi gravada; as pesagens e o resultado continuam como "
                                      "estavam.\r") + e.text());
    } catch (...) {
        w->CancelUpdates();
        r->CancelUpdates();
        throw;
    }
    w->Refresh();
    w->Last();
    r->Refresh();
    resultado.gravada = true;
    return resultado;
}
