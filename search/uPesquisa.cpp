#include "search/uPesquisa.h"

#include "core/AppError.h"
#include "core/Messages.h"
#include "core/SqlText.h"
#include "data/udm.h"
#include "widgets/DBGrid.h"
#include "widgets/ErrorHandler.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QValidator>
#include <QVBoxLayout>

#include <algorithm>

Tfrm_Pesquisa *frm_Pesquisa = nullptr;
QString CamposPedido;

namespace {

const QSize kTamanhoExterno(339, 548);

const QString kCamposPedido = QStringLiteral(
    "ESTACAO, NPEDIDO, NOME, ENDER1, ENDER2, FONE, MEDICO, ESTACAOCLIENTE, CODIGOCLIENTE, DATAPEDIDO, HORAPEDIDO, "
    "RECEBIDOPOR, ENTREGUEPOR, DATAENTREGA, HORAENTREGA, TIPOPEDIDO, QDEFORMULAS, PRECOFINAL, PRECOTOTAL, "
    "USASUBSTCONTR, CUPOMFISCAL, JANOLIVRO, CRM, OBS1, OBS2, VETF, CONVENIO, DESCPERC, DESCONTO, SINAL, "
    "VALORRESTANTE, VENCIMENTO, PAGO, DATAPAGAMENTO, PRONTO, ENTREGUE, IMPORTADO, REFERENCIA, EMPRESA, MATRICULA, "
    "FORMAPAGAMENTO, CODENTREGA, SITENTREGA, CUSTO, VENDEDOR, CAIXA, CAIXAQ, LABORATORIO, ACRESCPERC, NPED, NCF, "
    "DATA_CONF_ENTREGA, TIPODOCUMENTO, NUMDOCUMENTO, ORGAOEXPEDIDOR, UFEMISSAODOCUMENTO, CONSELHOPROFISSIONAL, "
    "UFCONSELHO, PACIENTE, FONEPACIENTE, CCF, CODLIVRO");

const QString kSemCanceladosEOrcamentos =
    QStringLiteral(" from pedidos where (tipopedido <> 'Cancel') and (tipopedido <> 'Orçam') and (ESTACAO = ");

// Day and month digits optional, year digits required, separators kept, '_'
// marking an empty position.
const QString kMascaraData = QStringLiteral("00/00/99;_");

// Turns every letter typed into a capital.
class Maiusculas : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

bool eEnter(const QKeyEvent *event)
{
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

bool eEsc(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Escape && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

QLineEdit *caixaDeData(const char *name, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setInputMask(kMascaraData);
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00")) + 16);
    return e;
}

} // namespace

QString ChaveComPonto(const QString &chave)
{
    if (chave.mid(2, 1) == QLatin1String("."))
        return chave;
    return chave.left(2) + QLatin1Char('.') + chave.mid(2);
}

QString TextoDaData(const QLineEdit *caixa)
{
    QString texto = caixa->displayText();
    texto.replace(QLatin1Char('_'), QLatin1Char(' '));
    return texto;
}

QDate DataDoTexto(const QString &texto, int anoDeReferencia)
{
    const AppError invalida(QStringLiteral("'%1' is not a valid date").arg(texto));
    const QStringList partes = texto.split(QLatin1Char('/'));
    if (partes.size() != 3)
        throw invalida;
    int numeros[3];
    for (int i = 0; i < 3; ++i) {
        const QString p = partes[i].trimmed();
        const bool digitos = !p.isEmpty() && std::all_of(p.begin(), p.end(), [](QChar c) { return c.isDigit(); });
        if (!digitos || p.size() > 2 || (i == 2 && p.size() != 2))
            throw invalida;
        numeros[i] = p.toInt();
    }
    // Two-digit years fall within the 50 years before and the 49 after the
    // reference year, the window the database server also applies to the
    // "dd.mm.yy" texts of the date search, so that both read the same dates.
    int ano = anoDeReferencia / 100 * 100 + numeros[2];
    if (ano > anoDeReferencia + 49)
        ano -= 100;
    else if (ano < anoDeReferencia - 50)
        ano += 100;
    const QDate data(ano, numeros[1], numeros[0]);
    if (!data.isValid())
        throw invalida;
    return data;
}

// ---------------------------------------------------------------- the window

Tfrm_Pesquisa::Tfrm_Pesquisa(TDM *dm, QWidget *owner) : QWidget(nullptr), m_dm(dm), m_owner(owner)
{
    setObjectName(QStringLiteral("frm_Pesquisa"));
    setWindowTitle(QStringLiteral("Pesquisa de Pedidos"));
    setAttribute(Qt::WA_DeleteOnClose);
    QPalette fundo = palette();
    fundo.setColor(QPalette::Window, fundo.color(QPalette::Base));
    setPalette(fundo);
    setAutoFillBackground(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(4);

    // The number box and the "Sair" button.
    auto *linha1 = new QHBoxLayout;
    grp1 = new QGroupBox(QStringLiteral("  Nº do Pedido  "), this);
    grp1->setObjectName(QStringLiteral("grp1"));
    auto *grp1Layout = new QHBoxLayout(grp1);
    edt_1 = new QLineEdit(grp1);
    edt_1->setObjectName(QStringLiteral("edt_1"));
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(21);
    edt_1->setFont(arial);
    edt_1->setToolTip(QStringLiteral("Código da Estação"));
    edt_1->setValidator(new Maiusculas(edt_1));
    grp1Layout->addWidget(edt_1);
    linha1->addWidget(grp1, 1);
    BitBtn1 = new QPushButton(QStringLiteral("Sair"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    QFont negrito = BitBtn1->font();
    negrito.setBold(true);
    BitBtn1->setFont(negrito);
    QPalette vermelho = BitBtn1->palette();
    vermelho.setColor(QPalette::ButtonText, QColor(255, 0, 0));
    BitBtn1->setPalette(vermelho);
    const int lado = grp1->sizeHint().height();
    BitBtn1->setFixedSize(lado, lado);
    linha1->addWidget(BitBtn1, 0, Qt::AlignBottom);
    layout->addLayout(linha1);

    // The date range.
    grp2 = new QGroupBox(QStringLiteral("  Pela data do Pedido  "), this);
    grp2->setObjectName(QStringLiteral("grp2"));
    auto *grp2Layout = new QHBoxLayout(grp2);
    medt1 = caixaDeData("medt1", grp2);
    lbl_1 = new QLabel(QStringLiteral("  A  "), grp2);
    lbl_1->setObjectName(QStringLiteral("lbl_1"));
    medt2 = caixaDeData("medt2", grp2);
    grp2Layout->addWidget(medt1);
    grp2Layout->addWidget(lbl_1);
    grp2Layout->addWidget(medt2);
    grp2Layout->addStretch();
    layout->addWidget(grp2);

    // The order list.
    dbgrd2 = new DBGrid(this);
    dbgrd2->setObjectName(QStringLiteral("dbgrd2"));
    dbgrd2->readOnly = true;
    dbgrd2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    if (m_dm)
        dbgrd2->setDataSource(m_dm->ds_Pedidos);
    dbgrd2->setColumns({GridColumn(QStringLiteral("DATAPEDIDO"), QStringLiteral("Data"), 56),
                        GridColumn(QStringLiteral("ESTACAO"), QStringLiteral("Estação"), 49),
                        GridColumn(QStringLiteral("NPEDIDO"), QStringLiteral("Nº do Pedido"), 83),
                        GridColumn(QStringLiteral("NFORMULA"), QStringLiteral("Nº da Fórm."), 81)});
    QFont titulos = dbgrd2->horizontalHeader()->font();
    titulos.setBold(true);
    dbgrd2->horizontalHeader()->setFont(titulos);
    dbgrd2->onKeyDown = [this](DBGrid &, QKeyEvent *event) { return dbgrd2KeyPress(event); };
    layout->addWidget(dbgrd2, 1);

    stb1 = new QStatusBar(this);
    stb1->setObjectName(QStringLiteral("stb1"));
    stb1->setSizeGripEnabled(false);
    auto *painel = new QLabel(QStringLiteral("Pressione [Enter] para fazer a pesquisa  "), stb1);
    painel->setAlignment(Qt::AlignCenter);
    stb1->addWidget(painel, 1);
    layout->addWidget(stb1);

    setTabOrder(edt_1, BitBtn1);
    setTabOrder(BitBtn1, medt1);
    setTabOrder(medt1, medt2);
    setTabOrder(medt2, dbgrd2);
    for (QWidget *w : {static_cast<QWidget *>(edt_1), static_cast<QWidget *>(medt1), static_cast<QWidget *>(medt2)})
        w->installEventFilter(this);

    connect(BitBtn1, &QPushButton::clicked, this, guardedSlot(this, &Tfrm_Pesquisa::BitBtn1Click));
    FormCreate();
}

Tfrm_Pesquisa::~Tfrm_Pesquisa()
{
    // Also when destroyed together with its owner without having been closed.
    if (frm_Pesquisa == this)
        frm_Pesquisa = nullptr;
}

void Tfrm_Pesquisa::FormCreate()
{
    resize(kTamanhoExterno);
    CamposPedido = kCamposPedido;
}

void Tfrm_Pesquisa::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    edt_1->setFocus();
    // The MDI area sizes the child window after showing it; position it once that is done.
    QTimer::singleShot(0, this, &Tfrm_Pesquisa::Posiciona);
}

void Tfrm_Pesquisa::Posiciona()
{
    auto *janela = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (!janela || !janela->parentWidget())
        return;
    janela->resize(kTamanhoExterno);
    const QRect area = janela->parentWidget()->rect();
    janela->move(std::max(0, (area.width() - janela->width()) / 2),
                 std::max(0, (area.height() - janela->height()) / 2));
}

void Tfrm_Pesquisa::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void Tfrm_Pesquisa::FormClose()
{
    if (frm_Pesquisa == this)
        frm_Pesquisa = nullptr;
}

void Tfrm_Pesquisa::Fecha()
{
    if (m_fechando)
        return;
    m_fechando = true;
    if (auto *janela = qobject_cast<QMdiSubWindow *>(parentWidget()))
        janela->close();
    else
        close();
}

// -------------------------------------------------------------------- keys

bool Tfrm_Pesquisa::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        // A key whose handler failed is consumed; its error is shown.
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == edt_1)
            return guarded([&] { return edt_1KeyPress(key); }, true);
        if (watched == medt1)
            return guarded([&] { return medt1KeyPress(key); }, true);
        if (watched == medt2)
            return guarded([&] { return medt2KeyPress(key); }, true);
    }
    return QWidget::eventFilter(watched, event);
}

bool Tfrm_Pesquisa::edt_1KeyPress(QKeyEvent *event)
{
    if (eEnter(event)) {
        PesquisarNumero();
        return true;
    }
    if (eEsc(event)) {
        Fecha();
        return true;
    }
    return false;
}

bool Tfrm_Pesquisa::medt1KeyPress(QKeyEvent *event)
{
    if (eEnter(event)) {
        focusNextPrevChild(true);
        return true;
    }
    if (eEsc(event)) {
        Fecha();
        return true;
    }
    return false;
}

bool Tfrm_Pesquisa::medt2KeyPress(QKeyEvent *event)
{
    if (eEnter(event)) {
        PesquisarData();
        return true;
    }
    if (eEsc(event)) {
        Fecha();
        return true;
    }
    return false;
}

bool Tfrm_Pesquisa::dbgrd2KeyPress(QKeyEvent *event)
{
    // The grid's current row is the order chosen.
    if (eEnter(event) || eEsc(event)) {
        Fecha();
        return true;
    }
    return false;
}

void Tfrm_Pesquisa::BitBtn1Click()
{
    // The window closes whatever the search does; an error still reaches the general handler.
    try {
        PesquisarNumero();
    } catch (...) {
        Fecha();
        throw;
    }
    Fecha();
}

// ---------------------------------------------------------------- searches

void Tfrm_Pesquisa::PesquisarNumero()
{
    const QString chave = ChaveComPonto(edt_1->text());
    if (chave != edt_1->text())
        edt_1->setText(chave);
    const QString estacao = chave.left(2);
    const QString numero = chave.mid(3).left(18);

    m_dm->FechaPedidos();

    if (chave.size() == 3) {
        // The station's orders, latest first; errors go to the general handler.
        m_dm->AbrePedidos(QStringLiteral("Select ") + CamposPedido + kSemCanceladosEOrcamentos + quoted(estacao) +
                          QStringLiteral(") order by NPEDIDO DESC"));
        if (m_dm->cds_Pedidos->FieldByName(QStringLiteral("ESTACAO")).AsString() == estacao) {
            dbgrd2->setFocus();
        } else {
            messages().simple(QStringLiteral("Estação não encontrada"));
            edt_1->setFocus();
        }
        return;
    }

    try {
        m_dm->AbrePedidos(QStringLiteral("Select ") + CamposPedido + kSemCanceladosEOrcamentos + quoted(estacao) +
                          QStringLiteral(") AND (NPEDIDO = ") + quoted(numero) + QStringLiteral(") "));
        ClientDataSet *pedidos = m_dm->cds_Pedidos;
        if (pedidos->FieldByName(QStringLiteral("ESTACAO")).AsString() == estacao &&
            pedidos->FieldByName(QStringLiteral("NPEDIDO")).AsString() == numero) {
            Fecha();
        } else {
            messages().simple(QStringLiteral("Pedido não encontrado"));
            edt_1->setFocus();
        }
    } catch (const std::exception &) {
        messages().simple(QStringLiteral("Não foi possível encontrar o pedido ") + edt_1->text());
    }
}

void Tfrm_Pesquisa::PesquisarData()
{
    m_dm->FechaPedidos();
    // A box without a valid date raises its error here, for the general handler.
    const QDate inicio = DataDoTexto(TextoDaData(medt1));
    const QDate fim = DataDoTexto(TextoDaData(medt2));
    if (inicio > fim) {
        messages().error(QStringLiteral("Atenção: A data inicial não pode ser maior que a data final!\r\nFavor corrigir."));
        return;
    }
    const QString formato = QStringLiteral("dd.MM.yy");
    m_dm->AbrePedidos(
        QStringLiteral("Select pd.* from pedidos pd, pediform pf where (pd.estacao = pf.estacao and pd.npedido = "
                       "pf.npedido) and ((pf.formafarma = 'Capsula') or (pf.formafarma = 'Cápsula') or "
                       "(pf.formafarma = 'Capsulas') or (pf.formafarma = 'Cápsulas')) ") +
        QStringLiteral("and ((pd.tipopedido = 'Pedido') OR (pd.tipopedido = 'Repos')) and pd.DATAPEDIDO BETWEEN '") +
        inicio.toString(formato) + QStringLiteral("' AND '") + fim.toString(formato) +
        QStringLiteral("' ORDER BY ESTACAO, NPEDIDO"));
    dbgrd2->setFocus();
}
