// The window "Balança" alone, without the database: for trying a balance on
// a workstation and for pictures of the window (Detectar, a weight settling).
//   janela_balanca [port]   the port typed in, when given; settings of PesoMed.ini beside it

#include "app/uBalanca.h"

#include <QApplication>
#include <QComboBox>
#include <QLocale>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    auto *janela = new Tfrm_Balanca;
    frm_Balanca = janela;
    if (argc > 1)
        janela->cmb_Porta->setCurrentText(QString::fromLocal8Bit(argv[1]));
    janela->show();
    return app.exec();
}
