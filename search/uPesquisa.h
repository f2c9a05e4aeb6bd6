#pragma once
// The order search window, a child of the main window's MDI area.
// Destroyed when closed; frm_Pesquisa is then emptied.

#include <QWidget>

class Tfrm_Pesquisa : public QWidget {
    Q_OBJECT
public:
    explicit Tfrm_Pesquisa(QWidget *owner = nullptr);
    ~Tfrm_Pesquisa() override;
};

extern Tfrm_Pesquisa *frm_Pesquisa;
