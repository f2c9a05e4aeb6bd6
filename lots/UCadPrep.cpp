#include "lots/UCadPrep.h"

#include "analysis/Calculos.h"
#include "config/uConfiguracao.h"
#include "core/DisplayFormat.h"
#include "core/Messages.h"
#include "core/SqlText.h"
#include "data/udm.h"
#include "history/uHistorico.h"
#include "lots/CalculosLote.h"
#include "lots/OperacoesLote.h"
#include "widgets/BalancaNaJanela.h"
#include "widgets/DBControls.h"
#include "widgets/DBGrid.h"
#include "widgets/ErrorHandler.h"
#include "widgets/Estilo.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

TFormCadPrep *FormCadPrep = nullptr;
QString CodFornAnterior;
QString LoteAnterior;

namespace {

const QColor kMarrom(128, 0, 0);
const QColor kAzulMarinho(0, 0, 128);
const QColor kVerde(0, 128, 0);
const QColor kVermelho(255, 0, 0);
const QColor kCreme(255, 251, 240);

// The most the activation and resize rules let the window be.
const QSize kTamanhoMaximo(1127, 670);

const QString kLoteNaoInformado = QStringLiteral("0");
const QString kFornecedorAIdentificar = QStringLiteral("0000");
const QString kSemLotes = QStringLiteral("Não há nenhum lote de cápsulas deste fornecedor no estoque.");

QString campoPeso(int n)
{
    return QStringLiteral("P%1").arg(n, 2, 10, QLatin1Char('0'));
}

// A key that types a character (Enter, Backspace and Esc included), as a
// key-press handler sees them; Tab moves the focus instead.
bool teclaDeCaractere(const QKeyEvent *e)
{
    return !e->text().isEmpty() && e->key() != Qt::Key_Tab && e->key() != Qt::Key_Backtab;
}

bool teclaEnter(const QKeyEvent *e)
{
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

// Halves to the even neighbour, as the window is centred.
int arredonda(double valor)
{
    return static_cast<int>(std::nearbyint(valor));
}

QFont fonte(const QWidget *w, int pixels, bool negrito)
{
    QFont f = w->font();
    if (pixels > 0)
        f.setPixelSize(pixels);
    f.setBold(negrito);
    return f;
}

QLabel *rotulo(const QString &texto, QWidget *pai, const QRect &lugar, const QColor &cor = QColor(),
               int pixels = 0, bool negrito = false)
{
    auto *l = new QLabel(texto, pai);
    l->setGeometry(lugar);
    l->setFont(fonte(l, pixels, negrito));
    if (cor.isValid())
        CorDoTexto(l, cor);
    return l;
}

QPushButton *botao(const QString &texto, const QColor &cor, QWidget *pai, const QRect &lugar)
{
    QPushButton *b = BotaoColorido(texto, cor, pai);
    b->setGeometry(lugar);
    // Enter on the focused button presses it.
    b->setAutoDefault(true);
    return b;
}

// The main window, whose size centres this one.
QWidget *janelaPrincipal()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frm_Principal"))
            return w;
    return nullptr;
}

QString texto(ClientDataSet *ds, const char *campo)
{
    return ds->Active() && !ds->IsEmpty() ? ds->FieldByName(QString::fromLatin1(campo)).AsString() : QString();
}

} // namespace

TFormCadPrep::TFormCadPrep(TDM *dm, QWidget *parent) : QWidget(parent, Qt::Window), m_dm(dm)
{
    setObjectName(QStringLiteral("FormCadPrep"));
    setWindowTitle(QStringLiteral("  Cadastro de Pesos de Cápsulas Vazias"));
    // Closing it hides it; the program ends with the main window only.
    setAttribute(Qt::WA_QuitOnClose, false);
    MontaTela();
    resize(1070, 644);
    // Weights from the balance: F6 in a weight cell of the grid or in a weight
    // edit of the entry panel, or its print key while one of them has the focus.
    m_balanca = new BalancaNaJanela(
        this, lbl_Balanca,
        [this] {
            QWidget *foco = QApplication::focusWidget();
            return foco && isActiveWindow() &&
                   (foco == DBGrid1 || DBGrid1->isAncestorOf(foco) || std::find(Peso, Peso + 20, foco) != Peso + 20);
        },
        [this](double peso) {
            if (!EntraPeso(peso))
                messages().information(QStringLiteral("O peso lido da balança (%1) não foi usado: ponha o cursor "
                                                      "num dos pesos antes de ler a balança.")
                                           .arg(numberForTyping(peso)));
        });
    if (m_dm) {
        connect(m_dm->PesoCaV, &ClientDataSet::scrolled, this, [this] { guarded([this] { FechaSeletoresDaGrade(); }); });
        // The navigator's buttons treat an untouched new row as the grid does: dropped.
        for (DBNavigator::Button b : {DBNavigator::First, DBNavigator::Prior, DBNavigator::Next, DBNavigator::Last,
                                      DBNavigator::Refresh})
            if (QToolButton *botaoDoNavegador = DBNavigator1->button(b))
                connect(botaoDoNavegador, &QToolButton::pressed, this,
                        [this] { guarded([this] { DBGrid1->dropUntouchedNewRow(); }); });
        connect(m_dm, &TDM::PrimeiraColunaLotes, this, [this] { DBGrid1->setSelectedIndex(0); });
        connect(m_dm->DSPesoCaV, &DataSource::stateChanged, this, [this] {
            guarded([this] {
                ClientDataSet *ds = m_dm->PesoCaV;
                if (ds->State() == DataSetState::Edit)
                    m_loteLido = ds->FieldByName(QStringLiteral("LOTE")).Value();
                else if (ds->State() == DataSetState::Insert)
                    m_loteLido = QVariant();
            });
        });
    }
}

TFormCadPrep::~TFormCadPrep()
{
    if (FormCadPrep == this)
        FormCadPrep = nullptr;
}

// ----------------------------------------------------------------- the layout

