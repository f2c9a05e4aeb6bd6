#include "app/Inicio.h"

#include "app/uPesoMed.h"
#include "core/AppError.h"
#include "data/udm.h"
#include "lots/UCadPrep.h"
#include "report/uRM.h"
#include "widgets/MessageBoxes.h"

#include <QApplication>

namespace {

MessageBoxes g_boxes;

} // namespace

std::optional<int> IniciaPrograma(QObject *owner)
{
    // The title of the program (simple message boxes); not appended to window captions.
    QApplication::setApplicationName(TituloAplicacao);
    PreparaAparencia();
    setMessageService(&g_boxes);
    try {
        frm_Principal = new Tfrm_Principal;
    } catch (const ProgramExit &exit) {
        setMessageService(nullptr);
        return exit.status;
    }
    DM = new TDM(owner);
    RM = new TRM(DM, owner);
    FormCadPrep = new TFormCadPrep;
    return std::nullopt;
}

void EncerraPrograma()
{
    delete FormCadPrep;
    FormCadPrep = nullptr;
    delete frm_Principal;
    delete RM;
    delete DM;
    setMessageService(nullptr);
}
