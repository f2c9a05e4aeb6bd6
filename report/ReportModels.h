#pragma once
// The layouts a report definition may name. Each lays its report out once,
// from the rows of the dataset, into pages in centimetres.

#include "report/ReportDocument.h"
#include "report/RegistroDaAnalise.h"

#include <QDateTime>
#include <QString>

#include <functional>

class ClientDataSet;
struct ReportDefinition;

// Told the number of each page as it is begun.
using ReportProgress = std::function<void(int page)>;
using ReportModel = ReportDocument (*)(const ReportDefinition &, ClientDataSet &, const ReportProgress &,
                                      const RegistroDaAnalise &);

// The layout of that name; nullptr when there is none.
ReportModel findReportModel(const QString &name);

// Why a layout will not print the rows, to be told to the user; empty when it will.
using ReportRefusal = QString (*)(const ClientDataSet &);
// The check of the layout of that name; nullptr when it has none.
ReportRefusal findReportRefusal(const QString &name);

// The document in other page units: unitsPerInch of them make an inch.
void rescaleReport(ReportDocument &document, double unitsPerInch);

// "detalhe-peso-medio": the detailed weight report of one formula. Reads the
// rows of the report query from the first; printedAt is shown in the footer;
// registro, when known, in a section of its own under the verdict.
ReportDocument layOutWeightDetail(const ReportDefinition &definition, ClientDataSet &rows,
                                  const ReportProgress &progress, const QDateTime &printedAt,
                                  const RegistroDaAnalise &registro = {});
