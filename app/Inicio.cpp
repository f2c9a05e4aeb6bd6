#include "app/Inicio.h"

#include "app/uPesoMed.h"
#include "core/AppError.h"
#include "data/udm.h"
#include "lots/UCadPrep.h"
#include "report/uRM.h"
#include "widgets/MessageBoxes.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QImageReader>

namespace {

MessageBoxes g_boxes;

} // namespace

QIcon IconePrograma()
{
    QIcon icone;
    const QDir pasta(QStringLiteral(":/icones"));
    for (const QString &arquivo : pasta.entryList({QStringLiteral("pesomed-*.png")}, QDir::Files))
        icone.addFile(pasta.filePath(arquivo), QImageReader(pasta.filePath(arquivo)).size());
    return icone;
}

std::optional<int> IniciaPrograma(QObject *owner)
{
    // The title of the program (simple message boxes); not appended to window captions.
    QApplication::setApplicationName(TituloAplicacao);
    QApplication::setApplicationVersion(QStringLiteral(PESOMED_VERSAO));
    // Every window's title bar.
    QApplication::setWindowIcon(IconePrograma());
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
    FormCadPrep = new TFormCadPrep(DM);
    frm_Principal->UsaModulos(DM, RM, FormCadPrep);
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