void TFormCadPrep::MontaTela()
{
    auto *fora = new QVBoxLayout(this);
    fora->setContentsMargins(0, 0, 0, 0);
    PainelCapVazias = new QFrame(this);
    PainelCapVazias->setObjectName(QStringLiteral("PainelCapVazias"));
    fora->addWidget(PainelCapVazias);
    QWidget *p = PainelCapVazias;

    DBNavigator1 = new DBNavigator(
        {DBNavigator::First, DBNavigator::Prior, DBNavigator::Next, DBNavigator::Last, DBNavigator::Refresh}, p);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setGeometry(8, 6, 130, 27);
    BitBtn4 = botao(QStringLiteral("Incluir novo lote"), kVerde, p, QRect(150, 6, 150, 27));
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    BitBtn1 = botao(QStringLiteral("Sair"), kVermelho, p, QRect(937, 6, 100, 27));
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));

    Label1 = rotulo(QStringLiteral("Fornecedor:"), p, QRect(8, 40, 80, 18));
    DBText1 = new DBText(p);
    DBText1->setObjectName(QStringLiteral("DBText1"));
    DBText1->setGeometry(90, 40, 500, 18);
    DBText1->setFont(fonte(DBText1, 12, true));
    Label7 = rotulo(QStringLiteral("Lote:"), p, QRect(8, 60, 80, 18));
    DBText3 = new DBText(p);
    DBText3->setObjectName(QStringLiteral("DBText3"));
    DBText3->setGeometry(90, 60, 300, 18);
    DBText3->setFont(fonte(DBText3, 12, true));
    Label8 = rotulo(QStringLiteral("Peso Médio:"), p, QRect(8, 80, 80, 18));
    DBText4 = new DBText(p);
    DBText4->setObjectName(QStringLiteral("DBText4"));
    DBText4->setGeometry(90, 80, 200, 18);
    DBText4->setFont(fonte(DBText4, 12, true));
    Label3 = rotulo(QStringLiteral("Informe todos os pesos em mg"), p, QRect(8, 101, 600, 18), kMarrom, 12, true);
    Label3->setObjectName(QStringLiteral("Label3"));
    lbl_Balanca = rotulo(QString(), p, QRect(620, 101, 420, 18), QColor(0, 0, 128), 12, true);
    lbl_Balanca->setObjectName(QStringLiteral("lbl_Balanca"));

    DBGrid1 = new DBGrid(p);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->move(8, 122);
    const Qt::Alignment direita = Qt::AlignRight | Qt::AlignVCenter;
    QList<GridColumn> colunas = {GridColumn(QStringLiteral("CODFORN"), QStringLiteral("Cod. Forn. "), 55),
                                 GridColumn(QStringLiteral("LOTE"), QStringLiteral("Lote"), 86),
                                 GridColumn(QStringLiteral("TAMCAP"), QStringLiteral("Tam."), 30)};
    for (int n = 1; n <= 20; ++n)
        colunas.append(GridColumn(campoPeso(n), QStringLiteral("Peso %1").arg(n), 41, direita));
    colunas.append(GridColumn(QStringLiteral("PESOMEDIO"), QStringLiteral("Peso Médio"), 55, direita, true,
                              palette().color(QPalette::Button)));
    DBGrid1->setColumns(colunas);
    DBGrid1->newRowColumn = 0;
    DBGrid1->onEnter = [this](DBGrid &) { DBGrid1KeyPress(); };
    DBGrid1->onKeyDown = [this](DBGrid &, QKeyEvent *tecla) { return TeclaDaBalanca(tecla); };
    DBGrid1->onColumnExit = [this](DBGrid &, int coluna) { DBGrid1ColExit(coluna); };
    DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Eliminarduplicaes1 = PopupMenu1->addAction(QStringLiteral("Eliminar duplicações"));
    Eliminarduplicaes1->setObjectName(QStringLiteral("Eliminarduplicaes1"));
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    Alteraresteregistro1 = PopupMenu2->addAction(QStringLiteral("Alterar este registro"));
    Alteraresteregistro1->setObjectName(QStringLiteral("Alteraresteregistro1"));
    Excluiresteregistro1 = PopupMenu2->addAction(QStringLiteral("Excluir este registro"));
    Excluiresteregistro1->setObjectName(QStringLiteral("Excluiresteregistro1"));
    Historicodestelote1 = PopupMenu2->addAction(QStringLiteral("Histórico deste lote"));
    Historicodestelote1->setObjectName(QStringLiteral("Historicodestelote1"));
    PainelCapVazias->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(PainelCapVazias, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(PainelCapVazias->mapToGlobal(pos)); });
    connect(DBGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu2->popup(DBGrid1->viewport()->mapToGlobal(pos)); });

    MontaPainelEntrada();
    MontaSeletores();

    if (m_dm) {
        DBNavigator1->setDataSource(m_dm->DSPesoCaV);
        DBText1->setDataSource(m_dm->DS_Forneced, QStringLiteral("NOMEFANTASIA"));
        DBText3->setDataSource(m_dm->DSPesoCaV, QStringLiteral("LOTE"));
        DBText4->setDataSource(m_dm->DSPesoCaV, QStringLiteral("PESOMEDIO"));
        DBGrid1->setDataSource(m_dm->DSPesoCaV);
        DBGrid2->setDataSource(m_dm->DSOpForn);
        DBText2->setDataSource(m_dm->DSOpForn, QStringLiteral("NOMEFANTASIA"));
        DBGrid3->setDataSource(m_dm->DSEstLote);
    }

    connect(BitBtn1, &QPushButton::clicked, this, guardedSlot(this, &TFormCadPrep::BitBtn1Click));
    connect(BitBtn2, &QPushButton::clicked, this, guardedSlot(this, &TFormCadPrep::BitBtn2Click));
    connect(BitBtn3, &QPushButton::clicked, this, guardedSlot(this, &TFormCadPrep::BitBtn3Click));
    connect(BitBtn4, &QPushButton::clicked, this, guardedSlot(this, &TFormCadPrep::BitBtn4Click));
    connect(Eliminarduplicaes1, &QAction::triggered, this, guardedSlot(this, &TFormCadPrep::Eliminarduplicaes1Click));
    connect(Alteraresteregistro1, &QAction::triggered, this,
            guardedSlot(this, &TFormCadPrep::Alteraresteregistro1Click));
    connect(Excluiresteregistro1, &QAction::triggered, this,
            guardedSlot(this, &TFormCadPrep::Excluiresteregistro1Click));
    connect(Historicodestelote1, &QAction::triggered, this, guardedSlot(this, &TFormCadPrep::Historicodestelote1Click));
}

