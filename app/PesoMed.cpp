// Program start-up, then the event loop until the main window closes.

#include "app/Inicio.h"
#include "app/uPesoMed.h"
#include "widgets/ErrorHandler.h"

#include <QScreen>

int main(int argc, char **argv)
{
    Application app(argc, argv);
    if (const auto status = IniciaPrograma(&app))
        return *status;
    // Maximised with a fixed border; without a window manager a maximised
    // window keeps its size, so it is given the screen.
    if (QScreen *screen = frm_Principal->screen()) {
        frm_Principal->setGeometry(screen->availableGeometry());
        frm_Principal->setFixedSize(screen->availableGeometry().size());
    }
    frm_Principal->showMaximized();
    const int status = app.exec();
    EncerraPrograma();
    return status;
}
