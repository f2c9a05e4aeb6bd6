#include "analysis/PesoTeorico.h"

#include "analysis/Calculos.h"
#include "config/uConfiguracao.h"
#include "core/Capsulas.h"
#include "core/Messages.h"
#include "core/SqlText.h"
#include "data/udm.h"

namespace {

struct Componente {
    QString unid;
    double qde = 0;
    QString componente;
    QString lote;
    QString fornecedor;
};

// The components of the formula in ORDEM order, read by a statement
// prepared once per connection.
QList<Componente> componentes(TDM &dm, const QString &estacao, qint64 npedido, qint64 nformula)
{
    fb::Statement consulta(dm.sqlcon1.connection(),
                           QStringLiteral("select UNID, QDE, COMPONENTE, LOTE, FORNECEDOR from COMPEDID where "
                                          "ESTACAO = ? and NPEDIDO = ? and NFORMULA = ? order by ORDEM"));
    consulta.open({estacao, npedido, nformula});
    QList<Componente> lista;
    auto texto = [&](int c) { return consulta.value(c).toString(); };
    while (consulta.fetch())
        lista.append({texto(0), consulta.value(1).toDouble(), texto(2), texto(3), texto(4)});
    return lista;
}

// The supplier of this trade name and, in the same request, its lot of
// empty capsules of this size.
struct FornecedorELote {
    QString codigo;       // empty when there is no such supplier
    bool loteCadastrado = false;
    double pesoMedio = 0;
};
FornecedorELote fornecedorELote(TDM &dm, const QString &fornecedor, const QString &lote, const QString &tamanho)
{
    fb::Statement consulta(
        dm.sqlcon1.connection(),
        QStringLiteral("select first 1 f.CODIGO, f.NOMEFANTASIA, (select count(*) from PESCAVAZ p where p.CODFORN = "
                       "f.CODIGO and p.LOTE = ? and p.TAMCAP = ?), (select first 1 p.PESOMEDIO from PESCAVAZ p where "
                       "p.CODFORN = f.CODIGO and p.LOTE = ? and p.TAMCAP = ?) from FORNECED f where f.NOMEFANTASIA "
                       "= ?"));
    consulta.open({lote, tamanho, lote, tamanho, fornecedor});
    FornecedorELote r;
    // The name as stored, blanks included, or no supplier.
    if (consulta.fetch() && consulta.value(1).toString() == fornecedor) {
        r.codigo = consulta.value(0).toString();
        r.loteCadastrado = consulta.value(2).toLongLong() > 0;
        r.pesoMedio = consulta.value(3).toDouble();
    }
    consulta.closeCursor();
    return r;
}

} // namespace

PesoTeorico CalcularPesoTeorico(TDM &dm, MessageService &mensagens, const QString &estacao, qint64 npedido,
                                qint64 nformula)
{
    PesoTeorico r;
    double soma = 0;
    qint64 quantidade = 0;
    bool temCapsula = false;
    for (const Componente &c : componentes(dm, estacao, npedido, nformula)) {
        if (c.unid.toUpper() == QLatin1String("UN")) {
            if (DescreveCapsula(c.componente)) {
                temCapsula = true;
                r.descricaoCapsula = c.componente;
                quantidade = ArredondaPar(c.qde);
                const QString tamanho = TamanhoCapsula(r.descricaoCapsula);
                if (c.fornecedor.isEmpty() || c.lote.isEmpty()) {
                    mensagens.simple(QStringLiteral("ATENÇÃO:\rNão foi especificado o Fornecedor e o Lote das "
                                                    "cápsulas usadas na fórmula."));
                    r.valor = 0;
                    return r;
                }
                const FornecedorELote f = fornecedorELote(dm, c.fornecedor, c.lote, tamanho);
                if (f.codigo.isEmpty()) {
                    r.aviso = QStringLiteral("Não encontrei o fornecedor das caps. usadas na fórmula");
                    mensagens.simple(QStringLiteral("ATENÇÃO:\rNão foi encontrado o fornecedor\r") + c.fornecedor +
                                     QStringLiteral("\r") + QStringLiteral("na Tabela de Fornecedores."));
                    r.valor = 0;
                    return r;
                }
                if (!f.loteCadastrado) {
                    mensagens.simple(QStringLiteral("ATENÇÃO:\rAntes de prosseguir, favor informar\rna Tabela de "
                                                    "CÁPSULAS VAZIAS os pesos\rde 20 Cápsulas nº ") +
                                     tamanho + QStringLiteral("\r") + QStringLiteral("do Lote ") + c.lote +
                                     QStringLiteral("\r") + QStringLiteral("do Fornecedor ") + c.fornecedor +
                                     QStringLiteral(" (código ") + f.codigo + QStringLiteral(")."));
                    r.valor = 0;
                    return r;
                }
                r.pesoCapsulaVazia = f.pesoMedio;
            }
        } else if (const auto q = QuantidadeNaUnidade(c.qde, c.unid, UnidadePesoMedio)) {
            soma += *q;
        }
    }
    // Without a capsule component there is no empty-capsule weight nor capsule
    // count to divide by: the figure would be meaningless, so none is given.
    if (!temCapsula) {
        mensagens.simple(QStringLiteral("ATENÇÃO:\rA fórmula não tem o componente das cápsulas (descrição "
                                        "começando por \"CAP\", unidade UN).\rNão é possível calcular o Peso "
                                        "Teórico."));
        return r;
    }
    if (quantidade == 0)
        quantidade = 1;
    r.valor = (quantidade * r.pesoCapsulaVazia + soma) / quantidade;
    dm.PesoCaV->Close();
    dm.SQLDSPesoCaVaz.CommandText =
        QStringLiteral("Select ") + ColunasPesCaVaz + QStringLiteral(" from PesCaVaz order by CODFORN, TAMCAP");
    return r;
}