void TFormCadPrep::MontaPainelEntrada()
{
    Panel1 = new QFrame(PainelCapVazias);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Panel1->setAutoFillBackground(true);
    Panel1->setGeometry(168, 120, 601, 470);
    Panel1->hide();
    QWidget *p = Panel1;

    Panel2 = new QLabel(QStringLiteral("Cápsulas vazias"), p);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(1, 1, 599, 24);
    Panel2->setAlignment(Qt::AlignCenter);
    Panel2->setAutoFillBackground(true);
    Panel2->setFont(fonte(Panel2, 13, true));
    QPalette titulo = Panel2->palette();
    titulo.setColor(QPalette::Window, kCreme);
    titulo.setColor(QPalette::WindowText, kAzulMarinho);
    Panel2->setPalette(titulo);

    Label31 = rotulo(QString(), p, QRect(8, 30, 585, 28), kMarrom, 18, true);
    Label31->setObjectName(QStringLiteral("Label31"));
    Label31->setAlignment(Qt::AlignCenter);
    Label34 = rotulo(QString(), p, QRect(8, 60, 585, 20), kAzulMarinho, 12, true);
    Label34->setObjectName(QStringLiteral("Label34"));
    Label34->setAlignment(Qt::AlignCenter);

    Label9 = rotulo(QStringLiteral("Código Fornec."), p, QRect(90, 86, 150, 18), QColor(), 13, true);
    CodigoFornecedor = new QLineEdit(p);
    CodigoFornecedor->setObjectName(QStringLiteral("CodigoFornecedor"));
    CodigoFornecedor->setGeometry(90, 105, 120, 28);
    CodigoFornecedor->setFont(fonte(CodigoFornecedor, 15, true));
    Label10 = rotulo(QStringLiteral("Lote"), p, QRect(250, 86, 150, 18), QColor(), 13, true);
    EditLote = new QLineEdit(p);
    EditLote->setObjectName(QStringLiteral("EditLote"));
    EditLote->setGeometry(250, 105, 250, 28);
    EditLote->setFont(fonte(EditLote, 15, true));
    Label35 = rotulo(QStringLiteral("Tamanho"), p, QRect(515, 86, 80, 18), QColor(), 13, true);
    Label35->setObjectName(QStringLiteral("Label35"));
    EditTamanho = new QLineEdit(p);
    EditTamanho->setObjectName(QStringLiteral("EditTamanho"));
    EditTamanho->setGeometry(515, 105, 60, 28);
    EditTamanho->setFont(fonte(EditTamanho, 15, true));
    EditTamanho->setMaxLength(3);
    Label32 = rotulo(QStringLiteral("Informe todos os pesos em mg"), p, QRect(90, 140, 420, 18), kMarrom, 12, true);
    Label32->setObjectName(QStringLiteral("Label32"));

    // Four columns of five: Peso1 to Peso5 down the first, and so on.
    for (int i = 0; i < 20; ++i) {
        const int x = 60 + (i / 5) * 125;
        const int y = 164 + (i % 5) * 48;
        LabelPeso[i] = rotulo(QStringLiteral("Peso %1").arg(i + 1), p, QRect(x, y, 100, 16));
        LabelPeso[i]->setObjectName(QStringLiteral("Label%1").arg(i + 11));
        Peso[i] = new QLineEdit(p);
        Peso[i]->setObjectName(QStringLiteral("Peso%1").arg(i + 1));
        Peso[i]->setGeometry(x, y + 17, 100, 24);
        Peso[i]->setFont(fonte(Peso[i], 13, false));
        Peso[i]->installEventFilter(this);
    }
    BitBtn3 = botao(QStringLiteral("Cancelar"), kVermelho, p, QRect(150, 420, 130, 34));
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn2 = botao(QStringLiteral("Salvar"), kAzulMarinho, p, QRect(320, 420, 130, 34));
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));

    CodigoFornecedor->installEventFilter(this);
    EditLote->installEventFilter(this);
    EditTamanho->installEventFilter(this);
    // The code, the lot, its size, "Cancelar", the weights, then "Salvar".
    QWidget::setTabOrder(CodigoFornecedor, EditLote);
    QWidget::setTabOrder(EditLote, EditTamanho);
    QWidget::setTabOrder(EditTamanho, BitBtn3);
    QWidget::setTabOrder(BitBtn3, Peso[0]);
    for (int i = 0; i < 19; ++i)
        QWidget::setTabOrder(Peso[i], Peso[i + 1]);
    QWidget::setTabOrder(Peso[19], BitBtn2);
}

