// "Imprimir" in the running program on the test database: the report query of
// the current formula, the output options answered as a pharmacist would, the
// four file formats, the preview and the printer, the project file read for
// each report, and what happens when something is missing or pending.

#include "analysis/Calculos.h"
#include "analysis/uCadPesos.h"
#include "app/uPesoMed.h"
#include "config/uConfiguracao.h"
#include "core/DisplayFormat.h"
#include "data/udm.h"
#include "report/ReportProject.h"
#include "report/ReportSystem.h"
#include "report/uRM.h"
#include "tests/report/TextoDosFormatos.h"
#include "tests/support/DialogCatcher.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestDb.h"
#include "tests/support/TestPrograma.h"
#include "widgets/DBGrid.h"
#include "widgets/ErrorHandler.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

using TestDb::scalar;
using TextoDosFormatos::texto;

// Capsules 5 and 12 lie more than 10 % from the mean of 254,57.
const QList<double> kDez{250.1, 249.8, 251.3, 248.7, 285.0, 250.4, 249.2, 250.9, 251.6, 248.4};

QString projeto()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/RPT/rptPesoMed.rav");
}

// The words of a PDF with their boxes, in points (pdftotext -bbox).
QString executaPdftotext(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString peso(double v)
{
    return formatNumber(v, QStringLiteral("#,##0.0000"));
}

// The program is already running: the current formula's rows are read again.
void releFormula()
{
    DM->cds_PesoMed->Refresh();
    DM->cds_RPesoMed->Refresh();
}

// Stores the weighings of a formula and, unless told not to, the result of
// its analysis, as the analysis would have written them.
void analisada(const QString &estacao, int npedido, int nformula, const QList<double> &pesos, bool comResultado = true,
               int primeiroId = 1)
{
    const QString chave = ChaveFormula(estacao, npedido, nformula);
    QList<std::optional<double>> p(pesos.begin(), pesos.end());
    const double minimo = *std::min_element(pesos.begin(), pesos.end());
    const double maximo = *std::max_element(pesos.begin(), pesos.end());
    const ResultadoAnalise a = AvaliaAmostra(p, 255, minimo, maximo);
    for (int i = 0; i < pesos.size(); ++i)
        TestDb::admin().execute(
            QStringLiteral("insert into PESOMED (ID_PESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, PESO, "
                           "VARIACAOPESO, VARIACAOPESOPERC, QUADRADOSUBTRACOES, OBS, RESULTADO, PESOTEORICO) values "
                           "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 255)"),
            {primeiroId + i, chave, estacao, npedido, nformula, i + 1, pesos[i], a.capsulas[i].variacao,
             a.capsulas[i].variacaoPerc, a.capsulas[i].quadrado,
             a.capsulas[i].naoConforme ? QStringLiteral("Não Conforme") : QString(),
             a.capsulas[i].naoConforme ? a.textoVariacao : QString()});
    if (comResultado)
        TestDb::admin().execute(
            QStringLiteral("insert into RPESOMED (ID_RPESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, QDECAPS, PESOMEDIO, "
                           "DESVIOPADRAO, COEFVARIACAO, RESULTADO, MOTIVOS, PESOTOTAL, MAXIMO, MINIMO, AMPLITUDE, "
                           "VALORTEORICO, DATA_EMISSAO, VARTEORMIN, VARTEORMAX) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                           "?, ?, ?, ?, ?, 255, '2026-01-28', ?, ?)"),
            {primeiroId, chave, estacao, npedido, nformula, a.n, a.media, a.desvioPadrao, a.desvioRelativo,
             a.veredito, a.motivos, a.total, a.maximo, a.minimo, a.amplitude, a.varTeorMin, a.varTeorMax});
    releFormula();
}

void pedido(const QString &estacao, int npedido)
{
    TestDb::admin().execute(QStringLiteral("insert into PEDIDOS (ESTACAO, NPEDIDO, TIPOPEDIDO, DATAPEDIDO, NOME, "
                                           "PACIENTE, FONE) values (?, ?, 'Pedido', '2026-01-26', ?, ?, ?)"),
                            {estacao, npedido, QStringLiteral("Juliana Conceição"), QStringLiteral("Roberto Ávila"),
                             QStringLiteral("(11) 99104-2277")});
    TestDb::formula(estacao, npedido, 1);
}

} // namespace

class TstRelatorio : public QObject {
    Q_OBJECT

    MessageRecorder *recorder = nullptr;
    DialogCatcher *catcher = nullptr;
    QTemporaryDir *pasta = nullptr;
    bool guardaArquivos = qEnvironmentVariableIsSet("PESOMED_GUARDA_RELATORIOS");
    QStringList status;
    QStringList statusWindow;
    QByteArray projetoOriginal;

