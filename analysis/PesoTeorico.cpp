#include "analysis/PesoTeorico.h"

#include "analysis/Calculos.h"
#include "config/uConfiguracao.h"
#include "core/Capsulas.h"
#include "core/Messages.h"
#include "core/SqlText.h"
#include "data/udm.h"

PesoTeorico CalcularPesoTeorico(TDM &dm, MessageService &mensagens, const QString &estacao, qint64 npedido,
                                qint64 nformula)
{
    PesoTeorico r;
    ClientDataSet *c = dm.CDSC;
    c->Close();
    dm.SQLDSC.CommandText =
        QStringLiteral("SELECT ESTACAO, NPEDIDO, NFORMULA, QDE, COMPONENTE, UNID, ORDEM, LOTE, FORNECEDOR, "
                       "FATORCORRECAO, FATORDILUICAO FROM COMPEDID where ESTACAO = ") +
        quoted(estacao) + QStringLiteral(" AND NPEDIDO = ") + QString::number(npedido) +
        QStringLiteral(" AND NFORMULA = ") + QString::number(nformula) + QStringLiteral(" ORDER BY ORDEM");
    c->Open();
    c->First();

    double soma = 0;
    qint64 quantidade = 0;
    bool temCapsula = false;
    while (!c->Eof() && c->FieldByName(QStringLiteral("ESTACAO")).AsString() == estacao &&
           c->FieldByName(QStringLiteral("NPEDIDO")).AsInteger() == npedido &&
           c->FieldByName(QStringLiteral("NFORMULA")).AsInteger() == nformula) {
        const QString unid = c->FieldByName(QStringLiteral("UNID")).AsString();
        const double qde = c->FieldByName(QStringLiteral("QDE")).AsFloat();
        const QString componente = c->FieldByName(QStringLiteral("COMPONENTE")).AsString();
        if (unid.toUpper() == QLatin1String("UN")) {
            if (DescreveCapsula(componente)) {
                temCapsula = true;
                const QString lote = c->FieldByName(QStringLiteral("LOTE")).AsString();
                const QString fornecedor = c->FieldByName(QStringLiteral("FORNECEDOR")).AsString();
                r.descricaoCapsula = componente;
                quantidade = ArredondaPar(qde);
                const QString tamanho = TamanhoCapsula(r.descricaoCapsula);
                if (fornecedor.isEmpty() || lote.isEmpty()) {
                    mensagens.simple(QStringLiteral("ATENÇÃO:\rNão foi especificado o Fornecedor e o Lote das "
                                                    "cápsulas usadas na fórmula."));
                    r.valor = 0;
                    return r;
                }
                dm.Forneced->Close();
                dm.SQLDS_Fornec.CommandText = QStringLiteral("Select ") + CamposFornecedor +
                                              QStringLiteral(" from FORNECED where NOMEFANTASIA = ") +
                                              quoted(fornecedor);
                dm.Forneced->Open();
                const QString codigo =
                    dm.Forneced->FieldByName(QStringLiteral("NOMEFANTASIA")).AsString() == fornecedor &&
                            !dm.Forneced->IsEmpty()
                        ? dm.Forneced->FieldByName(QStringLiteral("CODIGO")).AsString()
                        : QString();
                dm.Forneced->Close();
                if (codigo.isEmpty()) {
                    r.aviso = QStringLiteral("Não encontrei o fornecedor das caps. usadas na fórmula");
                    mensagens.simple(QStringLiteral("ATENÇÃO:\rNão foi encontrado o fornecedor\r") + fornecedor +
                                     QStringLiteral("\r") + QStringLiteral("na Tabela de Fornecedores."));
                    r.valor = 0;
                    return r;
                }
                dm.PesoCaV->Close();
                dm.SQLDSPesoCaVaz.CommandText = QStringLiteral("Select ") + ColunasPesCaVaz +
                                                QStringLiteral(" from PesCaVaz where CODFORN = ") + quoted(codigo) +
                                                QStringLiteral(" and LOTE = ") + quoted(lote) +
                                                QStringLiteral(" and TAMCAP = ") + quoted(tamanho);
                dm.PesoCaV->Open();
                if (dm.PesoCaV->IsEmpty()) {
                    mensagens.simple(QStringLiteral("ATENÇÃO:\rAntes de prosseguir, favor informar\rna Tabela de "
                                                    "CÁPSULAS VAZIAS os pesos\rde 20 Cápsulas nº ") +
                                     tamanho + QStringLiteral("\r") + QStringLiteral("do Lote ") + lote +
                                     QStringLiteral("\r") + QStringLiteral("do Fornecedor ") + fornecedor +
                                     QStringLiteral(" (código ") + codigo + QStringLiteral(")."));
                    r.valor = 0;
                    return r;
                }
                r.pesoCapsulaVazia = dm.PesoCaV->FieldByName(QStringLiteral("PESOMEDIO")).AsFloat();
            }
        } else if (const auto q = QuantidadeNaUnidade(qde, unid, UnidadePesoMedio)) {
            soma += *q;
        }
        c->Next();
    }
    c->Close();
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
