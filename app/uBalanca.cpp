#include "app/uBalanca.h"

#include "balance/DetectorBalanca.h"
#include "balance/LeitorBalanca.h"
#include "config/uConfiguracao.h"
#include "core/Messages.h"
#include "widgets/ErrorHandler.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSpinBox>
#include <QVBoxLayout>

Tfrm_Balanca *frm_Balanca = nullptr;

namespace {

const QList<ProtocoloBalanca> kProtocolos = {ProtocoloBalanca::MtSics, ProtocoloBalanca::Sbi, ProtocoloBalanca::And,
                                             ProtocoloBalanca::Continuo};
const QList<ParidadeBalanca> kParidades = {ParidadeBalanca::Nenhuma, ParidadeBalanca::Par, ParidadeBalanca::Impar,
                                           ParidadeBalanca::Marca, ParidadeBalanca::Espaco};
const QList<ParadaBalanca> kParadas = {ParadaBalanca::Um, ParadaBalanca::UmEMeio, ParadaBalanca::Dois};
const QList<FluxoBalanca> kFluxos = {FluxoBalanca::Nenhum, FluxoBalanca::Hardware, FluxoBalanca::Software};

// The settings compared as the screen holds them: without the file's complaints.
ConfiguracaoBalanca semErros(ConfiguracaoBalanca c)
{
    c.erros.clear();
    return c;
}

// The device name as the ports are listed: the full path where there is one,
// the name that survives unplugging where the system gives one.
QString nomeDaPorta(const QSerialPortInfo &info)
{
#ifdef Q_OS_UNIX
    return NomeEstavelDaPorta(info.systemLocation());
#else
    return info.portName();
#endif
}

// The first entry of the line formats: the lines of MT-SICS, SBI and A&D
// balances, recognised by their look, without a pattern.
const QString kFormatoReconhecido = QStringLiteral("MT-SICS, SBI ou A&D (reconhecido)");
const QString kFormatoOutro = QStringLiteral("Outro (padrão abaixo)");

} // namespace

