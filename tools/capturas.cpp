// Starts the program as PesoMed does, puts each window in a known state and
// saves a picture of it; prints the detailed report of an approved and of a
// rejected demo formula in the four file formats and saves a picture of its
// preview: capturas <output folder>. Run under a display (Xvfb).

#include "analysis/uCadPesos.h"
#include "balance/LeitorBalanca.h"
#include "app/Inicio.h"
#include "app/uBalanca.h"
#include "balance/LeitorBalanca.h"
#include "app/uPesoMed.h"
#include "core/AppError.h"
#include "core/Messages.h"
#include "data/dataset/ClientDataSet.h"
#include "data/udm.h"
#include "history/uHistorico.h"
#include "lots/UCadPrep.h"
#include "report/ReportSystem.h"
#include "report/ReportWriters.h"
#include "report/uRM.h"
#include "search/uPesquisa.h"
#include "tests/support/DialogCatcher.h"
#include "widgets/DBGrid.h"
#include "widgets/ErrorHandler.h"
#include "widgets/MessageBoxes.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QRadioButton>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QThread>

#include <cstdio>

namespace {

void settle()
{
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
}

void save(QWidget *w, const QString &folder, const QString &name)
{
    settle();
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    w->grab().save(path);
    std::printf("%s\n", qPrintable(path));
}

// The detailed report of the demo order's first formula, in each file format.
void relatorios(DialogCatcher &catcher, int npedido, const QString &folder, const QString &name)
{
    if (!DM->cds_Pedidos->Locate(QStringLiteral("NPEDIDO"), {npedido}) || !frm_Cadastros)
        return;
    for (ReportWriter *r : RM->rstm1->writers()) {
        const QString path = QDir(folder).filePath(name + QLatin1Char('.') + r->defaultSuffix());
        catcher.answer<OutputOptionsDialog>([r, path](OutputOptionsDialog *d) {
            d->rbFile->click();
            d->cbFormat->setCurrentText(r->DisplayName);
            d->edtFileName->setText(path);
            d->buttons->button(QDialogButtonBox::Ok)->click();
        });
        frm_Cadastros->btn_Relatorio->click();
        std::printf("%s\n", qPrintable(path));
    }
}

// Messages of the lot register while it is photographed: none is expected,
// and none may wait for a click.
class SemMensagens : public MessageService {
public:
    void simple(const QString &text) override { std::printf("message: %s\n", qPrintable(text)); }
    void information(const QString &text) override { simple(text); }
    void error(const QString &text) override { simple(text); }
    bool confirm(const QString &) override { return false; }
};

// The lot register with its lots, the entry panel with a lot being typed and
// the two pickers; nothing is stored.
void capturaLotes(const QString &folder)
{
    SemMensagens semMensagens;
    MessageService *anterior = setMessageService(&semMensagens);
    TFormCadPrep *w = FormCadPrep;
    const auto tecla = [](int key) { QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key)); };
    w->DBGrid1->setFocus();
    if (w->DBGrid1->model()->rowCount() > 1) {
        DM->PesoCaV->SetRecNo(2);
        w->DBGrid1->setSelectedIndex(5);
    }
    save(w, folder, QStringLiteral("lotes"));

    w->BitBtn4->click();
    tecla(Qt::Key_Return);
    save(w, folder, QStringLiteral("lotes-fornecedores"));
    // The first supplier with capsule lots in the stock.
    for (int i = 0; i < w->DBGrid2->model()->rowCount(); ++i) {
        if (w->DBGrid2->model()->index(i, 0).data().toString().contains(QLatin1String("CAPSULAS"))) {
            w->DBGrid2->setCurrentIndex(w->DBGrid2->model()->index(i, 0));
            break;
        }
    }
    tecla(Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), 'S');
    if (w->PainelEstLote->isVisible()) {
        save(w, folder, QStringLiteral("lotes-estoque"));
        tecla(Qt::Key_Escape);
    }
    w->EditLote->setText(QStringLiteral("SA2411873"));
    w->Label34->setText(QStringLiteral("Capsula 0 Incolor"));
    w->EditTamanho->setText(QStringLiteral("0"));
    for (int i = 0; i < 14; ++i)
        w->Peso[i]->setText(QLocale().toString(96.1 + (i % 5) / 10.0, 'f', 1));
    w->Peso[14]->setFocus();
    QTest::keyClicks(w->Peso[14], QStringLiteral("96,"));
    save(w, folder, QStringLiteral("lotes-painel"));
    w->BitBtn3->click();
    setMessageService(anterior);
}


