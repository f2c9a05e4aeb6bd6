#include "report/StoredAnalysis.h"

#include "data/dataset/ClientDataSet.h"

#include <cmath>
#include <optional>

const QString kStaleAnalysisMessage =
    QStringLiteral("Os pesos desta fórmula mudaram depois da análise; o relatório não foi impresso.\r"
                   "Analise as cápsulas de novo (F5) antes de imprimir.");
const QString kStaleAnalysisNotice =
    QStringLiteral("Pesos alterados depois da análise: analise de novo (F5) antes de imprimir.");

namespace {

std::optional<double> number(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return std::nullopt;
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? std::optional<double>(d) : std::nullopt;
}

// Equal to the four decimals that the report and the window show: what lies
// below them is the rounding of the sums and differences that gave the figures.
bool same(double a, double b)
{
    return std::fabs(a - b) < 0.00005;
}

QVariant value(const ClientDataSet &ds, int row, const QString &field)
{
    const int index = ds.FieldIndex(field);
    return index < 0 ? QVariant() : ds.rowValue(row, index);
}

} // namespace

bool analysisMatches(const StoredFigures &figures, const QList<StoredWeighing> &weighings)
{
    const std::optional<double> count = number(figures.count);
    const std::optional<double> total = number(figures.total);
    const std::optional<double> mean = number(figures.mean);
    if (!count || !total || !mean || *count != double(weighings.size()))
        return false;
    double sum = 0;
    for (const StoredWeighing &w : weighings)
        sum += number(w.weight).value_or(0);
    if (!same(sum, *total))
        return false;
    for (const StoredWeighing &w : weighings) {
        const std::optional<double> variation = number(w.variation);
        if (!variation || !same(number(w.weight).value_or(0) - *mean, *variation))
            return false;
    }
    return true;
}

bool reportRowsMatchAnalysis(const ClientDataSet &rows)
{
    if (!rows.Active() || rows.IsEmpty())
        return false;
    QList<StoredWeighing> weighings;
    weighings.reserve(rows.RecordCount());
    for (int r = 0; r < rows.RecordCount(); ++r)
        weighings.append({value(rows, r, QStringLiteral("PESO")), value(rows, r, QStringLiteral("VARIACAOPESO"))});
    return analysisMatches({value(rows, 0, QStringLiteral("QDECAPS")), value(rows, 0, QStringLiteral("PESOTOTAL")),
                            value(rows, 0, QStringLiteral("PESOMEDIO"))},
                           weighings);
}

bool weighingsMatchAnalysis(const ClientDataSet &weighings, const ClientDataSet &result)
{
    if (!result.Active() || result.IsEmpty() || !weighings.Active())
        return true;
    const int current = result.RecNo() - 1;
    if (value(result, current, QStringLiteral("RESULTADO")).toString().trimmed().isEmpty())
        return true;
    // A row being typed is not stored yet.
    const int typed = weighings.State() == DataSetState::Insert ? weighings.RecNo() - 1 : -1;
    QList<StoredWeighing> rows;
    rows.reserve(weighings.RecordCount());
    for (int r = 0; r < weighings.RecordCount(); ++r)
        if (r != typed)
            rows.append({value(weighings, r, QStringLiteral("PESO")), value(weighings, r, QStringLiteral("VARIACAOPESO"))});
    return analysisMatches({value(result, current, QStringLiteral("QDECAPS")),
                            value(result, current, QStringLiteral("PESOTOTAL")),
                            value(result, current, QStringLiteral("PESOMEDIO"))},
                           rows);
}
