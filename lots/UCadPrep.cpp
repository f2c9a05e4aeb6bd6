#include "lots/UCadPrep.h"

#include <QCloseEvent>

TFormCadPrep *FormCadPrep = nullptr;

TFormCadPrep::TFormCadPrep(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FormCadPrep"));
    setWindowTitle(QStringLiteral("  Cadastro de Pesos de Cápsulas Vazias"));
    // Closing it hides it; the program ends with the main window only.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(1070, 644);
}

void TFormCadPrep::closeEvent(QCloseEvent *event)
{
    hide();
    event->ignore();
}
