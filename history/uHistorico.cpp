#include "history/uHistorico.h"

#include "data/udm.h"
#include "report/RegistroDaAnalise.h"

#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// Columns that name the row: already said by "what" when a row is added or removed.
const QSet<QString> kChaves = {QStringLiteral("ID_PESOMED"), QStringLiteral("ID_RPESOMED"), QStringLiteral("CHAVE"),
                               QStringLiteral("ESTACAO"),    QStringLiteral("NPEDIDO"),     QStringLiteral("NFORMULA"),
                               QStringLiteral("NUMCAP"),     QStringLiteral("CODFORN"),     QStringLiteral("LOTE"),
                               QStringLiteral("TAMCAP")};

QString acao(const QString &a)
{
    if (a == QLatin1String("INCLUSAO"))
        return QStringLiteral("inclusão");
    if (a == QLatin1String("ALTERACAO"))
        return QStringLiteral("alteração");
    if (a == QLatin1String("EXCLUSAO"))
        return QStringLiteral("exclusão");
    if (a == QLatin1String("ANALISE"))
        return QStringLiteral("análise");
    return a.toLower();
}

} // namespace

QStringList LinhaDoHistorico(const Historico::Entrada &e)
{
    const QString quando = QLocale().toString(e.quando, QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    QString oque;
    if (e.acao == QLatin1String("FALHA")) {
        oque = QStringLiteral("Falha do histórico: ") + e.registro;
    } else if (e.tabela == QLatin1String("PESOMED")) {
        oque = QStringLiteral("Cápsula %1: %2").arg(e.numcap).arg(acao(e.acao));
        if (e.origem == QLatin1String("BALANCA"))
            oque += QStringLiteral(" (balança %1, nº de série %2)").arg(e.balanca, e.numeroSerie);
        else if (e.origem == QLatin1String("DIGITADO"))
            oque += QStringLiteral(" (digitado)");
    } else if (e.tabela == QLatin1String("RPESOMED")) {
        if (e.acao == QLatin1String("ANALISE"))
            oque = QStringLiteral("Análise: %1 cápsulas, %2").arg(e.amostra, e.veredito);
        else
            oque = QStringLiteral("Resultado: ") + acao(e.acao);
    } else {
        oque = QStringLiteral("Lote: ") + acao(e.acao);
    }
    const bool linhaInteira = e.acao == QLatin1String("INCLUSAO") || e.acao == QLatin1String("EXCLUSAO");
    QStringList mudancas;
    for (const Historico::Campo &c : e.campos) {
        if (linhaInteira && kChaves.contains(c.nome))
            continue;
        mudancas << QStringLiteral("%1: %2 → %3")
                        .arg(c.nome, Historico::valorLegivel(c.antes), Historico::valorLegivel(c.depois));
    }
    return {quando, e.quem(), oque, mudancas.join(QStringLiteral("; "))};
}

Tfrm_Historico::Tfrm_Historico(const QString &titulo, const QList<Historico::Entrada> &entradas, bool ativo,
                               QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frm_Historico"));
    setWindowTitle(QStringLiteral("Histórico - ") + titulo);
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    lbl_Titulo = new QLabel(titulo, this);
    QFont f = lbl_Titulo->font();
    f.setBold(true);
    lbl_Titulo->setFont(f);
    layout->addWidget(lbl_Titulo);
    lbl_Desativado = new QLabel(ativo ? QString() : kHistoricoDesativado, this);
    lbl_Desativado->setObjectName(QStringLiteral("lbl_Desativado"));
    lbl_Desativado->setVisible(!ativo);
    layout->addWidget(lbl_Desativado);
    grd_Historico = new QTableWidget(int(entradas.size()), 4, this);
    grd_Historico->setObjectName(QStringLiteral("grd_Historico"));
    grd_Historico->setHorizontalHeaderLabels(
        {QStringLiteral("Quando"), QStringLiteral("Quem"), QStringLiteral("O quê"), QStringLiteral("Antes → depois")});
    grd_Historico->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grd_Historico->setSelectionBehavior(QAbstractItemView::SelectRows);
    grd_Historico->verticalHeader()->hide();
    grd_Historico->setWordWrap(true);
    for (int r = 0; r < entradas.size(); ++r) {
        const QStringList l = LinhaDoHistorico(entradas[r]);
        for (int c = 0; c < l.size(); ++c)
            grd_Historico->setItem(r, c, new QTableWidgetItem(l[c]));
    }
    grd_Historico->setColumnWidth(0, 130);
    grd_Historico->setColumnWidth(1, 120);
    grd_Historico->setColumnWidth(2, 260);
    grd_Historico->setColumnWidth(3, 360);
    grd_Historico->horizontalHeader()->setStretchLastSection(true);
    grd_Historico->resizeRowsToContents();
    // Each line as tall as its wrapped changes, once the columns have their widths.
    connect(grd_Historico->horizontalHeader(), &QHeaderView::sectionResized, grd_Historico,
            &QTableView::resizeRowsToContents);
    layout->addWidget(grd_Historico, 1);
    auto *fechar = new QPushButton(QStringLiteral("Fechar"), this);
    connect(fechar, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(fechar, 0, Qt::AlignRight);
    resize(900, 420);
}

Tfrm_Historico *Tfrm_Historico::Abre(TDM &dm, const QString &chave, const QString &titulo, QWidget *parent)
{
    const bool ativo = dm.TemHistorico();
    auto *janela = new Tfrm_Historico(titulo, ativo ? Historico::le(dm.sqlcon1, chave) : QList<Historico::Entrada>(),
                                      ativo, parent);
    janela->show();
    janela->raise();
    janela->activateWindow();
    return janela;
}