    QString arquivo(const QString &nome) const { return pasta->filePath(nome); }

    // The output options as a person fills them: the file choice, the format
    // by its name, the file name typed over the one offered, OK.
    void escolheArquivo(const QString &formato, const QString &caminho)
    {
        catcher->answer<OutputOptionsDialog>([formato, caminho](OutputOptionsDialog *d) {
            QVERIFY(d->rbPreview->isChecked());
            d->rbFile->click();
            d->cbFormat->setCurrentIndex(d->cbFormat->findText(formato));
            d->edtFileName->selectAll();
            QTest::keyClicks(d->edtFileName, caminho);
            d->buttons->button(QDialogButtonBox::Ok)->click();
        });
    }

    // The analysis window on the formula, and "Imprimir".
    void imprime()
    {
        if (!frm_Cadastros)
            TestPrograma::tecla(Qt::Key_F4);
        QVERIFY(frm_Cadastros);
        frm_Cadastros->btn_Relatorio->click();
    }

    // The report printed to a file of that format ("PDF", "HTML", "RTF",
    // "TXT"), and the text a reader sees in it.
    QString relatorio(const QString &formato, const QString &nome)
    {
        static const QHash<QString, QString> nomes{{"PDF", "Adobe Acrobat (PDF)"},
                                                   {"HTML", "Web Page (HTML)"},
                                                   {"RTF", "Rich Text Format (RTF)"},
                                                   {"TXT", "Plain Text (TXT)"}};
        const QString caminho = arquivo(nome);
        escolheArquivo(nomes.value(formato), caminho);
        imprime();
        return texto(formato, caminho);
    }

private slots:
    void initTestCase()
    {
        QFile f(projeto());
        QVERIFY(f.open(QIODevice::ReadOnly));
        projetoOriginal = f.readAll();
    }

