#include "widgets/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

const QString TituloAplicacao = QStringLiteral("PesoMédio - Análise dos Pesos das Cápsulas");

QString textoDaMensagem(const QString &text)
{
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

namespace {

int show(QMessageBox::Icon icon, const QString &caption, const QString &text, bool yesNo)
{
    QMessageBox box(icon, caption, textoDaMensagem(text), QMessageBox::NoButton, QApplication::activeWindow());
    if (yesNo) {
        box.addButton(QStringLiteral("&Sim"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(QStringLiteral("&Não"), QMessageBox::NoRole);
        box.setDefaultButton(no);
        box.setEscapeButton(no);
        box.exec();
        return box.buttonRole(box.clickedButton()) == QMessageBox::YesRole ? 1 : 0;
    }
    box.addButton(QMessageBox::Ok);
    box.exec();
    return 1;
}

} // namespace

void MessageBoxes::simple(const QString &text)
{
    show(QMessageBox::NoIcon, TituloAplicacao, text, false);
}

void MessageBoxes::information(const QString &text)
{
    show(QMessageBox::Information, QStringLiteral("Informação"), text, false);
}

void MessageBoxes::error(const QString &text)
{
    show(QMessageBox::Critical, QStringLiteral("Erro"), text, false);
}

bool MessageBoxes::confirm(const QString &text)
{
    return show(QMessageBox::Question, QStringLiteral("Confirmação"), text, true) == 1;
}