// A weight added to an analysed formula: the analysis window's notice, and
// "Imprimir" refusing the stale analysis (its message as a box). The weight
// is removed again, so the demo data stay as they were.
void capturaDesatualizada(const QString &folder, int npedido)
{
    if (!DM->cds_Pedidos->Locate(QStringLiteral("NPEDIDO"), {npedido}) || !frm_Cadastros)
        return;
    class Recusa : public MessageService {
    public:
        QString texto;
        void simple(const QString &text) override { texto = text; }
        void information(const QString &text) override { texto = text; }
        void error(const QString &text) override { texto = text; }
        bool confirm(const QString &) override { return false; }
    } recusa;
    MessageService *anterior = setMessageService(&recusa);
    ClientDataSet *w = DM->cds_PesoMed;
    const int antes = w->RecordCount();
    w->Append();
    w->FieldByName(QStringLiteral("PESO")).SetAsFloat(251.3);
    w->Post();
    save(frm_Principal, folder, QStringLiteral("analise-desatualizada"));
    frm_Cadastros->btn_Relatorio->click();
    std::printf("message: %s\n", qPrintable(recusa.texto));
    if (!recusa.texto.isEmpty()) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Informação"),
                        QString(recusa.texto).replace(QLatin1Char('\r'), QLatin1Char('\n')), QMessageBox::Ok,
                        frm_Principal);
        box.show();
        save(&box, folder, QStringLiteral("relatorio-recusado"));
    }
    if (w->RecordCount() > antes) {
        w->Last();
        w->Delete();
    }
    setMessageService(anterior);
}


// The operator named, a weight of capsule 3 corrected and the formula
// analysed again: the analysis window with "Manipulador", the report with
// the correction in each format, and the formula's history window. The
// weight is put back and analysed again, so the figures stay as they were
// (the history keeps both corrections).
void capturaHistorico(DialogCatcher &catcher, const QString &folder, int npedido)
{
    if (!DM->cds_Pedidos->Locate(QStringLiteral("NPEDIDO"), {npedido}) || !frm_Cadastros)
        return;
    frm_Cadastros->cmb_Manipulador->setCurrentText(QStringLiteral("Ana Souza"));
    frm_Cadastros->cmb_ManipuladorExit();
    ClientDataSet *w = DM->cds_PesoMed;
    if (!w->Locate(QStringLiteral("NUMCAP"), {3}))
        return;
    const double peso = w->FieldByName(QStringLiteral("PESO")).AsFloat();
    const auto corrige = [w](double novo) {
        w->Locate(QStringLiteral("NUMCAP"), {3});
        w->Edit();
        w->FieldByName(QStringLiteral("PESO")).SetAsFloat(novo);
        w->Post();
        frm_Cadastros->AnalisarCapsulas();
    };
    corrige(peso + 1.5);
    save(frm_Principal, folder, QStringLiteral("analise-manipulador"));
    relatorios(catcher, npedido, folder, QStringLiteral("relatorio-correcoes"));
    frm_Cadastros->btn_Historico->click();
    for (QWidget *janela : QApplication::topLevelWidgets())
        if (auto *h = qobject_cast<Tfrm_Historico *>(janela)) {
            save(h, folder, QStringLiteral("historico"));
            h->close();
        }
    corrige(peso);
}

} // namespace