void TFormCadPrep::MontaSeletores()
{
    PainelForneced = new QFrame(PainelCapVazias);
    PainelForneced->setObjectName(QStringLiteral("PainelForneced"));
    PainelForneced->setFrameStyle(QFrame::Box | QFrame::Plain);
    PainelForneced->setAutoFillBackground(true);
    PainelForneced->setGeometry(176, 48, 393, 441);
    PainelForneced->hide();
    Label2 = rotulo(QStringLiteral("Opções de Fornecedores"), PainelForneced, QRect(8, 6, 370, 18), kAzulMarinho, 13,
                    true);
    DBGrid2 = new DBGrid(PainelForneced);
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    DBGrid2->setGeometry(8, 28, 377, 405);
    DBGrid2->setColumns({GridColumn(QStringLiteral("NOMEFANTASIA"), QStringLiteral(" Nome Fantasia"), 250),
                         GridColumn(QStringLiteral("CODIGO"), QStringLiteral("Cod. Fornec. "), 64)});

    PainelEstLote = new QFrame(PainelCapVazias);
    PainelEstLote->setObjectName(QStringLiteral("PainelEstLote"));
    PainelEstLote->setFrameStyle(QFrame::Box | QFrame::Plain);
    PainelEstLote->setAutoFillBackground(true);
    PainelEstLote->setGeometry(8, 6, 745, 433);
    PainelEstLote->hide();
    Label4 = rotulo(QStringLiteral("Lotes existentes no Estoque "), PainelEstLote, QRect(8, 6, 300, 18), QColor(), 13,
                    true);
    Label5 = rotulo(QStringLiteral("para o fornecedor "), PainelEstLote, QRect(8, 26, 130, 18), QColor(), 13, true);
    DBText2 = new DBText(PainelEstLote);
    DBText2->setObjectName(QStringLiteral("DBText2"));
    DBText2->setGeometry(140, 26, 500, 18);
    DBText2->setFont(fonte(DBText2, 13, true));
    CorDoTexto(DBText2, kAzulMarinho);
    DBGrid3 = new DBGrid(PainelEstLote);
    DBGrid3->setObjectName(QStringLiteral("DBGrid3"));
    DBGrid3->setGeometry(8, 48, 729, 355);
    DBGrid3->setColumns({GridColumn(QStringLiteral("LOTE"), QStringLiteral("Lote"), 120),
                         GridColumn(QStringLiteral("VALIDADE"), QStringLiteral("Validade"), 64),
                         GridColumn(QStringLiteral("DESCRICAO"), QStringLiteral("Descrição"), 400)});
    Label6 = rotulo(QStringLiteral("Tecle ENTER para finalizar"), PainelEstLote, QRect(8, 409, 300, 18), kMarrom, 12,
                    true);

    // The lists are for choosing: nothing is typed into them.
    for (DBGrid *g : {DBGrid2, DBGrid3}) {
        g->readOnly = true;
        g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
    DBGrid2->onKeyDown = [this](DBGrid &, QKeyEvent *e) { return DBGrid2KeyPress(e); };
    DBGrid3->onKeyDown = [this](DBGrid &, QKeyEvent *e) { return DBGrid3KeyPress(e); };
}

QSize TFormCadPrep::TamanhoJanela() const
{
    return frameGeometry().size();
}

void TFormCadPrep::PoeTamanho(const QSize &janela)
{
    if (TamanhoJanela() != janela)
        resize(janela - (frameGeometry().size() - size()));
}

void TFormCadPrep::Dispoe(const QSize &janela)
{
    DBGrid1->resize(janela.width() - 25, janela.height() - 175);
    BitBtn1->move(janela.width() - 133, BitBtn1->y());
}

// ---------------------------------------------------------- window events

void TFormCadPrep::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // It opens maximised; the activation then caps its size.
    if (!m_mostrada) {
        m_mostrada = true;
        if (QScreen *tela = screen())
            setGeometry(tela->availableGeometry());
    }
}

void TFormCadPrep::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow()) {
        const bool volta = m_voltaDeDialogo;
        m_voltaDeDialogo = false;
        if (!volta && isVisible())
            guarded([this] { FormActivate(); });
    } else {
        // One of its own message boxes taking the focus: coming back from it is no activation.
        m_voltaDeDialogo = QApplication::activeModalWidget() != nullptr;
    }
}

void TFormCadPrep::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (isVisible())
        guarded([this] { FormResize(); });
}

void TFormCadPrep::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (guarded([this] { return FormClose(); }, false))
        hide();
}

bool TFormCadPrep::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *tecla = static_cast<QKeyEvent *>(event);
        if (watched == CodigoFornecedor)
            return guarded([&] { return CodigoFornecedorKeyPress(tecla); }, true);
        if (watched == EditLote) {
            // The key is typed all the same.
            if (teclaDeCaractere(tecla))
                guarded([this] { EditLoteKeyPress(); });
            return false;
        }
        for (int i = 0; i < 20; ++i)
            if (watched == Peso[i])
                return guarded([&] { return TeclaDaBalanca(tecla) || PesoKeyPress(i, tecla); }, true);
    } else if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason motivo = static_cast<QFocusEvent *>(event)->reason();
        // Entering an edit selects its text, so that what is typed replaces it.
        if (auto *edit = qobject_cast<QLineEdit *>(watched); edit && motivo != Qt::MouseFocusReason)
            edit->selectAll();
        // Entering the edit, not the window coming back to it.
        if (watched == Peso[0] && motivo != Qt::ActiveWindowFocusReason && motivo != Qt::PopupFocusReason)
            guarded([this] { Peso1Enter(); });
    }
    return QWidget::eventFilter(watched, event);
}

void TFormCadPrep::FormActivate()
{
    if (m_dm && GravaLinhaPendente()) {
        // Coming back, the typing goes on in the lot and column it left.
        ClientDataSet *ds = m_dm->PesoCaV;
        const QList<QVariant> chave = ChaveDaLinha();
        const int coluna = DBGrid1->selectedIndex();
        bool voltou = false;
        {
            // The supplier is looked up once, for the lot it ends on, not
            // also for the first lot it passes on the way.
            const QScopedValueRollback<ClientDataSet::Event> semFornecedor(ds->AfterScroll,
                                                                           ClientDataSet::Event());
            AbreLista();
            voltou = !chave.isEmpty() && VoltaAoLote(chave);
        }
        if (ds->Active() && !ds->IsEmpty() && ds->AfterScroll)
            ds->AfterScroll(*ds);
        if (voltou && DBGrid1->selectedIndex() != coluna && coluna >= 0)
            DBGrid1->setSelectedIndex(coluna);
    }
    const QSize janela = TamanhoJanela().boundedTo(kTamanhoMaximo);
    PoeTamanho(janela);
    Dispoe(janela);
    if (QWidget *principal = janelaPrincipal()) {
        const QSize fora = principal->frameGeometry().size();
        move(arredonda((fora.width() - janela.width()) / 2.0), arredonda((fora.height() - janela.height()) / 2.0) + 15);
    }
    const QString dica = UnidadePesoMedio == QLatin1String("G") ? QStringLiteral("Informe todos os pesos em g")
                                                                 : QStringLiteral("Informe todos os pesos em mg");
    Label3->setText(dica);
    Label32->setText(dica);
}

