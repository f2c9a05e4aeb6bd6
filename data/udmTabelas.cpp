// The dataset chains of the data module: stored command texts, key columns,
// update modes, master links and field definitions.

#include "data/udm.h"

namespace {

FieldDef campo(const char *name, DataType type, int size = 0, bool required = false, const char *format = "",
               bool key = false)
{
    FieldDef f;
    f.name = QString::fromLatin1(name);
    f.type = type;
    f.size = size;
    f.required = required;
    f.displayFormat = QString::fromLatin1(format);
    f.key = key;
    return f;
}

FieldDef texto(const char *name, int size, bool required = false, bool key = false)
{
    return campo(name, DataType::String, size, required, "", key);
}

FieldDef inteiro(const char *name, bool required = false, const char *format = "")
{
    return campo(name, DataType::Integer, 0, required, format);
}

FieldDef real(const char *name, const char *format = "")
{
    return campo(name, DataType::Float, 0, false, format);
}

FieldDef decimal(const char *name, const char *format = "")
{
    return campo(name, DataType::Decimal, 0, false, format);
}

FieldDef data(const char *name)
{
    return campo(name, DataType::Date);
}

const char *kPeso = "#,##0.0000";
const char *kResultado = "#,##0.000";

QList<FieldDef> camposPesoMed()
{
    return {
        campo("ID_PESOMED", DataType::Integer, 0, true, "", true),
        texto("CHAVE", 20),
        texto("ESTACAO", 3, true),
        inteiro("NPEDIDO", true),
        inteiro("NFORMULA", true),
        inteiro("NUMCAP", true),
        inteiro("CODPEDIDO"),
        real("PESO", kPeso),
        real("VARIACAOPESO", kPeso),
        real("VARIACAOPESOPERC", kPeso),
        real("QUADRADOSUBTRACOES", kPeso),
        texto("OBS", 200),
        texto("PACIENTE", 100),
        texto("RESULTADO", 100),
        real("DESVIOMEDIO", "#,##0.0000###"),
        decimal("PESOTEORICO"),
    };
}

QList<FieldDef> camposRPesoMed()
{
    return {
        campo("ID_RPESOMED", DataType::Integer, 0, true, "", true),
        texto("CHAVE", 20),
        texto("ESTACAO", 3, true),
        inteiro("NPEDIDO", true),
        inteiro("NFORMULA", true),
        inteiro("CODPEDIDO"),
        inteiro("QDECAPS"),
        real("PESOMEDIO", kResultado),
        real("DESVIOPADRAO", kResultado),
        real("COEFVARIACAO", kResultado),
        texto("RESULTADO", 100),
        texto("MOTIVOS", 200),
        texto("PACIENTE", 100),
        real("VARIANCIA", kResultado),
        real("PESOTOTAL", kResultado),
        real("MAXIMO", kResultado),
        real("MINIMO", kResultado),
        real("AMPLITUDE", kResultado),
        real("VALORTEORICO", kResultado),
        real("PRECISAO"),
        inteiro("TOTAL_CAPSULAS", false, kResultado),
        real("MEDIA", kResultado),
        data("DATA_EMISSAO"),
        data("DATA_ULT_ALT"),
        texto("MANIPULADOR", 60),
        decimal("VARTEORMIN", kResultado),
        decimal("VARTEORMAX", kResultado),
    };
}

QList<FieldDef> camposPesCaVaz()
{
    QList<FieldDef> f = {texto("CODFORN", 4, true), texto("LOTE", 30, true), texto("TAMCAP", 3, true),
                         decimal("PESOMEDIO")};
    for (int i = 1; i <= 20; ++i)
        f.append(decimal(QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0')).toLatin1().constData()));
    return f;
}

QList<FieldDef> camposCompedid()
{
    return {
        texto("ESTACAO", 2, true),
        inteiro("NPEDIDO", true),
        inteiro("NFORMULA", true),
        texto("COMPONENTE", 40, true),
        real("QDE"),
        texto("UNID", 3),
        decimal("VALOR"),
        texto("COMPONENTEDIG", 40),
        real("QDEDIG"),
        texto("UNIDDIG", 3),
        texto("GRUPO", 5),
        texto("USADO", 1),
        inteiro("ORDEM"),
        texto("TIPOPEDIDO", 3),
        texto("CONTROLADA", 3),
        texto("JANOLIVRO", 1),
        texto("IMPORTADO", 1),
        decimal("VALIDADE"),
        texto("FORMULAPREDEFINIDA", 3),
        texto("GRUPOF", 3),
        texto("CODIGOCOMP", 20),
        inteiro("QDEGOTASCALC"),
        inteiro("QDEGOTASSOLIC"),
        texto("CODIGO", 13),
        decimal("CUSTO"),
        inteiro("TEMPOMANIP"),
        texto("LOTE", 30),
        texto("FORNECEDOR", 35),
        decimal("CUSTOFIXO"),
        texto("USAR_FORMPRECO", 1),
        texto("DCB", 15),
        texto("REGMSMEDICAM", 15),
        decimal("QDEESTOQUE"),
        data("VALIDADELOTE"),
        decimal("DENSIDADE"),
        decimal("FATORCORRECAO"),
        decimal("FATORDILUICAO"),
    };
}

QList<FieldDef> camposC()
{
    return {
        texto("ESTACAO", 2, true, true),
        campo("NPEDIDO", DataType::Integer, 0, true, "", true),
        campo("NFORMULA", DataType::Integer, 0, true, "", true),
        texto("COMPONENTE", 40, true, true),
        real("QDE"),
        texto("UNID", 3),
        inteiro("ORDEM"),
        texto("LOTE", 30),
        texto("FORNECEDOR", 35),
        decimal("FATORCORRECAO"),
        decimal("FATORDILUICAO"),
    };
}

QList<FieldDef> camposFornecedor()
{
    return {
        texto("CODIGO", 4, true, true),
        texto("NOME", 40),
        texto("NOMEFANTASIA", 40),
        texto("ENDERECO", 40),
        texto("COMPLEMENTO", 40),
        texto("CEP", 10),
        texto("CIDADE", 30),
        texto("ESTADO", 2),
        texto("TEL", 30),
        texto("FAX", 20),
        texto("E_MAIL", 40),
        texto("SITE", 40),
        texto("CNPJ", 20),
        texto("IE", 20),
        texto("IM", 20),
        inteiro("PRAZO_PAGAMENTO"),
    };
}

QList<FieldDef> camposEstLote()
{
    return {
        texto("DESCRICAO", 70),
        texto("LOTE", 30, true, true),
        texto("FORNECEDOR", 35, true, true),
        texto("CODIGO", 13, true, true),
        decimal("SALDOPREVISTO"),
        decimal("SALDOCORRENTE"),
        texto("UNIDADE", 5),
        texto("CODIGOEAN", 13),
        texto("FABRICANTE", 35),
        data("VALIDADE"),
        texto("SITUACAO", 10),
        decimal("DENSIDADE"),
        decimal("FATORCORRECAO"),
        texto("LABORATORIO", 20, true, true),
        texto("CONTROLADA", 3),
    };
}

// The weighing, the result record (a repeated column name with _1, or _2 at
// its third occurrence) and the order's customer, patient and phone.
QList<FieldDef> camposRelPesoMed()
{
    const char *k4 = "#,##0.0000";
    return {
        inteiro("ID_PESOMED", true),
        texto("CHAVE", 20),
        texto("ESTACAO", 3, true),
        inteiro("NPEDIDO", true),
        inteiro("NFORMULA", true),
        inteiro("NUMCAP", true),
        inteiro("CODPEDIDO"),
        real("PESO", k4),
        real("VARIACAOPESO", k4),
        real("VARIACAOPESOPERC", "0.00"),
        real("QUADRADOSUBTRACOES", k4),
        texto("OBS", 200),
        texto("PACIENTE", 100),
        texto("RESULTADO", 100),
        real("DESVIOMEDIO"),
        texto("NOME", 40),
        inteiro("ID_RPESOMED", true),
        texto("CHAVE_1", 20),
        texto("ESTACAO_1", 3, true),
        inteiro("NPEDIDO_1", true),
        inteiro("NFORMULA_1", true),
        inteiro("CODPEDIDO_1"),
        inteiro("QDECAPS"),
        real("PESOMEDIO", k4),
        real("DESVIOPADRAO", k4),
        texto("RESULTADO_1", 100),
        real("COEFVARIACAO", "#,##0.0000#"),
        texto("MOTIVOS", 200),
        texto("PACIENTE_1", 100),
        real("VARIANCIA", k4),
        real("PESOTOTAL", k4),
        real("MAXIMO", k4),
        real("MINIMO", k4),
        real("AMPLITUDE", k4),
        real("VALORTEORICO", k4),
        real("PRECISAO", k4),
        inteiro("TOTAL_CAPSULAS"),
        real("MEDIA", k4),
        data("DATA_EMISSAO"),
        data("DATA_ULT_ALT"),
        texto("MANIPULADOR", 60),
        texto("PACIENTE_2", 40),
        texto("FONE", 30),
    };
}

QStringList chaves(const QList<FieldDef> &fields)
{
    QStringList keys;
    for (const FieldDef &f : fields)
        if (f.key)
            keys.append(f.name);
    return keys;
}

} // namespace

const QString TextoPesoMed = QStringLiteral(
    "select ID_PESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, CODPEDIDO, PESO, VARIACAOPESO, "
    "VARIACAOPESOPERC, QUADRADOSUBTRACOES, OBS, PACIENTE, RESULTADO, DESVIOMEDIO, PESOTEORICO from PESOMED "
    "order by numcap");
const QString TextoRPesoMed = QStringLiteral(
    "select ID_RPESOMED, CHAVE, ESTACAO, NPEDIDO, NFORMULA, CODPEDIDO, QDECAPS, PESOMEDIO, DESVIOPADRAO, "
    "COEFVARIACAO, RESULTADO, MOTIVOS, PACIENTE, VARIANCIA, PESOTOTAL, MAXIMO, MINIMO, AMPLITUDE, VALORTEORICO, "
    "PRECISAO, TOTAL_CAPSULAS, MEDIA, DATA_EMISSAO, DATA_ULT_ALT, MANIPULADOR, VARTEORMIN, VARTEORMAX from RPESOMED");
const QString ColunasPesCaVaz = QStringLiteral(
    "CODFORN, LOTE, TAMCAP, PESOMEDIO, P01, P02, P03, P04, P05, P06, P07, P08, P09, P10, P11, P12, P13, P14, P15, "
    "P16, P17, P18, P19, P20");
const QString ColunasFornecedor = QStringLiteral(
    "CODIGO, NOME, NOMEFANTASIA, ENDERECO, COMPLEMENTO, CEP, CIDADE, ESTADO, TEL, FAX, E_MAIL, SITE, CNPJ, IE, IM, "
    "PRAZO_PAGAMENTO");
const QString TextoPesoCaVaz =
    QStringLiteral("select ") + ColunasPesCaVaz + QStringLiteral(" from PESCAVAZ order by CODFORN, TAMCAP, LOTE");
const QString TextoPedidos = QStringLiteral(
    "Select first 500 pd.* from pedidos pd, pediform pf where (pd.estacao = pf.estacao and pd.npedido = "
    "pf.npedido) and ((pf.formafarma = 'Capsula') or (pf.formafarma = 'Cápsula') or (pf.formafarma = "
    "'Capsulas') or (pf.formafarma = 'Cápsulas')) and ((pd.tipopedido = 'Pedido') OR (pd.tipopedido = 'Repos') "
    "or pd.tipopedido = 'Próprio') ORDER BY pd.ESTACAO, pd.NPEDIDO");
const QString TextoPediform = QStringLiteral(
    "select first 500 ESTACAO, NPEDIDO, NFORMULA, FORMAFARMA, POSOLOGIA, PRECOFORMULA, QDECAPSULAS, QDEROTULOS, "
    "TAMROTULO, VALIDADE, VOLUMETOTAL, UNIDADE, USO, ROTULO, USASUBSTCONTR, LIVRO, CODLIVRO, VOLUME_MIN, "
    "VOLUME_MAX, DESDOBRAMENTO, PRONTO, ENTREGUE, OBSERVACAO, IMPORTADO, PADRAOPRECO, ROTPRONTO, CONFERIDO, "
    "DATAPROXPED, QUANTIDADEDIAS, NOMEFORMULA, OBSDOSAGEM, GRUPOF, QDEGOTASCALC, QDEGOTASSOLIC, CUSTOFORMULA, "
    "ODESPE, ODCILI, ODEIXO, ODADIC, OEESPE, OECILI, OEEIXO, OEADIC, LOTE, FORMULA, PROCED_MANIP, PROCED_MANIP2, "
    "NUMERONOTIFICACAO, DATAPRESCRICAO, USO_SNGPC, QDE_CAPS_PRESCRITA, RESF_TRANSPORTE, LABORATORIO, NUMDAV from "
    "PEDIFORM ORDER BY ESTACAO,NPEDIDO, NFORMULA");
const QString TextoCompedid = QStringLiteral(
    "select first 500 ESTACAO, NPEDIDO, NFORMULA, COMPONENTE, QDE, UNID, VALOR, COMPONENTEDIG, QDEDIG, UNIDDIG, "
    "GRUPO, USADO, ORDEM, TIPOPEDIDO, CONTROLADA, JANOLIVRO, IMPORTADO, VALIDADE, FORMULAPREDEFINIDA, GRUPOF, "
    "CODIGOCOMP, QDEGOTASCALC, QDEGOTASSOLIC, CODIGO, CUSTO, TEMPOMANIP, LOTE, FORNECEDOR, CUSTOFIXO, "
    "USAR_FORMPRECO, DCB, REGMSMEDICAM, QDEESTOQUE, VALIDADELOTE, DENSIDADE, FATORCORRECAO, FATORDILUICAO from "
    "COMPEDID ORDER BY ESTACAO, NPEDIDO, NFORMULA, ORDEM");
const QString TextoC = QStringLiteral(
    "select ESTACAO, NPEDIDO, NFORMULA, COMPONENTE, QDE, UNID, ORDEM, LOTE, FORNECEDOR, FATORCORRECAO, "
    "FATORDILUICAO from COMPEDID");
const QString TextoFornecedores =
    QStringLiteral("select ") + ColunasFornecedor + QStringLiteral(" from FORNECED order by NOME");
const QString TextoEstLote = QStringLiteral(
    "select DESCRICAO, LOTE, FORNECEDOR, CODIGO, SALDOPREVISTO, SALDOCORRENTE, UNIDADE, CODIGOEAN, FABRICANTE, "
    "VALIDADE, SITUACAO, DENSIDADE, FATORCORRECAO, LABORATORIO, CONTROLADA from ESTLOTE");

void TDM::CriaConjuntos()
{
    const QString detalhe = QStringLiteral("ESTACAO;NPEDIDO;NFORMULA");
    auto monta = [this](SqlDataSet &sql, const QString &texto, DataSetProvider &dsp, const QString &nome,
                        const QList<FieldDef> &campos) {
        sql.CommandText = texto;
        sql.KeyFields = chaves(campos);
        auto *cds = new ClientDataSet(nome, &dsp, this);
        cds->FieldDefs = campos;
        return cds;
    };

    cds_Pedidos = monta(sql_Pedidos, TextoPedidos, dsp_Pedidos, QStringLiteral("cds_Pedidos"), {});
    sql_Pedidos.KeyFields = {QStringLiteral("ESTACAO"), QStringLiteral("NPEDIDO")};
    cds_Pedidos->ReadOnly = true;
    // A search may list tens of thousands of orders: read them as they are shown.
    cds_Pedidos->PacketRecords = 500;
    ds_Pedidos = new DataSource(QStringLiteral("ds_Pedidos"), cds_Pedidos, this);

    cds_Pediform = monta(sql_Pediform, TextoPediform, dsp_Pediform, QStringLiteral("cds_Pediform"), {});
    sql_Pediform.KeyFields = {QStringLiteral("ESTACAO"), QStringLiteral("NPEDIDO"), QStringLiteral("NFORMULA")};
    cds_Pediform->ReadOnly = true;
    cds_Pediform->SetMasterSource(ds_Pedidos);
    cds_Pediform->MasterFields = QStringLiteral("ESTACAO;NPEDIDO");
    cds_Pediform->IndexFieldNames = QStringLiteral("ESTACAO;NPEDIDO");
    cds_Pediform->PacketRecords = 0;
    ds_Pediform = new DataSource(QStringLiteral("ds_Pediform"), cds_Pediform, this);

    cds_Compedid = monta(sqlds_Compedid, TextoCompedid, dsp_Compedid, QStringLiteral("cds_Compedid"),
                         camposCompedid());
    cds_Compedid->ReadOnly = true;
    cds_Compedid->SetMasterSource(ds_Pediform);
    cds_Compedid->MasterFields = detalhe;
    cds_Compedid->IndexFieldNames = detalhe;
    cds_Compedid->PacketRecords = 0;
    ds_Compedid = new DataSource(QStringLiteral("ds_Compedid"), cds_Compedid, this);

    cds_PesoMed = monta(sql_PesoMed, TextoPesoMed, dsp_PesoMed, QStringLiteral("cds_PesoMed"), camposPesoMed());
    cds_PesoMed->SetMasterSource(ds_Pediform);
    cds_PesoMed->MasterFields = detalhe;
    cds_PesoMed->IndexFieldNames = detalhe;
    cds_PesoMed->PacketRecords = 0;
    ds_PesoMed = new DataSource(QStringLiteral("ds_PesoMed"), cds_PesoMed, this);

    cds_RPesoMed = monta(sql_RPesoMed, TextoRPesoMed, dsp_RPesoMed, QStringLiteral("cds_RPesoMed"),
                         camposRPesoMed());
    cds_RPesoMed->SetMasterSource(ds_Pediform);
    cds_RPesoMed->MasterFields = detalhe;
    cds_RPesoMed->IndexFieldNames = detalhe;
    cds_RPesoMed->PacketRecords = 0;
    ds_RPesoMed = new DataSource(QStringLiteral("ds_RPesoMed"), cds_RPesoMed, this);

    PesoCaV = monta(SQLDSPesoCaVaz, TextoPesoCaVaz, DSPPesoCaVaz, QStringLiteral("PesoCaV"), camposPesCaVaz());
    // Thousands of lots: read as they are shown, and re-read after each post
    // only down to the lot being typed.
    PesoCaV->PacketRecords = 100;
    DSPesoCaV = new DataSource(QStringLiteral("DSPesoCaV"), PesoCaV, this);

    CDSC = monta(SQLDSC, TextoC, DSPC, QStringLiteral("CDSC"), camposC());
    CDSC->ReadOnly = true;

    Forneced = monta(SQLDS_Fornec, TextoFornecedores, DSP_Fornec, QStringLiteral("Forneced"), camposFornecedor());
    DS_Forneced = new DataSource(QStringLiteral("DS_Forneced"), Forneced, this);
    OpForn = monta(SQLDS_OpForn, TextoFornecedores, DSP_OpForn, QStringLiteral("OpForn"), camposFornecedor());
    DSOpForn = new DataSource(QStringLiteral("DSOpForn"), OpForn, this);

    EstLote = monta(SQLDS_Estlote, TextoEstLote, DSP_EstLote, QStringLiteral("EstLote"), camposEstLote());
    DSEstLote = new DataSource(QStringLiteral("DSEstLote"), EstLote, this);

    // The report reads it; nothing is written back through it.
    cds_RelPesomed = monta(sqlds_RelPesoMed, QString(), dsp_RelPesoMed, QStringLiteral("cds_RelPesomed"),
                           camposRelPesoMed());
    cds_RelPesomed->ReadOnly = true;

    cds_Generico = monta(sqlds_Generico, QString(), dsp_Generico, QStringLiteral("cds_Generico"), {});
}
