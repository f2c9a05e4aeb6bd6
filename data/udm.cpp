#include "data/udm.h"

#include "config/uConfiguracao.h"
#include "core/Messages.h"
#include "core/Win1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <algorithm>

TDM *DM = nullptr;
const QString &CamposFornecedor = ColunasFornecedor;

namespace {

const QString kDefaultVendorLib = QStringLiteral("gds32.dll");
const QString kArquivoCliente = QStringLiteral("CaminhoGDS.txt");
constexpr int kTamanhoCaminhoCliente = 100;
// Where a client library named without a folder is looked for, for the
// message shown when it cannot be loaded.
#ifdef Q_OS_WIN
const QString kBuscaDoSistema = QStringLiteral(
    "a biblioteca foi procurada na pasta do programa e nas pastas do sistema. "
    "O cliente Firebird (fbclient.dll) é instalado pela suíte com o nome GDS32.DLL.");
#else
const QString kBuscaDoSistema = QStringLiteral("a biblioteca foi procurada nas pastas de bibliotecas do sistema.");
#endif

} // namespace

QString LocalBancoDados(const QString &servidor)
{
    return servidor + QStringLiteral(":C:\\veltramo\\dados\\veltramo.bd");
}

TDM::TDM(QObject *parent)
    : QObject(parent), SQLQuery1(&sqlcon1),
      sql_PesoMed(&sqlcon1), dsp_PesoMed(&sql_PesoMed, UpdateMode::WhereKeyOnly),
      sql_RPesoMed(&sqlcon1), dsp_RPesoMed(&sql_RPesoMed, UpdateMode::WhereKeyOnly),
      SQLDSPesoCaVaz(&sqlcon1), DSPPesoCaVaz(&SQLDSPesoCaVaz, UpdateMode::WhereAll),
      sql_Pedidos(&sqlcon1), dsp_Pedidos(&sql_Pedidos, UpdateMode::WhereKeyOnly),
      sql_Pediform(&sqlcon1), dsp_Pediform(&sql_Pediform, UpdateMode::WhereKeyOnly),
      sqlds_Compedid(&sqlcon1), dsp_Compedid(&sqlds_Compedid, UpdateMode::WhereKeyOnly),
      SQLDSC(&sqlcon1), DSPC(&SQLDSC, UpdateMode::WhereKeyOnly),
      SQLDS_Fornec(&sqlcon1), DSP_Fornec(&SQLDS_Fornec, UpdateMode::WhereKeyOnly),
      SQLDS_OpForn(&sqlcon1), DSP_OpForn(&SQLDS_OpForn, UpdateMode::WhereKeyOnly),
      SQLDS_Estlote(&sqlcon1), DSP_EstLote(&SQLDS_Estlote, UpdateMode::WhereKeyOnly),
      sqlds_Generico(&sqlcon1), dsp_Generico(&sqlds_Generico, UpdateMode::WhereAll)
{
    CriaConjuntos();
    LigaRegras();
    LigaRegrasLotes();
    setObjectName(QStringLiteral("DM"));
    // The connection as the suite stores it. Accepted and ignored, because this
    // client has no counterpart for them: the driver and its library
    // (DriverName "Interbase", LibraryName "dbexpint.dll", GetDriverFunc
    // "getSQLDriverINTERBASE": the Firebird client is loaded directly), the
    // login dialog (LoginPrompt off: there is none, the account comes from the
    // parameters), and the parameter lines BlobSize (blobs are always read
    // whole), CommitRetain (a commit always ends the transaction), WaitOnLocks
    // and "Interbase TransIsolation" (every transaction is read committed and
    // waits on locks, set in its parameter block), ErrorResourceFile,
    // LocaleCode and "Trim Char" (text comes as stored, never trimmed). The
    // lines stay in Params so that the list reads as the suite's.
    sqlcon1.ConnectionName = QStringLiteral("VeltramoDados");
    sqlcon1.VendorLib = kDefaultVendorLib;
    sqlcon1.Params = QStringList{
        QStringLiteral("DriverName=Interbase"),
        QStringLiteral("Database=127.0.0.1:C:\\VELTRAMO\\DADOS\\VELTRAMO.BD"),
        QStringLiteral("RoleName=RoleName"),
        QStringLiteral("User_Name=sysdba"),
        QStringLiteral("Password=tamarindo"),
        QStringLiteral("ServerCharSet=win1252"),
        QStringLiteral("SQLDialect=3"),
        QStringLiteral("BlobSize=-1"),
        QStringLiteral("CommitRetain=False"),
        QStringLiteral("WaitOnLocks=True"),
        QStringLiteral("ErrorResourceFile="),
        QStringLiteral("LocaleCode=0000"),
        QStringLiteral("Interbase TransIsolation=ReadCommited"),
        QStringLiteral("Trim Char=False"),
    };
    m_estacao.usuarioSo = qEnvironmentVariable("USERNAME", qEnvironmentVariable("USER"));
    m_estacao.computador = QSysInfo::machineHostName();
    try {
        DataModuleCreate();
    } catch (const AppError &e) {
        // An unreadable location file: reported, and the module is created all the same.
        messages().error(e.text());
    }
}