void TFormCadPrep::FormResize()
{
    const QSize janela = TamanhoJanela().boundedTo(kTamanhoMaximo);
    PoeTamanho(janela);
    Dispoe(janela);
    if (QWidget *principal = janelaPrincipal())
        move(0, arredonda((principal->frameGeometry().height() - janela.height()) / 2.0) + 15);
}

bool TFormCadPrep::FormClose()
{
    if (!m_dm)
        return true;
    m_dm->Forneced->Close();
    // A row that cannot be stored is not thrown away in silence: its error
    // is shown and the window stays, with the row, for it to be corrected or
    // dropped (Esc).
    if (!GravaLinhaPendente())
        return false;
    m_dm->Forneced->Close();
    m_dm->PesoCaV->Close();
    return true;
}

bool TFormCadPrep::GravaLinhaPendente()
{
    ClientDataSet *ds = m_dm->PesoCaV;
    if (!ds->Active())
        return true;
    DBGrid1->commitEdit();
    DBGrid1->dropUntouchedNewRow();
    try {
        ds->CheckBrowseMode();
    } catch (...) {
        handleError(std::current_exception());
        return false;
    }
    return true;
}

QList<QVariant> TFormCadPrep::ChaveDaLinha() const
{
    ClientDataSet *ds = m_dm ? m_dm->PesoCaV : nullptr;
    if (!ds || !ds->Active() || ds->IsEmpty())
        return {};
    QList<QVariant> chave;
    for (const char *campo : {"CODFORN", "LOTE", "TAMCAP"})
        chave.append(ds->FieldByName(QString::fromLatin1(campo)).Value());
    return chave;
}

bool TFormCadPrep::VoltaAoLote(const QList<QVariant> &chave)
{
    ClientDataSet *ds = m_dm->PesoCaV;
    if (ChaveDaLinha() == chave)
        return true;
    // Among the rows already read first: the rest of the list is read only
    // when the lot lies further on.
    QList<int> campos;
    for (const char *campo : {"CODFORN", "LOTE", "TAMCAP"})
        campos.append(ds->FieldIndex(QString::fromLatin1(campo)));
    for (int linha = 0; linha < ds->RecordCount(); ++linha) {
        bool igual = true;
        for (int i = 0; i < campos.size() && igual; ++i)
            igual = ds->rowValue(linha, campos[i]) == chave[i];
        if (igual) {
            ds->SetRecNo(linha + 1);
            return true;
        }
    }
    return ds->Locate(QStringLiteral("CODFORN;LOTE;TAMCAP"), chave);
}

void TFormCadPrep::FechaSeletoresDaGrade()
{
    if (m_linhaDoSeletor.isEmpty() || ChaveDaLinha() == m_linhaDoSeletor)
        return;
    // The grid stands on another lot now: a choice would go to the wrong one.
    if (PainelForneced->isVisible() && m_origemFornecedores == Origem::Grade) {
        PainelForneced->hide();
        m_dm->OpForn->Close();
    }
    if (PainelEstLote->isVisible() && m_origemLotes == Origem::Grade) {
        PainelEstLote->hide();
        m_dm->OpForn->Close();
    }
    m_linhaDoSeletor.clear();
}

void TFormCadPrep::AbreLista()
{
    AbreListaLotes(*m_dm);
}

// ------------------------------------------------------------------ buttons

void TFormCadPrep::BitBtn1Click()
{
    close();
}

void TFormCadPrep::BitBtn3Click()
{
    Panel1->hide();
}

void TFormCadPrep::BitBtn4Click()
{
    ModoEntrada = 1;
    CodigoFornecedor->clear();
    EditLote->clear();
    EditTamanho->clear();
    EditTamanho->setReadOnly(false);
    for (QLineEdit *e : Peso)
        e->clear();
    Label31->clear();
    Label34->clear();
    Panel1->setGeometry(168, 120, 601, 470);
    Panel1->show();
    Panel1->raise();
    CodigoFornecedor->setFocus();
}

// ------------------------------------------------------------ the lot grid

void TFormCadPrep::DBGrid1KeyPress()
{
    ClientDataSet *ds = m_dm ? m_dm->PesoCaV : nullptr;
    if (!ds || !ds->Active() || ds->IsEmpty())
        return;
    // Each move runs the exit rules of the column left, which may put the
    // cursor back on column 0, 1 or 2; the cascade carries on from there.
    if (DBGrid1->selectedIndex() == 22) {
        DBGrid1->setSelectedIndex(23);
        return;
    }
    for (int k = 21; k >= 0; --k)
        if (DBGrid1->selectedIndex() == k)
            DBGrid1->setSelectedIndex(k + 1);
    if (DBGrid1->selectedIndex() == 23)
        DBGrid1->setSelectedIndex(0);
}

void TFormCadPrep::DBGrid1ColExit(int coluna)
{
    ClientDataSet *ds = m_dm ? m_dm->PesoCaV : nullptr;
    if (!ds || !ds->Active() || ds->IsEmpty())
        return;
    if (coluna >= 4)
        EtapaPesos();
    if (DBGrid1->selectedField() == QLatin1String("LOTE"))
        EtapaLote();
    if (DBGrid1->selectedField() == QLatin1String("CODFORN"))
        EtapaFornecedor();
}

void TFormCadPrep::EtapaPesos()
{
    ClientDataSet *ds = m_dm->PesoCaV;
    if (ds->FieldByName(QStringLiteral("LOTE")).AsString() == kLoteNaoInformado) {
        messages().simple(QStringLiteral("Favor especificar o lote."));
        DBGrid1->setSelectedIndex(0);
        return;
    }
    if (ds->FieldByName(QStringLiteral("TAMCAP")).AsString().isEmpty()) {
        messages().simple(QStringLiteral("Favor especificar o Tamanho das Cápsulas."));
        DBGrid1->setSelectedIndex(1);
        return;
    }
    QList<std::optional<double>> pesos;
    bool algum = false;
    for (int n = 1; n <= 20; ++n) {
        const Field f = ds->FieldByName(campoPeso(n));
        pesos.append(f.IsNull() ? std::nullopt : std::optional<double>(f.AsFloat()));
        algum = algum || f.AsFloat() != 0;
    }
    if (!algum)
        return;
    ds->Edit();
    ds->FieldByName(QStringLiteral("PESOMEDIO")).SetAsFloat(MediaDosPesos(pesos));
    ds->Post();
    ds->Edit();
}

