#pragma once
// The writers of a laid-out report: painting on any paint device (PDF,
// printer, preview), and the file formats, each a writer component with its
// display name and extensions, chosen by name in the output options.

#include "report/ReportDocument.h"
#include "report/ReportModels.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QPainter;

// Paints one page on a painter whose device starts at the page's top left
// corner; scaleX and scaleY enlarge or reduce it (1: actual size).
void paintReportPage(QPainter &painter, const ReportDocument &document, const ReportPage &page, double scaleX = 1,
                     double scaleY = 1);

// The document as one HTML page (UTF-8), its pages one under the other: the
// texts placed where the layout put them, the drawings as SVG.
QByteArray reportToHtml(const ReportDocument &document);
// The document as RTF (code page 1252, other characters as Unicode): each line
// of texts one paragraph with tab stops where the layout put them, each group
// of drawings (the chart) one picture.
QByteArray reportToRtf(const ReportDocument &document);
// The document as plain text on a grid of charactersPerInch columns and
// linesPerInch lines, as the suite's files and the printers they feed expect:
// code page 1252 (a character outside it replaced by a look-alike, such as
// "►" by ">", or by "?"), lines ended by CR LF, pages separated by form feeds;
// drawings left out.
QByteArray reportToText(const ReportDocument &document, double charactersPerInch, double linesPerInch);

// A file format of the report system.
class ReportWriter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    QString DisplayName;
    QString FileExtension; // "*.html;*.htm": the first is the one given to a new file

    // "PDF", "HTML", "RTF" or "TXT".
    virtual QString formatName() const = 0;
    // Writes the document; raises AppError naming the file when it cannot.
    void write(const ReportDocument &document, const QString &fileName, const ReportProgress &progress) const;
    // "pdf": the extension a file of this format is given.
    QString defaultSuffix() const;
    // "Adobe Acrobat (PDF) (*.pdf)", for file dialogs.
    QString fileFilter() const;

protected:
    virtual QByteArray render(const ReportDocument &document, const ReportProgress &progress) const = 0;
};

// PDF through Qt's PDF writer. MetafileDPI is the writer's resolution.
class PdfWriter : public ReportWriter {
    Q_OBJECT
public:
    using ReportWriter::ReportWriter;
    int MetafileDPI = 300;
    QString formatName() const override { return QStringLiteral("PDF"); }

protected:
    QByteArray render(const ReportDocument &document, const ReportProgress &progress) const override;
};

class HtmlWriter : public ReportWriter {
    Q_OBJECT
public:
    using ReportWriter::ReportWriter;
    QString formatName() const override { return QStringLiteral("HTML"); }

protected:
    QByteArray render(const ReportDocument &document, const ReportProgress &progress) const override;
};

class RtfWriter : public ReportWriter {
    Q_OBJECT
public:
    using ReportWriter::ReportWriter;
    QString formatName() const override { return QStringLiteral("RTF"); }

protected:
    QByteArray render(const ReportDocument &document, const ReportProgress &progress) const override;
};

class TextWriter : public ReportWriter {
    Q_OBJECT
public:
    using ReportWriter::ReportWriter;
    double CPI = 10;
    double LPI = 6;
    QString formatName() const override { return QStringLiteral("TXT"); }

protected:
    QByteArray render(const ReportDocument &document, const ReportProgress &progress) const override;
};