    void init()
    {
        TestDb::reset();
        pedido(QStringLiteral("01"), 1210);
        ReiniciaConfiguracao();
        recorder = new MessageRecorder;
        catcher = new DialogCatcher;
        pasta = new QTemporaryDir;
        TestPrograma::inicia();
        UnidadePesoMedio = QStringLiteral("MG");
        status.clear();
        statusWindow.clear();
        connect(RM->rstm1, &ReportSystem::statusChanged, this, [this](const QString &t) {
            status.append(t);
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->objectName() == QLatin1String("ReportStatus") && w->isVisible())
                    statusWindow.append(w->windowTitle() + QStringLiteral(": ") +
                                        w->findChild<QLabel *>()->text());
        });
    }

    void cleanup()
    {
        if (frm_Cadastros)
            frm_Cadastros->close();
        TestPrograma::encerra();
        QCOMPARE(catcher->pending(), 0);
        QVERIFY2(catcher->unexpected().isEmpty(), qPrintable(catcher->shown().join(QLatin1Char('|'))));
        delete catcher;
        delete recorder;
        pasta->setAutoRemove(!guardaArquivos);
        if (guardaArquivos)
            qInfo("%s", qPrintable(pasta->path()));
        delete pasta;
        // The project file as installed, whatever a test did to it.
        QFile f(projeto());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(projetoOriginal);
    }

    void reportDatasetOfTheFormula()
    {
        analisada(QStringLiteral("01"), 1210, 1, kDez);
        // Another formula's rows, which must not show.
        pedido(QStringLiteral("02"), 1210);
        analisada(QStringLiteral("02"), 1210, 1, {300, 301}, true, 50);
        relatorio(QStringLiteral("TXT"), QStringLiteral("r.txt"));
        QCOMPARE(DM->sqlds_RelPesoMed.CommandText,
                 QStringLiteral("select p.*, pd.nome, r.*, pd.paciente, pd.fone from pesomed p, rPesoMed r, pedidos pd "
                                "where p.chave = r.chave and p.estacao = '01' and p.npedido = 1210 and p.nformula = 1 "
                                "and p.estacao = pd.estacao and p.npedido = pd.npedido order by p.numcap"));
        ClientDataSet *r = DM->cds_RelPesomed;
        // Left open with the report's rows; the statement and the project closed.
        QVERIFY(r->Active());
        QVERIFY(!DM->sqlds_RelPesoMed.Active);
        QVERIFY(!RM->rpj_1->Active());
        QCOMPARE(r->FieldCount(), 43);
        QCOMPARE(r->RecordCount(), 10);
        QStringList nomes;
        for (int i = 0; i < r->FieldCount(); ++i)
            nomes.append(r->fieldDef(i).name);
        QCOMPARE(nomes.mid(12, 6), (QStringList{"PACIENTE", "RESULTADO", "DESVIOMEDIO", "NOME", "ID_RPESOMED", "CHAVE_1"}));
        QVERIFY(nomes.contains(QStringLiteral("RESULTADO_1")));
        QCOMPARE(nomes.mid(41), (QStringList{"PACIENTE_2", "FONE"}));
        QVERIFY(!nomes.contains(QStringLiteral("PESOTEORICO")));
        QVERIFY(!nomes.contains(QStringLiteral("VARTEORMIN")));
        r->First();
        for (int i = 1; i <= 10; ++i) {
            QCOMPARE(r->FieldByName(QStringLiteral("NUMCAP")).AsInteger(), i);
            QCOMPARE(r->FieldByName(QStringLiteral("ID_RPESOMED")).AsInteger(), 1);
            QCOMPARE(r->FieldByName(QStringLiteral("RESULTADO_1")).AsString(), QStringLiteral("Reprovado"));
            QCOMPARE(r->FieldByName(QStringLiteral("PACIENTE_2")).AsString(), QStringLiteral("Roberto Ávila"));
            QCOMPARE(r->FieldByName(QStringLiteral("NOME")).AsString(), QStringLiteral("Juliana Conceição"));
            QCOMPARE(r->FieldByName(QStringLiteral("OBS")).AsString(),
                     i == 5 ? QStringLiteral("Não Conforme") : QString());
            QCOMPARE(r->FieldByName(QStringLiteral("RESULTADO")).AsString(),
                     i == 5 ? QStringLiteral("Var. peso > 10% (Caps. abaixo de 300mg). ") : QString());
            r->Next();
        }
        r->First();
        QCOMPARE(r->FieldByName(QStringLiteral("PESO")).DisplayText(), QStringLiteral("250,1000"));
        QCOMPARE(r->FieldByName(QStringLiteral("VARIACAOPESOPERC")).DisplayText(),
                 formatNumber(r->FieldByName(QStringLiteral("VARIACAOPESOPERC")).AsFloat(), QStringLiteral("0.00")));
        QCOMPARE(r->FieldByName(QStringLiteral("PESOTOTAL")).DisplayText(), QStringLiteral("2.535,4000"));
        QVERIFY(recorder->entries().isEmpty());
    }

    void fourFormats_data()
    {
        QTest::addColumn<QString>("nome");
        QTest::addColumn<QString>("sufixo");
        QTest::newRow("PDF") << "PDF" << "pdf";
        QTest::newRow("HTML") << "HTML" << "html";
        QTest::newRow("RTF") << "RTF" << "rtf";
        QTest::newRow("TXT") << "TXT" << "txt";
    }
    void fourFormats()
    {
        QFETCH(QString, nome);
        QFETCH(QString, sufixo);
        analisada(QStringLiteral("01"), 1210, 1, kDez);
        // Typed without its extension: the format's is added.
        relatorio(nome, QStringLiteral("relatorio"));
        const QString t = texto(nome, arquivo(QStringLiteral("relatorio.") + sufixo));
        QVERIFY(recorder->entries().isEmpty());
        QCOMPARE(catcher->shown(), QStringList{QStringLiteral("Output Options")});
        QCOMPARE(status, QStringList{QStringLiteral("Generating page 1")} + QStringList{QStringLiteral("Generating page 1")});

        // Accents intact, the customer, the verdict.
        for (const char *s : {"Relatório Detalhado do Peso Médio das Cápsulas", "Análise nº 1", "Juliana Conceição",
                              "Roberto Ávila", "(11) 99104-2277", "01.1210", "28/01/2026", "Reprovado",
                              "Var. peso > 10% (Caps. abaixo de 300mg).", "página 1 de 1", "Observação",
                              "Farmacêutico(a) responsável"})
            QVERIFY2(t.contains(QString::fromUtf8(s)), s);
        // Ten capsule lines in capsule order, figures with the Brazilian separators.
        qsizetype at = 0;
        for (int i = 0; i < kDez.size(); ++i) {
            const qsizetype found = t.indexOf(peso(kDez[i]), at);
            QVERIFY2(found > at, qPrintable(peso(kDez[i])));
            at = found;
        }
        QCOMPARE(t.count(QStringLiteral("Não Conforme")), 1);
        QVERIFY(t.contains(QStringLiteral("2.535,4000")));
        QVERIFY(t.contains(QStringLiteral("Fora dos limites: 1 cápsula (nº 5).")));
        if (nome == QLatin1String("RTF")) {
            QFile f(arquivo(QStringLiteral("relatorio.rtf")));
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray rtf = f.readAll();
            QVERIFY(TextoDosFormatos::rtfBemFormado(rtf));
            QCOMPARE(rtf.count("{\\pict\\pngblip"), 1); // the chart
        } else if (nome == QLatin1String("HTML")) {
            QFile f(arquivo(QStringLiteral("relatorio.html")));
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray html = f.readAll();
            QCOMPARE(html.count("stroke-dasharray"), 2); // the limit lines
            QVERIFY(html.contains("<polyline"));
        } else if (nome == QLatin1String("PDF")) {
            QCOMPARE(TextoDosFormatos::paginasPdf(arquivo(QStringLiteral("relatorio.pdf"))), 1);
            QCOMPARE(TextoDosFormatos::infoPdf(arquivo(QStringLiteral("relatorio.pdf")), QStringLiteral("Title")),
                     QStringLiteral("Relatório Detalhado do Peso Médio das Cápsulas"));
        }
    }

    void stationWithAQuote()
    {
        pedido(QStringLiteral("X'"), 77);
        analisada(QStringLiteral("X'"), 77, 1, {250, 251, 249});
        DM->cds_Pedidos->Refresh();
        QVERIFY(DM->cds_Pedidos->Locate(QStringLiteral("ESTACAO"), {QStringLiteral("X'")}));
        const QString t = relatorio(QStringLiteral("TXT"), QStringLiteral("aspas.txt"));
        QVERIFY(DM->sqlds_RelPesoMed.CommandText.contains(
            QStringLiteral("p.estacao = 'X''' and p.npedido = 77 and p.nformula = 1 and")));
        QVERIFY2(t.contains(QStringLiteral("X'.77")), qPrintable(t));
        QCOMPARE(DM->cds_RelPesomed->RecordCount(), 3);
        QVERIFY(recorder->entries().isEmpty());
    }

    void previewMaximisedAtActualSizeAndPrintable()
    {
        analisada(QStringLiteral("01"), 1210, 1, kDez);
        const QString pdf = arquivo(QStringLiteral("impressora.pdf"));
        RM->rstm1->printer()->setOutputFileName(pdf);
        // The options as offered: the preview.
        catcher->answer<OutputOptionsDialog>([](OutputOptionsDialog *d) {
            QVERIFY(d->rbPreview->isChecked());
            QTest::keyClick(d, Qt::Key_Return);
        });
        bool visto = false;
        catcher->answer<QPrintPreviewDialog>([&visto](QPrintPreviewDialog *d) {
            visto = true;
            QCOMPARE(d->windowTitle(), QStringLiteral("Report Preview"));
            QVERIFY(d->windowState() & Qt::WindowMaximized);
            QVERIFY(d->isModal());
            auto *w = d->findChild<QPrintPreviewWidget *>();
            QVERIFY(w);
            QCOMPARE(w->zoomMode(), QPrintPreviewWidget::CustomZoom);
            QCOMPARE(w->zoomFactor(), 1.0);
            QCOMPARE(w->pageCount(), 1);
            // Printing from the preview: its print button, then the print dialog's OK.
            QAction *print = nullptr;
            for (QAction *a : d->findChildren<QAction *>())
                if (a->text() == QLatin1String("Print"))
                    print = a;
            QVERIFY(print);
            print->trigger();
        });
        catcher->answer<QPrintDialog>([](QPrintDialog *d) { d->accept(); });
        imprime();
        QVERIFY(visto);
        QCOMPARE(catcher->shown(), (QStringList{"Output Options", "Report Preview", catcher->shown().value(2)}));
        QCOMPARE(status, (QStringList{"Generating page 1", "Generating page 1", "Printing page 1"}));
        QVERIFY(texto(QStringLiteral("PDF"), pdf).contains(QStringLiteral("Relatório Detalhado do Peso Médio")));
        QCOMPARE(TextoDosFormatos::infoPdf(pdf, QStringLiteral("Title")), QStringLiteral("ReportPrinter Report"));
        QVERIFY(recorder->entries().isEmpty());
    }

    void printer()
    {
        analisada(QStringLiteral("01"), 1210, 1, kDez);
        const QString pdf = arquivo(QStringLiteral("impressora.pdf"));
        RM->rstm1->printer()->setOutputFileName(pdf);
        catcher->answer<OutputOptionsDialog>([](OutputOptionsDialog *d) {
            d->rbPrinter->click();
            QVERIFY(!d->edtFileName->isEnabled());
            d->spnCopies->selectAll();
            QTest::keyClicks(d->spnCopies, QStringLiteral("2"));
            d->chkCollate->click();
            d->buttons->button(QDialogButtonBox::Ok)->click();
        });
        imprime();
        QCOMPARE(status, (QStringList{"Generating page 1", "Printing page 1"}));
        QCOMPARE(statusWindow, (QStringList{"Report Status: Generating page 1", "Report Status: Printing page 1"}));
        QCOMPARE(RM->rstm1->printer()->copyCount(), 2);
        QVERIFY(RM->rstm1->printer()->collateCopies());
        QCOMPARE(RM->rstm1->printer()->docName(), QStringLiteral("ReportPrinter Report"));
        const QString t = texto(QStringLiteral("PDF"), pdf);
        QVERIFY(t.contains(QStringLiteral("Não Conforme")));
        QVERIFY(t.contains(QStringLiteral("página 1 de 1")));
        QVERIFY(recorder->entries().isEmpty());
    }

    void printerSetupThroughThePrintDialogs()
    {
        analisada(QStringLiteral("01"), 1210, 1, kDez);
        RM->rstm1->printer()->setOutputFileName(arquivo(QStringLiteral("impressora.pdf")));
        int copias = 0;
        catcher->answer<OutputOptionsDialog>([this, &copias](OutputOptionsDialog *d) {
            d->rbPrinter->click();
            catcher->answer<QPrintDialog>([](QPrintDialog *p) {
                // Three copies asked for in the system's print dialog.
                if (auto *box = p->findChild<QSpinBox *>(QStringLiteral("copies")))
                    box->setValue(3);
                p->accept();
            });
            d->btnSetup->click();
            catcher->answer<QPageSetupDialog>([](QPageSetupDialog *p) { p->accept(); });
            d->btnPageSetup->click();
            copias = d->spnCopies->value();
            d->buttons->button(QDialogButtonBox::Cancel)->click();
        });
        imprime();
        QCOMPARE(catcher->shown().size(), 3);
        QCOMPARE(catcher->shown().first(), QStringLiteral("Output Options"));
        // What the print dialog set shows in the options.
        QCOMPARE(copias, 3);
        QVERIFY(status.isEmpty());
    }

    // The paper chosen in "Page Setup..." or loaded in the printer is the one
    // printed on, and the A4 report fits it whole: on Letter nothing is cut.
    void printerPaperIsUsedAndTheWholePagePrinted_data()
    {
        QTest::addColumn<bool>("naConfiguracao");
        QTest::newRow("chosen in Page Setup") << true;
        QTest::newRow("the printer's paper") << false;
    }
    void printerPaperIsUsedAndTheWholePagePrinted()
    {
        QFETCH(bool, naConfiguracao);
        analisada(QStringLiteral("01"), 1210, 1, kDez);
        const QString pdf = arquivo(QStringLiteral("carta.pdf"));
        QPrinter *impressora = RM->rstm1->printer();
        impressora->setOutputFileName(pdf);
        if (!naConfiguracao)
            impressora->setPageSize(QPageSize(QPageSize::Letter));
        bool escolhido = false;
        catcher->answer<OutputOptionsDialog>([this, naConfiguracao, &escolhido](OutputOptionsDialog *d) {
            d->rbPrinter->click();
            if (naConfiguracao) {
                catcher->answer<QPageSetupDialog>([&escolhido](QPageSetupDialog *p) {
                    // The paper size as a person picks it in the dialog's list.
                    for (QComboBox *box : p->findChildren<QComboBox *>()) {
                        const int carta = box->findText(QStringLiteral("Letter"), Qt::MatchContains);
                        if (carta >= 0 && box->findText(QStringLiteral("A4"), Qt::MatchContains) >= 0) {
                            box->setCurrentIndex(carta);
                            escolhido = true;
                        }
                    }
                    p->accept();
                });
                d->btnPageSetup->click();
            }
            d->buttons->button(QDialogButtonBox::Ok)->click();
        });
        imprime();
        QVERIFY(recorder->entries().isEmpty());
        if (naConfiguracao)
            QVERIFY(escolhido);
        // Every word of the page on the Letter sheet, the footer included.
        const QString caixas = executaPdftotext(pdf);
        const QRegularExpression pagina(QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\">"));
        const QRegularExpressionMatch folha = pagina.match(caixas);
        QVERIFY(folha.hasMatch());
        QCOMPARE(qRound(folha.captured(1).toDouble()), 612);
        QCOMPARE(qRound(folha.captured(2).toDouble()), 792);
        const QRegularExpression palavra(QStringLiteral(
            "<word xMin=\"([-0-9.]+)\" yMin=\"([-0-9.]+)\" xMax=\"([-0-9.]+)\" yMax=\"([-0-9.]+)\">([^<]*)</word>"));
        QStringList palavras;
        for (QRegularExpressionMatchIterator it = palavra.globalMatch(caixas); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            palavras.append(m.captured(5));
            QVERIFY2(m.captured(1).toDouble() >= 0 && m.captured(3).toDouble() <= 612 &&
                         m.captured(2).toDouble() >= 0 && m.captured(4).toDouble() <= 792,
                     qPrintable(m.captured(0)));
        }
        QVERIFY(palavras.join(QLatin1Char(' ')).contains(QStringLiteral("página 1 de 1")));
        QVERIFY(palavras.contains(QStringLiteral("Farmacêutico(a)")));
    }

    void unwritableFileIsReported()
    {
        analisada(QStringLiteral("01"), 1210, 1, kDez);
        const QString caminho = arquivo(QStringLiteral("nao/existe/r.pdf"));
        escolheArquivo(QStringLiteral("Adobe Acrobat (PDF)"), caminho);
        imprime();
        QCOMPARE(recorder->entries().size(), 1);
        QCOMPARE(recorder->entries().first().kind, MessageRecorder::Kind::Error);
        QVERIFY2(recorder->entries().first().text.startsWith(
                     QStringLiteral("Não foi possível gravar o arquivo %1: ").arg(caminho)),
                 qPrintable(recorder->entries().first().text));
        QVERIFY(!RM->rpj_1->Active());
        QVERIFY(!DM->sqlds_RelPesoMed.Active);
        // The status window went with the failure.
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY(w->objectName() != QLatin1String("ReportStatus"));
    }

    void cancelledOptionsProduceNothing()
    {
        analisada(QStringLiteral("01"), 1210, 1, kDez);
        catcher->answer<OutputOptionsDialog>([this](OutputOptionsDialog *d) {
            d->rbFile->click();
            d->edtFileName->setText(arquivo(QStringLiteral("nada.pdf")));
            d->buttons->button(QDialogButtonBox::Cancel)->click();
        });
        imprime();
        QVERIFY(!QFile::exists(arquivo(QStringLiteral("nada.pdf"))));
        QVERIFY(status.isEmpty());
        QVERIFY(recorder->entries().isEmpty());
        QVERIFY(!RM->rpj_1->Active());
    }

    void thousandCapsulesOverSeveralPages()
    {
        TestDb::exec({QStringLiteral(
            "execute block as declare i int = 0; begin while (i < 1000) do begin i = i + 1; insert into PESOMED "
            "(ID_PESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, PESO) values (:i, '010012101', '01', 1210, 1, :i, "
            "295 + mod(:i * 37, 11)); end end"),
                      // Their analysis: count, total, mean and each capsule's variation.
                      QStringLiteral("insert into RPESOMED (ID_RPESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, QDECAPS, "
                                     "PESOTOTAL, PESOMEDIO, RESULTADO, DATA_EMISSAO) select 1, '010012101', '01', 1210, "
                                     "1, count(*), sum(PESO), sum(PESO) / count(*), 'Aprovado', '2026-01-28' from "
                                     "PESOMED"),
                      QStringLiteral("update PESOMED set VARIACAOPESO = PESO - (select PESOMEDIO from RPESOMED)")});
        releFormula();
        const QString t = relatorio(QStringLiteral("PDF"), QStringLiteral("mil.pdf"));
        const int paginas = TextoDosFormatos::paginasPdf(arquivo(QStringLiteral("mil.pdf")));
        QVERIFY(paginas > 10);
        QCOMPARE(status.size(), 2 * paginas);
        QCOMPARE(status.last(), QStringLiteral("Generating page %1").arg(paginas));
        const QStringList folhas = t.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(folhas.size(), paginas);
        for (int p = 0; p < paginas; ++p) {
            QVERIFY(folhas[p].contains(QStringLiteral("página %1 de %2").arg(p + 1).arg(paginas)));
            QVERIFY(folhas[p].contains(QStringLiteral("Análise nº 1 · Pedido 01.1210 · Fórmula nº 1")));
            // The column titles on every page with capsule lines.
            QVERIFY2(folhas[p].contains(QStringLiteral("Observação")) || !folhas[p].contains(QStringLiteral("295,0000")),
                     qPrintable(QString::number(p + 1)));
        }
        QCOMPARE(t.count(QStringLiteral("Pesos das cápsulas (continuação)")), paginas - 1);
    }

    void unknownReportDoesNothing()
    {
        analisada(QStringLiteral("01"), 1210, 1, kDez);
        RM->rpj_1->Close();
        RM->rpj_1->ExecuteReport(QStringLiteral("PesoM_Resumido"));
        QVERIFY(catcher->shown().isEmpty());
        QVERIFY(status.isEmpty());
        QVERIFY(recorder->entries().isEmpty());
    }

    void missingProjectFileShowsTheEnginesError()
    {
        analisada(QStringLiteral("01"), 1210, 1, kDez);
        QVERIFY(QFile::remove(projeto()));
        imprime();
        QCOMPARE(recorder->entries().size(), 1);
        QCOMPARE(recorder->entries().first().kind, MessageRecorder::Kind::Error);
        QCOMPARE(recorder->entries().first().text,
                 QStringLiteral("Projeto de relatórios %1 não encontrado.").arg(projeto()));
        QVERIFY(catcher->shown().isEmpty());
        QVERIFY(!RM->rpj_1->Active());
        QVERIFY(!DM->sqlds_RelPesoMed.Active);
    }

    void projectReadForEachReport()
    {
        analisada(QStringLiteral("01"), 1210, 1, kDez);
        QVERIFY(relatorio(QStringLiteral("TXT"), QStringLiteral("1.txt"))
                    .contains(QStringLiteral("Relatório Detalhado do Peso Médio das Cápsulas")));
        QFile f(projeto());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(projetoOriginal).replace("titulo = Relatório Detalhado", "titulo = Laudo Detalhado"));
        f.close();
        QVERIFY(relatorio(QStringLiteral("TXT"), QStringLiteral("2.txt"))
                    .contains(QStringLiteral("Laudo Detalhado do Peso Médio das Cápsulas")));
        // A fault in the file is shown with its place and nothing is printed.
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(projetoOriginal).replace("papel = A4", "papel = A4\ncor = azul"));
        f.close();
        imprime();
        QCOMPARE(recorder->texts(),
                 QStringList{QStringLiteral("Projeto de relatórios %1, linha 10: chave desconhecida \"cor\"").arg(projeto())});
        QCOMPARE(catcher->shown().size(), 2);
    }

    void failedQueryPrintsNothing()
    {
        analisada(QStringLiteral("01"), 1210, 1, kDez);
        relatorio(QStringLiteral("TXT"), QStringLiteral("antes.txt"));
        QCOMPARE(DM->cds_RelPesomed->RecordCount(), 10);
        // The server is no longer reachable.
        DM->sqlcon1.close();
        DM->sqlcon1.setParam(QStringLiteral("Database"), QStringLiteral("127.0.0.1:/nao/existe.fdb"));
        imprime();
        QCOMPARE(recorder->texts().size(), 1);
        QVERIFY2(recorder->texts().first().startsWith(QStringLiteral("Não foi possível abrir a tabela RelPesoMed\rMotivo: ")),
                 qPrintable(recorder->texts().first()));
        QCOMPARE(recorder->entries().first().kind, MessageRecorder::Kind::Simple);
        // Neither the options nor the earlier formula's rows.
        QCOMPARE(catcher->shown().size(), 1);
        QVERIFY(!DM->cds_RelPesomed->Active());
        QVERIFY(!DM->sqlds_RelPesoMed.Active);
    }

    void notAnalysedTellsTheUser_data()
    {
        QTest::addColumn<bool>("comRegistro");
        QTest::newRow("no result record") << false;
        QTest::newRow("result record without a verdict") << true;
    }
    void notAnalysedTellsTheUser()
    {
        QFETCH(bool, comRegistro);
        analisada(QStringLiteral("01"), 1210, 1, kDez, false);
        if (comRegistro)
            TestDb::exec({QStringLiteral("insert into RPESOMED (ID_RPESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, "
                                         "DATA_EMISSAO) values (1, '010012101', '01', 1210, 1, '2026-02-11')")});
        releFormula();
        imprime();
        QCOMPARE(recorder->entries().size(), 1);
        QCOMPARE(recorder->entries().first().kind, MessageRecorder::Kind::Information);
        QCOMPARE(recorder->entries().first().text,
                 QStringLiteral("Esta fórmula ainda não foi analisada.\rUse \"Analisar Cápsulas\" antes de imprimir o "
                                "relatório."));
        QVERIFY(catcher->shown().isEmpty());
        QVERIFY(!DM->sqlds_RelPesoMed.Active);
    }

    void nothingWithoutWeighings()
    {
        imprime();
        QVERIFY(recorder->entries().isEmpty());
        QVERIFY(catcher->shown().isEmpty());
        QVERIFY(DM->sqlds_RelPesoMed.CommandText.isEmpty());
    }

    // What is typed or amended is saved first, but an analysis that no longer
    // stands for the stored weights is not printed beside them: the report says
    // so and the analysis window shows it.
    void staleAnalysisIsNotPrinted_data()
    {
        QTest::addColumn<QString>("mudanca");
        QTest::newRow("capsule added") << "acrescentada";
        QTest::newRow("weight corrected") << "corrigida";
        QTest::newRow("weights swapped by another workstation") << "trocadas";
    }
    void staleAnalysisIsNotPrinted()
    {
        QFETCH(QString, mudanca);
        analisada(QStringLiteral("01"), 1210, 1, kDez);
        TestPrograma::tecla(Qt::Key_F4);
        QCoreApplication::processEvents();
        QVERIFY(frm_Cadastros->lbl_AnaliseDesatualizada->isHidden());
        // The reasons amended and not yet saved.
        ClientDataSet *r = DM->cds_RPesoMed;
        r->Edit();
        r->FieldByName(QStringLiteral("MOTIVOS")).SetAsString(QStringLiteral("Cápsula 5 refeita."));
        // The weights stored, in tenths.
        QString pesos = QStringLiteral("2501,2498,2513,2487,2850,2504,2492,2509,2516,2484");
        if (mudanca == QLatin1String("acrescentada")) {
            // An eleventh weight typed in the grid, still in its cell editor.
            TestPrograma::clicaAbaixoDasLinhas(frm_Cadastros->dbgrd1);
            TestPrograma::digita(QStringLiteral("252,7"));
            pesos += QStringLiteral(",2527");
        } else if (mudanca == QLatin1String("corrigida")) {
            // Capsule 5 weighed again: the count and the other weights unchanged.
            TestPrograma::clicaNaCelula(frm_Cadastros->dbgrd1, 4, 1);
            TestPrograma::digita(QStringLiteral("251,2"));
            TestPrograma::tecla(Qt::Key_Return);
            pesos.replace(QStringLiteral(",2850,"), QStringLiteral(",2512,"));
        } else {
            // Same count, same total: only the capsules' own variations tell.
            TestDb::exec({QStringLiteral("update PESOMED set PESO = iif(NUMCAP = 1, 285, 250.1) where NUMCAP in (1, 5)")});
            releFormula();
            pesos = QStringLiteral("2850,2498,2513,2487,2501,2504,2492,2509,2516,2484");
        }
        imprime();
        QCOMPARE(recorder->texts(),
                 QStringList{QStringLiteral("Os pesos desta fórmula mudaram depois da análise; o relatório não foi "
                                            "impresso.\rAnalise as cápsulas de novo (F5) antes de imprimir.")});
        QCOMPARE(recorder->entries().first().kind, MessageRecorder::Kind::Information);
        // Neither the output options nor a page.
        QVERIFY(catcher->shown().isEmpty());
        QVERIFY(status.isEmpty());
        QVERIFY(!RM->rpj_1->Active());
        QVERIFY(!DM->sqlds_RelPesoMed.Active);
        // What was typed is stored all the same.
        QCOMPARE(scalar(QStringLiteral("select list(cast(PESO * 10 as integer)) from (select PESO from PESOMED order by "
                                       "NUMCAP)"))
                     .toString(),
                 pesos);
        QCOMPARE(scalar(QStringLiteral("select MOTIVOS from RPESOMED")).toString(), QStringLiteral("Cápsula 5 refeita."));
        // The window tells the pharmacist before anything is printed.
        QTRY_VERIFY(!frm_Cadastros->lbl_AnaliseDesatualizada->isHidden());
        QCOMPARE(frm_Cadastros->lbl_AnaliseDesatualizada->text(),
                 QStringLiteral("Pesos alterados depois da análise: analise de novo (F5) antes de imprimir."));
    }

    // Analysed again, the formula prints with its new weights and the window's
    // notice goes.
    void analysedAgainPrintsTheNewWeights()
    {
        TestDb::capsuleFormula(1300);
        DM->cds_Pedidos->Refresh();
        QVERIFY(DM->cds_Pedidos->Locate(QStringLiteral("NPEDIDO"), {1300}));
        TestPrograma::tecla(Qt::Key_F4);
        for (const char *p : {"250", "252", "249"}) {
            TestPrograma::clicaAbaixoDasLinhas(frm_Cadastros->dbgrd1);
            TestPrograma::digita(QString::fromLatin1(p));
            TestPrograma::tecla(Qt::Key_Return);
        }
        TestPrograma::tecla(Qt::Key_F5);
        QCOMPARE(scalar(QStringLiteral("select QDECAPS from RPESOMED where NPEDIDO = 1300")).toInt(), 3);
        QCoreApplication::processEvents();
        QVERIFY(frm_Cadastros->lbl_AnaliseDesatualizada->isHidden());
        TestPrograma::clicaAbaixoDasLinhas(frm_Cadastros->dbgrd1);
        TestPrograma::digita(QStringLiteral("251"));
        TestPrograma::tecla(Qt::Key_Return);
        QTRY_VERIFY(!frm_Cadastros->lbl_AnaliseDesatualizada->isHidden());
        imprime();
        QCOMPARE(recorder->texts().size(), 1);
        QVERIFY(catcher->shown().isEmpty());

        recorder->clear();
        TestPrograma::tecla(Qt::Key_F5);
        QTRY_VERIFY(frm_Cadastros->lbl_AnaliseDesatualizada->isHidden());
        const QString t = relatorio(QStringLiteral("TXT"), QStringLiteral("de-novo.txt"));
        QVERIFY(recorder->entries().isEmpty());
        QCOMPARE(DM->cds_RelPesomed->RecordCount(), 4);
        QVERIFY(t.contains(QStringLiteral("251,0000")));
        QVERIFY(t.contains(QStringLiteral("1.002,0000"))); // the new total
    }
};

int main(int argc, char **argv)
{
    Application app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    TstRelatorio test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_relatorio.moc"
