#include "analysis/uCadPesos.h"

#include "analysis/Analise.h"
#include "analysis/Manipuladores.h"
#include "analysis/PesoTeorico.h"
#include "balance/LeitorBalanca.h"
#include "config/uConfiguracao.h"
#include "core/Messages.h"
#include "core/SqlText.h"
#include "data/udm.h"
#include "history/uHistorico.h"
#include "report/RegistroDaAnalise.h"
#include "report/ReportData.h"
#include "report/ReportProject.h"
#include "report/StoredAnalysis.h"
#include "report/uRM.h"
#include "core/DisplayFormat.h"
#include "widgets/BalancaNaJanela.h"
#include "widgets/DBControls.h"
#include "widgets/DBGrid.h"
#include "widgets/ErrorHandler.h"
#include "widgets/Estilo.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMap>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <memory>
#include <utility>

Tfrm_Cadastros *frm_Cadastros = nullptr;

QColor CorDoResultado(const QString &resultado)
{
    return resultado == QLatin1String("Aprovado") ? QColor(0, 128, 0) : QColor(255, 0, 0);
}

bool PesagensPendentesResolvidas(TDM *dm, const QString &pergunta)
{
    ClientDataSet *w = dm ? dm->cds_PesoMed : nullptr;
    if (!w || !w->Active() || w->State() != DataSetState::Browse || w->ChangeCount() == 0)
        return true;
    try {
        dm->GravaPesagensPendentes();
        return true;
    } catch (const AppError &e) {
        return messages().confirm(e.text() + QStringLiteral("\r\r") + pergunta);
    }
}

