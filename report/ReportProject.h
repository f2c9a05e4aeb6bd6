#pragma once
// The report project: a text file of our own holding the definitions of the
// reports (which layout lays each one out, the data connection it reads, the
// paper, the texts, the columns), read afresh whenever the project is loaded,
// and the component that loads it and runs a report by name through the report
// system. Call from the UI thread only.
//
// The file, in UTF-8, one setting per line:
//
//   ; a comment
//   [relatorio PesoM_Detalhado]
//   modelo = detalhe-peso-medio          the layout
//   dados = rds_PesoMedio                the data connection
//   papel = A4
//   margens = 1.2 1.5 1.2 1.5            top right bottom left, in centimetres
//   titulo = ...
//   subtitulo = ...
//   coluna = PESO | Peso (%u) | 2.6 | direita      field | title | width | alignment
//   resumo = PESOMEDIO | Peso médio (%u)          field | label
//   assinatura = ...
//
// "%u" in a title or label stands for the unit of the weights.

#include <QList>
#include <QMarginsF>
#include <QObject>
#include <QString>

class ReportDataConnection;
class ReportSystem;

struct ReportColumn {
    QString field;
    QString title;
    double width = 0; // centimetres
    Qt::Alignment alignment = Qt::AlignLeft;
};

struct ReportSummaryField {
    QString field;
    QString label;
};

struct ReportDefinition {
    QString name;
    QString model;
    QString dataConnection;
    QString paper = QStringLiteral("A4");
    QMarginsF margins{1.5, 1.2, 1.5, 1.2}; // left, top, right, bottom
    QString title;
    QString subtitle;
    QList<ReportColumn> columns;
    QList<ReportSummaryField> summary;
    QString signature;
};

struct ReportProjectData {
    QList<ReportDefinition> reports;
    // nullptr when the project has no report of that name.
    const ReportDefinition *report(const QString &name) const;
};

// Reads the text of a project file; path names the file in the errors.
// Raises AppError with the path and the line of the first fault.
ReportProjectData parseReportProject(const QString &text, const QString &path);

class ReportProject : public QObject {
    Q_OBJECT
public:
    explicit ReportProject(QObject *parent = nullptr);

    QString ProjectFile;
    ReportSystem *Engine = nullptr;

    // Loads the project file. A missing or unreadable file, or one with a
    // fault, raises AppError naming the file.
    void Open();
    // Releases a loaded project; nothing when none is loaded.
    void Close();
    bool Active() const { return m_loaded; }
    // Loads the project when it is not loaded and runs the report of that name
    // through the report system. A name the project lacks does nothing.
    void ExecuteReport(const QString &name);

private:
    ReportDataConnection *connection(const QString &name) const;
    bool m_loaded = false;
    ReportProjectData m_data;
};
