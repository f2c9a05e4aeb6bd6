#include "lots/OperacoesLote.h"

#include "core/AppError.h"
#include "core/Messages.h"
#include "core/SqlText.h"
#include "data/udm.h"
#include "lots/CalculosLote.h"

#include <optional>

const QString kLoteJaRegistrado = QStringLiteral("ATENÇÃO: Já existe um registro para este LOTE deste FORNECEDOR!");

namespace {

QString campoPeso(int n)
{
    return QStringLiteral("P%1").arg(n, 2, 10, QLatin1Char('0'));
}

bool loteRegistrado(TDM &dm, const QString &codigo, const QString &lote)
{
    dm.ConsultaRapida(ConsultaLoteRegistrado(codigo, lote));
    const bool existe = !dm.SQLQuery1.IsEmpty();
    dm.SQLQuery1.Close();
    return existe;
}

} // namespace

void AbreListaLotes(TDM &dm)
{
    ClientDataSet *ds = dm.PesoCaV;
    ds->Close();
    dm.SQLDSPesoCaVaz.CommandText =
        QStringLiteral("Select ") + ColunasPesCaVaz + QStringLiteral(" from PesCaVaz order by CODFORN, LOTE");
    ds->Open();
}

ResultadoSalvar SalvaLote(TDM &dm, MessageService &mensagens, bool novo, const LoteDoPainel &lote,
                          const LoteAnteriorDoPainel &anterior)
{
    QString comando;
    if (novo) {
        if (loteRegistrado(dm, lote.codigo, lote.lote)) {
            mensagens.simple(kLoteJaRegistrado);
            return ResultadoSalvar::LoteJaExiste;
        }
        comando = ComandoIncluiLote(lote.codigo, lote.lote, lote.tamanho, lote.pesos);
    } else {
        if ((lote.codigo != anterior.codigo || lote.lote != anterior.lote) &&
            loteRegistrado(dm, lote.codigo, lote.lote)) {
            mensagens.simple(QStringLiteral("ATENÇÃO: Já existe um registro para o LOTE ") + lote.lote +
                             QStringLiteral(" do FORNECEDOR ") + lote.codigo);
            return ResultadoSalvar::ChaveDeOutroLote;
        }
        comando = ComandoAlteraLote(lote.codigo, lote.lote, lote.pesos, anterior.codigo, anterior.lote);
    }
    std::optional<qint64> afetadas;
    QString motivo;
    try {
        afetadas = dm.ExecutaComando(comando);
    } catch (const AppError &e) {
        motivo = e.text();
    }
    // The refusal is told with the database's own reason after it.
    if (!afetadas) {
        mensagens.simple(QStringLiteral("Falha na execução do procedimento.") +
                         (motivo.isEmpty() ? QString() : QStringLiteral("\rMotivo: ") + motivo));
        return ResultadoSalvar::Falhou;
    }
    if (!novo && *afetadas == 0)
        // Deleted or changed elsewhere since it was read: nothing was changed.
        mensagens.simple(QStringLiteral("O lote \"") + anterior.lote + QStringLiteral("\" do fornecedor \"") +
                         anterior.codigo +
                         QStringLiteral("\" não está mais cadastrado: foi excluído ou alterado em outra "
                                        "estação.\rNada foi alterado."));
    else
        mensagens.simple(QStringLiteral("Procedimento concluído com sucesso!"));
    return ResultadoSalvar::Gravado;
}

