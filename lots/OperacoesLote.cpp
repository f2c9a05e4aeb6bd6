#include "lots/OperacoesLote.h"

#include "analysis/Calculos.h"
#include "core/AppError.h"
#include "core/Messages.h"
#include "core/SqlText.h"
#include "core/Win1252.h"
#include "data/firebird/FbClient.h"
#include "data/udm.h"
#include "lots/CalculosLote.h"

#include <algorithm>
#include <optional>
#include <utility>

const QString kLoteJaRegistrado = QStringLiteral("ATENÇÃO: Já existe um registro para este LOTE deste FORNECEDOR!");

namespace {

bool loteRegistrado(TDM &dm, const QString &codigo, const QString &lote)
{
    dm.ConsultaRapida(ConsultaLoteRegistrado(codigo, lote));
    const bool existe = !dm.SQLQuery1.IsEmpty();
    dm.SQLQuery1.Close();
    return existe;
}

QString descricaoDoLote(const QString &codigo, const QString &lote, const QString &tamanho)
{
    return QStringLiteral("lote \"") + lote + QStringLiteral("\" do fornecedor \"") + codigo +
           QStringLiteral("\" (tamanho \"") + tamanho + QStringLiteral("\")");
}

// A statement that changes or deletes one lot, run in a transaction of its
// own: when it would touch more than one row, it is undone and refused.
// Returns the rows touched (0 or 1).
qint64 executaEmUmLote(TDM &dm, const QString &sql, const QString &oQue)
{
    // Text the database cannot hold is refused by the query service, with its message.
    if (firstNotStorable(sql) >= 0)
        return dm.ExecutaComando(sql);
    fb::Transaction transacao(dm.sqlcon1.connection());
    fb::Statement comando(transacao, sql);
    const qint64 afetadas = comando.execute();
    if (afetadas > 1) {
        transacao.rollback();
        throw AppError(QStringLiteral("O comando atingiria %1 registros do %2; nada foi alterado.")
                           .arg(afetadas)
                           .arg(oQue));
    }
    transacao.commit();
    return afetadas;
}

// The group of this lot whose codes name the supplier codigo, read and
// collapsed in one transaction that holds its rows: the row of this code and
// size stands for it (the first of the group when that one is gone), its
// values as the database holds them now; every row read is deleted and the
// representative written back. Nothing is done when the group is no longer
// one; on a failure nothing is changed and the error is raised.
void ColapsaGrupo(TDM &dm, const QString &codigo, const QString &lote, const QString &tamanho)
{
    const QStringList colunas = ColunasPesCaVaz.split(QStringLiteral(", "));
    const int cCodigo = static_cast<int>(colunas.indexOf(QStringLiteral("CODFORN")));
    const int cTamanho = static_cast<int>(colunas.indexOf(QStringLiteral("TAMCAP")));
    fb::Transaction transacao(dm.sqlcon1.connection());
    QList<QList<QVariant>> grupo;
    {
        // Locked as read: a row changed or deleted elsewhere from now on waits
        // for the collapse and is then refused there, instead of being
        // written back here as it was read.
        fb::Statement leitura(transacao, QStringLiteral("Select ") + ColunasPesCaVaz +
                                             QStringLiteral(" from PESCAVAZ where LOTE = ") + quoted(lote) +
                                             QStringLiteral(" with lock"));
        leitura.open();
        while (leitura.fetch()) {
            QList<QVariant> linha;
            for (int c = 0; c < colunas.size(); ++c)
                linha.append(leitura.value(c));
            if (MesmoFornecedor(linha[cCodigo].toString(), codigo))
                grupo.append(linha);
        }
        leitura.closeCursor();
    }
    if (grupo.size() <= 1) {
        transacao.rollback();
        return;
    }
    // In the list's order: by code, then size.
    std::stable_sort(grupo.begin(), grupo.end(), [&](const QList<QVariant> &a, const QList<QVariant> &b) {
        return std::pair(a[cCodigo].toString(), a[cTamanho].toString()) <
               std::pair(b[cCodigo].toString(), b[cTamanho].toString());
    });
    QList<QVariant> fica = grupo.first();
    for (const QList<QVariant> &linha : grupo)
        if (linha[cCodigo].toString() == codigo && linha[cTamanho].toString() == tamanho)
            fica = linha;
    QStringList valores;
    for (int c = 0; c < colunas.size(); ++c) {
        const QVariant &v = fica[c];
        if (c == cCodigo || c == cTamanho || colunas[c] == QLatin1String("LOTE"))
            valores.append(quoted(v.toString()));
        else
            valores.append(!v.isValid() || v.isNull() ? QStringLiteral("null") : NumeroNoComando(v.toDouble()));
    }
    for (const QList<QVariant> &linha : grupo) {
        fb::Statement exclusao(transacao, ComandoExcluiLote(linha[cCodigo].toString(), lote,
                                                            linha[cTamanho].toString()));
        exclusao.execute();
    }
    fb::Statement inclusao(transacao, QStringLiteral("Insert into PESCAVAZ (") + ColunasPesCaVaz +
                                          QStringLiteral(") values (") + valores.join(QStringLiteral(", ")) +
                                          QLatin1Char(')'));
    inclusao.execute();
    transacao.commit();
}

} // namespace

