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
    ds.ApplyUpdates(-1);
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
    ds.ApplyUpdates(0);
    ds.Refresh();
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
