#pragma once
// The report module: the components of the report engine through which the
// analysis window prints the detailed weight report. The report project is
// the file RPT/rptPesoMed.rav of the installation, read afresh for every
// report; the data connection exposes the data module's report query. Created
// once at start-up, after the data module. Call from the UI thread only.

#include <QObject>

class HtmlWriter;
class PdfWriter;
class ReportDataConnection;
class ReportProject;
class ReportSystem;
class RtfWriter;
class TDM;
class TextWriter;

class TRM : public QObject {
    Q_OBJECT
public:
    // dm: the data module whose report dataset the reports read; may be null.
    explicit TRM(TDM *dm, QObject *parent = nullptr);
    ~TRM() override;

    ReportProject *rpj_1;
    ReportSystem *rstm1;
    ReportDataConnection *rds_PesoMedio;
    PdfWriter *rpdf1;
    HtmlWriter *rhtml1;
    RtfWriter *rvrndrtf1;
    TextWriter *rvrndrtxt1;
};

extern TRM *RM;