namespace {

QFont arredondada(int pixels, bool bold = true)
{
    QFont f(QStringLiteral("Arial Rounded MT Bold"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

const QColor kCorMenu(240, 240, 240);

} // namespace

Tfrm_Cadastros::Tfrm_Cadastros(TDM *dm, TRM *rm, QWidget *owner) : QWidget(owner), m_dm(dm), m_rm(rm)
{
    setObjectName(QStringLiteral("frm_Cadastros"));
    setWindowTitle(QStringLiteral(
        "Cadastro do peso médio das cápsulas - De acordo com a RDC n° 67 - 13 de dezembro de 2011"));
    setAttribute(Qt::WA_DeleteOnClose);
    MontaTela();
    FormCreate();
    if (m_dm)
        connect(m_dm, &TDM::ColoreVeredito, this, [this](const QString &resultado) {
            if (isVisible())
                PintaResultado(resultado);
        });
}

Tfrm_Cadastros::~Tfrm_Cadastros()
{
    if (frm_Cadastros == this)
        frm_Cadastros = nullptr;
}

void Tfrm_Cadastros::MontaTela()
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    pnl_informacoes = new QFrame(this);
    pnl_informacoes->setObjectName(QStringLiteral("pnl_informacoes"));
    outer->addWidget(pnl_informacoes);
    auto *main = new QVBoxLayout(pnl_informacoes);
    main->setContentsMargins(6, 4, 6, 6);
    main->setSpacing(4);

    // Header: the analysis number, and the two buttons at the right.
    auto *header = new QHBoxLayout;
    lbl_1 = new QLabel(QStringLiteral("Análise nº:"), pnl_informacoes);
    lbl_1->setFont(arredondada(16));
    dbtxtID_RPESOMED = new DBText(pnl_informacoes);
    dbtxtID_RPESOMED->setObjectName(QStringLiteral("dbtxtID_RPESOMED"));
    dbtxtID_RPESOMED->setFont(arredondada(22));
    dbtxtID_RPESOMED->setMinimumWidth(90);
    CorDoTexto(dbtxtID_RPESOMED, QColor(0, 128, 0));
    BitBtn1 = BotaoColorido(QStringLiteral("Pesquisar Pedido"), QColor(0, 0, 128), pnl_informacoes);
    BitBtn2 = BotaoColorido(QStringLiteral("Sair"), QColor(255, 0, 0), pnl_informacoes);
    header->addWidget(lbl_1);
    header->addWidget(dbtxtID_RPESOMED);
    header->addStretch();
    header->addWidget(BitBtn1);
    header->addWidget(BitBtn2);
    main->addLayout(header);
    auto *rule = new QFrame(pnl_informacoes);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    main->addWidget(rule);

    // Second line: first component, order and formula.
    auto *line = new QHBoxLayout;
    line->setSpacing(2);
    const QFont f11 = arredondada(12);
    lbl_7 = new QLabel(QStringLiteral("Princípio Ativo: "), pnl_informacoes);
    dbtxtNPEDIDO = new DBText(pnl_informacoes);
    dbtxtNPEDIDO->setMinimumWidth(250);
    lbl_5 = new QLabel(QStringLiteral("Pedido nº:        ."), pnl_informacoes);
    dbtxtID_RPESOMED1 = new DBText(pnl_informacoes);
    dbtxtID_RPESOMED1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    dbtxtID_RPESOMED2 = new DBText(pnl_informacoes);
    lbl_6 = new QLabel(QStringLiteral("Fórmula nº"), pnl_informacoes);
    dbtxtID_RPESOMED3 = new DBText(pnl_informacoes);
    for (QWidget *w : std::initializer_list<QWidget *>{lbl_7, dbtxtNPEDIDO, lbl_5, dbtxtID_RPESOMED1,
                                                       dbtxtID_RPESOMED2, lbl_6, dbtxtID_RPESOMED3})
        w->setFont(f11);
    // The station sits right-aligned in the blanks before the label's period.
    auto *pedido = new QWidget(pnl_informacoes);
    auto *stack = new QGridLayout(pedido);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(lbl_5, 0, 0);
    dbtxtID_RPESOMED1->setContentsMargins(0, 0, QFontMetrics(f11).horizontalAdvance(QLatin1Char('.')) + 1, 0);
    stack->addWidget(dbtxtID_RPESOMED1, 0, 0);
    line->addWidget(lbl_7);
    line->addWidget(dbtxtNPEDIDO, 1);
    line->addWidget(pedido);
    line->addWidget(dbtxtID_RPESOMED2);
    line->addSpacing(20);
    line->addWidget(lbl_6);
    line->addWidget(dbtxtID_RPESOMED3);
    line->addStretch();
    main->addLayout(line);

    auto *columns = new QHBoxLayout;
    main->addLayout(columns, 1);

    // Left: orders and formulas.
    grp4 = new QGroupBox(QStringLiteral("  Ident. Veltramo  "), pnl_informacoes);
    auto *left = new QVBoxLayout(grp4);
    dbgrd2 = new DBGrid(grp4);
    dbgrd2->setObjectName(QStringLiteral("dbgrd2"));
    dbgrd2->setColumns({GridColumn(QStringLiteral("ESTACAO"), QStringLiteral("Est."), 34),
                        GridColumn(QStringLiteral("NPEDIDO"), QStringLiteral("Nº Pedido"), 63)});
    dbgrd3 = new DBGrid(grp4);
    dbgrd3->setObjectName(QStringLiteral("dbgrd3"));
    dbgrd3->setColumns({GridColumn(QStringLiteral("NFORMULA"), QStringLiteral("Nº Fórmula"), 98)});
    for (DBGrid *g : {dbgrd2, dbgrd3}) {
        g->readOnly = true;
        g->setEditTriggers(QAbstractItemView::NoEditTriggers);
        left->addWidget(g);
    }
    grp4->setFixedWidth(140);
    columns->addWidget(grp4);

    // Middle: the weights.
    grp3 = new QGroupBox(QStringLiteral("  Pesos das Cápsulas  "), pnl_informacoes);
    auto *middle = new QVBoxLayout(grp3);
    dbgrd1 = new DBGrid(grp3);
    dbgrd1->setObjectName(QStringLiteral("dbgrd1"));
    dbgrd1->setColumns({
        GridColumn(QStringLiteral("NUMCAP"), QStringLiteral("Cáp."), 30, Qt::AlignCenter, true),
        GridColumn(QStringLiteral("PESO"), QStringLiteral("Peso"), 56, Qt::AlignRight | Qt::AlignVCenter),
        GridColumn(QStringLiteral("VARIACAOPESOPERC"), QStringLiteral("Var. %"), 50, Qt::AlignRight | Qt::AlignVCenter,
                   true, kCorMenu),
        GridColumn(QStringLiteral("OBS"), QStringLiteral("Observação"), 75, Qt::AlignLeft | Qt::AlignVCenter, true,
                   kCorMenu),
        GridColumn(QStringLiteral("RESULTADO"), QStringLiteral("Resultado"), 250, Qt::AlignLeft | Qt::AlignVCenter,
                   true, kCorMenu),
        GridColumn(QStringLiteral("VARIACAOPESO"), QStringLiteral("Var. Peso"), 64, Qt::AlignRight | Qt::AlignVCenter,
                   true, kCorMenu),
    });
    // Weights are typed as "weight, Enter": each new capsule row starts in "Peso".
    dbgrd1->newRowColumn = 1;
    dbgrd1->onEnter = [](DBGrid &grade) {
        const bool postando = grade.dataSet() && grade.dataSet()->State() != DataSetState::Browse;
        try {
            grade.advanceRow();
        } catch (const AppError &e) {
            // The weight is kept but not written: say what becomes of it and of the next one.
            if (!postando || !grade.advanceOwed())
                throw;
            throw AppError(e.text() + QStringLiteral("\r\rA pesagem da %1 continua pendente nesta estação. Ela "
                                                     "será gravada antes do próximo peso digitado, que irá para a "
                                                     "cápsula seguinte. Tecle Enter nesta linha para gravá-la "
                                                     "agora; para corrigir o peso, clique nele e digite de novo.")
                                          .arg(DescricaoPesagem(*grade.dataSet())));
        }
    };
    dbgrd1->installEventFilter(this);
    middle->addWidget(dbgrd1, 1);
    Mensagem = new QLabel(grp3);
    Mensagem->setObjectName(QStringLiteral("Mensagem"));
    Mensagem->setAlignment(Qt::AlignCenter);
    Mensagem->setWordWrap(true);
    QFont fm = Mensagem->font();
    fm.setBold(true);
    Mensagem->setFont(fm);
    CorDoTexto(Mensagem, QColor(255, 0, 0));
    middle->addWidget(Mensagem);
    lbl_Balanca = new QLabel(grp3);
    lbl_Balanca->setObjectName(QStringLiteral("lbl_Balanca"));
    lbl_Balanca->setAlignment(Qt::AlignCenter);
    lbl_Balanca->setFont(fm);
    CorDoTexto(lbl_Balanca, QColor(0, 0, 128));
    middle->addWidget(lbl_Balanca);
    columns->addWidget(grp3, 1);
    // Weights from the balance: F6 in the weights grid, or its print key while
    // the grid has the focus, go where a typed weight goes, then Enter.
    m_balanca = new BalancaNaJanela(
        this, lbl_Balanca,
        [this] { return QApplication::focusWidget() && (QApplication::focusWidget() == dbgrd1 ||
                                                         dbgrd1->isAncestorOf(QApplication::focusWidget())); },
        [this] (double peso) {
            // The weight is written with the balance that read it; one typed stays typed.
            if (m_dm) {
                const LeituraBalanca &leitura = BalancaDoPrograma().ultimaLeitura();
                m_dm->DefineOrigemPeso({Historico::OrigemPeso::Tipo::Balanca, leitura.modelo, leitura.numeroDeSerie,
                                        QString::fromLatin1(leitura.linha).trimmed()});
            }
            dbgrd1->receiveValue(1, numberForTyping(peso));
            if (m_dm)
                m_dm->DefineOrigemPeso({});
        });
    dbgrd1->onKeyDown = [this](DBGrid &, QKeyEvent *tecla) {
        if (tecla->modifiers() != Qt::NoModifier)
            return false;
        if (tecla->key() == Qt::Key_F6) {
            m_balanca->Ler();
            return true;
        }
        return tecla->key() == Qt::Key_Escape && m_balanca->Cancela();
    };

    // Right: the figures, the buttons and the verdict.
    auto *right = new QVBoxLayout;
    grp1 = new QGroupBox(QStringLiteral("  Dados Obtidos  "), pnl_informacoes);
    auto *figures = new QGridLayout(grp1);
    figures->setVerticalSpacing(2);
    struct Figure {
        const char *label;
        const char *field;
        DBEdit **edit;
        const char *name;
    };
    const Figure list[] = {
        {"Qde. Cápsulas:", "QDECAPS", &DBEdit8, "DBEdit8"},
        {"Somatória: ", "PESOTOTAL", &dbedt1, "dbedt1"},
        {"Peso máximo:", "MAXIMO", &DBEdit1, "DBEdit1"},
        {"Peso mínimo: ", "MINIMO", &DBEdit3, "DBEdit3"},
        {"Amplitude:", "AMPLITUDE", &DBEdit2, "DBEdit2"},
        {"Var.Teórica min.:", "VARTEORMIN", &DBEdit4, "DBEdit4"},
        {"Var.Teórica máx.:", "VARTEORMAX", &DBEdit9, "DBEdit9"},
        {"Desvio Padrão:", "DESVIOPADRAO", &DBEdit5, "DBEdit5"},
        {"Desv. Pad. Rel.: ", "COEFVARIACAO", &DBEdit6, "DBEdit6"},
        {"Peso Teórico: ", "VALORTEORICO", &DBEdit7, "DBEdit7"},
        {"Peso Médio: ", "PESOMEDIO", &DBEdit10, "DBEdit10"},
    };
    int row = 0;
    for (const Figure &fig : list) {
        auto *label = new QLabel(QString::fromUtf8(fig.label), grp1);
        auto *edit = new DBEdit(grp1);
        edit->setObjectName(QString::fromLatin1(fig.name));
        edit->setReadOnly(true);
        edit->setAlignment(Qt::AlignRight);
        edit->setFixedWidth(96);
        if (m_dm)
            edit->setDataSource(m_dm->ds_RPesoMed, QString::fromLatin1(fig.field));
        *fig.edit = edit;
        figures->addWidget(label, row, 0);
        figures->addWidget(edit, row, 1);
        if (edit == DBEdit7 || edit == DBEdit10) {
            QFont big = edit->font();
            big.setBold(true);
            big.setPixelSize(15);
            edit->setFont(big);
            QPalette p = edit->palette();
            p.setColor(QPalette::Base, QColor(192, 192, 192));
            if (edit == DBEdit7) {
                p.setColor(QPalette::Text, QColor(96, 96, 96));
                CorDoTexto(label, QColor(96, 96, 96));
            }
            edit->setPalette(p);
        }
        ++row;
    }
    right->addWidget(grp1);
    auto *manipulador = new QHBoxLayout;
    lbl_Manipulador = new QLabel(QStringLiteral("Manipulador:"), pnl_informacoes);
    cmb_Manipulador = new QComboBox(pnl_informacoes);
    cmb_Manipulador->setObjectName(QStringLiteral("cmb_Manipulador"));
    cmb_Manipulador->setEditable(true);
    cmb_Manipulador->setInsertPolicy(QComboBox::NoInsert);
    cmb_Manipulador->lineEdit()->setMaxLength(60);
    cmb_Manipulador->addItems(ManipuladoresUsados());
    cmb_Manipulador->setCurrentIndex(cmb_Manipulador->count() > 0 ? 0 : -1);
    lbl_Manipulador->setBuddy(cmb_Manipulador);
    manipulador->addWidget(lbl_Manipulador);
    manipulador->addWidget(cmb_Manipulador, 1);
    right->addLayout(manipulador);
    btn_Calcular = BotaoColorido(QStringLiteral("Analisar Cápsulas"), QColor(0, 0, 128), pnl_informacoes, 15);
    btn_Calcular->setObjectName(QStringLiteral("btn_Calcular"));
    btn_Calcular->setMinimumHeight(34);
    right->addWidget(btn_Calcular);
    grp2 = new QGroupBox(QStringLiteral("  Resultado  "), pnl_informacoes);
    auto *verdict = new QVBoxLayout(grp2);
    verdict->addWidget(new QLabel(QStringLiteral("Situação"), grp2));
    dbtxtRESULTADO = new DBText(grp2);
    dbtxtRESULTADO->setObjectName(QStringLiteral("dbtxtRESULTADO"));
    dbtxtRESULTADO->setFont(arredondada(20));
    verdict->addWidget(dbtxtRESULTADO);
    lbl_AnaliseDesatualizada = new QLabel(grp2);
    lbl_AnaliseDesatualizada->setObjectName(QStringLiteral("lbl_AnaliseDesatualizada"));
    lbl_AnaliseDesatualizada->setWordWrap(true);
    QFont fd = lbl_AnaliseDesatualizada->font();
    fd.setBold(true);
    lbl_AnaliseDesatualizada->setFont(fd);
    CorDoTexto(lbl_AnaliseDesatualizada, QColor(255, 0, 0));
    lbl_AnaliseDesatualizada->hide();
    verdict->addWidget(lbl_AnaliseDesatualizada);
    verdict->addWidget(new QLabel(QStringLiteral("Motivo:"), grp2));
    // The reasons, shown by the text and, lying over it, the editable rich text.
    auto *motivo = new QWidget(grp2);
    auto *over = new QStackedLayout(motivo);
    over->setStackingMode(QStackedLayout::StackAll);
    DBText1 = new DBText(motivo);
    DBText1->setWordWrap(true);
    DBRichEdit1 = new DBRichEdit(motivo);
    DBRichEdit1->setObjectName(QStringLiteral("DBRichEdit1"));
    DBRichEdit1->setReadOnly(false);
    over->addWidget(DBText1);
    over->addWidget(DBRichEdit1);
    over->setCurrentWidget(DBRichEdit1);
    motivo->setMinimumHeight(70);
    verdict->addWidget(motivo);
    right->addWidget(grp2, 1);
    lbl_Registro = new QLabel(grp2);
    lbl_Registro->setObjectName(QStringLiteral("lbl_Registro"));
    lbl_Registro->setWordWrap(true);
    lbl_Registro->hide();
    verdict->addWidget(lbl_Registro);
    btn_Relatorio = new QPushButton(QStringLiteral("Imprimir"), pnl_informacoes);
    btn_Relatorio->setObjectName(QStringLiteral("btn_Relatorio"));
    btn_Historico = new QPushButton(QStringLiteral("Histórico"), pnl_informacoes);
    btn_Historico->setObjectName(QStringLiteral("btn_Historico"));
    auto *botoes = new QHBoxLayout;
    botoes->addWidget(btn_Relatorio, 1);
    botoes->addWidget(btn_Historico);
    right->addLayout(botoes);
    columns->addLayout(right);

    if (m_dm) {
        dbtxtID_RPESOMED->setDataSource(m_dm->ds_RPesoMed, QStringLiteral("ID_RPESOMED"));
        dbtxtNPEDIDO->setDataSource(m_dm->ds_Compedid, QStringLiteral("COMPONENTE"));
        dbtxtID_RPESOMED1->setDataSource(m_dm->ds_Pediform, QStringLiteral("ESTACAO"));
        dbtxtID_RPESOMED2->setDataSource(m_dm->ds_Pediform, QStringLiteral("NPEDIDO"));
        dbtxtID_RPESOMED3->setDataSource(m_dm->ds_Pediform, QStringLiteral("NFORMULA"));
        dbgrd2->setDataSource(m_dm->ds_Pedidos);
        dbgrd3->setDataSource(m_dm->ds_Pediform);
        dbgrd1->setDataSource(m_dm->ds_PesoMed);
        dbtxtRESULTADO->setDataSource(m_dm->ds_RPesoMed, QStringLiteral("RESULTADO"));
        DBText1->setDataSource(m_dm->ds_RPesoMed, QStringLiteral("MOTIVOS"));
        DBRichEdit1->setDataSource(m_dm->ds_RPesoMed, QStringLiteral("MOTIVOS"));
        // Whether the stored analysis still stands for the weighings, checked
        // once the datasets have settled after a post or a change of formula.
        auto pendente = std::make_shared<bool>(false);
        auto confere = [this, pendente] {
            if (std::exchange(*pendente, true))
                return;
            QMetaObject::invokeMethod(this, [this, pendente] {
                *pendente = false;
                const bool vigente = !m_dm || weighingsMatchAnalysis(*m_dm->cds_PesoMed, *m_dm->cds_RPesoMed);
                lbl_AnaliseDesatualizada->setText(vigente ? QString() : kStaleAnalysisNotice);
                lbl_AnaliseDesatualizada->setVisible(!vigente);
            }, Qt::QueuedConnection);
        };
        for (ClientDataSet *ds : {m_dm->cds_PesoMed, m_dm->cds_RPesoMed})
            connect(ds, &ClientDataSet::dataSetChanged, this, confere);
        connect(m_dm->cds_RPesoMed, &ClientDataSet::scrolled, this, confere);
        confere();
        auto registro = [this] { QMetaObject::invokeMethod(this, [this] { guarded([this] { MostraRegistro(); }); },
                                                           Qt::QueuedConnection); };
        connect(m_dm->cds_RPesoMed, &ClientDataSet::dataSetChanged, this, registro);
        connect(m_dm->cds_RPesoMed, &ClientDataSet::scrolled, this, registro);
        registro();
        m_dm->DefineOperador(cmb_Manipulador->currentText());
    }

    connect(BitBtn1, &QPushButton::clicked, this, guardedSlot(this, &Tfrm_Cadastros::BitBtn1Click));
    connect(BitBtn2, &QPushButton::clicked, this, guardedSlot(this, &Tfrm_Cadastros::BitBtn2Click));
    connect(btn_Calcular, &QPushButton::clicked, this, guardedSlot(this, &Tfrm_Cadastros::btn_CalcularClick));
    connect(btn_Relatorio, &QPushButton::clicked, this, guardedSlot(this, &Tfrm_Cadastros::btn_RelatorioClick));
    connect(btn_Historico, &QPushButton::clicked, this, guardedSlot(this, &Tfrm_Cadastros::btn_HistoricoClick));
    connect(cmb_Manipulador->lineEdit(), &QLineEdit::editingFinished, this,
            guardedSlot(this, &Tfrm_Cadastros::cmb_ManipuladorExit));
    connect(cmb_Manipulador, &QComboBox::activated, this, guardedSlot(this, &Tfrm_Cadastros::cmb_ManipuladorExit));
}

void Tfrm_Cadastros::FormCreate()
{
    setGeometry(300, 8, 787, 575);
}

void Tfrm_Cadastros::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Activation of the child window inside the MDI frame.
    if (!m_activationWatched) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget())) {
            m_activationWatched = true;
            connect(sub, &QMdiSubWindow::windowStateChanged, this,
                    [this](Qt::WindowStates before, Qt::WindowStates now) {
                        if (now.testFlag(Qt::WindowActive) && !before.testFlag(Qt::WindowActive))
                            FormActivate();
                    });
            sub->move(300, 8);
        }
        FormActivate();
    }
    guarded([this] {
        if (m_dm && m_dm->cds_RPesoMed->Active())
            PintaResultado(m_dm->cds_RPesoMed->FieldByName(QStringLiteral("RESULTADO")).AsString());
    });
}

