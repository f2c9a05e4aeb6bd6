#include "report/ReportSystem.h"

#include "core/AppError.h"
#include "report/ReportWriters.h"
#include "widgets/ErrorHandler.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <algorithm>

ReportSystem::ReportSystem(QObject *parent) : QObject(parent) {}

ReportSystem::~ReportSystem()
{
    delete m_status;
}

void ReportSystem::addWriter(ReportWriter *writer)
{
    if (writer && !m_writers.contains(writer))
        m_writers.append(writer);
}

QPrinter *ReportSystem::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return m_printer.get();
}

void ReportSystem::showStatus(const QString &format, int page)
{
    const QString text = QString(format).replace(QLatin1String("%p"), QString::number(page));
    if (m_statusText) {
        m_statusText->setText(text);
        // Painted now: the report is produced without returning to the event loop.
        m_statusText->repaint();
    }
    emit statusChanged(text);
}

void ReportSystem::Execute(const QString &reportName,
                           const std::function<ReportDocument(const ReportProgress &)> &generate)
{
    QWidget *parent = QApplication::activeWindow();
    OutputOptionsDialog options(this, reportName, parent);
    if (options.exec() != QDialog::Accepted)
        return;

    // The status window, for as long as the report is being produced.
    delete m_status;
    m_status = new QDialog(parent);
    m_status->setObjectName(QStringLiteral("ReportStatus"));
    m_status->setWindowTitle(TitleStatus);
    m_status->setAttribute(Qt::WA_ShowWithoutActivating);
    auto *layout = new QVBoxLayout(m_status);
    m_statusText = new QLabel(m_status);
    m_statusText->setMinimumWidth(260);
    m_statusText->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_statusText);
    m_status->show();
    struct StatusCloser {
        ReportSystem *system;
        ~StatusCloser()
        {
            delete system->m_status;
            system->m_statusText = nullptr;
        }
    } closer{this};

    const ReportDocument document = generate([this](int page) { showStatus(StatusGenerating, page); });
    switch (options.destination()) {
    case OutputOptionsDialog::Destination::Preview:
        delete m_status;
        m_statusText = nullptr;
        preview(document);
        break;
    case OutputOptionsDialog::Destination::Printer:
        preparePrinter();
        print(document, *printer(), false);
        break;
    case OutputOptionsDialog::Destination::File:
        options.writer()->write(document, options.fileName(),
                                  [this](int page) { showStatus(StatusGenerating, page); });
        break;
    }
}

void ReportSystem::preparePrinter()
{
    QPrinter *p = printer();
    p->setDocName(PrinterTitle);
    // The report has margins of its own: the whole sheet is its page, unless
    // margins were chosen in the page setup.
    p->setFullPage(!m_pageChosen);
}

void ReportSystem::print(const ReportDocument &document, QPrinter &printer, bool preview)
{
    QPainter painter;
    if (!painter.begin(&printer))
        throw AppError(QStringLiteral("Não foi possível imprimir em %1.")
                           .arg(printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName()));
    // On a smaller sheet (Letter for the A4 report) the page is reduced to fit
    // whole, centred across; never enlarged.
    const QSizeF room = (printer.fullPage() ? printer.paperRect(QPrinter::DevicePixel)
                                            : printer.pageRect(QPrinter::DevicePixel))
                            .size();
    const QSizeF page(document.toInches(document.pageSize.width()) * printer.logicalDpiX() * PrinterScaleX / 100.0,
                      document.toInches(document.pageSize.height()) * printer.logicalDpiY() * PrinterScaleY / 100.0);
    double fit = 1;
    if (page.width() > 0 && page.height() > 0)
        fit = std::min({1.0, room.width() / page.width(), room.height() / page.height()});
    const double across = std::max(0.0, (room.width() - page.width() * fit) / 2);
    for (int i = 0; i < document.pages.size(); ++i) {
        if (i > 0)
            printer.newPage();
        showStatus(preview ? StatusGenerating : StatusPrinting, i + 1);
        painter.save();
        painter.translate(across, 0);
        paintReportPage(painter, document, document.pages[i], fit * PrinterScaleX / 100.0,
                        fit * PrinterScaleY / 100.0);
        painter.restore();
    }
    painter.end();
}