Tfrm_Balanca::Tfrm_Balanca(QWidget *owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("frm_Balanca"));
    setWindowTitle(QStringLiteral("Balança"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_leitor = new LeitorBalanca(this);
    m_detector = new DetectorBalanca(this);
    connect(m_leitor, &LeitorBalanca::pesoLido, this, &Tfrm_Balanca::PesoLido);
    connect(m_leitor, &LeitorBalanca::pesoInstavel, this, &Tfrm_Balanca::PesoInstavel);
    connect(m_leitor, &LeitorBalanca::identificacaoMudou, this,
            [this] { MostraIdentificacao(m_leitor->modelo(), m_leitor->numeroDeSerie()); });
    connect(m_detector, &DetectorBalanca::tentando, this, &Tfrm_Balanca::DetectorTentando);
    connect(m_detector, &DetectorBalanca::encontrada, this, &Tfrm_Balanca::DetectorEncontrou);
    connect(m_detector, &DetectorBalanca::naoEncontrada, this, &Tfrm_Balanca::DetectorNaoEncontrou);
    connect(m_leitor, &LeitorBalanca::pesoEspontaneo, this, &Tfrm_Balanca::PesoEspontaneo);
    connect(m_leitor, &LeitorBalanca::falha, this, &Tfrm_Balanca::FalhaDaLeitura);
    connect(m_leitor, &LeitorBalanca::lendoMudou, this, &Tfrm_Balanca::LendoMudou);
    MontaTela();
    btn_AtualizarClick();
    m_gravada = LeConfiguracaoBalanca();
    MostraConfiguracao(m_gravada);
    if (!m_gravada.erros.isEmpty())
        MostraResultado(QStringLiteral("O arquivo PesoMed.ini tem valores inválidos, que a tela não mostra: %1.")
                            .arg(m_gravada.erros.join(QStringLiteral(", "))),
                        true);
}

Tfrm_Balanca::~Tfrm_Balanca()
{
    // The port back to the program's balance, which held it before the test.
    m_detector->para();
    m_leitor->fecha();
    if (m_devolvePorta && QCoreApplication::instance())
        BalancaDoPrograma().abre();
    if (frm_Balanca == this)
        frm_Balanca = nullptr;
}

void Tfrm_Balanca::MontaTela()
{
    auto *principal = new QVBoxLayout(this);
    auto *grupo = new QGroupBox(QStringLiteral("Balança desta estação"), this);
    auto *form = new QFormLayout(grupo);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);

    cmb_Porta = new QComboBox(grupo);
    cmb_Porta->setObjectName(QStringLiteral("cmb_Porta"));
    cmb_Porta->setEditable(true);
    cmb_Porta->setInsertPolicy(QComboBox::NoInsert);
    cmb_Porta->setMinimumWidth(260);
    cmb_Porta->lineEdit()->setPlaceholderText(QStringLiteral("vazia: sem balança"));
    btn_Atualizar = new QPushButton(QStringLiteral("Atualizar"), grupo);
    btn_Atualizar->setObjectName(QStringLiteral("btn_Atualizar"));
    auto *linhaPorta = new QHBoxLayout;
    linhaPorta->addWidget(cmb_Porta, 1);
    linhaPorta->addWidget(btn_Atualizar);
    form->addRow(QStringLiteral("Porta:"), linhaPorta);
    lbl_DescricaoPorta = new QLabel(grupo);
    lbl_DescricaoPorta->setObjectName(QStringLiteral("lbl_DescricaoPorta"));
    form->addRow(QString(), lbl_DescricaoPorta);

    cmb_Protocolo = new QComboBox(grupo);
    cmb_Protocolo->setObjectName(QStringLiteral("cmb_Protocolo"));
    for (ProtocoloBalanca p : kProtocolos)
        cmb_Protocolo->addItem(NomeProtocolo(p));
    cmb_Protocolo->setItemData(0, QStringLiteral("Comando S: resposta \"S S     0.3746 g\""), Qt::ToolTipRole);
    cmb_Protocolo->setItemData(1, QStringLiteral("Comando ESC P: resposta \"+    62.916 g \""), Qt::ToolTipRole);
    cmb_Protocolo->setItemData(2, QStringLiteral("Comando Q: resposta \"ST,+00123.456  g\""), Qt::ToolTipRole);
    cmb_Protocolo->setItemData(3, QStringLiteral("A balança envia as linhas sem ser pedida"), Qt::ToolTipRole);
    form->addRow(QStringLiteral("Protocolo:"), cmb_Protocolo);

    cmb_Velocidade = new QComboBox(grupo);
    cmb_Velocidade->setObjectName(QStringLiteral("cmb_Velocidade"));
    cmb_Velocidade->setEditable(true);
    cmb_Velocidade->setInsertPolicy(QComboBox::NoInsert);
    cmb_Velocidade->setValidator(new QIntValidator(1, 4000000, cmb_Velocidade));
    for (int v : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200})
        cmb_Velocidade->addItem(QString::number(v));
    form->addRow(QStringLiteral("Velocidade (bauds):"), cmb_Velocidade);

    cmb_BitsDeDados = new QComboBox(grupo);
    cmb_BitsDeDados->setObjectName(QStringLiteral("cmb_BitsDeDados"));
    cmb_BitsDeDados->addItems({QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")});
    form->addRow(QStringLiteral("Bits de dados:"), cmb_BitsDeDados);

    cmb_Paridade = new QComboBox(grupo);
    cmb_Paridade->setObjectName(QStringLiteral("cmb_Paridade"));
    cmb_Paridade->addItems({QStringLiteral("Nenhuma"), QStringLiteral("Par"), QStringLiteral("Ímpar"),
                            QStringLiteral("Marca"), QStringLiteral("Espaço")});
    form->addRow(QStringLiteral("Paridade:"), cmb_Paridade);

    cmb_BitsDeParada = new QComboBox(grupo);
    cmb_BitsDeParada->setObjectName(QStringLiteral("cmb_BitsDeParada"));
    cmb_BitsDeParada->addItems({QStringLiteral("1"), QStringLiteral("1,5"), QStringLiteral("2")});
    form->addRow(QStringLiteral("Bits de parada:"), cmb_BitsDeParada);

    cmb_ControleDeFluxo = new QComboBox(grupo);
    cmb_ControleDeFluxo->setObjectName(QStringLiteral("cmb_ControleDeFluxo"));
    cmb_ControleDeFluxo->addItems({QStringLiteral("Nenhum"), QStringLiteral("Hardware (RTS/CTS)"),
                                   QStringLiteral("Software (XON/XOFF)")});
    form->addRow(QStringLiteral("Controle de fluxo:"), cmb_ControleDeFluxo);

    spn_EsperaMs = new QSpinBox(grupo);
    spn_EsperaMs->setObjectName(QStringLiteral("spn_EsperaMs"));
    spn_EsperaMs->setRange(kEsperaMinimaMs, kEsperaMaximaMs);
    spn_EsperaMs->setSingleStep(500);
    spn_EsperaMs->setSuffix(QStringLiteral(" ms"));
    form->addRow(QStringLiteral("Espera pelo peso estável:"), spn_EsperaMs);

    chk_TeclaImprimir = new QCheckBox(QStringLiteral("Aceitar o peso enviado pela tecla de impressão da balança"), grupo);
    chk_TeclaImprimir->setObjectName(QStringLiteral("chk_TeclaImprimir"));
    form->addRow(QString(), chk_TeclaImprimir);

    cmb_Formato = new QComboBox(grupo);
    cmb_Formato->setObjectName(QStringLiteral("cmb_Formato"));
    cmb_Formato->addItem(kFormatoReconhecido);
    for (const PadraoConhecido &p : PadroesConhecidos())
        cmb_Formato->addItem(p.nome, p.padrao);
    cmb_Formato->addItem(kFormatoOutro);
    form->addRow(QStringLiteral("Formato da linha:"), cmb_Formato);

    edt_Padrao = new QLineEdit(grupo);
    edt_Padrao->setObjectName(QStringLiteral("edt_Padrao"));
    edt_Padrao->setPlaceholderText(QStringLiteral(R"(ex.: ^(?<instavel>\?)?\s*(?<peso>[-+]?[\d.]+)\s*(?<unidade>\w+)$)"));
    form->addRow(QStringLiteral("Padrão da linha (outras marcas):"), edt_Padrao);
    lbl_Identificacao = new QLabel(grupo);
    lbl_Identificacao->setObjectName(QStringLiteral("lbl_Identificacao"));
    lbl_Identificacao->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QStringLiteral("Balança identificada:"), lbl_Identificacao);
    principal->addWidget(grupo);

    auto *botoes = new QHBoxLayout;
    btn_Ler = new QPushButton(QStringLiteral("Ler um peso (F6)"), this);
    btn_Ler->setObjectName(QStringLiteral("btn_Ler"));
    btn_Gravar = new QPushButton(QStringLiteral("Gravar"), this);
    btn_Gravar->setObjectName(QStringLiteral("btn_Gravar"));
    btn_Fechar = new QPushButton(QStringLiteral("Fechar"), this);
    btn_Fechar->setObjectName(QStringLiteral("btn_Fechar"));
    btn_Detectar = new QPushButton(QStringLiteral("Detectar"), this);
    btn_Detectar->setObjectName(QStringLiteral("btn_Detectar"));
    btn_Detectar->setToolTip(QStringLiteral("Procura a balança nas portas com as configurações de fábrica de cada marca"));
    btn_Zerar = new QPushButton(QStringLiteral("Zerar"), this);
    btn_Zerar->setObjectName(QStringLiteral("btn_Zerar"));
    btn_Tarar = new QPushButton(QStringLiteral("Tarar"), this);
    btn_Tarar->setObjectName(QStringLiteral("btn_Tarar"));
    botoes->addWidget(btn_Ler);
    botoes->addWidget(btn_Detectar);
    botoes->addWidget(btn_Zerar);
    botoes->addWidget(btn_Tarar);
    botoes->addStretch();
    botoes->addWidget(btn_Gravar);
    botoes->addWidget(btn_Fechar);
    principal->addLayout(botoes);

    lbl_Resultado = new QLabel(this);
    lbl_Resultado->setObjectName(QStringLiteral("lbl_Resultado"));
    lbl_Resultado->setWordWrap(true);
    lbl_Resultado->setMinimumHeight(48);
    lbl_Resultado->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbl_Resultado->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lbl_Resultado->setTextInteractionFlags(Qt::TextSelectableByMouse);
    principal->addWidget(lbl_Resultado);

    connect(btn_Atualizar, &QPushButton::clicked, this, guardedSlot(this, &Tfrm_Balanca::btn_AtualizarClick));
    connect(btn_Ler, &QPushButton::clicked, this, guardedSlot(this, &Tfrm_Balanca::btn_LerClick));
    connect(btn_Gravar, &QPushButton::clicked, this, guardedSlot(this, &Tfrm_Balanca::btn_GravarClick));
    connect(btn_Fechar, &QPushButton::clicked, this, guardedSlot(this, &Tfrm_Balanca::btn_FecharClick));
    connect(btn_Detectar, &QPushButton::clicked, this, guardedSlot(this, &Tfrm_Balanca::btn_DetectarClick));
    connect(btn_Zerar, &QPushButton::clicked, this, guardedSlot(this, &Tfrm_Balanca::btn_ZerarClick));
    connect(btn_Tarar, &QPushButton::clicked, this, guardedSlot(this, &Tfrm_Balanca::btn_TararClick));
    connect(cmb_Formato, &QComboBox::activated, this, &Tfrm_Balanca::FormatoMudou);
    connect(cmb_Protocolo, &QComboBox::activated, this, &Tfrm_Balanca::ProtocoloMudou);
    connect(cmb_Porta, &QComboBox::currentTextChanged, this, &Tfrm_Balanca::PortaMudou);
    resize(560, sizeHint().height());
}

