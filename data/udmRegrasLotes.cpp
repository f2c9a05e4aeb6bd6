// Rules that run when empty-capsule lots are inserted, posted, deleted or
// scrolled: a new lot's placeholders, the average kept with the weights,
// immediate write-back with the duplicate-key advice, and the supplier of the
// current lot.

#include "core/DisplayFormat.h"
#include "core/Messages.h"
#include "core/SqlText.h"
#include "data/udm.h"

const QString kChaveDuplicadaLote =
    QStringLiteral("Possibilidade de chave duplicada (Lote/Fornecedor/TamanhoCapsula)\r"
                   "Experimente clicar com o botão direito sobre o registro a ser alterado.");

namespace {

QString campoPeso(int n)
{
    return QStringLiteral("P%1").arg(n, 2, 10, QLatin1Char('0'));
}

const QString kChaveLote = QStringLiteral("CODFORN;LOTE;TAMCAP");

// A new lot row as its starting values left it: "0", "0", "0" and no weight.
bool LinhaIntocadaDeLote(ClientDataSet &ds)
{
    for (const char *campo : {"CODFORN", "LOTE", "TAMCAP"})
        if (ds.FieldByName(QString::fromLatin1(campo)).AsString() != QLatin1String("0"))
            return false;
    for (int n = 1; n <= 20; ++n)
        if (!ds.FieldByName(campoPeso(n)).IsNull())
            return false;
    return ds.FieldByName(QStringLiteral("PESOMEDIO")).IsNull();
}

QString descricaoDoLote(const QList<QVariant> &lote)
{
    return QStringLiteral("O lote \"%1\" do fornecedor \"%2\" (tamanho \"%3\")")
        .arg(lote.value(1).toString(), lote.value(0).toString(), lote.value(2).toString());
}

} // namespace

double MediaDosPesos(const QList<std::optional<double>> &pesos)
{
    double soma = 0;
    for (const auto &p : pesos)
        soma += p.value_or(0);
    // The column keeps three decimals; rounded on the decimal digits, as the column rounds.
    return formatNumber(soma / 20, QStringLiteral("0.000"), QLocale::c()).toDouble();
}

void TDM::LigaRegrasLotes()
{
    PesoCaV->AfterInsert = [this](ClientDataSet &ds) { PesoCaVAfterInsert(ds); };
    PesoCaV->BeforePost = [this](ClientDataSet &ds) { PesoCaVBeforePost(ds); };
    PesoCaV->AfterPost = [this](ClientDataSet &ds) { PesoCaVAfterPost(ds); };
    PesoCaV->AfterDelete = [this](ClientDataSet &ds) { PesoCaVAfterDelete(ds); };
    PesoCaV->AfterScroll = [this](ClientDataSet &ds) { PesoCaVAfterScroll(ds); };
    PesoCaV->OnPostError = [this](ClientDataSet &ds, const AppError &e, DataAction &action) {
        PesoCaVPostError(ds, e, action);
    };
    // Whoever closes the lot list (the theoretical weight re-reads it with a
    // filter of its own), a lot row being typed is stored first, with the
    // messages of its post; a row that cannot be stored keeps the list open.
    // An untouched new row is dropped.
    PesoCaV->BeforeClose = [](ClientDataSet &ds) {
        if (ds.State() == DataSetState::Insert && LinhaIntocadaDeLote(ds))
            ds.Cancel();
        else
            ds.CheckBrowseMode();
    };
    connect(PesoCaV, &ClientDataSet::stateChanged, this, [this] {
        m_pesosLidos.clear();
        if (PesoCaV->State() == DataSetState::Edit)
            for (int n = 1; n <= 20; ++n)
                m_pesosLidos.append(PesoCaV->fieldValue(PesoCaV->FieldIndex(campoPeso(n))));
    });
}

void TDM::PesoCaVAfterInsert(ClientDataSet &ds)
{
    ds.FieldByName(QStringLiteral("LOTE")).SetAsInteger(0);
    ds.FieldByName(QStringLiteral("CODFORN")).SetAsString(QStringLiteral("0"));
    ds.FieldByName(QStringLiteral("TAMCAP")).SetAsString(QStringLiteral("0"));
    emit PrimeiraColunaLotes();
}