void ReportSystem::preview(const ReportDocument &document)
{
    preparePrinter();
    QPrintPreviewDialog dialog(printer(), QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("ReportPreview"));
    dialog.setWindowTitle(TitlePreview);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this, &document](QPrinter *target) {
        // The preview draws through a recording engine; printing from it does not.
        const bool previewing = target->paintEngine() && target->paintEngine()->type() == QPaintEngine::Picture;
        try {
            print(document, *target, previewing);
        } catch (...) {
            handleError(std::current_exception());
        }
    });
    // The zoom as the dialog's own zoom box would set it.
    const int zoom = [&] {
        for (QComboBox *box : dialog.findChildren<QComboBox *>())
            if (box->isEditable())
                return box->findText(QStringLiteral("%1%").arg(PreviewZoom));
        return -1;
    }();
    if (zoom >= 0) {
        for (QComboBox *box : dialog.findChildren<QComboBox *>())
            if (box->isEditable())
                box->setCurrentIndex(zoom);
    } else if (auto *widget = dialog.findChild<QPrintPreviewWidget *>()) {
        widget->setZoomMode(QPrintPreviewWidget::CustomZoom);
        widget->setZoomFactor(PreviewZoom / 100.0);
    }
    if (PreviewMaximized) {
        // The screen's size as well: without a window manager the state alone does not resize it.
        if (QScreen *screen = dialog.screen())
            dialog.setGeometry(screen->availableGeometry());
        dialog.setWindowState(dialog.windowState() | Qt::WindowMaximized);
    }
    dialog.exec();
}

// ------------------------------------------------------- OutputOptionsDialog

OutputOptionsDialog::OutputOptionsDialog(ReportSystem *system, const QString &reportName, QWidget *parent)
    : QDialog(parent), m_system(system), m_reportName(reportName)
{
    setObjectName(QStringLiteral("OutputOptions"));
    setWindowTitle(system->TitleSetup);

    auto *destination = new QGroupBox(QStringLiteral("Report Destination"), this);
    rbPrinter = new QRadioButton(QStringLiteral("&Printer"), destination);
    rbPreview = new QRadioButton(QStringLiteral("Pre&view"), destination);
    rbFile = new QRadioButton(QStringLiteral("&File"), destination);
    rbPreview->setChecked(true);
    cbFormat = new QComboBox(destination);
    for (ReportWriter *r : system->writers())
        cbFormat->addItem(r->DisplayName);
    edtFileName = new QLineEdit(destination);
    edtFileName->setMinimumWidth(300);
    btnBrowse = new QPushButton(QStringLiteral("..."), destination);
    btnBrowse->setFixedWidth(32);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(edtFileName, 1);
    fileRow->addWidget(btnBrowse);
    auto *file = new QFormLayout;
    file->addRow(QStringLiteral("Format:"), cbFormat);
    file->addRow(QStringLiteral("File name:"), fileRow);
    auto *d = new QVBoxLayout(destination);
    d->addWidget(rbPrinter);
    d->addWidget(rbPreview);
    d->addWidget(rbFile);
    auto *indent = new QHBoxLayout;
    indent->addSpacing(20);
    indent->addLayout(file, 1);
    d->addLayout(indent);

    auto *printerBox = new QGroupBox(QStringLiteral("Printer"), this);
    lblPrinter = new QLabel(printerBox);
    spnCopies = new QSpinBox(printerBox);
    spnCopies->setRange(1, 9999);
    chkCollate = new QCheckBox(QStringLiteral("&Collate"), printerBox);
    cbDuplex = new QComboBox(printerBox);
    cbDuplex->addItems({QStringLiteral("None"), QStringLiteral("Long side"), QStringLiteral("Short side")});
    btnSetup = new QPushButton(QStringLiteral("&Setup..."), printerBox);
    btnPageSetup = new QPushButton(QStringLiteral("P&age Setup..."), printerBox);
    auto *p = new QFormLayout(printerBox);
    p->addRow(QStringLiteral("Name:"), lblPrinter);
    p->addRow(QStringLiteral("Copies:"), spnCopies);
    p->addRow(QString(), chkCollate);
    p->addRow(QStringLiteral("Duplex:"), cbDuplex);
    auto *setup = new QHBoxLayout;
    setup->addWidget(btnSetup);
    setup->addWidget(btnPageSetup);
    setup->addStretch();
    p->addRow(setup);

    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *main = new QVBoxLayout(this);
    main->addWidget(destination);
    main->addWidget(printerBox);
    main->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &OutputOptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &OutputOptionsDialog::reject);
    for (QRadioButton *rb : {rbPrinter, rbPreview, rbFile})
        connect(rb, &QRadioButton::toggled, this, &OutputOptionsDialog::update);
    connect(edtFileName, &QLineEdit::textChanged, this, &OutputOptionsDialog::update);
    connect(cbFormat, &QComboBox::currentIndexChanged, this, &OutputOptionsDialog::formatChanged);
    connect(btnBrowse, &QPushButton::clicked, this, &OutputOptionsDialog::browse);
    connect(btnSetup, &QPushButton::clicked, this, &OutputOptionsDialog::printerSetup);
    connect(btnPageSetup, &QPushButton::clicked, this, &OutputOptionsDialog::pageSetup);

    const QString name = QPrinterInfo::defaultPrinterName();
    lblPrinter->setText(name.isEmpty() ? QStringLiteral("(default)") : name);
    update();
}