void Tfrm_Cadastros::FormActivate()
{
    dbgrd2->setFocus();
}

bool Tfrm_Cadastros::eventFilter(QObject *watched, QEvent *event)
{
    // Entering the grid, not the window coming back to it after a message box.
    if (watched == dbgrd1 && event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            guarded([this] { dbgrd1Enter(); });
    }
    return QWidget::eventFilter(watched, event);
}

void Tfrm_Cadastros::dbgrd1Enter()
{
    Mensagem->clear();
}

void Tfrm_Cadastros::PintaResultado(const QString &resultado)
{
    CorDoTexto(dbtxtRESULTADO, CorDoResultado(resultado));
}

void Tfrm_Cadastros::BitBtn1Click()
{
    emit PesquisaPedida(this);
}

void Tfrm_Cadastros::BitBtn2Click()
{
    close();
}

void Tfrm_Cadastros::btn_CalcularClick()
{
    if (!m_dm)
        return;
    // A weight still in the cell editor counts; a new row with nothing typed is no capsule.
    dbgrd1->commitEdit();
    dbgrd1->dropUntouchedNewRow();
    if (m_dm->cds_PesoMed->IsEmpty()) {
        messages().information(QStringLiteral("Não existem cápsulas para calcular o peso médio!"));
        return;
    }
    cmb_ManipuladorExit();
    AnalisarCapsulas();
}

