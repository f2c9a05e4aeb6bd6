#include "report/ReportModels.h"

#include "report/StoredAnalysis.h"

#include <QTransform>

namespace {

ReportDocument weightDetail(const ReportDefinition &definition, ClientDataSet &rows, const ReportProgress &progress,
                            const RegistroDaAnalise &registro)
{
    return layOutWeightDetail(definition, rows, progress, QDateTime::currentDateTime(), registro);
}

// A stale analysis would be printed as current beside the new weights.
QString weightDetailRefusal(const ClientDataSet &rows)
{
    return reportRowsMatchAnalysis(rows) ? QString() : kStaleAnalysisMessage;
}

} // namespace

ReportRefusal findReportRefusal(const QString &name)
{
    if (name == QLatin1String("detalhe-peso-medio"))
        return &weightDetailRefusal;
    return nullptr;
}

ReportModel findReportModel(const QString &name)
{
    if (name == QLatin1String("detalhe-peso-medio"))
        return &weightDetail;
    return nullptr;
}

void rescaleReport(ReportDocument &document, double unitsPerInch)
{
    if (unitsPerInch <= 0 || qFuzzyCompare(unitsPerInch, document.unitsPerInch))
        return;
    const double f = unitsPerInch / document.unitsPerInch;
    const QTransform t = QTransform::fromScale(f, f);
    document.unitsPerInch = unitsPerInch;
    document.pageSize *= f;
    document.margins *= f;
    for (ReportPage &page : document.pages) {
        for (ReportItem &item : page.items) {
            item.rect = t.mapRect(item.rect);
            item.line = t.map(item.line);
            item.points = t.map(item.points);
            item.penWidth *= f;
        }
    }
}
