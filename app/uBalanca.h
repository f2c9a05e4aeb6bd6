#pragma once
// The window "Balança": the balance settings of this workstation, kept in
// PesoMed.ini (see ArquivoGravacaoBalanca), the serial ports present (by their
// stable names where the system has them), and one weight read as a test with
// the settings on screen (F6 or "Ler um peso"; Esc gives up), the live weight
// shown while it is unstable. Choosing a protocol proposes its makers' factory
// settings; "Detectar" finds the balance on the ports with those settings;
// "Zerar" and "Tarar" send zero and tare. The model and serial number the
// balance gives are shown. A separate top-level window owned by the main window, at most one,
// destroyed when closed. The test reading uses a reader of its own; the
// program's balance lets go of the port meanwhile and takes the settings when
// they are saved. Call from the UI thread only.

#include "balance/ConfiguracaoBalanca.h"

#include <QWidget>

class DetectorBalanca;
class LeitorBalanca;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class Tfrm_Balanca : public QWidget {
    Q_OBJECT
public:
    explicit Tfrm_Balanca(QWidget *owner = nullptr);
    ~Tfrm_Balanca() override;

    QComboBox *cmb_Porta;
    QLabel *lbl_DescricaoPorta;
    QPushButton *btn_Atualizar;
    QComboBox *cmb_Protocolo;
    QComboBox *cmb_Velocidade;
    QComboBox *cmb_BitsDeDados;
    QComboBox *cmb_Paridade;
    QComboBox *cmb_BitsDeParada;
    QComboBox *cmb_ControleDeFluxo;
    QSpinBox *spn_EsperaMs;
    QCheckBox *chk_TeclaImprimir;
    QComboBox *cmb_Formato;
    QLineEdit *edt_Padrao;
    QPushButton *btn_Detectar;
    QPushButton *btn_Zerar;
    QPushButton *btn_Tarar;
    QLabel *lbl_Identificacao;
    QPushButton *btn_Ler;
    QPushButton *btn_Gravar;
    QPushButton *btn_Fechar;
    QLabel *lbl_Resultado;

    void btn_AtualizarClick();
    void btn_LerClick();
    void btn_GravarClick();
    void btn_FecharClick();
    void btn_DetectarClick();
    void btn_ZerarClick();
    void btn_TararClick();
    void EnviaComando(bool (LeitorBalanca::*comando)(QString *), const QString &enviado);

    // The settings as the controls show them.
    ConfiguracaoBalanca ConfiguracaoDaTela() const;
    void MostraConfiguracao(const ConfiguracaoBalanca &configuracao);
    // The reader of the test reading.
    LeitorBalanca *leitor() const { return m_leitor; }

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void MontaTela();
    void PesoLido(double peso);
    void PesoEspontaneo(double peso);
    void PesoInstavel(const QString &numero, const QString &unidade);
    void MostraIdentificacao(const QString &modelo, const QString &serie);
    void FormatoMudou();
    void MostraFormato();
    void SoltaPortaDoPrograma();
    void DetectorTentando(const ConfiguracaoBalanca &c);
    void DetectorEncontrou(const ConfiguracaoBalanca &c, const QString &modelo, const QString &serie);
    void DetectorNaoEncontrou();
    void FalhaDaLeitura(const QString &mensagem);
    void LendoMudou(bool lendo);
    void ProtocoloMudou();
    void PortaMudou();
    void MostraResultado(const QString &texto, bool erro = false);
    QString TextoDoPeso(double peso) const;
    bool Gravar();

    LeitorBalanca *m_leitor;
    DetectorBalanca *m_detector;
    ConfiguracaoBalanca m_gravada;
    // The program's balance had its port open before the test reading took it.
    bool m_devolvePorta = false;
};

extern Tfrm_Balanca *frm_Balanca;
