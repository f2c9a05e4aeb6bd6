#pragma once
// The main window: an MDI frame with the three command buttons and the menu.
// Its construction reads the suite configuration.

#include <QMainWindow>

class QMdiArea;
class QPushButton;

class Tfrm_Principal : public QMainWindow {
    Q_OBJECT
public:
    explicit Tfrm_Principal(QWidget *parent = nullptr);

    QMdiArea *mdiArea() const { return m_mdi; }
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QPushButton *BitBtn3 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate();
    void FormShow();

    QMdiArea *m_mdi = nullptr;
    bool m_shown = false;
};

extern Tfrm_Principal *frm_Principal;

// The toolkit's colour number (red in the lowest byte) as a colour.
QColor CorDoSistema(qint32 cor);
