// Program start-up: the main window (which reads the configuration), the data
// module, the report module and the hidden lot registry, then the event loop.

#include "app/uPesoMed.h"
#include "core/AppError.h"
#include "data/udm.h"
#include "lots/UCadPrep.h"
#include "report/uRM.h"
#include "widgets/ErrorHandler.h"
#include "widgets/MessageBoxes.h"

#include <QScreen>

int main(int argc, char **argv)
{
    Aplicacao app(argc, argv);
    QApplication::setApplicationDisplayName(TituloAplicacao);
    QApplication::setApplicationName(TituloAplicacao);
    PreparaAparencia();
    MessageBoxes boxes;
    setMessageService(&boxes);
    try {
        frm_Principal = new Tfrm_Principal;
    } catch (const ProgramExit &exit) {
        return exit.status;
    }
    DM = new TDM(&app);
    RM = new TRM(&app);
    FormCadPrep = new TFormCadPrep;

    // Maximised with a fixed border; without a window manager a maximised
    // window keeps its size, so it is given the screen.
    if (QScreen *screen = frm_Principal->screen()) {
        frm_Principal->setGeometry(screen->availableGeometry());
        frm_Principal->setFixedSize(screen->availableGeometry().size());
    }
    frm_Principal->showMaximized();
    const int status = app.exec();
    delete FormCadPrep;
    delete frm_Principal;
    setMessageService(nullptr);
    return status;
}
