#include "report/uRM.h"

#include "config/uConfiguracao.h"
#include "data/udm.h"
#include "report/ReportData.h"
#include "report/ReportProject.h"
#include "report/ReportSystem.h"
#include "report/ReportWriters.h"

TRM *RM = nullptr;

TRM::TRM(TDM *dm, QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("RM"));

    rstm1 = new ReportSystem(this);
    rstm1->setObjectName(QStringLiteral("rstm1"));
    rstm1->TitleSetup = QStringLiteral("Output Options");
    rstm1->TitleStatus = QStringLiteral("Report Status");
    rstm1->TitlePreview = QStringLiteral("Report Preview");
    rstm1->StatusGenerating = QStringLiteral("Generating page %p");
    rstm1->StatusPrinting = QStringLiteral("Printing page %p");
    rstm1->PreviewMaximized = true;
    rstm1->PreviewZoom = 100;
    rstm1->PrinterScaleX = 100;
    rstm1->PrinterScaleY = 100;
    rstm1->PrinterTitle = QStringLiteral("ReportPrinter Report");
    rstm1->Units = QStringLiteral("Centimeters");
    rstm1->UnitsFactor = 2.54;

    rpj_1 = new ReportProject(this);
    rpj_1->setObjectName(QStringLiteral("rpj_1"));
    rpj_1->ProjectFile = ArquivoInstalacao(QStringLiteral("RPT/rptPesoMed.rav"));
    rpj_1->Engine = rstm1;

    rds_PesoMedio = new ReportDataConnection(this);
    rds_PesoMedio->setObjectName(QStringLiteral("rds_PesoMedio"));
    rds_PesoMedio->DataSet = dm ? dm->cds_RelPesomed : nullptr;

    // The suite's output settings that have no counterpart here are accepted
    // and ignored: PDF fonts not embedded and their WinAnsi encoding (Qt's PDF
    // writer always embeds the subsets it uses and writes Unicode text), PDF
    // image quality 90 (the chart is drawn as lines, no picture is compressed), and HTML
    // server mode off (the page is always written to a file).
    rpdf1 = new PdfWriter(this);
    rpdf1->setObjectName(QStringLiteral("rpdf1"));
    rpdf1->DisplayName = QStringLiteral("Adobe Acrobat (PDF)");
    rpdf1->FileExtension = QStringLiteral("*.pdf");
    rpdf1->MetafileDPI = 300;

    rhtml1 = new HtmlWriter(this);
    rhtml1->setObjectName(QStringLiteral("rhtml1"));
    rhtml1->DisplayName = QStringLiteral("Web Page (HTML)");
    rhtml1->FileExtension = QStringLiteral("*.html;*.htm");

    rvrndrtf1 = new RtfWriter(this);
    rvrndrtf1->setObjectName(QStringLiteral("rvrndrtf1"));
    rvrndrtf1->DisplayName = QStringLiteral("Rich Text Format (RTF)");
    rvrndrtf1->FileExtension = QStringLiteral("*.rtf");

    rvrndrtxt1 = new TextWriter(this);
    rvrndrtxt1->setObjectName(QStringLiteral("rvrndrtxt1"));
    rvrndrtxt1->DisplayName = QStringLiteral("Plain Text (TXT)");
    rvrndrtxt1->FileExtension = QStringLiteral("*.txt");
    rvrndrtxt1->CPI = 10;
    rvrndrtxt1->LPI = 6;

    for (ReportWriter *r : std::initializer_list<ReportWriter *>{rpdf1, rhtml1, rvrndrtf1, rvrndrtxt1})
        rstm1->addWriter(r);
}

TRM::~TRM()
{
    if (RM == this)
        RM = nullptr;
}
