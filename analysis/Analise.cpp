#include "analysis/Analise.h"

#include "analysis/Calculos.h"
#include "analysis/PesoTeorico.h"
#include "core/Messages.h"
#include "core/ErrorGuard.h"
#include "core/SqlText.h"
#include "data/udm.h"

#include <QMap>

namespace {

// The lightest and heaviest stored weights of the formula, read back from the
// database together.
std::pair<double, double> extremos(TDM &dm, const QString &estacao, qint64 npedido, qint64 nformula)
{
    dm.sqlds_Generico.Close();
    dm.cds_Generico->Close();
    dm.ConsultaGenerica(QStringLiteral("Select min(Peso) as PesoMin, Max(Peso) as PesoMax from pesomed where "
                                       "Estacao = ") +
                        quoted(estacao) + QStringLiteral(" and Npedido = ") + QString::number(npedido) +
                        QStringLiteral(" and Nformula = ") + QString::number(nformula) + QStringLiteral(" "));
    auto valor = [&dm](const QString &coluna) {
        const QString texto = dm.cds_Generico->FieldByName(coluna).AsString();
        return texto.isEmpty() ? 0.0 : texto.toDouble();
    };
    return {valor(QStringLiteral("PesoMin")), valor(QStringLiteral("PesoMax"))};
}

// The identifier and weight of each weighing of the formula as the database
// holds them, read in the transaction given.
QMap<qint64, QVariant> pesagensGuardadas(fb::Transaction &transacao, const QString &estacao, qint64 npedido,
                                         qint64 nformula)
{
    fb::Statement consulta(transacao, QStringLiteral("select ID_PESOMED, PESO from PESOMED where ESTACAO = ? "
                                                     "and NPEDIDO = ? and NFORMULA = ?"));
    consulta.open({estacao, npedido, nformula});
    QMap<qint64, QVariant> guardadas;
    while (consulta.fetch())
        guardadas.insert(consulta.value(0).toLongLong(), consulta.value(1));
    return guardadas;
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
    const auto [minimo, maximo] = extremos(dm, estacao, npedido, nformula);
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
        // The figures stand for the weighings stored: if another workstation
        // added, changed or removed one meanwhile, nothing is written.
        dm.GravaJuntos({w, r}, [&](fb::Transaction &transacao) {
            if (pesagensGuardadas(transacao, estacao, npedido, nformula) != analisadas)
                throw AppError(QStringLiteral("Outra estação mudou as pesagens desta fórmula durante a análise.\r"
                                              "Confira as pesagens e analise de novo."));
        });
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