// ------------------------------------------------------------------ settings

void Tfrm_Balanca::MostraConfiguracao(const ConfiguracaoBalanca &c)
{
    cmb_Porta->setCurrentText(c.porta);
    cmb_Protocolo->setCurrentIndex(static_cast<int>(kProtocolos.indexOf(c.protocolo)));
    cmb_Velocidade->setCurrentText(QString::number(c.velocidade));
    cmb_BitsDeDados->setCurrentText(QString::number(c.bitsDeDados));
    cmb_Paridade->setCurrentIndex(static_cast<int>(kParidades.indexOf(c.paridade)));
    cmb_BitsDeParada->setCurrentIndex(static_cast<int>(kParadas.indexOf(c.bitsDeParada)));
    cmb_ControleDeFluxo->setCurrentIndex(static_cast<int>(kFluxos.indexOf(c.controleDeFluxo)));
    spn_EsperaMs->setValue(c.esperaMs);
    chk_TeclaImprimir->setChecked(c.teclaImprimir);
    edt_Padrao->setText(c.padrao);
    MostraFormato();
    PortaMudou();
}

ConfiguracaoBalanca Tfrm_Balanca::ConfiguracaoDaTela() const
{
    ConfiguracaoBalanca c;
    c.porta = cmb_Porta->currentText().trimmed();
    c.protocolo = kProtocolos.value(cmb_Protocolo->currentIndex(), ProtocoloBalanca::MtSics);
    c.velocidade = cmb_Velocidade->currentText().toInt();
    c.bitsDeDados = cmb_BitsDeDados->currentText().toInt();
    c.paridade = kParidades.value(cmb_Paridade->currentIndex(), ParidadeBalanca::Nenhuma);
    c.bitsDeParada = kParadas.value(cmb_BitsDeParada->currentIndex(), ParadaBalanca::Um);
    c.controleDeFluxo = kFluxos.value(cmb_ControleDeFluxo->currentIndex(), FluxoBalanca::Nenhum);
    c.esperaMs = spn_EsperaMs->value();
    c.teclaImprimir = chk_TeclaImprimir->isChecked();
    c.padrao = c.protocolo == ProtocoloBalanca::Continuo ? edt_Padrao->text() : m_gravada.padrao;
    return c;
}

