#pragma once
// What the lot registry's window tests share: the suite rows they start from,
// opening the window from the main window as a user does, the keys and mouse
// clicks of a pharmacist, and reading the lots back.

#include "app/uPesoMed.h"
#include "config/uConfiguracao.h"
#include "core/SqlText.h"
#include "data/udm.h"
#include "lots/UCadPrep.h"
#include "tests/support/TestDb.h"
#include "tests/support/TestPrograma.h"
#include "widgets/DBGrid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace Lotes {

using TestDb::scalar;

inline void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    TestPrograma::tecla(k, modifiers);
}

inline void digita(const QString &texto)
{
    TestPrograma::digita(texto);
}

// Suppliers 0012 "CAPS BRASIL", 0031 "D'ORO" and 0044 "GEL SUL" (no stock
// lots); capsule lots of CAPS BRASIL in the stock, listed by expiry and lot,
// and stock items that are no capsule lot for the picker.
inline void fornecedoresEEstoque()
{
    TestDb::exec({
        QStringLiteral("insert into FORNECED (CODIGO, NOME, NOMEFANTASIA) values ('0012', 'Caps Brasil Ltda', "
                       "'CAPS BRASIL')"),
        QStringLiteral("insert into FORNECED (CODIGO, NOME, NOMEFANTASIA) values ('0031', 'D''Oro Ltda', 'D''ORO')"),
        QStringLiteral("insert into FORNECED (CODIGO, NOME, NOMEFANTASIA) values ('0044', 'Gel Sul Ltda', 'GEL SUL')"),
    });
    struct Estoque {
        const char *descricao, *lote, *fornecedor, *validade;
    };
    const Estoque linhas[] = {
        {"Capsula 0 Azul", "L2401", "CAPS BRASIL", "2027-05-01"},
        {"Capsula 00 Azul", "L2402", "CAPS BRASIL", "2027-03-01"},
        {"Capsula 1 Branca", "L2403", "CAPS BRASIL", "2027-03-01"},
        {"Capsula Gelatinosa", "L2404", "CAPS BRASIL", "2027-08-01"},
        {"Capsula 00 Lote 123", "L2405", "CAPS BRASIL", "2027-09-01"},
        {"Cápsula 2 Verde", "L2406", "CAPS BRASIL", "2026-01-01"},
        {"CAPSULA 3 Rosa", "L2407", "CAPS BRASIL", "2026-01-01"},
        {"Amido de milho", "L2408", "CAPS BRASIL", "2026-01-01"},
        {"Capsula 2 Rosa", "LX1", "SEM CADASTRO", "2027-01-01"},
        {"Capsula 1 Verde", "L'Q", "D'ORO", "2027-01-01"},
    };
    int codigo = 100;
    for (const Estoque &e : linhas)
        TestDb::admin().execute(QStringLiteral("insert into ESTLOTE (DESCRICAO, LOTE, FORNECEDOR, CODIGO, LABORATORIO, "
                                               "VALIDADE) values (?, ?, ?, ?, 'LAB', ?)"),
                                {QString::fromUtf8(e.descricao), QString::fromUtf8(e.lote),
                                 QString::fromUtf8(e.fornecedor), QString::number(++codigo),
                                 QDate::fromString(QString::fromLatin1(e.validade), Qt::ISODate)});
}

// A registered lot: every weight the given one (none when 0), and its average.
inline void registraLote(const QString &codigo, const QString &lote, const QString &tamanho, double peso = 0,
                 const QVariant &media = QVariant())
{
    QList<QVariant> valores = {codigo, lote, tamanho, media};
    for (int i = 0; i < 20; ++i)
        valores.append(peso == 0 ? QVariant() : QVariant(peso));
    TestDb::admin().execute(QStringLiteral("insert into PESCAVAZ (%1) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                           "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                                .arg(ColunasPesCaVaz),
                            valores);
}

inline int lotes(const QString &condicao = QString())
{
    return scalar(QStringLiteral("select count(*) from PESCAVAZ") +
                  (condicao.isEmpty() ? QString() : QStringLiteral(" where ") + condicao))
        .toInt();
}

inline QVariant valor(const QString &coluna, const QString &codigo, const QString &lote)
{
    return scalar(QStringLiteral("select ") + coluna + QStringLiteral(" from PESCAVAZ where CODFORN = ") +
                  quoted(codigo) + QStringLiteral(" and LOTE = ") + quoted(lote));
}

inline void ativa(QWidget *w)
{
    QApplication::setActiveWindow(w);
    QVERIFY(QTest::qWaitForWindowActive(w));
}

// "Cápsulas vazias por lote" in the main window, and the window at its full size.
inline TFormCadPrep *abreJanela()
{
    frm_Principal->BitBtn1->click();
    ativa(FormCadPrep);
    FormCadPrep->resize(1127, 670);
    return FormCadPrep;
}

inline DBGrid *grade()
{
    return FormCadPrep->DBGrid1;
}

inline void clicaNaCelula(int linha, int coluna)
{
    DBGrid *g = grade();
    g->scrollTo(g->model()->index(linha, coluna));
    TestPrograma::clicaNaCelula(g, linha, coluna);
}

// The row of the grid that shows the lot.
inline int linhaDe(const QString &codigo, const QString &lote)
{
    ClientDataSet *ds = DM->PesoCaV;
    for (int r = 0; r < ds->RecordCount(); ++r)
        if (ds->rowValue(r, ds->FieldIndex(QStringLiteral("CODFORN"))).toString() == codigo &&
            ds->rowValue(r, ds->FieldIndex(QStringLiteral("LOTE"))).toString() == lote)
            return r;
    return -1;
}

inline QString campo(const char *nome)
{
    return DM->PesoCaV->FieldByName(QString::fromLatin1(nome)).AsString();
}

// A right click, and the item of the menu that it opens chosen with the mouse.
inline void escolheNoMenu(QWidget *onde, const QPoint &pos, QMenu *menu, QAction *item)
{
    QTest::mouseClick(onde, Qt::RightButton, {}, pos);
    QContextMenuEvent pedido(QContextMenuEvent::Mouse, pos, onde->mapToGlobal(pos));
    QApplication::sendEvent(onde, &pedido);
    QTRY_VERIFY(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    QTRY_VERIFY(!menu->isVisible());
}

inline void menuDaLinha(int linha, QAction *item)
{
    DBGrid *g = grade();
    g->scrollTo(g->model()->index(linha, 1));
    escolheNoMenu(g->viewport(), g->visualRect(g->model()->index(linha, 1)).center(), FormCadPrep->PopupMenu2, item);
}

} // namespace Lotes
