#include "tests/support/TestPrograma.h"

#include "app/uPesoMed.h"
#include "data/udm.h"
#include "lots/UCadPrep.h"
#include "report/uRM.h"
#include "tests/support/TestDb.h"
#include "widgets/DBGrid.h"

#include <QApplication>
#include <QFile>
#include <QTest>

namespace TestPrograma {

void inicia(const QString &database)
{
    QFile ini(QCoreApplication::applicationDirPath() + QStringLiteral("/VELTRAMO.INI"));
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write VELTRAMO.INI beside the test");
    ini.write(QByteArray("IP DO SERVIDOR CENTRAL.........................:").leftJustified(49, ' ') + "127.0.0.1\r\n");
    ini.close();
    frm_Principal = new Tfrm_Principal;
    DM = new TDM;
    TestDb::point(DM->sqlcon1);
    if (!database.isEmpty())
        DM->sqlcon1.setParam(QStringLiteral("Database"), database);
    RM = new TRM(DM);
    FormCadPrep = new TFormCadPrep(DM);
    frm_Principal->UsaModulos(DM, RM, FormCadPrep);
    frm_Principal->resize(1200, 800);
    frm_Principal->show();
    QApplication::setActiveWindow(frm_Principal);
    if (!QTest::qWaitForWindowActive(frm_Principal))
        qWarning("the main window did not become active");
}

void encerra()
{
    delete frm_Principal;
    delete FormCadPrep;
    FormCadPrep = nullptr;
    delete RM;
    delete DM;
    DM = nullptr;
    QFile::remove(QCoreApplication::applicationDirPath() + QStringLiteral("/VELTRAMO.INI"));
}

void tecla(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

void digita(const QString &texto)
{
    for (QChar c : texto)
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

void clicaAbaixoDasLinhas(DBGrid *grade)
{
    const int linhas = grade->model()->rowCount();
    const int abaixo = linhas > 0 ? grade->rowViewportPosition(linhas - 1) + grade->rowHeight(linhas - 1) : 0;
    QTest::mouseClick(grade->viewport(), Qt::LeftButton, {},
                      QPoint(grade->columnViewportPosition(0) + 5, abaixo + 4));
}

void clicaNaCelula(DBGrid *grade, int linha, int coluna)
{
    const QRect celula = grade->visualRect(grade->model()->index(linha, coluna));
    QTest::mouseClick(grade->viewport(), Qt::LeftButton, {}, celula.center());
}

} // namespace TestPrograma