bool TamanhoValido(const QString &tamanho)
{
    return !tamanho.isEmpty() && TamanhoCapsula(tamanho) == tamanho;
}

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
        // The analysis finds a lot by its size: a lot without one would never be found.
        if (!TamanhoValido(lote.tamanho)) {
            mensagens.simple(QStringLiteral("Informe o tamanho das cápsulas deste lote (um ou dois algarismos, "
                                            "como 0, 1 ou 00): sem ele o lote não é encontrado na análise.\r"
                                            "Nada foi gravado."));
            return ResultadoSalvar::SemTamanho;
        }
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
        comando = ComandoAlteraLote(lote.codigo, lote.lote, lote.pesos, anterior.codigo, anterior.lote,
                                    anterior.tamanho);
    }
    std::optional<qint64> afetadas;
    QString motivo;
    try {
        afetadas = novo ? dm.ExecutaComando(comando)
                        : executaEmUmLote(dm, comando,
                                          descricaoDoLote(anterior.codigo, anterior.lote, anterior.tamanho));
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
            for (g->First(); !g->Eof(); g->Next())
                if (MesmoFornecedor(g->FieldByName(QStringLiteral("CODFORN")).AsString(), codigo))
                    ++registros;
            dm.sqlds_Generico.Close();
            g->Close();
            if (registros <= 1)
                continue;

            mensagens.simple(QStringLiteral("Achei ") + QString::number(registros) +
                             QStringLiteral(" registros para ") + lote + QStringLiteral(" / ") + codigo);
            ++quantos;
            denovo = quantos <= 50;
            const QString tamanho = ds->rowValue(linha, cTamanho).toString();
            mensagens.simple(QStringLiteral("Eliminando a duplicidade de LOTE: '") + lote +
                             QStringLiteral("' e CODFORN: ") + codigo);
            try {
                ColapsaGrupo(dm, codigo, lote, tamanho);
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

bool ExcluiLote(TDM &dm, MessageService &mensagens, const QString &codigo, const QString &lote,
                const QString &tamanho)
{
    if (!mensagens.confirm(QStringLiteral("Confirma a exclusão do lote \"") + lote +
                           QStringLiteral("\" do fornecedor \"") + codigo + QStringLiteral("\"?")))
        return false;
    dm.PesoCaV->Close();
    try {
        executaEmUmLote(dm, ComandoExcluiLote(codigo, lote, tamanho), descricaoDoLote(codigo, lote, tamanho));
    } catch (...) {
        // The error reaches the user over the list as the database holds it.
        AbreListaLotes(dm);
        throw;
    }
    AbreListaLotes(dm);
    return true;
}
