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

enum class Inclusao { Incluido, JaExiste, NaoIncluido };

// A new lot: the check that its supplier and lot are not registered and the
// insert it guards, in one request committed by the server as it ends. The
// values are parameters of a block prepared once per connection.
Inclusao incluiLote(TDM &dm, const QString &codigo, const QString &lote, const QString &tamanho,
                    const QList<double> &pesos)
{
    VerificaTextoGuardavel(codigo + lote + tamanho);
    const QList<ContextVariable> contexto = dm.ContextoDaEscrita(false);
    QStringList declaracoes = {QStringLiteral("CODIGO varchar(255) = ?"), QStringLiteral("LOTE varchar(255) = ?"),
                               QStringLiteral("TAMANHO varchar(255) = ?"), QStringLiteral("MEDIA varchar(64) = ?")};
    // The average as the statement of a new lot writes it: the sum over 20.
    double soma = 0;
    for (double p : pesos)
        soma += p;
    QList<QVariant> valores = {codigo, lote, tamanho, MediaNoComando(soma / 20)};
    QStringList colunas, marcas;
    for (int n = 0; n < pesos.size(); ++n) {
        declaracoes.append(QStringLiteral("P%1 varchar(64) = ?").arg(n + 1, 2, 10, QLatin1Char('0')));
        valores.append(NumeroNoComando(pesos[n]));
        colunas.append(QStringLiteral(", P%1").arg(n + 1, 2, 10, QLatin1Char('0')));
        marcas.append(QStringLiteral(", :P%1").arg(n + 1, 2, 10, QLatin1Char('0')));
    }
    QString atribuicoes;
    for (qsizetype i = 0; i < contexto.size(); ++i) {
        declaracoes.append(QStringLiteral("C%1 varchar(255) = ?").arg(i + 1));
        valores.append(contexto[i].value.isNull() ? QVariant() : QVariant(contexto[i].value.left(255)));
        atribuicoes += QStringLiteral("LINHAS = rdb$set_context('%1', '%2', :C%3);\n")
                           .arg(contexto[i].space, contexto[i].name)
                           .arg(i + 1);
    }
    const QString bloco = QStringLiteral("execute block (") + declaracoes.join(QStringLiteral(", ")) +
                          QStringLiteral(")\nreturns (EXISTE integer, LINHAS integer)\nas\nbegin\n") + atribuicoes +
                          QStringLiteral("EXISTE = 0;\nLINHAS = 0;\n"
                                         "if (exists(select 1 from PESCAVAZ where CODFORN = :CODIGO and LOTE = :LOTE)) "
                                         "then\n  EXISTE = 1;\nelse\nbegin\n"
                                         "  insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO") +
                          colunas.join(QString()) + QStringLiteral(") values (:CODIGO, :LOTE, :TAMANHO, :MEDIA") +
                          marcas.join(QString()) +
                          QStringLiteral(");\n  LINHAS = row_count;\nend\nsuspend;\nend");
    const QList<QVariant> linha = dm.sqlcon1.connection().autoCommitTransaction().executeRepeated(
        bloco, valores, {{fb::FieldType::Integer}, {fb::FieldType::Integer}});
    if (linha.value(0).toInt() != 0)
        return Inclusao::JaExiste;
    return linha.value(1).toInt() == 1 ? Inclusao::Incluido : Inclusao::NaoIncluido;
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
        std::optional<Inclusao> inclusao;
        QString motivo;
        try {
            inclusao = incluiLote(dm, lote.codigo, lote.lote, lote.tamanho, lote.pesos);
        } catch (const AppError &e) {
            motivo = e.text();
        }
        if (inclusao == Inclusao::JaExiste) {
            mensagens.simple(kLoteJaRegistrado);
            return ResultadoSalvar::LoteJaExiste;
        }
        if (inclusao != Inclusao::Incluido) {
            mensagens.simple(QStringLiteral("Falha na execução do procedimento.") +
                             (motivo.isEmpty() ? QString() : QStringLiteral("\rMotivo: ") + motivo));
            return ResultadoSalvar::Falhou;
        }
        mensagens.simple(QStringLiteral("Procedimento concluído com sucesso!"));
        return ResultadoSalvar::Gravado;
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
        afetadas = executaEmUmLote(dm, comando, descricaoDoLote(anterior.codigo, anterior.lote, anterior.tamanho));
    } catch (const AppError &e) {
        motivo = e.text();
    }
    // The refusal is told with the database's own reason after it.
    if (!afetadas) {
        mensagens.simple(QStringLiteral("Falha na execução do procedimento.") +
                         (motivo.isEmpty() ? QString() : QStringLiteral("\rMotivo: ") + motivo));
        return ResultadoSalvar::Falhou;
    }
    if (*afetadas == 0)
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