void Tfrm_Balanca::ProtocoloMudou()
{
    const ProtocoloBalanca protocolo = kProtocolos.value(cmb_Protocolo->currentIndex(), ProtocoloBalanca::MtSics);
    const bool continuo = protocolo == ProtocoloBalanca::Continuo;
    // The makers' factory settings of the protocol, to be changed where the
    // balance was set otherwise.
    ConfiguracaoBalanca c = ConfiguracaoDaTela();
    if (!continuo) {
        c = ConfiguracaoDeFabrica(protocolo, c);
        cmb_Velocidade->setCurrentText(QString::number(c.velocidade));
        cmb_BitsDeDados->setCurrentText(QString::number(c.bitsDeDados));
        cmb_Paridade->setCurrentIndex(static_cast<int>(kParidades.indexOf(c.paridade)));
        cmb_BitsDeParada->setCurrentIndex(static_cast<int>(kParadas.indexOf(c.bitsDeParada)));
        cmb_ControleDeFluxo->setCurrentIndex(static_cast<int>(kFluxos.indexOf(c.controleDeFluxo)));
    }
    MostraFormato();
    // A balance that sends all the time would fill the grids: off unless asked for.
    chk_TeclaImprimir->setChecked(!continuo);
}

void Tfrm_Balanca::MostraFormato()
{
    const bool continuo = cmb_Protocolo->currentIndex() == kProtocolos.indexOf(ProtocoloBalanca::Continuo);
    cmb_Formato->setEnabled(continuo);
    const QString padrao = edt_Padrao->text();
    int i = padrao.isEmpty() ? 0 : cmb_Formato->findData(padrao);
    if (i < 0)
        i = cmb_Formato->count() - 1;
    cmb_Formato->setCurrentIndex(i);
    edt_Padrao->setEnabled(continuo && cmb_Formato->currentText() == kFormatoOutro);
}