void Tfrm_Cadastros::MostraRegistro()
{
    if (!m_dm)
        return;
    ClientDataSet *r = m_dm->cds_RPesoMed;
    const bool temRegistro = r->Active() && !r->IsEmpty();
    // The name the result record holds, when another formula or workstation brings one.
    const QString gravado =
        temRegistro ? r->FieldByName(QStringLiteral("MANIPULADOR")).AsString().trimmed() : QString();
    if (gravado != m_manipuladorDoRegistro) {
        m_manipuladorDoRegistro = gravado;
        if (!gravado.isEmpty() && gravado != cmb_Manipulador->currentText().trimmed()) {
            cmb_Manipulador->setCurrentText(gravado);
            m_dm->DefineOperador(gravado);
        }
    }
    QStringList linhas;
    if (temRegistro && !r->FieldByName(QStringLiteral("RESULTADO")).AsString().trimmed().isEmpty())
        linhas << avisoDeAmostra(int(r->FieldByName(QStringLiteral("QDECAPS")).AsInteger()),
                                 CapsulasDaFormula(*m_dm->cds_Compedid));
    if (m_dm->sqlcon1.connected() && !m_dm->TemHistorico())
        linhas << kHistoricoDesativado;
    linhas.removeAll(QString());
    lbl_Registro->setText(linhas.join(QLatin1Char('\n')));
    lbl_Registro->setVisible(!linhas.isEmpty());
}

