#include "search/uPesquisa.h"

Tfrm_Pesquisa *frm_Pesquisa = nullptr;

Tfrm_Pesquisa::Tfrm_Pesquisa(QWidget *owner) : QWidget(owner)
{
    setObjectName(QStringLiteral("frm_Pesquisa"));
    setWindowTitle(QStringLiteral("Pesquisa de Pedidos"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(339, 548);
}

Tfrm_Pesquisa::~Tfrm_Pesquisa()
{
    if (frm_Pesquisa == this)
        frm_Pesquisa = nullptr;
}