void Tfrm_Balanca::FormatoMudou()
{
    const QString texto = cmb_Formato->currentText();
    if (texto == kFormatoReconhecido)
        edt_Padrao->clear();
    else if (texto != kFormatoOutro)
        edt_Padrao->setText(cmb_Formato->currentData().toString());
    edt_Padrao->setEnabled(texto == kFormatoOutro);
    if (texto == kFormatoOutro)
        edt_Padrao->setFocus();
}

void Tfrm_Balanca::PortaMudou()
{
    const QString porta = cmb_Porta->currentText().trimmed();
    QString descricao;
    const QString dispositivo = DispositivoDaPorta(porta);
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        if (nomeDaPorta(info) == porta || info.portName() == porta || info.systemLocation() == dispositivo)
            descricao = QStringList({info.description(), info.manufacturer()}).join(QStringLiteral(" - "));
    if (descricao == QLatin1String(" - "))
        descricao.clear();
    lbl_DescricaoPorta->setText(porta.isEmpty() ? QStringLiteral("Sem balança nesta estação.") : descricao);
}

void Tfrm_Balanca::btn_AtualizarClick()
{
    const QString atual = cmb_Porta->currentText();
    cmb_Porta->clear();
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        cmb_Porta->addItem(nomeDaPorta(info));
        cmb_Porta->setItemData(cmb_Porta->count() - 1, info.description(), Qt::ToolTipRole);
    }
    cmb_Porta->setCurrentText(atual);
    PortaMudou();
}

bool Tfrm_Balanca::Gravar()
{
    const ConfiguracaoBalanca c = ConfiguracaoDaTela();
    if (const QStringList erros = ValidaConfiguracaoBalanca(c); !erros.isEmpty()) {
        messages().error(QStringLiteral("A configuração da balança tem valores inválidos: %1.")
                             .arg(erros.join(QStringLiteral(", "))));
        return false;
    }
    QString erro;
    if (GravaConfiguracaoDaBalanca(c, &erro).isEmpty()) {
        messages().error(erro);
        return false;
    }
    m_gravada = c;
    LeitorBalanca &balanca = BalancaDoPrograma();
    if (balanca.aberta())
        m_devolvePorta = true;
    balanca.setConfiguracao(c);
    MostraResultado(QStringLiteral("Configuração gravada em PesoMed.ini."));
    return true;
}

