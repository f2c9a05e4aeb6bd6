// Rules that run when weighings and result records are inserted, posted,
// deleted or scrolled: identifiers, keys, capsule numbers, the result record
// of a formula's first weighing, immediate write-back, and the verdict colour.

#include "core/DisplayFormat.h"
#include "core/SqlText.h"
#include "data/udm.h"

#include <QDate>
#include <QMetaMethod>

QString ChaveFormula(const QString &estacao, qint64 npedido, qint64 nformula)
{
    return estacao + QStringLiteral("%1").arg(npedido, 6, 10, QLatin1Char('0')) + QString::number(nformula);
}

QString DescricaoPesagem(ClientDataSet &ds)
{
    const Field peso = ds.FieldByName(QStringLiteral("PESO"));
    return QStringLiteral("cápsula %1 (%2)")
        .arg(ds.FieldByName(QStringLiteral("NUMCAP")).AsInteger())
        .arg(peso.IsNull() ? QStringLiteral("sem peso") : numberForTyping(peso.AsFloat()));
}

void TDM::LigaRegras()
{
    cds_PesoMed->BeforeInsert = [this](ClientDataSet &ds) { cds_PesoMedBeforeInsert(ds); };
    cds_PesoMed->AfterInsert = [this](ClientDataSet &ds) { cds_PesoMedAfterInsert(ds); };
    cds_PesoMed->AfterPost = [this](ClientDataSet &ds) { cds_PesoMedAfterPost(ds); };
    cds_PesoMed->AfterDelete = [this](ClientDataSet &ds) { cds_PesoMedAfterDelete(ds); };
    cds_RPesoMed->BeforeInsert = [this](ClientDataSet &ds) { cds_RPesoMedBeforeInsert(ds); };
    cds_RPesoMed->AfterInsert = [this](ClientDataSet &ds) { cds_RPesoMedAfterInsert(ds); };
    cds_RPesoMed->AfterPost = [this](ClientDataSet &ds) { cds_RPesoMedAfterPostDelete(ds); };
    cds_RPesoMed->AfterDelete = [this](ClientDataSet &ds) { cds_RPesoMedAfterPostDelete(ds); };
    cds_RPesoMed->BeforeScroll = [this](ClientDataSet &ds) { cds_RPesoMedBeforeScroll(ds); };
    cds_RPesoMed->AfterScroll = [this](ClientDataSet &ds) { cds_RPesoMedAfterScroll(ds); };
}

namespace {

// The server's refusal of a key already stored.
bool ChaveDuplicada(const QString &motivo)
{
    return motivo.contains(QLatin1String("PRIMARY or UNIQUE KEY"), Qt::CaseInsensitive);
}

constexpr int kTentativasNovaChave = 5;

} // namespace

bool TDM::RegravaComNovaChave(ClientDataSet &ds, const QString &campoId, const QString &tabela)
{
    const bool pesagem = &ds == cds_PesoMed;
    for (int tentativa = 0; tentativa < kTentativasNovaChave; ++tentativa) {
        if (!ds.CurrentIsPendingInsert() || !ChaveDuplicada(ds.LastApplyError()))
            return false;
        sqlds_Generico.Close();
        cds_Generico->Close();
        ConsultaGenerica(QStringLiteral("Select Max(%1) as ULTID from %2").arg(campoId, tabela));
        const qint64 id = cds_Generico->FieldByName(QStringLiteral("ULTID")).AsInteger() + 1;
        const qint64 numcap = pesagem ? ProximoNumeroCapsula(ds.FieldByName(QStringLiteral("ESTACAO")).AsString(),
                                                             ds.FieldByName(QStringLiteral("NPEDIDO")).AsInteger(),
                                                             ds.FieldByName(QStringLiteral("NFORMULA")).AsInteger())
                                      : 0;
        sqlds_Generico.Close();
        cds_Generico->Close();
        {
            // The row is changed in place, without running the rules of a post.
            const QScopedValueRollback<bool> renumerando(m_renumerando, true);
            ds.Edit();
            ds.FieldByName(campoId).SetAsInteger(id);
            if (pesagem)
                ds.FieldByName(QStringLiteral("NUMCAP")).SetAsInteger(numcap);
            ds.Post();
        }
        if (ds.ApplyUpdates(-1) == 0)
            return true;
    }
    return false;
}