namespace {

// Whether the lot of the current row was typed in since it was read: a new
// row's, or one changed while the row is edited.
bool loteDigitado(ClientDataSet *ds, const QVariant &loteLido)
{
    if (ds->State() == DataSetState::Insert)
        return true;
    return ds->State() == DataSetState::Edit && ds->FieldByName(QStringLiteral("LOTE")).Value() != loteLido;
}

} // namespace

void TFormCadPrep::EtapaLote()
{
    ClientDataSet *ds = m_dm->PesoCaV;
    ClientDataSet *estoque = m_dm->EstLote;
    const QString lote = ds->FieldByName(QStringLiteral("LOTE")).AsString();
    const QString codigo = ds->FieldByName(QStringLiteral("CODFORN")).AsString();
    if (lote != kLoteNaoInformado) {
        estoque->Close();
        m_dm->SQLDS_Estlote.CommandText = QStringLiteral("Select * from ESTLOTE where LOTE = ") + quoted(lote);
        estoque->Open();
        if (estoque->IsEmpty()) {
            // A registered lot the stock no longer holds is kept as it is.
            if (!loteDigitado(ds, m_loteLido))
                return;
            messages().simple(QStringLiteral("Lote \"") + lote + QStringLiteral("\" inexistente."));
            ds->Edit();
            ds->FieldByName(QStringLiteral("LOTE")).SetAsString(kLoteNaoInformado);
            return;
        }
        if (codigo != kFornecedorAIdentificar)
            return;
        // The supplier and the size come from the stock lot.
        ds->Edit();
        const QString descricao = estoque->FieldByName(QStringLiteral("DESCRICAO")).AsString();
        ds->FieldByName(QStringLiteral("TAMCAP")).SetAsString(TamanhoCapsulaNoEstoque(descricao));
        const QString fornecedor = estoque->FieldByName(QStringLiteral("FORNECEDOR")).AsString();
        if (ProcuraFornecedorPorNome(fornecedor)) {
            const QString encontrado = m_dm->OpForn->FieldByName(QStringLiteral("CODIGO")).AsString();
            messages().simple(QStringLiteral("FORNECEDOR: ") + fornecedor + QStringLiteral("\rCOD.FORNEC.: ") +
                              encontrado + QStringLiteral("\rPRODUTO.......: ") + descricao +
                              QStringLiteral("\rLOTE............: ") +
                              estoque->FieldByName(QStringLiteral("LOTE")).AsString());
            ds->FieldByName(QStringLiteral("CODFORN")).SetAsString(encontrado);
        } else {
            ds->FieldByName(QStringLiteral("CODFORN")).SetAsString(kFornecedorAIdentificar);
        }
        m_dm->OpForn->Close();
        DBGrid1->setSelectedIndex(2);
        return;
    }
    if (codigo == kFornecedorAIdentificar)
        return;
    // No lot yet: the stock lots of the row's supplier are offered.
    const std::optional<QString> chave = CodigoComQuatroDigitos(codigo);
    if (!chave)
        throw AppError(QStringLiteral("'%1' não é um valor inteiro válido.").arg(codigo));
    if (!ProcuraFornecedorPorCodigo(*chave)) {
        m_dm->OpForn->Close();
        return;
    }
    if (AbreLotesDoFornecedor())
        MostraLotes(Origem::Grade);
}

void TFormCadPrep::EtapaFornecedor()
{
    const QString codigo = m_dm->PesoCaV->FieldByName(QStringLiteral("CODFORN")).AsString();
    // The code stays as typed: "12" is not rewritten as "0012".
    if (ProcuraFornecedorPorCodigo(CodigoComQuatroDigitos(codigo).value_or(QStringLiteral("0")))) {
        m_dm->OpForn->Close();
        return;
    }
    MostraFornecedores(Origem::Grade);
}

// ------------------------------------------------------------- the pickers

bool TFormCadPrep::ProcuraFornecedorPorCodigo(const QString &codigo)
{
    ClientDataSet *f = m_dm->OpForn;
    f->Close();
    m_dm->SQLDS_OpForn.CommandText =
        QStringLiteral("Select ") + CamposFornecedor + QStringLiteral(" from FORNECED order by CODIGO");
    f->Open();
    // Exactly: a longer code is not cut to the column's size to match.
    return !codigo.isEmpty() && f->Locate(QStringLiteral("CODIGO"), {codigo}) &&
           f->FieldByName(QStringLiteral("CODIGO")).AsString() == codigo;
}

bool TFormCadPrep::ProcuraFornecedorPorNome(const QString &nome)
{
    ClientDataSet *f = m_dm->OpForn;
    f->Close();
    m_dm->SQLDS_OpForn.CommandText =
        QStringLiteral("Select ") + CamposFornecedor + QStringLiteral(" from FORNECED order by NOMEFANTASIA");
    f->Open();
    return !nome.isEmpty() && f->Locate(QStringLiteral("NOMEFANTASIA"), {nome}) &&
           f->FieldByName(QStringLiteral("NOMEFANTASIA")).AsString() == nome;
}

void TFormCadPrep::MostraFornecedores(Origem origem)
{
    ClientDataSet *f = m_dm->OpForn;
    f->Close();
    m_dm->SQLDS_OpForn.CommandText =
        QStringLiteral("Select ") + CamposFornecedor + QStringLiteral(" from FORNECED order by NOMEFANTASIA");
    f->Open();
    m_origemFornecedores = origem;
    // The grid row goes on in the picker: leaving the grid for it keeps the row.
    if (origem == Origem::Grade) {
        DBGrid1->countAsTyped();
        m_linhaDoSeletor = ChaveDaLinha();
    }
    PainelForneced->setGeometry(176, 48, 393, 441);
    PainelForneced->show();
    PainelForneced->raise();
    DBGrid2->setFocus();
}

