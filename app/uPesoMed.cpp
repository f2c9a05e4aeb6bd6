#include "app/uPesoMed.h"

#include "analysis/uCadPesos.h"
#include "app/TextoAjuda.h"
#include "app/uBalanca.h"
#include "config/uConfiguracao.h"
#include "data/udm.h"
#include "lots/UCadPrep.h"
#include "search/uPesquisa.h"
#include "widgets/ErrorHandler.h"
#include "widgets/Estilo.h"
#include "widgets/JanelasFilhas.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

Tfrm_Principal *frm_Principal = nullptr;

void PreparaAparencia()
{
    if (QLocale::system().language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QFont f = QApplication::font();
    f.setPixelSize(11);
    QApplication::setFont(f);
}

QColor CorDoSistema(qint32 cor)
{
    // Negative numbers name the system's own colours; the window colour stands for them.
    if (cor < 0)
        return QApplication::palette().color(QPalette::Window);
    const auto c = static_cast<quint32>(cor);
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

namespace {

QPushButton *botao(const QString &texto, const QColor &cor, int largura, QWidget *parent)
{
    QPushButton *b = BotaoColorido(texto, cor, parent, 13);
    b->setFixedSize(largura, 33);
    return b;
}

} // namespace

Tfrm_Principal::Tfrm_Principal(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frm_Principal"));
    setWindowTitle(QStringLiteral("Peso Médio - Análise dos Pesos das Cápsulas - " PESOMED_VERSAO));
    resize(784, 499);

    m_central = new QWidget(this);
    auto *layout = new QVBoxLayout(m_central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(0);
    BitBtn1 = botao(QStringLiteral("Cápsulas vazias por lote"), QColor(0, 0, 128), 238, m_central);
    BitBtn2 = botao(QStringLiteral("Localize o pedido"), QColor(255, 0, 0), 236, m_central);
    BitBtn3 = botao(QStringLiteral("Análise Peso Médio das cápsulas"), QColor(0, 128, 0), 295, m_central);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn3);
    buttons->addStretch();
    layout->addLayout(buttons);
    m_mdi = new QMdiArea(m_central);
    m_mdi->setObjectName(QStringLiteral("mdi"));
    layout->addWidget(m_mdi, 1);
    setCentralWidget(m_central);

    // The action list: its keys act in every window of the program.
    auto acao = [this](const char *name, const QString &text, const QKeySequence &key) {
        auto *a = new QAction(text, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        a->setShortcutContext(Qt::ApplicationShortcut);
        addAction(a);
        return a;
    };
    act_Cadastro = acao("act_Cadastro", QStringLiteral("Análise do Peso Médio"), QKeySequence(Qt::Key_F4));
    act_Calcular = acao("act_Calcular", QStringLiteral("Calcular"), QKeySequence(Qt::Key_F5));
    act_FCadastros = acao("act_FCadastros", QStringLiteral("Fechar análise"), QKeySequence(Qt::CTRL | Qt::Key_F4));
    act_Sair = acao("act_Sair", QStringLiteral("Sair"), QKeySequence());
    connect(act_Cadastro, &QAction::triggered, this, guardedSlot(this, &Tfrm_Principal::act_CadastroExecute));
    connect(act_Calcular, &QAction::triggered, this, guardedSlot(this, &Tfrm_Principal::act_CalcularExecute));
    connect(act_FCadastros, &QAction::triggered, this, guardedSlot(this, &Tfrm_Principal::act_FCadastrosExecute));
    connect(act_Sair, &QAction::triggered, this, guardedSlot(this, &Tfrm_Principal::act_SairExecute));

    QMenuBar *mmu1 = menuBar();
    mmu1->setObjectName(QStringLiteral("mmu1"));
    CadastroInicial1 = mmu1->addAction(QStringLiteral("Cad. Caps. Vazias"));
    PesquisarPedido1 = mmu1->addAction(QStringLiteral("Pesquisar Pedido"));
    PMCadastros1 = mmu1->addAction(QStringLiteral("Análise do Peso Médio\tF4"));
    Balanca1 = mmu1->addAction(QStringLiteral("Balança"));
    Ajuda1 = mmu1->addMenu(QStringLiteral("Ajuda"));
    InformaessobreoPesoMdio1 = Ajuda1->addAction(QStringLiteral("Informações sobre o Peso Médio"));
    Sair2 = mmu1->addAction(QStringLiteral("Sair"));
    connect(CadastroInicial1, &QAction::triggered, this, guardedSlot(this, &Tfrm_Principal::CadastroInicial1Click));
    connect(PesquisarPedido1, &QAction::triggered, this, guardedSlot(this, &Tfrm_Principal::PesquisarPedido1Click));
    connect(PMCadastros1, &QAction::triggered, act_Cadastro, &QAction::trigger);
    connect(Balanca1, &QAction::triggered, this, guardedSlot(this, &Tfrm_Principal::Balanca1Click));
    connect(InformaessobreoPesoMdio1, &QAction::triggered, this, guardedSlot(this, &Tfrm_Principal::InformaessobreoPesoMdio1Click));
    connect(Sair2, &QAction::triggered, act_Sair, &QAction::trigger);
    connect(BitBtn1, &QPushButton::clicked, this, guardedSlot(this, &Tfrm_Principal::CadastroInicial1Click));
    connect(BitBtn2, &QPushButton::clicked, this, guardedSlot(this, &Tfrm_Principal::PesquisarPedido1Click));
    connect(BitBtn3, &QPushButton::clicked, this, guardedSlot(this, &Tfrm_Principal::act_CadastroExecute));

    CriaPainelInformacoes(m_central);
    FormCreate();
}

Tfrm_Principal::~Tfrm_Principal()
{
    if (frm_Principal == this)
        frm_Principal = nullptr;
}

void Tfrm_Principal::UsaModulos(TDM *dm, TRM *rm, TFormCadPrep *lotes)
{
    m_dm = dm;
    m_rm = rm;
    m_lotes = lotes;
}

void Tfrm_Principal::CriaPainelInformacoes(QWidget *central)
{
    pnl_informacoes = new QFrame(central);
    pnl_informacoes->setObjectName(QStringLiteral("pnl_informacoes"));
    pnl_informacoes->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnl_informacoes->setAutoFillBackground(true);
    mmo1 = new QPlainTextEdit(pnl_informacoes);
    mmo1->setObjectName(QStringLiteral("mmo1"));
    mmo1->setGeometry(6, 6, 772, 491);
    mmo1->setFrameStyle(QFrame::NoFrame);
    mmo1->setReadOnly(true);
    mmo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    mmo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette p = mmo1->palette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Text, Qt::black);
    mmo1->setPalette(p);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(13);
    mmo1->setFont(f);
    mmo1->setTabStopDistance(8 * QFontMetricsF(f).horizontalAdvance(QLatin1Char(' ')));
    mmo1->setPlainText(LinhasAjuda().join(QLatin1Char('\n')));
    btn1 = new QPushButton(QStringLiteral("Fechar "), pnl_informacoes);
    btn1->setObjectName(QStringLiteral("btn1"));
    btn1->setGeometry(307, 497, 153, 22);
    btn1->setFlat(true);
    btn1->setFocusPolicy(Qt::NoFocus);
    connect(btn1, &QPushButton::clicked, this, guardedSlot(this, &Tfrm_Principal::btn1Click));
    pnl_informacoes->hide();
    central->installEventFilter(this);
}

bool Tfrm_Principal::eventFilter(QObject *watched, QEvent *event)
{
    // The help panel covers the whole client area whatever its size.
    if (watched == m_central && event->type() == QEvent::Resize && pnl_informacoes->isVisible())
        pnl_informacoes->setGeometry(m_central->rect());
    return QMainWindow::eventFilter(watched, event);
}

// -------------------------------------------------------------------- events

void Tfrm_Principal::FormCreate()
{
    if (QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    UnidadePesoMedio = QStringLiteral("MG");
    try {
        LeConfiguracao();
    } catch (const AppError &) {
        // Reported; the design background stays and start-up goes on.
        handleError(std::current_exception());
        return;
    }
    m_mdi->setBackground(CorDoSistema(CorFundoTelas));
}

void Tfrm_Principal::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void Tfrm_Principal::FormShow()
{
    if (!m_dm)
        return;
    try {
        for (ClientDataSet *cds : {m_dm->cds_RPesoMed, m_dm->cds_PesoMed, m_dm->cds_Pedidos, m_dm->cds_Pediform,
                                   m_dm->cds_Compedid})
            cds->Open();
    } catch (...) {
        // The datasets after the failing one stay closed; the window stays usable.
        handleError(std::current_exception());
    }
}

void Tfrm_Principal::closeEvent(QCloseEvent *event)
{
    // Weighings that could not be written are written now; closing the
    // program would lose them, so the user decides when they still cannot be.
    if (!PesagensPendentesResolvidas(DM, QStringLiteral("Sair do programa mesmo assim? A pesagem que não foi "
                                                        "gravada será perdida."))) {
        event->ignore();
        return;
    }
    // A failure keeps the window open; it is shown unless the close came from "Sair".
    try {
        FormClose();
    } catch (...) {
        event->ignore();
        if (!m_discardCloseError)
            handleError(std::current_exception());
        return;
    }
    event->accept();
}

void Tfrm_Principal::FormClose()
{
    if (!m_dm)
        return;
    for (ClientDataSet *cds : {m_dm->cds_Pedidos, m_dm->cds_Pediform, m_dm->cds_Compedid, m_dm->cds_PesoMed,
                               m_dm->cds_RPesoMed})
        cds->Close();
}

// ------------------------------------------------------------------ commands

QMdiSubWindow *Tfrm_Principal::AdicionaFilha(QWidget *form)
{
    return AbreJanelaFilha(m_mdi, form);
}

QMdiSubWindow *Tfrm_Principal::JanelaDe(QWidget *form) const
{
    QMdiSubWindow *sub = JanelaFilhaDe(form);
    return sub && sub->mdiArea() == m_mdi ? sub : nullptr;
}

bool Tfrm_Principal::JanelaAtiva(QWidget *form) const
{
    QMdiSubWindow *sub = form ? JanelaDe(form) : nullptr;
    return sub && m_mdi->currentSubWindow() == sub && QApplication::activeWindow() == this;
}

void Tfrm_Principal::CadastroInicial1Click()
{
    if (!m_lotes)
        return;
    m_lotes->show();
    m_lotes->raise();
    m_lotes->activateWindow();
}

void Tfrm_Principal::PesquisarPedido1Click()
{
    AbrePesquisa(this);
}

void Tfrm_Principal::AbrePesquisa(QWidget *dono)
{
    if (frm_Pesquisa) {
        MostraJanelaFilha(frm_Pesquisa);
        return;
    }
    frm_Pesquisa = new Tfrm_Pesquisa(m_dm, dono);
    QMdiSubWindow *sub = AdicionaFilha(frm_Pesquisa);
    if (dono != this)
        connect(dono, &QObject::destroyed, sub, [sub] { delete sub; });
}

void Tfrm_Principal::act_CadastroExecute()
{
    if (frm_Cadastros) {
        MostraJanelaFilha(frm_Cadastros);
        return;
    }
    frm_Cadastros = new Tfrm_Cadastros(m_dm, m_rm, this);
    // Its "Pesquisar Pedido" opens the one search window of the program.
    connect(frm_Cadastros, &Tfrm_Cadastros::PesquisaPedida, this, &Tfrm_Principal::AbrePesquisa);
    AbreJanelaFilha(m_mdi, frm_Cadastros, true);
}

void Tfrm_Principal::act_CalcularExecute()
{
    if (!frm_Cadastros || !JanelaAtiva(frm_Cadastros))
        return;
    // What a click would run, its errors reported as the button reports them:
    // an analysis that was not written is never passed over in silence.
    if (frm_Cadastros->btn_Calcular->isEnabled())
        frm_Cadastros->btn_CalcularClick();
}

void Tfrm_Principal::act_FCadastrosExecute()
{
    if (!frm_Cadastros || !JanelaAtiva(frm_Cadastros))
        return;
    QMdiSubWindow *sub = JanelaDe(frm_Cadastros);
    frm_Cadastros = nullptr;
    // Destroyed at once, without its close handler.
    delete sub;
}

void Tfrm_Principal::act_SairExecute()
{
    m_discardCloseError = true;
    try {
        close();
    } catch (...) {
        // An error while closing is discarded; the window stays open.
    }
    m_discardCloseError = false;
}

void Tfrm_Principal::InformaessobreoPesoMdio1Click()
{
    pnl_informacoes->setGeometry(m_central->rect());
    pnl_informacoes->raise();
    pnl_informacoes->show();
}

void Tfrm_Principal::Balanca1Click()
{
    if (!frm_Balanca)
        frm_Balanca = new Tfrm_Balanca(this);
    frm_Balanca->show();
    frm_Balanca->raise();
    frm_Balanca->activateWindow();
}

void Tfrm_Principal::btn1Click()
{
    pnl_informacoes->hide();
}