void TDM::GravaAlteracoes(ClientDataSet &ds, const QString &oQue, const QString &conselho)
{
    if (ds.ApplyUpdates(-1) == 0)
        return;
    // Two workstations numbered their new rows at the same moment: this one
    // takes the next free number and writes again.
    if (&ds == cds_PesoMed && RegravaComNovaChave(ds, QStringLiteral("ID_PESOMED"), QStringLiteral("pesomed")))
        return;
    if (&ds == cds_RPesoMed && RegravaComNovaChave(ds, QStringLiteral("ID_RPESOMED"), QStringLiteral("rpesomed")))
        return;
    // The refused change stays pending and goes again with the next write-back;
    // the figures on screen are not re-read over it.
    throw AppError(QStringLiteral("%1 não foi gravad%2 no banco de dados e continua pendente nesta estação.\r"
                                  "Motivo: %3\r%4")
                       .arg(oQue, oQue.startsWith(QLatin1String("A ")) ? QStringLiteral("a") : QStringLiteral("o"),
                            ds.LastApplyError(), conselho));
}

void TDM::GravaPesagensPendentes()
{
    ClientDataSet &ds = *cds_PesoMed;
    if (m_gravacaoAdiada || !ds.Active() || ds.ChangeCount() == 0)
        return;
    const bool naLinha = ds.CurrentIsPending();
    const QString qual = naLinha ? DescricaoPesagem(ds) : QString();
    try {
        if (ds.CurrentIsPendingInsert()) {
            // Its number was the next one when it was typed; another workstation
            // may have stored that number since.
            const qint64 numcap = ds.FieldByName(QStringLiteral("NUMCAP")).AsInteger();
            const qint64 proxima = ProximoNumeroCapsula(ds.FieldByName(QStringLiteral("ESTACAO")).AsString(),
                                                        ds.FieldByName(QStringLiteral("NPEDIDO")).AsInteger(),
                                                        ds.FieldByName(QStringLiteral("NFORMULA")).AsInteger());
            sqlds_Generico.Close();
            cds_Generico->Close();
            if (proxima > numcap) {
                const QScopedValueRollback<bool> renumerando(m_renumerando, true);
                ds.Edit();
                ds.FieldByName(QStringLiteral("NUMCAP")).SetAsInteger(proxima);
                ds.Post();
            }
        }
        GravaAlteracoes(ds, QStringLiteral("A pesagem"),
                        QStringLiteral("Confira a pesagem com a da outra estação; a linha pode ser excluída e "
                                       "digitada de novo."));
    } catch (const AppError &e) {
        if (qual.isEmpty())
            throw;
        throw AppError(e.text() + QStringLiteral("\r\rA pesagem da %1 continua pendente nesta estação.").arg(qual));
    }
    // Read after the write: what the database holds, other workstations' rows included.
    const qint64 id = naLinha ? ds.FieldByName(QStringLiteral("ID_PESOMED")).AsInteger() : 0;
    ds.Refresh();
    if (naLinha)
        ds.Locate(QStringLiteral("ID_PESOMED"), {id});
}

void TDM::cds_PesoMedBeforeInsert(ClientDataSet &ds)
{
    // A weighing still pending is written before the next one is numbered:
    // numbers follow the order typed, and nothing typed is overwritten.
    const bool naLinha = ds.CurrentIsPending();
    try {
        GravaPesagensPendentes();
    } catch (const AppError &e) {
        if (!naLinha)
            throw;
        throw AppError(e.text() + QStringLiteral(" A cápsula seguinte só é aberta depois que ela for gravada."));
    }
    // The highest identifier, and with it in the same request the highest
    // capsule number of the current formula, which the after-insert rule needs.
    m_chaveUltimaCapsula.clear();
    if (!cds_Pedidos->Active() || cds_Pedidos->IsEmpty() || !cds_Pediform->Active() || cds_Pediform->IsEmpty()) {
        ConsultaGenerica(QStringLiteral("Select Max(ID_PESOMED) as ULTID from pesomed"));
        m_ultimoId = cds_Generico->FieldByName(QStringLiteral("ULTID")).AsInteger();
        return;
    }
    const QString estacao = cds_Pedidos->FieldByName(QStringLiteral("ESTACAO")).AsString();
    const qint64 npedido = cds_Pedidos->FieldByName(QStringLiteral("NPEDIDO")).AsInteger();
    const qint64 nformula = cds_Pediform->FieldByName(QStringLiteral("NFORMULA")).AsInteger();
    fb::Statement consulta(sqlcon1.connection(),
                           QStringLiteral("select (select max(ID_PESOMED) from PESOMED) as ULTID, (select max(NUMCAP) "
                                          "from PESOMED where ESTACAO = ? and NPEDIDO = ? and NFORMULA = ?) as "
                                          "ULTCAPS from RDB$DATABASE"));
    consulta.open({estacao, npedido, nformula});
    if (!consulta.fetch())
        throw AppError(QStringLiteral("O banco de dados não devolveu o último identificador das pesagens."));
    m_ultimoId = consulta.value(0).toLongLong();
    m_ultimaCapsula = consulta.value(1).toLongLong();
    consulta.closeCursor();
    m_chaveUltimaCapsula = ChaveFormula(estacao, npedido, nformula);
}