void Tfrm_Cadastros::cmb_ManipuladorExit()
{
    const QString nome = cmb_Manipulador->currentText().trimmed();
    if (nome.isEmpty() || !m_dm)
        return;
    m_dm->DefineOperador(nome);
    LembraManipulador(nome);
    GravaManipulador();
}

void Tfrm_Cadastros::GravaManipulador()
{
    ClientDataSet *r = m_dm->cds_RPesoMed;
    const QString nome = cmb_Manipulador->currentText().trimmed();
    if (nome.isEmpty() || !r->Active() || r->IsEmpty() ||
        r->FieldByName(QStringLiteral("MANIPULADOR")).AsString().trimmed() == nome)
        return;
    if (r->State() == DataSetState::Browse)
        r->Edit();
    r->FieldByName(QStringLiteral("MANIPULADOR")).SetAsString(nome);
    r->Post();
    m_manipuladorDoRegistro = nome;
}

void Tfrm_Cadastros::btn_HistoricoClick()
{
    if (!m_dm || !m_dm->cds_Pediform->Active() || m_dm->cds_Pediform->IsEmpty())
        return;
    ClientDataSet *f = m_dm->cds_Pediform;
    const QString estacao = f->FieldByName(QStringLiteral("ESTACAO")).AsString();
    const qint64 npedido = f->FieldByName(QStringLiteral("NPEDIDO")).AsInteger();
    const qint64 nformula = f->FieldByName(QStringLiteral("NFORMULA")).AsInteger();
    Tfrm_Historico::Abre(*m_dm, Historico::chaveDaFormula(estacao, npedido, nformula),
                         QStringLiteral("Estação %1, pedido %2, fórmula %3").arg(estacao).arg(npedido).arg(nformula),
                         this);
}

