// The report project reader over any file text: a project, or its error with
// the path; never a crash.
#include "core/AppError.h"
#include "report/ReportProject.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString texto = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    try {
        const ReportProjectData projeto = parseReportProject(texto, QStringLiteral("RPT/rptPesoMed.rav"));
        for (const ReportDefinition &r : projeto.reports)
            (void)projeto.report(r.name);
    } catch (const AppError &) {
    }
    return 0;
}
