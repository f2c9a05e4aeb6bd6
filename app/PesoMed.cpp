// Program start-up: the main window (which reads the configuration), then the
// data module, then the event loop.

#include "app/uPesoMed.h"
#include "core/AppError.h"
#include "data/udm.h"
#include "widgets/ErrorHandler.h"
#include "widgets/MessageBoxes.h"

#include <QScreen>

int main(int argc, char **argv)
{
    Aplicacao app(argc, argv);
    QApplication::setApplicationDisplayName(TituloAplicacao);
    MessageBoxes boxes;
    setMessageService(&boxes);
    try {
        frm_Principal = new Tfrm_Principal;
    } catch (const ProgramExit &exit) {
        return exit.status;
    }
    DM = new TDM(&app);
    // Without a window manager a maximised window keeps its size: give it the screen.
    if (QScreen *screen = frm_Principal->screen())
        frm_Principal->setGeometry(screen->availableGeometry());
    frm_Principal->showMaximized();
    const int status = app.exec();
    delete frm_Principal;
    frm_Principal = nullptr;
    setMessageService(nullptr);
    return status;
}