bool TFormCadPrep::AbreLotesDoFornecedor()
{
    const QString nome = m_dm->OpForn->FieldByName(QStringLiteral("NOMEFANTASIA")).AsString();
    ClientDataSet *estoque = m_dm->EstLote;
    estoque->Close();
    m_dm->SQLDS_Estlote.CommandText = ConsultaLotesDoFornecedor(nome);
    estoque->Open();
    if (estoque->IsEmpty()) {
        messages().simple(kSemLotes);
        m_dm->OpForn->Close();
        return false;
    }
    return true;
}

void TFormCadPrep::MostraLotes(Origem origem)
{
    m_origemLotes = origem;
    if (origem == Origem::Grade) {
        DBGrid1->countAsTyped();
        m_linhaDoSeletor = ChaveDaLinha();
    }
    PainelEstLote->setGeometry(8, 6, 745, 433);
    PainelEstLote->show();
    PainelEstLote->raise();
    DBGrid3->setFocus();
}

bool TFormCadPrep::CodigoFornecedorKeyPress(QKeyEvent *event)
{
    if (!teclaEnter(event))
        return false;
    MostraFornecedores(Origem::Painel);
    return true;
}

void TFormCadPrep::EditLoteKeyPress()
{
    const QString codigo = CodigoFornecedor->text();
    // A supplier still to be identified has no stock lots to offer.
    if (codigo == kFornecedorAIdentificar)
        return;
    if (!ProcuraFornecedorPorCodigo(codigo)) {
        m_dm->OpForn->Close();
        return;
    }
    if (AbreLotesDoFornecedor())
        MostraLotes(Origem::Painel);
}

bool TFormCadPrep::DBGrid2KeyPress(QKeyEvent *event)
{
    ClientDataSet *f = m_dm->OpForn;
    const bool enter = teclaEnter(event);
    if (!enter && event->key() != Qt::Key_Escape)
        return false;
    if (enter) {
        const bool escolhido = f->Active() && !f->IsEmpty();
        const QString codigo = escolhido ? f->FieldByName(QStringLiteral("CODIGO")).AsString() : QString();
        const QString nome = escolhido ? f->FieldByName(QStringLiteral("NOMEFANTASIA")).AsString() : QString();
        Label3->setText(nome);
        if (m_origemFornecedores == Origem::Painel) {
            CodigoFornecedor->setText(codigo);
            Label31->setText(nome);
            PainelForneced->hide();
            f->Close();
            EditLote->setFocus();
        } else {
            const bool mesmaLinha = ChaveDaLinha() == m_linhaDoSeletor;
            PainelForneced->hide();
            f->Close();
            DBGrid1->setFocus();
            if (escolhido && mesmaLinha)
                DBGrid1->typeIntoCell(0, codigo);
        }
        return true;
    }
    if (m_origemFornecedores == Origem::Painel)
        CodigoFornecedor->setFocus();
    else
        DBGrid1->setFocus();
    PainelForneced->hide();
    f->Close();
    return true;
}

bool TFormCadPrep::DBGrid3KeyPress(QKeyEvent *event)
{
    if (!teclaDeCaractere(event))
        return false;
    bool consumida = false;
    if (teclaEnter(event)) {
        ClientDataSet *estoque = m_dm->EstLote;
        const bool escolhido = estoque->Active() && !estoque->IsEmpty();
        const QString lote = texto(estoque, "LOTE");
        const QString descricao = texto(estoque, "DESCRICAO");
        if (m_origemLotes == Origem::Painel) {
            EditLote->setText(lote);
            Label34->setText(descricao);
            // A change keeps the size of the lot it changes.
            if (ModoEntrada != 2)
                EditTamanho->setText(TamanhoCapsula(descricao));
            // Entering the first weight checks for a duplicate at once.
            Peso[0]->setFocus();
            PainelEstLote->hide();
        } else {
            const bool mesmaLinha = ChaveDaLinha() == m_linhaDoSeletor;
            PainelEstLote->hide();
            DBGrid1->setFocus();
            if (escolhido && mesmaLinha && DBGrid1->typeIntoCell(1, lote))
                DBGrid1->typeIntoCell(2, TamanhoCapsulaNoEstoque(descricao));
        }
        consumida = true;
    } else if (event->key() == Qt::Key_Escape) {
        if (m_origemLotes == Origem::Painel)
            EditLote->setFocus();
        else
            DBGrid1->setFocus();
        PainelEstLote->hide();
        consumida = true;
    }
    // Every key typed into the list lets the supplier go.
    m_dm->OpForn->Close();
    return consumida;
}

// ------------------------------------------------------- the entry panel

bool TFormCadPrep::PesoKeyPress(int indice, QKeyEvent *event)
{
    if (!teclaEnter(event))
        return false;
    ProximoDoPeso(indice);
    return true;
}

void TFormCadPrep::ProximoDoPeso(int indice)
{
    if (indice < 19)
        Peso[indice + 1]->setFocus();
    else
        BitBtn2->setFocus();
}

void TFormCadPrep::Peso1Enter()
{
    if (ModoEntrada == 2 || !m_dm)
        return;
    m_dm->ConsultaRapida(ConsultaLoteRegistrado(CodigoFornecedor->text(), EditLote->text()));
    const bool existe = !m_dm->SQLQuery1.IsEmpty();
    m_dm->SQLQuery1.Close();
    if (existe) {
        messages().simple(kLoteJaRegistrado);
        CodigoFornecedor->clear();
        EditLote->clear();
        CodigoFornecedor->setFocus();
    }
}

