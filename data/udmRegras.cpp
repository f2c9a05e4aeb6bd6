// Rules that run when weighings and result records are inserted, posted,
// deleted or scrolled: identifiers, keys, capsule numbers, the result record
// of a formula's first weighing, immediate write-back, and the verdict colour.

#include "core/SqlText.h"
#include "data/udm.h"

#include <QDate>

QString ChaveFormula(const QString &estacao, qint64 npedido, qint64 nformula)
{
    return estacao + QStringLiteral("%1").arg(npedido, 6, 10, QLatin1Char('0')) + QString::number(nformula);
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

void TDM::GravaAlteracoes(ClientDataSet &ds, const QString &oQue, const QString &conselho)
{
    if (ds.ApplyUpdates(-1) == 0)
        return;
    // The refused change stays pending and goes again with the next write-back;
    // the figures on screen are not re-read over it.
    throw AppError(QStringLiteral("%1 não foi gravad%2 no banco de dados e continua pendente nesta estação.\r"
                                  "Motivo: %3\r%4")
                       .arg(oQue, oQue.startsWith(QLatin1String("A ")) ? QStringLiteral("a") : QStringLiteral("o"),
                            ds.LastApplyError(), conselho));
}

void TDM::cds_PesoMedBeforeInsert(ClientDataSet &)
{
    ConsultaGenerica(QStringLiteral("Select Max(ID_PESOMED) as ULTID from pesomed"));
    UltimoId = cds_Generico->FieldByName(QStringLiteral("ULTID")).AsInteger();
}

void TDM::cds_PesoMedAfterInsert(ClientDataSet &ds)
{
    const qint64 id = UltimoId + 1;
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
    const QList<QVariant> chave = {ds.FieldByName(QStringLiteral("Estacao")).AsString(),
                                   ds.FieldByName(QStringLiteral("Npedido")).AsInteger(),
                                   ds.FieldByName(QStringLiteral("Nformula")).AsInteger()};
    if (!cds_RPesoMed->Locate(QStringLiteral("ESTACAO;NPEDIDO;NFORMULA"), chave, LocateOptions{true, false}))
        cds_RPesoMed->Append();

    sqlds_Generico.Close();
    cds_Generico->Close();
    ConsultaGenerica(QStringLiteral("Select Max(numcap) as UltCaps from pesomed where Estacao = ") + quoted(estacao) +
                     QStringLiteral(" and ") + QStringLiteral("Npedido = ") + quoted(QString::number(npedido)) +
                     QStringLiteral(" and ") + QStringLiteral("Nformula = ") +
                     quoted(QString::number(nformula)) + QStringLiteral(" "));
    ds.FieldByName(QStringLiteral("NumCap")).SetAsInteger(cds_Generico->FieldByName(QStringLiteral("UltCaps")).AsInteger() + 1);
    sqlds_Generico.Close();
    cds_Generico->Close();
}

void TDM::GravaJuntos(const QList<ClientDataSet *> &conjuntos)
{
    fb::Transaction transaction(sqlcon1.connection());
    QString motivo;
    if (ClientDataSet::ApplyUpdatesIn(conjuntos, transaction, motivo) > 0) {
        transaction.rollback();
        throw AppError(QStringLiteral("Nada foi gravado no banco de dados.\rMotivo: %1").arg(motivo));
    }
    transaction.commit();
    for (ClientDataSet *ds : conjuntos)
        ds->MergeApplied();
}

void TDM::cds_PesoMedAfterPost(ClientDataSet &ds)
{
    if (GravacaoAdiada)
        return;
    const qint64 id = ds.FieldByName(QStringLiteral("ID_PESOMED")).AsInteger();
    GravaAlteracoes(ds, QStringLiteral("A pesagem"),
                    QStringLiteral("Se outra estação gravou ao mesmo tempo, exclua a linha e digite-a de novo."));
    ds.Refresh();
    ds.Locate(QStringLiteral("ID_PESOMED"), {id});
}

void TDM::cds_PesoMedAfterDelete(ClientDataSet &ds)
{
    if (GravacaoAdiada)
        return;
    GravaAlteracoes(ds, QStringLiteral("A exclusão da pesagem"),
                    QStringLiteral("Confira as pesagens da fórmula com as da outra estação."));
    ds.Refresh();
}

void TDM::cds_RPesoMedBeforeInsert(ClientDataSet &)
{
    ConsultaGenerica(QStringLiteral("Select max(ID_RPESOMED) as IDMAX from rpesomed"));
    UltimoId = cds_Generico->FieldByName(QStringLiteral("IDMAX")).AsInteger();
}

void TDM::cds_RPesoMedAfterInsert(ClientDataSet &ds)
{
    const QString estacao = cds_PesoMed->FieldByName(QStringLiteral("ESTACAO")).AsString();
    const qint64 npedido = cds_PesoMed->FieldByName(QStringLiteral("NPEDIDO")).AsInteger();
    const qint64 nformula = cds_PesoMed->FieldByName(QStringLiteral("NFORMULA")).AsInteger();
    ds.FieldByName(QStringLiteral("ID_RPESOMED")).SetAsInteger(UltimoId + 1);
    ds.FieldByName(QStringLiteral("Estacao")).SetAsString(estacao);
    ds.FieldByName(QStringLiteral("Npedido")).SetAsInteger(npedido);
    ds.FieldByName(QStringLiteral("Nformula")).SetAsInteger(nformula);
    ds.FieldByName(QStringLiteral("Chave")).SetAsString(ChaveFormula(estacao, npedido, nformula));
    ds.FieldByName(QStringLiteral("DATA_EMISSAO")).SetAsDateTime(QDate::currentDate());
}

void TDM::cds_RPesoMedAfterPostDelete(ClientDataSet &ds)
{
    if (GravacaoAdiada)
        return;
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
    if (ColoreVeredito)
        ColoreVeredito(ds.Active() ? ds.FieldByName(QStringLiteral("RESULTADO")).AsString() : QString());
}