void Tfrm_Balanca::btn_GravarClick()
{
    Gravar();
}

void Tfrm_Balanca::btn_FecharClick()
{
    close();
}

// ------------------------------------------------------------- test reading

void Tfrm_Balanca::SoltaPortaDoPrograma()
{
    // The program's balance lets go of the port while the window tests it.
    LeitorBalanca &balanca = BalancaDoPrograma();
    if (balanca.aberta()) {
        balanca.fecha();
        m_devolvePorta = true;
    }
}

void Tfrm_Balanca::btn_LerClick()
{
    if (m_leitor->lendo() || m_detector->detectando())
        return;
    SoltaPortaDoPrograma();
    // The port stays open between readings with the same settings: the
    // balance is identified once.
    if (m_leitor->configuracao() != ConfiguracaoDaTela() || !m_leitor->aberta())
        m_leitor->setConfiguracao(ConfiguracaoDaTela());
    m_leitor->ler();
}

void Tfrm_Balanca::btn_ZerarClick()
{
    EnviaComando(&LeitorBalanca::zera, QStringLiteral("Comando de zerar enviado à balança."));
}

void Tfrm_Balanca::btn_TararClick()
{
    EnviaComando(&LeitorBalanca::tara, QStringLiteral("Comando de tarar enviado à balança."));
}

// Zero or tare with the settings on screen, the program's balance letting go of the port.
void Tfrm_Balanca::EnviaComando(bool (LeitorBalanca::*comando)(QString *), const QString &enviado)
{
    if (m_leitor->lendo() || m_detector->detectando())
        return;
    SoltaPortaDoPrograma();
    if (m_leitor->configuracao() != ConfiguracaoDaTela())
        m_leitor->setConfiguracao(ConfiguracaoDaTela());
    QString mensagem;
    if ((m_leitor->*comando)(&mensagem))
        MostraResultado(enviado);
    else
        MostraResultado(mensagem, true);
}

void Tfrm_Balanca::btn_DetectarClick()
{
    if (m_leitor->lendo() || m_detector->detectando())
        return;
    SoltaPortaDoPrograma();
    m_leitor->fecha();
    // The port on screen first, then every port of the list.
    QStringList portas{cmb_Porta->currentText()};
    for (int i = 0; i < cmb_Porta->count(); ++i)
        portas << cmb_Porta->itemText(i);
    const QList<ConfiguracaoBalanca> tentativas = DetectorBalanca::Tentativas(portas, ConfiguracaoDaTela());
    if (tentativas.isEmpty()) {
        MostraResultado(QStringLiteral("Nenhuma porta serial para procurar a balança. Ligue o cabo e clique em "
                                       "\"Atualizar\"."),
                        true);
        return;
    }
    btn_Detectar->setEnabled(false);
    btn_Ler->setEnabled(false);
    m_detector->detecta(tentativas);
}

void Tfrm_Balanca::DetectorTentando(const ConfiguracaoBalanca &c)
{
    MostraResultado(QStringLiteral("Procurando a balança: %1, %2, %3 bauds…")
                        .arg(c.porta, NomeProtocolo(c.protocolo))
                        .arg(c.velocidade));
}

void Tfrm_Balanca::DetectorEncontrou(const ConfiguracaoBalanca &c, const QString &modelo, const QString &serie)
{
    btn_Detectar->setEnabled(true);
    btn_Ler->setEnabled(true);
    ConfiguracaoBalanca tela = c;
    tela.padrao = m_gravada.padrao;
    MostraConfiguracao(tela);
    MostraIdentificacao(modelo, serie);
    MostraResultado(QStringLiteral("Balança encontrada na porta %1 (%2). Clique em \"Gravar\" para usar estas "
                                   "configurações.")
                        .arg(c.porta, NomeProtocolo(c.protocolo)));
}

