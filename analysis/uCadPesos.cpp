#include "analysis/uCadPesos.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

Tfrm_Cadastros *frm_Cadastros = nullptr;

Tfrm_Cadastros::Tfrm_Cadastros(QWidget *owner) : QWidget(owner)
{
    setObjectName(QStringLiteral("frm_Cadastros"));
    setWindowTitle(QStringLiteral(
        "Cadastro do peso médio das cápsulas - De acordo com a RDC n° 67 - 13 de dezembro de 2011"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    auto *buttons = new QHBoxLayout;
    btn_Calcular = new QPushButton(QStringLiteral("Analisar Cápsulas"), this);
    btn_Relatorio = new QPushButton(QStringLiteral("Imprimir"), this);
    buttons->addWidget(btn_Calcular);
    buttons->addWidget(btn_Relatorio);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addStretch();
    connect(btn_Calcular, &QPushButton::clicked, this, &Tfrm_Cadastros::btn_CalcularClick);
    connect(btn_Relatorio, &QPushButton::clicked, this, &Tfrm_Cadastros::btn_RelatorioClick);
    resize(780, 560);
}

Tfrm_Cadastros::~Tfrm_Cadastros()
{
    if (frm_Cadastros == this)
        frm_Cadastros = nullptr;
}

void Tfrm_Cadastros::btn_CalcularClick() {}

void Tfrm_Cadastros::btn_RelatorioClick() {}

void Tfrm_Cadastros::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void Tfrm_Cadastros::FormClose()
{
    frm_Cadastros = nullptr;
}
