#pragma once
// The report system: asks where a report goes (the output-options dialog),
// shows the status window while the report is generated and written, and
// produces it in the preview, on the printer or in a file of one of its
// writers. Dialogs are modal; call from the UI thread only.

#include "report/ReportDocument.h"
#include "report/ReportModels.h"

#include <QDialog>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QSpinBox;
class ReportWriter;

class ReportSystem : public QObject {
    Q_OBJECT
public:
    explicit ReportSystem(QObject *parent = nullptr);
    ~ReportSystem() override;

    QString TitleSetup = QStringLiteral("Output Options");
    QString TitleStatus = QStringLiteral("Report Status");
    QString TitlePreview = QStringLiteral("Report Preview");
    // %p: the page number.
    QString StatusGenerating = QStringLiteral("Generating page %p");
    QString StatusPrinting = QStringLiteral("Printing page %p");
    bool PreviewMaximized = true;
    int PreviewZoom = 100;        // percent
    int PrinterScaleX = 100;      // percent
    int PrinterScaleY = 100;
    QString PrinterTitle = QStringLiteral("ReportPrinter Report");
    QString Units = QStringLiteral("Centimeters");
    double UnitsFactor = 2.54;    // page units in an inch

    void addWriter(ReportWriter *writer);
    const QList<ReportWriter *> &writers() const { return m_writers; }
    // The printer of the printer and preview outputs, made when first needed.
    // Its paper is the printer's own, or the one chosen in the printer or page
    // setup; the report is fitted to it.
    QPrinter *printer();
    // The page was chosen in a setup dialog: its margins are kept as well.
    void setPageChosen() { m_pageChosen = true; }

    // Asks for the output options; unless cancelled, lays the report out with
    // generate and produces it where asked.
    void Execute(const QString &reportName, const std::function<ReportDocument(const ReportProgress &)> &generate);

signals:
    // The text of the status window, each time it changes.
    void statusChanged(const QString &text);

private:
    void showStatus(const QString &format, int page);
    void print(const ReportDocument &document, QPrinter &printer, bool preview);
    void preview(const ReportDocument &document);
    void preparePrinter();

    QList<ReportWriter *> m_writers;
    std::unique_ptr<QPrinter> m_printer;
    bool m_pageChosen = false;
    QPointer<QDialog> m_status;
    QLabel *m_statusText = nullptr;
};

// The output-options dialog: preview (preselected), printer or file in one of
// the writers' formats; copies, collation, duplex; printer and page setup
// through the toolkit's print dialogs.
class OutputOptionsDialog : public QDialog {
    Q_OBJECT
public:
    enum class Destination { Preview, Printer, File };

    OutputOptionsDialog(ReportSystem *system, const QString &reportName, QWidget *parent = nullptr);

    Destination destination() const;
    ReportWriter *writer() const;
    // The file name as typed, with the format's extension when it has none.
    QString fileName() const;

    QRadioButton *rbPrinter;
    QRadioButton *rbPreview;
    QRadioButton *rbFile;
    QComboBox *cbFormat;
    QLineEdit *edtFileName;
    QPushButton *btnBrowse;
    QLabel *lblPrinter;
    QSpinBox *spnCopies;
    QCheckBox *chkCollate;
    QComboBox *cbDuplex;
    QPushButton *btnSetup;
    QPushButton *btnPageSetup;
    QDialogButtonBox *buttons;

    void accept() override;

private:
    void update();
    void formatChanged();
    void browse();
    void printerSetup();
    void pageSetup();
    void readPrinter();

    ReportSystem *m_system;
    QString m_reportName;
};