void TDM::PesoCaVBeforePost(ClientDataSet &ds)
{
    // Whatever posts a lot whose weights were typed (the next average, a
    // change of row, closing the window), the stored average is that of the
    // stored weights. All weights zero or empty leave it as it was.
    QList<std::optional<double>> pesos;
    bool algum = false;
    bool mudou = ds.State() == DataSetState::Insert;
    for (int n = 1; n <= 20; ++n) {
        const Field f = ds.FieldByName(campoPeso(n));
        pesos.append(f.IsNull() ? std::nullopt : std::optional<double>(f.AsFloat()));
        algum = algum || f.AsFloat() != 0;
        mudou = mudou || m_pesosLidos.value(n - 1) != f.Value();
    }
    if (algum && mudou)
        ds.FieldByName(QStringLiteral("PESOMEDIO")).SetAsFloat(MediaDosPesos(pesos));
}

void TDM::PesoCaVAfterPost(ClientDataSet &ds)
{
    QList<QVariant> lote;
    for (const QString &campo : kChaveLote.split(QLatin1Char(';')))
        lote.append(ds.FieldByName(campo).Value());
    if (ds.ApplyUpdates(-1) > 0 && ds.LastApplyError() == kOutraEstacao) {
        // Not a repeated key: the row as read is no longer in the database.
        // What this workstation held is let go and the list read again.
        ds.CancelUpdates();
        ds.Refresh();
        ds.Locate(kChaveLote, lote);
        messages().simple(descricaoDoLote(lote) +
                          QStringLiteral(" foi alterado ou excluído em outra estação depois de lido aqui; o que "
                                         "foi digitado nele não foi gravado.\rA lista foi lida de novo."));
        return;
    }
    try {
        ds.Refresh();
    } catch (const std::exception &) {
        // A refused write stays pending, and the re-read fails while it does.
        messages().simple(kChaveDuplicadaLote);
        return;
    }
    // The list is re-read in its order: the cursor stays on the lot just
    // stored, so that the next weight typed goes into it and not into the
    // lot that now stands at its old position.
    QList<QVariant> aqui;
    for (const QString &campo : kChaveLote.split(QLatin1Char(';')))
        aqui.append(ds.FieldByName(campo).Value());
    if (aqui != lote)
        ds.Locate(kChaveLote, lote);
}

void TDM::PesoCaVAfterDelete(ClientDataSet &ds)
{
    if (ds.ApplyUpdates(0) == 0) {
        ds.Refresh();
        return;
    }
    // Refused: the row comes back, nothing stays pending to be sent again
    // with every later post, and the reason is told once.
    const QString motivo = ds.LastApplyError();
    ds.CancelUpdates();
    if (motivo == kOutraEstacao) {
        ds.Refresh();
        throw AppError(QStringLiteral("O lote não foi excluído: ") + motivo +
                       QStringLiteral("\rA lista foi lida de novo."));
    }
    throw AppError(QStringLiteral("O lote não foi excluído.\r") + motivo);
}

void TDM::PesoCaVAfterScroll(ClientDataSet &ds)
{
    Forneced->Close();
    const QString codigo = ds.Active() ? ds.FieldByName(QStringLiteral("CODFORN")).AsString() : QString();
    // Compared with CODIGO as a number, so that 12 finds 0012; a code that is
    // no whole number finds no supplier and builds no statement.
    if (!isWholeNumber(codigo))
        return;
    SQLDS_Fornec.CommandText =
        QStringLiteral("Select ") + CamposFornecedor + QStringLiteral(" from FORNECED where CODIGO = ") + codigo;
    try {
        Forneced->Open();
    } catch (const std::exception &) {
        // No supplier is shown.
    }
}

void TDM::PesoCaVPostError(ClientDataSet &, const AppError &error, DataAction &)
{
    messages().simple(error.text());
}
