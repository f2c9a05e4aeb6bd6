#pragma once
// The main window: an MDI frame with the three command buttons, the menu, the
// action list whose keys act in every window of the program, and the help
// panel. Its construction reads the suite configuration; its first showing
// opens the central datasets. Call from the UI thread only.

#include <QMainWindow>
#include <QPointer>

class QAction;
class QFrame;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class TDM;
class TFormCadPrep;
class TRM;

class Tfrm_Principal : public QMainWindow {
    Q_OBJECT
public:
    explicit Tfrm_Principal(QWidget *parent = nullptr);
    ~Tfrm_Principal() override;

    // What its commands work with, given at start-up once they exist (the
    // window itself comes first: it reads the configuration): the data module
    // whose central datasets it opens and closes and which the windows it
    // opens show, the report module, and the lot register it shows.
    void UsaModulos(TDM *dm, TRM *rm, TFormCadPrep *lotes);

    QMdiArea *mdiArea() const { return m_mdi; }

    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
    QPushButton *BitBtn3;
    QAction *CadastroInicial1;
    QAction *PesquisarPedido1;
    QAction *PMCadastros1;
    QAction *Balanca1;
    QMenu *Ajuda1;
    QAction *InformaessobreoPesoMdio1;
    QAction *Sair2;
    QAction *act_Cadastro;
    QAction *act_Calcular;
    QAction *act_FCadastros;
    QAction *act_Sair;
    QFrame *pnl_informacoes;
    QPlainTextEdit *mmo1;
    QPushButton *btn1;

    void CadastroInicial1Click();
    void PesquisarPedido1Click();
    void act_CadastroExecute();
    void act_CalcularExecute();
    void act_FCadastrosExecute();
    void act_SairExecute();
    void InformaessobreoPesoMdio1Click();
    void Balanca1Click();
    void btn1Click();

    // Puts a window into the MDI area as a child destroyed when closed.
    QMdiSubWindow *AdicionaFilha(QWidget *form);
    // The MDI child window holding form, if any.
    QMdiSubWindow *JanelaDe(QWidget *form) const;
    // True when form is the active child and the main window the active window.
    bool JanelaAtiva(QWidget *form) const;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void FormClose();
    void CriaPainelInformacoes(QWidget *central);
    // The order search, brought to the front when it exists, else created
    // owned by dono (this window or an analysis window, with which it goes).
    void AbrePesquisa(QWidget *dono);

    TDM *m_dm = nullptr;
    TRM *m_rm = nullptr;
    QPointer<TFormCadPrep> m_lotes;

    QMdiArea *m_mdi;
    QWidget *m_central;
    bool m_shown = false;
    bool m_discardCloseError = false;
};

extern Tfrm_Principal *frm_Principal;

// The workstation's conventions: Brazilian number and date formats when the
// system names none, and the small sans-serif type the windows were laid out for.
void PreparaAparencia();

// The toolkit's colour number (red in the lowest byte) as a colour.
QColor CorDoSistema(qint32 cor);
