#include "widgets/Estilo.h"

#include <QPushButton>

void CorDoTexto(QWidget *w, const QColor &cor)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, cor);
    p.setColor(QPalette::Text, cor);
    p.setColor(QPalette::ButtonText, cor);
    w->setPalette(p);
}

QPushButton *BotaoColorido(const QString &texto, const QColor &cor, QWidget *pai, int pixels)
{
    auto *b = new QPushButton(texto, pai);
    QFont f = b->font();
    f.setBold(true);
    f.setPixelSize(pixels);
    b->setFont(f);
    CorDoTexto(b, cor);
    return b;
}