void TDM::cds_PesoMedAfterInsert(ClientDataSet &ds)
{
    const qint64 id = m_ultimoId + 1;
    const QString estacao = cds_Pedidos->FieldByName(QStringLiteral("ESTACAO")).AsString();
    const qint64 npedido = cds_Pedidos->FieldByName(QStringLiteral("NPEDIDO")).AsInteger();
    const qint64 nformula = cds_Pediform->FieldByName(QStringLiteral("NFORMULA")).AsInteger();
    ds.FieldByName(QStringLiteral("ID_PESOMED")).SetAsInteger(id);
    ds.FieldByName(QStringLiteral("Estacao")).SetAsString(estacao);
    ds.FieldByName(QStringLiteral("Npedido")).SetAsInteger(npedido);
    ds.FieldByName(QStringLiteral("Nformula")).SetAsInteger(nformula);
    ds.FieldByName(QStringLiteral("Chave")).SetAsString(ChaveFormula(estacao, npedido, nformula));

    // The formula's result record, appended for its first weighing and left
    // pending until the result dataset next leaves insert state.
    if (!LocalizaResultado(ds.FieldByName(QStringLiteral("Estacao")).AsString(),
                           ds.FieldByName(QStringLiteral("Npedido")).AsInteger(),
                           ds.FieldByName(QStringLiteral("Nformula")).AsInteger()))
        cds_RPesoMed->Append();

    const qint64 numcap = m_chaveUltimaCapsula == ChaveFormula(estacao, npedido, nformula)
                              ? m_ultimaCapsula + 1
                              : ProximoNumeroCapsula(estacao, npedido, nformula);
    m_chaveUltimaCapsula.clear();
    ds.FieldByName(QStringLiteral("NumCap")).SetAsInteger(numcap);
    sqlds_Generico.Close();
    cds_Generico->Close();
}

namespace {

// One integer read by a statement prepared once per connection, its values parameters.
qint64 umInteiro(SqlConnection &conexao, const QString &sql, const QList<QVariant> &valores)
{
    fb::Statement consulta(conexao.connection(), sql);
    consulta.open(valores);
    const qint64 valor = consulta.fetch() ? consulta.value(0).toLongLong() : 0;
    consulta.closeCursor();
    return valor;
}

} // namespace

qint64 TDM::ProximoNumeroCapsula(const QString &estacao, qint64 npedido, qint64 nformula)
{
    return umInteiro(sqlcon1,
                     QStringLiteral("select max(NUMCAP) from PESOMED where ESTACAO = ? and NPEDIDO = ? and "
                                    "NFORMULA = ?"),
                     {estacao, npedido, nformula}) +
           1;
}

bool TDM::ResultadoGuardado(const QString &estacao, qint64 npedido, qint64 nformula)
{
    // With the highest identifier, which a result record appended next takes.
    fb::Statement consulta(sqlcon1.connection(),
                           QStringLiteral("select (select count(*) from RPESOMED where ESTACAO = ? and NPEDIDO = ? "
                                          "and NFORMULA = ?), (select max(ID_RPESOMED) from RPESOMED) from "
                                          "RDB$DATABASE"));
    consulta.open({estacao, npedido, nformula});
    qint64 guardados = 0;
    m_maiorIdResultado.reset();
    if (consulta.fetch()) {
        guardados = consulta.value(0).toLongLong();
        m_maiorIdResultado = consulta.value(1).toLongLong();
    }
    consulta.closeCursor();
    return guardados > 0;
}

bool TDM::LocalizaResultado(const QString &estacao, qint64 npedido, qint64 nformula)
{
    const QString campos = QStringLiteral("ESTACAO;NPEDIDO;NFORMULA");
    const QList<QVariant> chave = {estacao, npedido, nformula};
    m_maiorIdResultado.reset();
    if (cds_RPesoMed->Locate(campos, chave, LocateOptions{true, false}))
        return true;
    if (!ResultadoGuardado(estacao, npedido, nformula))
        return false;
    m_maiorIdResultado.reset();
    // Stored by another workstation after this one read the formula: read it.
    cds_RPesoMed->Refresh();
    return cds_RPesoMed->Locate(campos, chave, LocateOptions{true, false});
}

