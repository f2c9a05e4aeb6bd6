#pragma once
// The history window: the history of one formula or of one lot, newest
// first, one line per recorded write (when, who, what, before → after). A
// top-level window of its own, destroyed when closed; it reads the history
// once, through the data module, when it is opened. Call from the UI thread
// only.

#include "data/HistoricoLeitura.h"

#include <QStringList>
#include <QWidget>

class QLabel;
class QTableWidget;
class TDM;

// One line of the window: when, who, what, before → after.
QStringList LinhaDoHistorico(const Historico::Entrada &entrada);

class Tfrm_Historico : public QWidget {
    Q_OBJECT
public:
    // titulo names what the history is of; ativo false: the database keeps none.
    Tfrm_Historico(const QString &titulo, const QList<Historico::Entrada> &entradas, bool ativo,
                   QWidget *parent = nullptr);

    // Reads the history of that key (Historico::chaveDaFormula or chaveDoLote)
    // through the data module and shows it.
    static Tfrm_Historico *Abre(TDM &dm, const QString &chave, const QString &titulo, QWidget *parent = nullptr);

    QLabel *lbl_Titulo;
    QLabel *lbl_Desativado;
    QTableWidget *grd_Historico;
};