void Tfrm_Balanca::DetectorNaoEncontrou()
{
    btn_Detectar->setEnabled(true);
    btn_Ler->setEnabled(true);
    MostraResultado(QStringLiteral("Nenhuma balança respondeu nas portas e configurações de fábrica tentadas. "
                                   "Verifique se a balança está ligada e o cabo, ou configure-a à mão."),
                    true);
}

void Tfrm_Balanca::MostraIdentificacao(const QString &modelo, const QString &serie)
{
    if (modelo.isEmpty() && serie.isEmpty())
        lbl_Identificacao->setText(QStringLiteral("a balança não informou modelo nem número de série"));
    else
        lbl_Identificacao->setText(QStringLiteral("modelo %1, número de série %2")
                                       .arg(modelo.isEmpty() ? QStringLiteral("?") : modelo,
                                            serie.isEmpty() ? QStringLiteral("?") : serie));
}

void Tfrm_Balanca::PesoInstavel(const QString &numero, const QString &unidade)
{
    MostraResultado(QStringLiteral("Lendo a balança… %1 %2 instável").arg(numero, unidade));
}

QString Tfrm_Balanca::TextoDoPeso(double peso) const
{
    QLocale local;
    local.setNumberOptions(QLocale::OmitGroupSeparator);
    return local.toString(peso, 'g', 15) + (UnidadePesoMedio == QLatin1String("G") ? QStringLiteral(" g")
                                                                                     : QStringLiteral(" mg"));
}

void Tfrm_Balanca::PesoLido(double peso)
{
    const LeituraBalanca &l = m_leitor->ultimaLeitura();
    MostraResultado(QStringLiteral("Peso lido: %1 (a balança enviou %2 %3).").arg(TextoDoPeso(peso), l.numero, l.unidade));
}

void Tfrm_Balanca::PesoEspontaneo(double peso)
{
    const LeituraBalanca &l = m_leitor->ultimaLeitura();
    MostraResultado(QStringLiteral("Peso recebido pela tecla de impressão: %1 (a balança enviou %2 %3).")
                        .arg(TextoDoPeso(peso), l.numero, l.unidade));
}

void Tfrm_Balanca::FalhaDaLeitura(const QString &mensagem)
{
    MostraResultado(mensagem, true);
}

void Tfrm_Balanca::LendoMudou(bool lendo)
{
    btn_Ler->setEnabled(!lendo && !m_detector->detectando());
    if (lendo)
        MostraResultado(QStringLiteral("Lendo a balança…"));
}

void Tfrm_Balanca::MostraResultado(const QString &texto, bool erro)
{
    QPalette p = lbl_Resultado->palette();
    p.setColor(QPalette::WindowText, erro ? QColor(255, 0, 0) : palette().color(QPalette::WindowText));
    lbl_Resultado->setPalette(p);
    lbl_Resultado->setText(texto);
}

// -------------------------------------------------------------------- events

bool Tfrm_Balanca::event(QEvent *event)
{
    // F6 and Esc belong to this window, whatever shortcut the program has for them.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *tecla = static_cast<QKeyEvent *>(event);
        if ((tecla->key() == Qt::Key_F6 || tecla->key() == Qt::Key_Escape) && tecla->modifiers() == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void Tfrm_Balanca::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_F6) {
        btn_LerClick();
        return;
    }
    if (event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_Escape) {
        if (m_leitor->lendo()) {
            m_leitor->cancela();
            MostraResultado(QStringLiteral("Leitura cancelada."));
        } else {
            close();
        }
        return;
    }
    QWidget::keyPressEvent(event);
}

void Tfrm_Balanca::closeEvent(QCloseEvent *event)
{
    m_leitor->cancela();
    m_detector->para();
    if (semErros(ConfiguracaoDaTela()) != semErros(m_gravada)
        && messages().confirm(QStringLiteral("A configuração da balança foi alterada e não foi gravada.\rGravar agora?"))
        && !Gravar()) {
        event->ignore();
        return;
    }
    event->accept();
}