OutputOptionsDialog::Destination OutputOptionsDialog::destination() const
{
    if (rbPrinter->isChecked())
        return Destination::Printer;
    if (rbFile->isChecked())
        return Destination::File;
    return Destination::Preview;
}

ReportWriter *OutputOptionsDialog::writer() const
{
    const int i = cbFormat->currentIndex();
    return i >= 0 && i < m_system->writers().size() ? m_system->writers()[i] : nullptr;
}

QString OutputOptionsDialog::fileName() const
{
    QString name = edtFileName->text().trimmed();
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty() && writer())
        name += QLatin1Char('.') + writer()->defaultSuffix();
    return name;
}

void OutputOptionsDialog::update()
{
    const bool file = rbFile->isChecked();
    if (file && edtFileName->text().isEmpty() && writer()) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        edtFileName->setText(QDir(folder.isEmpty() ? QDir::homePath() : folder)
                                 .filePath(m_reportName + QLatin1Char('.') + writer()->defaultSuffix()));
    }
    cbFormat->setEnabled(file);
    edtFileName->setEnabled(file);
    btnBrowse->setEnabled(file);
    for (QWidget *w : std::initializer_list<QWidget *>{spnCopies, chkCollate, cbDuplex, btnSetup, btnPageSetup})
        w->setEnabled(!file);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!file || (!edtFileName->text().trimmed().isEmpty() && writer()));
}

void OutputOptionsDialog::formatChanged()
{
    ReportWriter *r = writer();
    const QString name = edtFileName->text().trimmed();
    if (!r || name.isEmpty())
        return;
    // A name with the extension of another format takes this format's.
    const QFileInfo info(name);
    for (ReportWriter *other : m_system->writers()) {
        const QStringList extensions = other->FileExtension.split(QLatin1Char(';'));
        if (extensions.contains(QStringLiteral("*.") + info.suffix(), Qt::CaseInsensitive)) {
            edtFileName->setText(name.left(name.size() - info.suffix().size()) + r->defaultSuffix());
            return;
        }
    }
}

void OutputOptionsDialog::browse()
{
    QStringList filters;
    for (ReportWriter *r : m_system->writers())
        filters.append(r->fileFilter());
    QString selected = writer() ? writer()->fileFilter() : QString();
    const QString chosen =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), edtFileName->text(),
                                     filters.join(QStringLiteral(";;")), &selected);
    if (chosen.isEmpty())
        return;
    const int index = int(filters.indexOf(selected));
    if (index >= 0)
        cbFormat->setCurrentIndex(index);
    edtFileName->setText(chosen);
}

void OutputOptionsDialog::readPrinter()
{
    QPrinter *p = m_system->printer();
    lblPrinter->setText(p->outputFileName().isEmpty() ? p->printerName() : p->outputFileName());
    spnCopies->setValue(p->copyCount());
    chkCollate->setChecked(p->collateCopies());
    cbDuplex->setCurrentIndex(p->duplex() == QPrinter::DuplexLongSide    ? 1
                              : p->duplex() == QPrinter::DuplexShortSide ? 2
                                                                         : 0);
}

void OutputOptionsDialog::printerSetup()
{
    QPrinter *p = m_system->printer();
    p->setCopyCount(spnCopies->value());
    p->setCollateCopies(chkCollate->isChecked());
    QPrintDialog dialog(p, this);
    if (dialog.exec() == QDialog::Accepted)
        readPrinter();
}

void OutputOptionsDialog::pageSetup()
{
    QPageSetupDialog dialog(m_system->printer(), this);
    if (dialog.exec() == QDialog::Accepted)
        m_system->setPageChosen();
}

void OutputOptionsDialog::accept()
{
    if (destination() == Destination::File && (fileName().isEmpty() || !writer()))
        return;
    if (destination() != Destination::File) {
        QPrinter *p = m_system->printer();
        p->setCopyCount(spnCopies->value());
        p->setCollateCopies(chkCollate->isChecked());
        p->setDuplex(cbDuplex->currentIndex() == 1   ? QPrinter::DuplexLongSide
                     : cbDuplex->currentIndex() == 2 ? QPrinter::DuplexShortSide
                                                     : QPrinter::DuplexNone);
    }
    QDialog::accept();
}