void TDM::GravaJuntos(const QList<ClientDataSet *> &conjuntos,
                      const std::function<void(fb::Transaction &)> &antesDeConfirmar)
{
    fb::Transaction transaction(sqlcon1.connection());
    QString motivo;
    if (ClientDataSet::ApplyUpdatesIn(conjuntos, transaction, motivo) > 0) {
        transaction.rollback();
        throw AppError(QStringLiteral("Nada foi gravado no banco de dados.\rMotivo: %1").arg(motivo));
    }
    if (antesDeConfirmar) {
        try {
            antesDeConfirmar(transaction);
        } catch (...) {
            transaction.rollback();
            throw;
        }
    }
    transaction.commit();
    for (ClientDataSet *ds : conjuntos)
        ds->MergeApplied();
}

void TDM::cds_PesoMedAfterPost(ClientDataSet &ds)
{
    if (m_gravacaoAdiada || m_renumerando)
        return;
    dsp_PesoMed.Context = ContextoDaEscrita(true);
    GravaAlteracoes(ds, QStringLiteral("A pesagem"),
                    QStringLiteral("Confira a pesagem com a da outra estação; a linha pode ser excluída e digitada de "
                                   "novo."));
    // Read after the write: a new row may have been given another identifier.
    const qint64 id = ds.FieldByName(QStringLiteral("ID_PESOMED")).AsInteger();
    ds.Refresh();
    ds.Locate(QStringLiteral("ID_PESOMED"), {id});
}

void TDM::cds_PesoMedAfterDelete(ClientDataSet &ds)
{
    if (m_gravacaoAdiada)
        return;
    GravaAlteracoes(ds, QStringLiteral("A exclusão da pesagem"),
                    QStringLiteral("Confira as pesagens da fórmula com as da outra estação."));
    ds.Refresh();
}

void TDM::cds_RPesoMedBeforeInsert(ClientDataSet &)
{
    // Read a moment ago by the look-up that found no result record of the formula.
    if (const std::optional<qint64> lido = std::exchange(m_maiorIdResultado, std::nullopt)) {
        m_ultimoId = *lido;
        return;
    }
    ConsultaGenerica(QStringLiteral("Select max(ID_RPESOMED) as IDMAX from rpesomed"));
    m_ultimoId = cds_Generico->FieldByName(QStringLiteral("IDMAX")).AsInteger();
}

void TDM::cds_RPesoMedAfterInsert(ClientDataSet &ds)
{
    const QString estacao = cds_PesoMed->FieldByName(QStringLiteral("ESTACAO")).AsString();
    const qint64 npedido = cds_PesoMed->FieldByName(QStringLiteral("NPEDIDO")).AsInteger();
    const qint64 nformula = cds_PesoMed->FieldByName(QStringLiteral("NFORMULA")).AsInteger();
    ds.FieldByName(QStringLiteral("ID_RPESOMED")).SetAsInteger(m_ultimoId + 1);
    ds.FieldByName(QStringLiteral("Estacao")).SetAsString(estacao);
    ds.FieldByName(QStringLiteral("Npedido")).SetAsInteger(npedido);
    ds.FieldByName(QStringLiteral("Nformula")).SetAsInteger(nformula);
    ds.FieldByName(QStringLiteral("Chave")).SetAsString(ChaveFormula(estacao, npedido, nformula));
    ds.FieldByName(QStringLiteral("DATA_EMISSAO")).SetAsDateTime(QDate::currentDate());
}

void TDM::cds_RPesoMedAfterPostDelete(ClientDataSet &ds)
{
    if (m_gravacaoAdiada || m_renumerando)
        return;
    // A formula's first weighing on two workstations at once: the result
    // record the other one stored stands, this still empty one is dropped.
    if (ds.CurrentIsPendingInsert() && ds.ChangeCount() == 1 &&
        ResultadoGuardado(ds.FieldByName(QStringLiteral("ESTACAO")).AsString(),
                          ds.FieldByName(QStringLiteral("NPEDIDO")).AsInteger(),
                          ds.FieldByName(QStringLiteral("NFORMULA")).AsInteger())) {
        m_maiorIdResultado.reset();
        ds.CancelUpdates();
        ds.Refresh();
        return;
    }
    m_maiorIdResultado.reset();
    GravaAlteracoes(ds, QStringLiteral("O resultado da análise"),
                    QStringLiteral("Execute a análise de novo para gravá-lo."));
    ds.Refresh();
}

void TDM::cds_RPesoMedBeforeScroll(ClientDataSet &ds)
{
    try {
        cds_RPesoMedAfterScroll(ds);
    } catch (const AppError &) {
        // Colouring the row being left is not worth an error.
    }
}

void TDM::cds_RPesoMedAfterScroll(ClientDataSet &ds)
{
    if (isSignalConnected(QMetaMethod::fromSignal(&TDM::ColoreVeredito)))
        emit ColoreVeredito(ds.Active() ? ds.FieldByName(QStringLiteral("RESULTADO")).AsString() : QString());
}