void TFormCadPrep::Alteraresteregistro1Click()
{
    ClientDataSet *ds = m_dm->PesoCaV;
    // The row being typed in the grid is stored (or an untouched new one
    // dropped) first: the panel then holds the lot as stored, and no stale
    // grid row is written over the change afterwards.
    if (!GravaLinhaPendente() || !ds->Active() || ds->IsEmpty())
        return;
    QStringList pesos;
    for (int n = 1; n <= 20; ++n) {
        const Field f = ds->FieldByName(campoPeso(n));
        pesos.append(f.IsNull() ? QString() : numberForTyping(f.AsFloat()));
    }
    ModoEntrada = 2;
    CodFornAnterior = ds->FieldByName(QStringLiteral("CODFORN")).AsString().left(30);
    LoteAnterior = ds->FieldByName(QStringLiteral("LOTE")).AsString();
    TamanhoAnterior = ds->FieldByName(QStringLiteral("TAMCAP")).AsString();
    Panel1->setGeometry(168, 120, 601, 470);
    Panel1->show();
    Panel1->raise();
    CodigoFornecedor->setFocus();

    m_dm->ConsultaRapida(QStringLiteral("Select NOMEFANTASIA from FORNECED where CODIGO = ") + quoted(CodFornAnterior));
    Label31->setText(m_dm->SQLQuery1.IsEmpty() ? QString() : m_dm->SQLQuery1.asString(QStringLiteral("NOMEFANTASIA")));
    m_dm->SQLQuery1.Close();
    m_dm->ConsultaRapida(QStringLiteral("Select DESCRICAO from ESTLOTE where LOTE = ") + quoted(LoteAnterior) +
                       FiltroDescricaoCapsula(kPrefixoDescricaoDoLote));
    Label34->setText(m_dm->SQLQuery1.IsEmpty() ? QString() : m_dm->SQLQuery1.asString(QStringLiteral("DESCRICAO")));
    m_dm->SQLQuery1.Close();
    CodigoFornecedor->setText(CodFornAnterior);
    EditLote->setText(LoteAnterior);
    EditTamanho->setText(TamanhoAnterior);
    EditTamanho->setReadOnly(true);
    for (int i = 0; i < 20; ++i)
        Peso[i]->setText(pesos[i]);
}

void TFormCadPrep::BitBtn2Click()
{
    // Every weight must be a number; a refused one stops here, nothing stored.
    LoteDoPainel lote;
    for (int i = 0; i < 20; ++i) {
        const TypedNumber n = readTypedNumber(Peso[i]->text());
        if (!n.value) {
            messages().error(LabelPeso[i]->text() + QStringLiteral(": ") + n.error);
            Peso[i]->setFocus();
            Peso[i]->selectAll();
            return;
        }
        lote.pesos.append(*n.value);
    }
    lote.codigo = CodigoFornecedor->text();
    lote.lote = EditLote->text();
    lote.tamanho = EditTamanho->text().trimmed();
    switch (SalvaLote(*m_dm, messages(), ModoEntrada == 1, lote, {CodFornAnterior, LoteAnterior, TamanhoAnterior})) {
    case ResultadoSalvar::Gravado:
        Panel1->hide();
        break;
    // A duplicate keeps the panel and its twenty weights, as a failure does:
    // the code or lot is corrected and the lot saved again.
    case ResultadoSalvar::LoteJaExiste:
        Label31->clear();
        Label34->clear();
        CodigoFornecedor->setFocus();
        break;
    case ResultadoSalvar::ChaveDeOutroLote:
        CodigoFornecedor->setText(CodFornAnterior);
        EditLote->setText(LoteAnterior);
        CodigoFornecedor->setFocus();
        break;
    case ResultadoSalvar::SemTamanho:
        EditTamanho->setFocus();
        return;
    case ResultadoSalvar::Falhou:
        // The panel stays open with what was typed, so that it can be saved
        // again (the twenty weights are not lost with a dropped connection).
        BitBtn2->setFocus();
        return;
    }
    if (GravaLinhaPendente())
        AbreLista();
}

bool TFormCadPrep::TeclaDaBalanca(QKeyEvent *tecla)
{
    if (tecla->modifiers() != Qt::NoModifier)
        return false;
    if (tecla->key() == Qt::Key_F6) {
        m_balanca->Ler();
        return true;
    }
    return tecla->key() == Qt::Key_Escape && m_balanca->Cancela();
}

bool TFormCadPrep::EntraPeso(double peso)
{
    QWidget *foco = QApplication::focusWidget();
    if (!foco)
        return false;
    for (int i = 0; i < 20; ++i) {
        if (foco == Peso[i]) {
            Peso[i]->setText(numberForTyping(peso));
            ProximoDoPeso(i);
            return true;
        }
    }
    if (foco != DBGrid1 && !DBGrid1->isAncestorOf(foco))
        return false;
    const int coluna = DBGrid1->selectedIndex();
    if (coluna < 3 || coluna > 22 || !DBGrid1->typeIntoCell(coluna, numberForTyping(peso)))
        return false;
    DBGrid1KeyPress();
    return true;
}

// ------------------------------------------- duplicates and deletion

void TFormCadPrep::Historicodestelote1Click()
{
    if (!m_dm || !m_dm->PesoCaV->Active() || m_dm->PesoCaV->IsEmpty())
        return;
    const QString codforn = m_dm->PesoCaV->FieldByName(QStringLiteral("CODFORN")).AsString();
    const QString lote = m_dm->PesoCaV->FieldByName(QStringLiteral("LOTE")).AsString();
    const QString tamcap = m_dm->PesoCaV->FieldByName(QStringLiteral("TAMCAP")).AsString();
    Tfrm_Historico::Abre(*m_dm, Historico::chaveDoLote(codforn, lote, tamcap),
                         QStringLiteral("Fornecedor %1, lote %2, tamanho %3").arg(codforn, lote, tamcap), this);
}

void TFormCadPrep::Excluiresteregistro1Click()
{
    ClientDataSet *ds = m_dm->PesoCaV;
    if (!GravaLinhaPendente() || !ds->Active() || ds->IsEmpty())
        return;
    CodFornAnterior = ds->FieldByName(QStringLiteral("CODFORN")).AsString().left(30);
    LoteAnterior = ds->FieldByName(QStringLiteral("LOTE")).AsString();
    TamanhoAnterior = ds->FieldByName(QStringLiteral("TAMCAP")).AsString();
    ExcluiLote(*m_dm, messages(), CodFornAnterior, LoteAnterior, TamanhoAnterior);
}

void TFormCadPrep::Eliminarduplicaes1Click()
{
    if (GravaLinhaPendente())
        EliminaDuplicacoes(*m_dm, messages());
}