TDM::~TDM()
{
    // Open statements go before the connection they run on; details first, and
    // no rule runs while the module comes apart.
    QList<ClientDataSet *> conjuntos = findChildren<ClientDataSet *>();
    std::reverse(conjuntos.begin(), conjuntos.end());
    for (ClientDataSet *cds : conjuntos) {
        cds->BeforeInsert = cds->AfterInsert = cds->AfterPost = cds->AfterDelete = nullptr;
        cds->BeforeScroll = cds->AfterScroll = cds->BeforePost = cds->BeforeClose = nullptr;
        cds->OnPostError = nullptr;
        cds->Close();
    }
    if (DM == this)
        DM = nullptr;
}

void TDM::DataModuleCreate()
{
    // 1. The client library named by the location file, when it names a folder.
    const QString caminho = ArquivoInstalacao(kArquivoCliente);
    const QString nativo = QDir::toNativeSeparators(caminho);
    sqlcon1.ClientLibrarySource =
        QStringLiteral("O arquivo %1, que indica a pasta da biblioteca cliente, não existe: %2").arg(nativo, kBuscaDoSistema);
    if (QFileInfo::exists(caminho)) {
        QFile arquivo(caminho);
        if (!arquivo.open(QIODevice::ReadOnly))
            throw AppError(QStringLiteral("Não foi possível ler o arquivo %1: %2").arg(caminho, arquivo.errorString()));
        QByteArray linha = arquivo.readLine();
        if (linha.isEmpty() && arquivo.error() != QFileDevice::NoError)
            throw AppError(QStringLiteral("Não foi possível ler o arquivo %1: %2").arg(caminho, arquivo.errorString()));
        arquivo.close();
        while (linha.endsWith('\n') || linha.endsWith('\r'))
            linha.chop(1);
        QString pasta = fromWin1252(linha.left(kTamanhoCaminhoCliente));
        if (!pasta.isEmpty()) {
            if (!pasta.endsWith(QLatin1Char('\\')) && pasta.size() < kTamanhoCaminhoCliente)
                pasta += QLatin1Char('\\');
            sqlcon1.VendorLib = pasta + QStringLiteral("GDS32.DLL");
            sqlcon1.ClientLibrarySource = QStringLiteral("A pasta da biblioteca cliente vem do arquivo %1.").arg(nativo);
        } else {
            sqlcon1.ClientLibrarySource =
                QStringLiteral("A primeira linha do arquivo %1, que indica a pasta da biblioteca cliente, está vazia: %2")
                    .arg(nativo, kBuscaDoSistema);
        }
    }
    // 2. to 4. A closed connection pointed at the configured server.
    sqlcon1.close();
    sqlcon1.setParam(QStringLiteral("Database"), LocalBancoDados(IPServidorCentral));
}