int main(int argc, char **argv)
{
    Application app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(folder);
    if (const auto status = IniciaPrograma(&app))
        return *status;
    // PESOMED_BANCO: a database other than the configured one, such as a copy
    // of the demo whose rows the pictures may change.
    if (qEnvironmentVariableIsSet("PESOMED_BANCO")) {
        const QList<ClientDataSet *> abertos = {DM->cds_RPesoMed, DM->cds_PesoMed, DM->cds_Pedidos, DM->cds_Pediform,
                                                DM->cds_Compedid};
        for (ClientDataSet *ds : abertos)
            ds->Close();
        DM->sqlcon1.close();
        DM->sqlcon1.setParam(QStringLiteral("Database"), qEnvironmentVariable("PESOMED_BANCO"));
        for (ClientDataSet *ds : abertos)
            ds->Open();
    }
    frm_Principal->setGeometry(frm_Principal->screen()->availableGeometry());
    frm_Principal->show();

    // capturas FOLDER --relatorio NPEDIDO NAME: only the report of that order,
    // in each file format.
    if (argc > 4 && QByteArray(argv[2]) == "--relatorio") {
        SemMensagens semMensagens;
        setMessageService(&semMensagens);
        frm_Principal->act_Cadastro->trigger();
        settle();
        DialogCatcher catcher;
        relatorios(catcher, QByteArray(argv[3]).toInt(), folder, QString::fromLocal8Bit(argv[4]));
        EncerraPrograma();
        return 0;
    }

    save(frm_Principal, folder, QStringLiteral("principal"));
    frm_Principal->InformaessobreoPesoMdio1->trigger();
    save(frm_Principal, folder, QStringLiteral("ajuda"));
    frm_Principal->btn1->click();
    frm_Principal->BitBtn2->click();
    save(frm_Principal, folder, QStringLiteral("pesquisa"));
    frm_Principal->act_Cadastro->trigger();
    save(frm_Principal, folder, QStringLiteral("analise"));
    // A rejected formula of the demo data, when there is one.
    if (DM->cds_Pedidos->Locate(QStringLiteral("NPEDIDO"), {1210})) {
        save(frm_Principal, folder, QStringLiteral("analise-reprovada"));
        // A weight being typed on a new capsule row, then given up: nothing is stored.
        if (frm_Cadastros) {
            DBGrid *grade = frm_Cadastros->dbgrd1;
            const int linhas = grade->model()->rowCount();
            const int abaixo = linhas > 0 ? grade->rowViewportPosition(linhas - 1) + grade->rowHeight(linhas - 1) : 0;
            QApplication::setActiveWindow(frm_Principal);
            QTest::mouseClick(grade->viewport(), Qt::LeftButton, {}, QPoint(10, abaixo + 4));
            const auto alvo = [grade] { return QApplication::focusWidget() ? QApplication::focusWidget() : grade; };
            for (QChar c : QStringLiteral("251,3"))
                QTest::keyClick(alvo(), c.toLatin1());
            save(frm_Principal, folder, QStringLiteral("analise-digitando"));
            QTest::keyClick(alvo(), Qt::Key_Escape);
            // F6 on the new row with a slow balance: the grid while it reads, then given up.
            if (BalancaDoPrograma().configurada()) {
                QTest::keyClick(alvo(), Qt::Key_F6);
                save(frm_Principal, folder, QStringLiteral("analise-lendo-balanca"));
                QTest::keyClick(alvo(), Qt::Key_Escape);
            }
            QTest::keyClick(alvo(), Qt::Key_Escape);
        }
    }
    DialogCatcher catcher;
    relatorios(catcher, 1201, folder, QStringLiteral("relatorio-aprovado"));
    relatorios(catcher, 1210, folder, QStringLiteral("relatorio-reprovado"));
    // The preview of the rejected formula, as the options offer it.
    if (DM->cds_Pedidos->Locate(QStringLiteral("NPEDIDO"), {1210}) && frm_Cadastros) {
        catcher.answer<OutputOptionsDialog>(
            [](OutputOptionsDialog *d) { d->buttons->button(QDialogButtonBox::Ok)->click(); });
        catcher.answer<QPrintPreviewDialog>([&folder](QPrintPreviewDialog *d) {
            save(d, folder, QStringLiteral("relatorio-visualizacao"));
            d->reject();
        });
        frm_Cadastros->btn_Relatorio->click();
    }
    capturaDesatualizada(folder, 1210);
    capturaHistorico(catcher, folder, 1201);
    frm_Principal->BitBtn1->click();
    QApplication::setActiveWindow(FormCadPrep);
    if (!QTest::qWaitForWindowActive(FormCadPrep))
        std::printf("the lot register did not become active\n");
    capturaLotes(folder);
    // The balance window; with a balance in PesoMed.ini, while it reads and after.
    frm_Principal->Balanca1->trigger();
    save(frm_Balanca, folder, QStringLiteral("balanca"));
    if (frm_Balanca->ConfiguracaoDaTela().configurada()) {
        frm_Balanca->btn_Ler->click();
        save(frm_Balanca, folder, QStringLiteral("balanca-lendo"));
        for (int i = 0; i < 300 && frm_Balanca->leitor()->lendo(); ++i)
            settle();
        save(frm_Balanca, folder, QStringLiteral("balanca-lida"));
    }

    EncerraPrograma();
    return 0;
}
