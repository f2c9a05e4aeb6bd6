// A workstation of the program in a process of its own, for tests of several
// workstations on one server at once. It starts the program's windows on the
// database given (VELTRAMO.INI must lie beside it), gets one action ready,
// prints "pronto" and waits for a line on its standard input before the step
// that races with the other workstation; then prints each message the user
// would see ("mensagem: ...", line breaks as " | ") and "fim".
//
//   estacao <database> pesa <station> <order> <formula> <weight>
//       a new weighing of the formula; the wait is before it is posted
//   estacao <database> corrige <station> <order> <formula> <capsule> <weight>
//       the weight of a capsule typed over in the grid; the wait is before it
//       is posted
//   estacao <database> analisa <station> <order> <formula>
//       the analysis; the wait is after the weights were read, before writing
//   estacao <database> lote <code> <lot> <weight>
//       a new lot of size 0 saved from the entry panel (twenty equal weights)
//   estacao <database> edita <code> <lot> <weight>
//       the first weight of a lot changed in the grid, Enter to the second;
//       the wait is before the Enter that leaves it and stores the lot
//   estacao <database> exclui <code> <lot> <size>
//       "Excluir este registro" on that lot, answered Yes
//   estacao <database> elimina
//       "Eliminar duplicações"

#include "analysis/uCadPesos.h"
#include "app/uPesoMed.h"
#include "core/Messages.h"
#include "data/udm.h"
#include "lots/UCadPrep.h"
#include "report/uRM.h"
#include "widgets/DBGrid.h"
#include "widgets/ErrorHandler.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

class MensagensNaSaida : public MessageService {
public:
    void simple(const QString &text) override { mostra(text); }
    void information(const QString &text) override { mostra(text); }
    void error(const QString &text) override { mostra(text); }
    bool confirm(const QString &text) override
    {
        mostra(text);
        return true;
    }

private:
    static void mostra(QString text)
    {
        text.replace(QStringLiteral("\r\n"), QStringLiteral(" | ")).replace(u'\r', QStringLiteral(" | "));
        std::printf("mensagem: %s\n", qPrintable(text));
        std::fflush(stdout);
    }
};

void espera()
{
    std::printf("pronto\n");
    std::fflush(stdout);
    std::string linha;
    std::getline(std::cin, linha);
}

// The lot register shown and active, its list read.
void abreLotes()
{
    frm_Principal->BitBtn1->click();
    QApplication::setActiveWindow(FormCadPrep);
    (void)QTest::qWaitForWindowActive(FormCadPrep);
    if (!DM->PesoCaV->Active())
        FormCadPrep->FormActivate();
}

bool vaiAFormula(const QString &estacao, qint64 npedido, qint64 nformula)
{
    return DM->cds_Pedidos->Locate(QStringLiteral("ESTACAO;NPEDIDO"), {estacao, npedido}) &&
           DM->cds_Pediform->Locate(QStringLiteral("NFORMULA"), {nformula});
}

} // namespace

int main(int argc, char **argv)
{
    Application app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    const QStringList a = app.arguments();
    if (a.size() < 3) {
        std::fprintf(stderr, "uso: estacao <banco> <ação> ...\n");
        return 2;
    }
    MensagensNaSaida mensagens;
    setMessageService(&mensagens);
    frm_Principal = new Tfrm_Principal;
    DM = new TDM;
    DM->sqlcon1.setParam(QStringLiteral("Database"), a[1]);
    RM = new TRM(DM);
    FormCadPrep = new TFormCadPrep(DM);
    frm_Principal->UsaModulos(DM, RM, FormCadPrep);
    frm_Principal->show();
    const QString acao = a[2];

    guarded([&] {
        if (acao == QLatin1String("pesa") || acao == QLatin1String("analisa") || acao == QLatin1String("corrige")) {
            if (!vaiAFormula(a[3], a[4].toLongLong(), a[5].toLongLong()))
                throw AppError(QStringLiteral("fórmula não encontrada"));
            frm_Principal->act_Cadastro->trigger();
            if (acao == QLatin1String("corrige")) {
                if (!DM->cds_PesoMed->Locate(QStringLiteral("NUMCAP"), {a[6].toLongLong()}))
                    throw AppError(QStringLiteral("cápsula não encontrada"));
                DBGrid *grade = frm_Cadastros->dbgrd1;
                grade->setFocus();
                espera();
                grade->receiveValue(1, a[7]);
                std::printf("gravado\n");
            } else if (acao == QLatin1String("pesa")) {
                DBGrid *grade = frm_Cadastros->dbgrd1;
                grade->setFocus();
                grade->addRow(true);
                espera();
                grade->receiveValue(1, a[6]);
                std::printf("gravado %lld %lld\n", DM->cds_PesoMed->FieldByName(QStringLiteral("ID_PESOMED")).AsInteger(),
                            DM->cds_PesoMed->FieldByName(QStringLiteral("NUMCAP")).AsInteger());
            } else {
                auto regra = DM->cds_RPesoMed->BeforeScroll;
                bool esperou = false;
                DM->cds_RPesoMed->BeforeScroll = [regra, &esperou](ClientDataSet &ds) {
                    if (regra)
                        regra(ds);
                    if (!esperou)
                        espera();
                    esperou = true;
                };
                frm_Cadastros->btn_Calcular->click();
            }
        } else if (acao == QLatin1String("lote")) {
            abreLotes();
            FormCadPrep->BitBtn4->click();
            FormCadPrep->CodigoFornecedor->setText(a[3]);
            FormCadPrep->EditLote->setText(a[4]);
            FormCadPrep->EditTamanho->setText(QStringLiteral("0"));
            for (QLineEdit *peso : FormCadPrep->Peso)
                peso->setText(a[5]);
            espera();
            FormCadPrep->BitBtn2->click();
        } else if (acao == QLatin1String("edita")) {
            abreLotes();
            if (!DM->PesoCaV->Locate(QStringLiteral("CODFORN;LOTE"), {a[3], a[4]}))
                throw AppError(QStringLiteral("lote não encontrado"));
            DBGrid *grade = FormCadPrep->DBGrid1;
            grade->setFocus();
            grade->setSelectedIndex(3);
            grade->typeIntoCell(3, a[5]);
            QTest::keyClick(grade, Qt::Key_Return);
            // Leaving the second weight stores the lot: the step that races.
            espera();
            QTest::keyClick(grade, Qt::Key_Return);
        } else if (acao == QLatin1String("exclui")) {
            abreLotes();
            if (!DM->PesoCaV->Locate(QStringLiteral("CODFORN;LOTE;TAMCAP"), {a[3], a[4], a[5]}))
                throw AppError(QStringLiteral("lote não encontrado"));
            espera();
            FormCadPrep->Excluiresteregistro1->trigger();
        } else if (acao == QLatin1String("elimina")) {
            abreLotes();
            espera();
            FormCadPrep->Eliminarduplicaes1->trigger();
        } else {
            throw AppError(QStringLiteral("ação desconhecida: ") + acao);
        }
    });
    std::printf("fim\n");
    std::fflush(stdout);
    delete frm_Principal;
    delete FormCadPrep;
    delete RM;
    delete DM;
    return 0;
}
