#pragma once
// The analysis window, a child of the main window's MDI area: the order, its
// formulas, and the weighings and result of the current formula.
// Destroyed when closed; its close handler empties frm_Cadastros.

#include <QWidget>

class QPushButton;

class Tfrm_Cadastros : public QWidget {
    Q_OBJECT
public:
    explicit Tfrm_Cadastros(QWidget *owner = nullptr);
    ~Tfrm_Cadastros() override;

    QPushButton *btn_Calcular;
    QPushButton *btn_Relatorio;

    void btn_CalcularClick();
    void btn_RelatorioClick();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void FormClose();
};

extern Tfrm_Cadastros *frm_Cadastros;