double Tfrm_Cadastros::CalculaPesoTeorico(const QString &estacao, qint64 npedido, qint64 nformula)
{
    const PesoTeorico pt = CalcularPesoTeorico(*m_dm, messages(), estacao, npedido, nformula);
    Mensagem->setText(pt.aviso);
    return pt.valor;
}

void Tfrm_Cadastros::AnalisarCapsulas()
{
    const ResultadoDaAnalise r = ::AnalisarCapsulas(*m_dm, messages());
    if (r.aviso)
        Mensagem->setText(*r.aviso);
    if (r.gravada)
        ColorirResultado();
}

void Tfrm_Cadastros::ColorirResultado()
{
    if (m_dm && m_dm->cds_RPesoMed->Active())
        PintaResultado(m_dm->cds_RPesoMed->FieldByName(QStringLiteral("RESULTADO")).AsString());
    QApplication::processEvents();
}

void Tfrm_Cadastros::btn_RelatorioClick()
{
    if (!m_dm || !m_rm)
        return;
    ClientDataSet *w = m_dm->cds_PesoMed;
    // 1. A weight still in the cell editor counts; a new row with nothing typed is no capsule.
    dbgrd1->commitEdit();
    dbgrd1->dropUntouchedNewRow();
    if (!w->Active() || w->IsEmpty())
        return;
    // The report reads the database: what is typed or pending is written first.
    for (ClientDataSet *ds : {w, m_dm->cds_RPesoMed}) {
        if (!ds->Active())
            continue;
        ds->CheckBrowseMode();
        if (ds->ChangeCount() > 0 && ds->ApplyUpdates(-1) > 0)
            throw AppError(QStringLiteral("Há alterações pendentes que o banco de dados recusou; o relatório não "
                                          "foi impresso.\rMotivo: %1")
                               .arg(ds->LastApplyError()));
    }

    // 2. and 3. The statement of the current formula.
    const QString estacao = w->FieldByName(QStringLiteral("ESTACAO")).AsString();
    const QString npedido = w->FieldByName(QStringLiteral("NPEDIDO")).AsString();
    const QString nformula = w->FieldByName(QStringLiteral("NFORMULA")).AsString();
    if (!isWholeNumber(npedido) || !isWholeNumber(nformula))
        throw AppError(QStringLiteral("Pedido ou fórmula inválidos: %1, %2.").arg(npedido, nformula));
    ClientDataSet *rel = m_dm->cds_RelPesomed;
    rel->Close();
    m_dm->sqlds_RelPesoMed.Close();
    m_dm->sqlds_RelPesoMed.CommandText =
        QStringLiteral("select p.*, pd.nome, r.*, pd.paciente, pd.fone from pesomed p, rPesoMed r, pedidos pd where "
                       "p.chave = r.chave and ") +
        QStringLiteral("p.estacao = ") + quoted(estacao) + QStringLiteral(" and p.npedido = ") + npedido +
        QStringLiteral(" and p.nformula = ") + nformula +
        QStringLiteral(" and p.estacao = pd.estacao and p.npedido = pd.npedido order by p.numcap");

    // 4. and 5. A query that cannot be opened prints nothing: the dataset would
    // still hold another formula's rows.
    try {
        m_dm->sqlds_RelPesoMed.Open();
        rel->Open();
    } catch (const std::exception &e) {
        rel->Close();
        m_dm->sqlds_RelPesoMed.Close();
        // The database's reason follows the message.
        messages().simple(QStringLiteral("Não foi possível abrir a tabela RelPesoMed\rMotivo: ") +
                          QString::fromUtf8(e.what()));
        return;
    }
    // Weighings without a stored analysis would give an empty report.
    if (rel->IsEmpty() || rel->FieldByName(QStringLiteral("RESULTADO_1")).AsString().trimmed().isEmpty()) {
        m_dm->sqlds_RelPesoMed.Close();
        messages().information(QStringLiteral("Esta fórmula ainda não foi analisada.\rUse \"Analisar Cápsulas\" "
                                              "antes de imprimir o relatório."));
        return;
    }

    // How the analysis came about, from the history, printed with it.
    if (RM->rds_PesoMedio)
        RM->rds_PesoMedio->Registro = LeRegistroDaAnalise(*m_dm, *rel, CapsulasDaFormula(*m_dm->cds_Compedid));

    // 6. and 7. The project read afresh from its file; closed again whatever happens.
    try {
        m_rm->rpj_1->Close();
        m_rm->rpj_1->ExecuteReport(QStringLiteral("PesoM_Detalhado"));
    } catch (...) {
        m_dm->sqlds_RelPesoMed.Close();
        m_rm->rpj_1->Close();
        throw;
    }
    m_dm->sqlds_RelPesoMed.Close();
    m_rm->rpj_1->Close();
}

void Tfrm_Cadastros::closeEvent(QCloseEvent *event)
{
    // Reasons still being amended are stored before the window goes.
    guarded([this] { DBRichEdit1->store(); });
    // A weighing that could not be written is written now, or the pharmacist
    // decides: it stays pending on this workstation either way.
    if (!PesagensPendentesResolvidas(m_dm, QStringLiteral("Fechar a janela mesmo assim? A pesagem continua "
                                                          "pendente nesta estação e será gravada com a próxima "
                                                          "pesagem."))) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void Tfrm_Cadastros::FormClose()
{
    frm_Cadastros = nullptr;
}