void TDM::ConsultaGenerica(const QString &sql)
{
    sqlds_Generico.Close();
    cds_Generico->Close();
    sqlds_Generico.CommandText = sql;
    sqlds_Generico.Open();
    cds_Generico->Open();
}

void TDM::ConsultaRapida(const QString &sql)
{
    SQLQuery1.Close();
    SQLQuery1.SQL = sql;
    SQLQuery1.Open();
}

namespace {

void verificaTexto(const QString &sql)
{
    VerificaTextoGuardavel(sql);
}

} // namespace

// A statement whose text holds what the database's code page cannot hold
// would write '?' in its place: refused, with the character named.
void VerificaTextoGuardavel(const QString &sql)
{
    const qsizetype i = firstNotStorable(sql);
    if (i < 0)
        return;
    const QString c = sql.mid(i, sql.at(i).isHighSurrogate() ? 2 : 1);
    const QString nome = c.at(0).unicode() < 0x20 || c.at(0).unicode() == 0x7F
                             ? QStringLiteral("um caractere de controle (código %1)").arg(c.at(0).unicode())
                             : QStringLiteral("\"%1\"").arg(c);
    throw AppError(QStringLiteral("O texto digitado tem %1, que o banco de dados não guarda.\rUse somente letras, "
                                  "algarismos e sinais comuns do português.")
                       .arg(nome));
}

qint64 TDM::ExecutaComando(const QString &sql)
{
    verificaTexto(sql);
    return sqlcon1.execute(sql);
}

QList<qint64> TDM::ExecutaComandos(const QStringList &sqls)
{
    for (const QString &sql : sqls)
        verificaTexto(sql);
    fb::Transaction transaction(sqlcon1.connection());
    QList<qint64> afetadas;
    for (const QString &sql : sqls) {
        fb::Statement statement(transaction, sql);
        afetadas.append(statement.execute());
    }
    // A failure leaves before the commit, and the transaction rolls back as it is destroyed.
    transaction.commit();
    return afetadas;
}

void TDM::FechaPedidos()
{
    cds_Pedidos->Close();
    sql_Pedidos.Close();
}

void TDM::AbrePedidos(const QString &comando)
{
    FechaPedidos();
    sql_Pedidos.CommandText = comando;
    sql_Pedidos.Open();
    cds_Pedidos->Open();
}

void TDM::DefineOperador(const QString &operador)
{
    if (operador.trimmed() == m_estacao.operador)
        return;
    m_estacao.operador = operador.trimmed();
    // Sent again with the next write.
    m_conexaoComEstacao = 0;
}

void TDM::DefineEstacao(const Historico::Estacao &estacao)
{
    m_estacao = estacao;
    m_estacao.operador = m_estacao.operador.trimmed();
    m_conexaoComEstacao = 0;
}

bool TDM::TemHistorico()
{
    sqlcon1.connection();
    if (!m_temHistorico || m_conexaoComHistorico != sqlcon1.generation()) {
        // The workstation's variables travel with the question.
        m_temHistorico = Historico::iniciaConexao(sqlcon1, m_estacao);
        m_conexaoComHistorico = m_conexaoComEstacao = sqlcon1.generation();
    }
    return *m_temHistorico;
}

QList<ContextVariable> TDM::ContextoDaEscrita(bool pesagem)
{
    QList<ContextVariable> contexto;
    // The connection a write is about to use; a new one has none of the variables.
    sqlcon1.connection();
    if (m_conexaoComEstacao != sqlcon1.generation()) {
        contexto += Historico::contexto(Historico::variaveis(m_estacao));
        m_conexaoComEstacao = sqlcon1.generation();
    }
    if (pesagem)
        contexto += Historico::contexto(Historico::variaveis(TomaOrigemPeso()));
    return contexto;
}