int EliminaDuplicacoes(TDM &dm, MessageService &mensagens)
{
    ClientDataSet *ds = dm.PesoCaV;
    if (!ds->Active())
        AbreListaLotes(dm);
    const int cCodigo = ds->FieldIndex(QStringLiteral("CODFORN"));
    const int cLote = ds->FieldIndex(QStringLiteral("LOTE"));
    const int cTamanho = ds->FieldIndex(QStringLiteral("TAMCAP"));
    const int cMedia = ds->FieldIndex(QStringLiteral("PESOMEDIO"));
    int quantos = 0;
    bool denovo = true;
    while (denovo) {
        denovo = false;
        ds->FetchAll();
        for (int linha = 0; linha < ds->RecordCount(); ++linha) {
            const QString codigo = ds->rowValue(linha, cCodigo).toString();
            const QString lote = ds->rowValue(linha, cLote).toString();
            // The rows of the lot whose code names the same supplier: equal
            // as numbers when the codes are whole numbers (12 and 0012), as
            // text otherwise. No code is ever spliced into SQL unquoted.
            dm.ConsultaGenerica(QStringLiteral("Select CODFORN, LOTE from PESCAVAZ where LOTE = ") + quoted(lote));
            ClientDataSet *g = dm.cds_Generico;
            int registros = 0;
            QStringList codigos;
            for (g->First(); !g->Eof(); g->Next()) {
                const QString outro = g->FieldByName(QStringLiteral("CODFORN")).AsString();
                if (!MesmoFornecedor(outro, codigo))
                    continue;
                ++registros;
                if (!codigos.contains(outro))
                    codigos.append(outro);
            }
            dm.sqlds_Generico.Close();
            g->Close();
            if (registros <= 1)
                continue;

            mensagens.simple(QStringLiteral("Achei ") + QString::number(registros) +
                             QStringLiteral(" registros para ") + lote + QStringLiteral(" / ") + codigo);
            ++quantos;
            denovo = quantos <= 50;
            // The first row met stands for the group; an empty value stays empty.
            auto numero = [&](int campo) {
                const QVariant v = ds->rowValue(linha, campo);
                return !v.isValid() || v.isNull() ? QStringLiteral("null") : NumeroNoComando(v.toDouble());
            };
            QString valores = quoted(codigo) + QStringLiteral(", ") + quoted(lote) + QStringLiteral(", ") +
                              quoted(ds->rowValue(linha, cTamanho).toString()) + QStringLiteral(", ") +
                              numero(cMedia);
            for (int n = 1; n <= 20; ++n)
                valores += QStringLiteral(", ") + numero(ds->FieldIndex(campoPeso(n)));
            QStringList emAspas;
            for (const QString &c : codigos)
                emAspas.append(quoted(c));
            mensagens.simple(QStringLiteral("Eliminando a duplicidade de LOTE: '") + lote +
                             QStringLiteral("' e CODFORN: ") + codigo);
            // The group is collapsed in one transaction: deleted and written
            // back as its first row, or left as it was.
            try {
                dm.ExecutaComandos(
                    {QStringLiteral("delete from PesCaVaz where LOTE = ") + quoted(lote) +
                         QStringLiteral(" and CODFORN in (") + emAspas.join(QStringLiteral(", ")) + QLatin1Char(')'),
                     QStringLiteral("Insert into PESCAVAZ (") + ColunasPesCaVaz + QStringLiteral(") values (") +
                         valores + QLatin1Char(')')});
            } catch (const AppError &e) {
                AbreListaLotes(dm);
                throw AppError(QStringLiteral("A duplicidade de LOTE: '") + lote + QStringLiteral("' e CODFORN: ") +
                               codigo + QStringLiteral(" não foi eliminada; os registros continuam como estavam.\r") +
                               e.text());
            }
            AbreListaLotes(dm);
            break;
        }
    }
    if (quantos == 0)
        mensagens.simple(QStringLiteral("Não foram encontrados registros duplicados."));
    else if (quantos == 1)
        mensagens.simple(QStringLiteral("Foi encontrado um lote/fornecedor duplicado. A duplicação foi eliminada."));
    else
        mensagens.simple(QStringLiteral("Foram encontrados ") + QString::number(quantos) +
                         QStringLiteral(" lotes/fornecedores duplicados. As duplicações foram eliminadas."));
    return quantos;
}

bool ExcluiLote(TDM &dm, MessageService &mensagens, const QString &codigo, const QString &lote)
{
    if (!mensagens.confirm(QStringLiteral("Confirma a exclusão do lote \"") + lote +
                           QStringLiteral("\" do fornecedor \"") + codigo + QStringLiteral("\"?")))
        return false;
    dm.PesoCaV->Close();
    try {
        dm.ExecutaComando(QStringLiteral("Delete from PESCAVAZ where CODFORN = ") + quoted(codigo) +
                          QStringLiteral(" and LOTE = ") + quoted(lote));
    } catch (...) {
        // The error reaches the user over the list as the database holds it.
        AbreListaLotes(dm);
        throw;
    }
    AbreListaLotes(dm);
    return true;
}
