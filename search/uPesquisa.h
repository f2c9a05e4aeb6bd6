#pragma once
// The order search window, a child of the main window's MDI area. Each search
// replaces the statement behind DM->cds_Pedidos and reopens it; the order
// chosen is the current row of that list when the window closes, and the
// statement stays in effect until the next search.
// Destroyed when closed, or when the window that owns it destroys it;
// frm_Pesquisa is then emptied. Call from the UI thread only.

#include <QDate>
#include <QPointer>
#include <QString>
#include <QWidget>

class DBGrid;
class TDM;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;

class Tfrm_Pesquisa : public QWidget {
    Q_OBJECT
public:
    // owner: the window that opened the search (the main window or an analysis
    // window). It is not the Qt parent: the MDI area reparents the form.
    // dm: the data module whose order list the window searches.
    explicit Tfrm_Pesquisa(TDM *dm, QWidget *owner = nullptr);
    ~Tfrm_Pesquisa() override;

    QWidget *owner() const { return m_owner; }

    QGroupBox *grp1;
    QLineEdit *edt_1;
    QPushButton *BitBtn1;
    QGroupBox *grp2;
    QLineEdit *medt1;
    QLabel *lbl_1;
    QLineEdit *medt2;
    DBGrid *dbgrd2;
    QStatusBar *stb1;

    // Search by station and number, or by station alone when no number is given.
    void PesquisarNumero();
    // Search by the order dates of medt1 and medt2.
    void PesquisarData();
    void BitBtn1Click();

    // Key handlers; true when the key was consumed.
    bool edt_1KeyPress(QKeyEvent *event);
    bool medt1KeyPress(QKeyEvent *event);
    bool medt2KeyPress(QKeyEvent *event);
    bool dbgrd2KeyPress(QKeyEvent *event);

    // Gives the MDI child window its outer size and centres it in the MDI area.
    void Posiciona();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void FormClose();
    // Closes the MDI child window holding the form, or the form itself.
    void Fecha();

    TDM *m_dm;
    QPointer<QWidget> m_owner;
    bool m_shown = false;
    bool m_fechando = false;
};

extern Tfrm_Pesquisa *frm_Pesquisa;

// The column list of the order table for the station and number searches;
// assigned whenever a search window is created.
extern QString CamposPedido;

// The search key with the dot after the station code: a key whose third
// character is not a dot gets one after its second character.
QString ChaveComPonto(const QString &chave);

// The text of a date box as typed: separators kept, empty positions as blanks.
QString TextoDaData(const QLineEdit *caixa);

// The date of a date box's text "dd/mm/yy" (day and month of one or two digits,
// blanks around them ignored, year of two digits). Raises AppError
// "'<text>' is not a valid date" otherwise.
QDate DataDoTexto(const QString &texto, int anoDeReferencia = QDate::currentDate().year());
