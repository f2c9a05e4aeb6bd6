#pragma once
// The register of empty-capsule lots: a separate top-level window that lives
// for the whole run; closing it only hides it. The grid lists every lot of
// PesoCaV and takes lots typed into its rows; the entry panel takes a new lot
// or a change of the current one and stores it with a statement of its own;
// the supplier and lot pickers fill either of them. All data lives in the data
// module. Call from the UI thread only.

#include <QWidget>

class DBGrid;
class DBNavigator;
class DBText;
class QAction;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class BalancaNaJanela;
class TDM;

class TFormCadPrep : public QWidget {
    Q_OBJECT
public:
    explicit TFormCadPrep(TDM *dm, QWidget *parent = nullptr);
    ~TFormCadPrep() override;

    QFrame *PainelCapVazias;
    DBNavigator *DBNavigator1;
    QPushButton *BitBtn4;
    QPushButton *BitBtn1;
    QLabel *Label1;
    DBText *DBText1;
    QLabel *Label7;
    DBText *DBText3;
    QLabel *Label8;
    DBText *DBText4;
    QLabel *Label3;
    // "Lendo a balança…" while F6 waits for the balance.
    QLabel *lbl_Balanca;
    DBGrid *DBGrid1;

    // The entry panel.
    QFrame *Panel1;
    QLabel *Panel2;
    QLabel *Label31;
    QLabel *Label34;
    QLabel *Label9;
    QLineEdit *CodigoFornecedor;
    QLabel *Label10;
    QLineEdit *EditLote;
    // The capsule size of the lot: filled from the chosen stock lot's
    // description, typed when there is none; a change keeps the lot's own.
    QLabel *Label35;
    QLineEdit *EditTamanho;
    QLabel *Label32;
    QLineEdit *Peso[20];     // Peso1 to Peso20
    QLabel *LabelPeso[20];   // Label11 to Label30
    QPushButton *BitBtn3;
    QPushButton *BitBtn2;

    // The supplier picker and the lot picker.
    QFrame *PainelForneced;
    QLabel *Label2;
    DBGrid *DBGrid2;
    QFrame *PainelEstLote;
    QLabel *Label4;
    QLabel *Label5;
    DBText *DBText2;
    DBGrid *DBGrid3;
    QLabel *Label6;

    QMenu *PopupMenu1;
    QAction *Eliminarduplicaes1;
    QMenu *PopupMenu2;
    QAction *Alteraresteregistro1;
    QAction *Excluiresteregistro1;
    QAction *Historicodestelote1;

    // 1: the entry panel holds a new lot; 2: a change of an existing lot; 0 before first use.
    int ModoEntrada = 0;
    // The capsule size of the lot last taken for change or deletion: with
    // CodFornAnterior and LoteAnterior, the one row a change or deletion touches.
    QString TamanhoAnterior;

    void FormActivate();
    void FormResize();
    // False when the pending row could not be stored: the window stays open.
    bool FormClose();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    // Enter in the lot grid: one column to the right, through the exit rules.
    void DBGrid1KeyPress();
    void DBGrid1ColExit(int coluna);
    void Peso1Enter();
    void Alteraresteregistro1Click();
    void Excluiresteregistro1Click();
    void Historicodestelote1Click();
    void Eliminarduplicaes1Click();

    // A weight read from elsewhere (a balance) put where a typed weight would
    // go, then moving on as Enter does: the current weight cell of the grid,
    // or the weight edit of the entry panel that has the focus. False when
    // neither takes a weight now, or the weight was refused (with its message).
    bool EntraPeso(double peso);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TDM *m_dm;   // the data module it works on, given at creation
    enum class Origem { Painel, Grade };
    BalancaNaJanela *m_balanca = nullptr;
    // F6 reads the balance, Esc gives a waiting reading up; true when the key was taken.
    bool TeclaDaBalanca(QKeyEvent *tecla);

    void MontaTela();
    void MontaPainelEntrada();
    void MontaSeletores();
    void Dispoe(const QSize &janela);
    QSize TamanhoJanela() const;
    void PoeTamanho(const QSize &janela);
    // The whole list read again from the database, from its first lot.
    void AbreLista();
    // Stores the row being edited in the grid; false (the error shown) when it cannot be.
    bool GravaLinhaPendente();

    bool CodigoFornecedorKeyPress(QKeyEvent *event);
    void EditLoteKeyPress();
    bool PesoKeyPress(int indice, QKeyEvent *event);
    // The focus to the control after weight edit indice, as Enter moves it.
    void ProximoDoPeso(int indice);
    bool DBGrid2KeyPress(QKeyEvent *event);
    bool DBGrid3KeyPress(QKeyEvent *event);

    // The supplier with this code (exact match) or trade name current in OpForn.
    bool ProcuraFornecedorPorCodigo(const QString &codigo);
    bool ProcuraFornecedorPorNome(const QString &nome);
    void MostraFornecedores(Origem origem);
    // Opens the capsule lots of OpForn's current supplier; false after telling that there are none.
    bool AbreLotesDoFornecedor();
    void MostraLotes(Origem origem);
    void EscondeSeletorFornecedores();
    void EscondeSeletorLotes();

    void EtapaPesos();
    void EtapaLote();
    void EtapaFornecedor();

    // The lot row of the grid that opened a picker: a choice goes to that row
    // only, and the picker closes when the grid moves to another.
    QList<QVariant> m_linhaDoSeletor;
    QList<QVariant> ChaveDaLinha() const;
    // PesoCaV put on the lot of this supplier, lot and size; false when the list no longer holds it.
    bool VoltaAoLote(const QList<QVariant> &chave);
    void FechaSeletoresDaGrade();

    Origem m_origemFornecedores = Origem::Painel;
    Origem m_origemLotes = Origem::Painel;
    // The lot of the grid row as it was when the row went into edit mode:
    // only a lot typed since is checked against the stock.
    QVariant m_loteLido;
    bool m_mostrada = false;
    bool m_voltaDeDialogo = false;
};

extern TFormCadPrep *FormCadPrep;

// The supplier code (at most 30 characters) and the lot last taken for change
// or deletion.
extern QString CodFornAnterior;
extern QString LoteAnterior;
