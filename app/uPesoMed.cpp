#include "app/uPesoMed.h"

#include "config/uConfiguracao.h"
#include "data/udm.h"
#include "widgets/ErrorHandler.h"

#include <QHBoxLayout>
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

Tfrm_Principal *frm_Principal = nullptr;

QColor CorDoSistema(qint32 cor)
{
    const auto c = static_cast<quint32>(cor);
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

namespace {

QPushButton *botao(const QString &texto, const QColor &cor, int largura, QWidget *parent)
{
    auto *b = new QPushButton(texto, parent);
    QFont f = b->font();
    f.setBold(true);
    f.setPixelSize(13);
    b->setFont(f);
    QPalette p = b->palette();
    p.setColor(QPalette::ButtonText, cor);
    b->setPalette(p);
    b->setFixedWidth(largura);
    b->setMinimumHeight(33);
    return b;
}

} // namespace

Tfrm_Principal::Tfrm_Principal(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frm_Principal"));
    setWindowTitle(QStringLiteral("Peso Médio - Análise dos Pesos das Cápsulas - 23.2"));
    resize(784, 499);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(0);
    BitBtn1 = botao(QStringLiteral("Cápsulas vazias por lote"), Qt::darkBlue, 238, central);
    BitBtn2 = botao(QStringLiteral("Localize o pedido"), Qt::red, 236, central);
    BitBtn3 = botao(QStringLiteral("Análise Peso Médio das cápsulas"), QColor(0, 128, 0), 295, central);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn3);
    buttons->addStretch();
    layout->addLayout(buttons);
    m_mdi = new QMdiArea(central);
    layout->addWidget(m_mdi, 1);
    setCentralWidget(central);

    QMenuBar *menu = menuBar();
    menu->addAction(QStringLiteral("Cad. Caps. Vazias"));
    menu->addAction(QStringLiteral("Pesquisar Pedido"));
    menu->addAction(QStringLiteral("Análise do Peso Médio\tF4"));
    QMenu *ajuda = menu->addMenu(QStringLiteral("Ajuda"));
    ajuda->addAction(QStringLiteral("Informações sobre o Peso Médio"));
    QAction *sair = menu->addAction(QStringLiteral("Sair"));
    connect(sair, &QAction::triggered, this, &QWidget::close);

    FormCreate();
}

void Tfrm_Principal::FormCreate()
{
    if (QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    UnidadePesoMedio = QStringLiteral("MG");
    try {
        LeConfiguracao();
    } catch (const AppError &) {
        // Reported; the design background stays and start-up goes on.
        TrataErro(std::current_exception());
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
    try {
        if (DM)
            DM->sqlcon1.connection();
    } catch (...) {
        TrataErro(std::current_exception());
    }
}
