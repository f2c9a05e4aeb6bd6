#pragma once
// The analysis window, a child of the main window's MDI area: the orders, the
// formulas of the current order, and the components, weighings and result of
// the current formula, all bound to the data module. Destroyed when closed;
// its close handler empties frm_Cadastros. Call from the UI thread only.

#include <QColor>
#include <QWidget>

class DBEdit;
class DBGrid;
class DBRichEdit;
class DBText;
class QFrame;
class QGroupBox;
class QComboBox;
class QLabel;
class QPushButton;
class BalancaNaJanela;
class TDM;
class TRM;

class Tfrm_Cadastros : public QWidget {
    Q_OBJECT
public:
    // dm: the data module the window shows and stores through; rm: the report
    // module that prints the detailed report (none: "Imprimir" does nothing).
    Tfrm_Cadastros(TDM *dm, TRM *rm, QWidget *owner = nullptr);
    ~Tfrm_Cadastros() override;

    QFrame *pnl_informacoes;
    QLabel *lbl_1;
    DBText *dbtxtID_RPESOMED;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
    QLabel *lbl_7;
    DBText *dbtxtNPEDIDO;
    QLabel *lbl_5;
    DBText *dbtxtID_RPESOMED1;
    DBText *dbtxtID_RPESOMED2;
    QLabel *lbl_6;
    DBText *dbtxtID_RPESOMED3;
    QGroupBox *grp4;
    DBGrid *dbgrd2;
    DBGrid *dbgrd3;
    QGroupBox *grp3;
    DBGrid *dbgrd1;
    QLabel *Mensagem;
    // "Lendo a balança…" while F6 waits for the balance.
    QLabel *lbl_Balanca;
    QGroupBox *grp1;
    DBEdit *DBEdit8, *dbedt1, *DBEdit1, *DBEdit3, *DBEdit2, *DBEdit4, *DBEdit9, *DBEdit5, *DBEdit6, *DBEdit7,
        *DBEdit10;
    QPushButton *btn_Calcular;
    QGroupBox *grp2;
    DBText *dbtxtRESULTADO;
    // Shown when the weights changed after the stored analysis.
    QLabel *lbl_AnaliseDesatualizada;
    DBText *DBText1;
    DBRichEdit *DBRichEdit1;
    QPushButton *btn_Relatorio;
    // The operator: from the result record when it names one, else typed or
    // chosen from the names used at this workstation.
    QLabel *lbl_Manipulador;
    QComboBox *cmb_Manipulador;
    QPushButton *btn_Historico;
    // One discreet line: a sample smaller than the method asks, the history off.
    QLabel *lbl_Registro;

    void FormActivate();
    void dbgrd1Enter();
    void BitBtn1Click();
    void BitBtn2Click();
    void btn_CalcularClick();
    void btn_RelatorioClick();
    void btn_HistoricoClick();
    // The operator typed or chosen: it goes with the history rows from now on.
    void cmb_ManipuladorExit();

    // Colours the verdict text: green for exactly "Aprovado", red otherwise.
    void PintaResultado(const QString &resultado);
    // Analyses the weighings of the current formula and stores the result.
    void AnalisarCapsulas();
    // The theoretical weight of the formula, its note shown in the message line.
    double CalculaPesoTeorico(const QString &estacao, qint64 npedido, qint64 nformula);
    // Colours the verdict from the current result record and repaints.
    void ColorirResultado();

signals:
    // "Pesquisar Pedido": the order search is wanted, owned by this window
    // when it is created for it, and going with it.
    void PesquisaPedida(QWidget *dono);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void FormClose();
    void MontaTela();
    // The operator and the sample line of the formula now current.
    void MostraRegistro();
    // The operator onto the result record, when it names none or another.
    void GravaManipulador();
    QString m_manipuladorDoRegistro;
    TDM *m_dm;
    TRM *m_rm;
    bool m_activationWatched = false;
    BalancaNaJanela *m_balanca = nullptr;
};

extern Tfrm_Cadastros *frm_Cadastros;

// The colour of a verdict: green (0, 128, 0) for exactly "Aprovado", red otherwise.
QColor CorDoResultado(const QString &resultado);

// Weighings posted but not written (the link was lost) are written now; when
// they still cannot be, the user is asked the question given, after the
// reason. True when nothing is pending any more or the user answered yes.
bool PesagensPendentesResolvidas(TDM *dm, const QString &pergunta);
