#include "tests/support/TestDb.h"

#include "data/dataset/SqlQuery.h"
#include "data/udm.h"


namespace TestDb {

QString location()
{
    const QString env = qEnvironmentVariable("PESOMED_TEST_DB");
    return env.isEmpty() ? QStringLiteral("127.0.0.1:pesomed_teste") : env;
}

void point(SqlConnection &connection)
{
    connection.close();
    connection.setParam(QStringLiteral("Database"), location());
    if (connection.param(QStringLiteral("User_Name")).isEmpty()) {
        connection.setParam(QStringLiteral("User_Name"), QStringLiteral("sysdba"));
        connection.setParam(QStringLiteral("Password"), QStringLiteral("tamarindo"));
        connection.setParam(QStringLiteral("ServerCharSet"), QStringLiteral("win1252"));
        connection.setParam(QStringLiteral("SQLDialect"), QStringLiteral("3"));
    }
}

SqlConnection &admin()
{
    // Never destroyed: the client library tears itself down at exit first.
    static SqlConnection *connection = new SqlConnection;
    if (!connection->connected()) {
        connection->VendorLib = QStringLiteral("gds32.dll");
        point(*connection);
    }
    return *connection;
}

namespace {

// The test's own connection may have been dropped by a test of server
// faults: it is used again once, connected anew.
template <typename F>
auto deNovoSePerdida(F &&f) -> decltype(f())
{
    try {
        return f();
    } catch (const fb::Error &e) {
        if (!e.connectionLost())
            throw;
    }
    return f();
}

} // namespace

void exec(const QStringList &statements)
{
    for (const QString &sql : statements)
        deNovoSePerdida([&] { return admin().execute(sql); });
}

QVariant scalar(const QString &sql)
{
    return deNovoSePerdida([&] {
        SqlQuery q(&admin());
        q.SQL = sql;
        q.Open();
        return q.IsEmpty() ? QVariant() : q.value(q.columns().first().name);
    });
}

void reset()
{
    exec({QStringLiteral("delete from PESOMED"), QStringLiteral("delete from RPESOMED"),
          QStringLiteral("delete from PESCAVAZ"), QStringLiteral("delete from COMPEDID"),
          QStringLiteral("delete from PEDIFORM"), QStringLiteral("delete from PEDIDOS"),
          QStringLiteral("delete from FORNECED"), QStringLiteral("delete from ESTLOTE")});
}

void order(const QString &estacao, int npedido, const QString &tipo, const QDate &data)
{
    admin().execute(QStringLiteral("insert into PEDIDOS (ESTACAO, NPEDIDO, TIPOPEDIDO, DATAPEDIDO, NOME) "
                                   "values (?, ?, ?, ?, ?)"),
                    {estacao, npedido, tipo, data, QStringLiteral("Cliente %1").arg(npedido)});
}

void formula(const QString &estacao, int npedido, int nformula, const QString &forma)
{
    admin().execute(QStringLiteral("insert into PEDIFORM (ESTACAO, NPEDIDO, NFORMULA, FORMAFARMA) "
                                   "values (?, ?, ?, ?)"),
                    {estacao, npedido, nformula, forma});
}

void component(const QString &estacao, int npedido, int nformula, int ordem, const QString &componente, double qde,
               const QString &unid)
{
    admin().execute(QStringLiteral("insert into COMPEDID (ESTACAO, NPEDIDO, NFORMULA, ORDEM, COMPONENTE, QDE, UNID) "
                                   "values (?, ?, ?, ?, ?, ?, ?)"),
                    {estacao, npedido, nformula, ordem, componente, qde, unid});
}

void weighing(int id, const QString &estacao, int npedido, int nformula, int numcap, double peso)
{
    admin().execute(QStringLiteral("insert into PESOMED (ID_PESOMED, ESTACAO, NPEDIDO, NFORMULA, NUMCAP, PESO) "
                                   "values (?, ?, ?, ?, ?, ?)"),
                    {id, estacao, npedido, nformula, numcap, peso});
}

void capsuleFormula(int npedido)
{
    exec({QStringLiteral("insert into FORNECED (CODIGO, NOME, NOMEFANTASIA) values ('0012', 'Caps Brasil Ltda', "
                         "'CAPS BRASIL')"),
          QStringLiteral("insert into PESCAVAZ (CODFORN, LOTE, TAMCAP, PESOMEDIO) values ('0012', 'L0', '0', 96)")});
    order(QStringLiteral("01"), npedido);
    formula(QStringLiteral("01"), npedido, 1);
    component(QStringLiteral("01"), npedido, 1, 1, QStringLiteral("CAFEINA"), 4620);
    component(QStringLiteral("01"), npedido, 1, 2, QStringLiteral("CAPSULA N 0"), 30, QStringLiteral("UN"));
    exec({QStringLiteral("update COMPEDID set LOTE = 'L0', FORNECEDOR = 'CAPS BRASIL' where ORDEM = 2")});
}

std::unique_ptr<TDM> workstation(const QString &database)
{
    auto dm = std::make_unique<TDM>();
    point(dm->sqlcon1);
    dm->sqlcon1.setParam(QStringLiteral("Database"), database);
    for (ClientDataSet *cds : {dm->cds_RPesoMed, dm->cds_PesoMed, dm->cds_Pedidos, dm->cds_Pediform, dm->cds_Compedid})
        cds->Open();
    return dm;
}

void weigh(TDM &dm, double peso)
{
    dm.cds_PesoMed->Append();
    dm.cds_PesoMed->FieldByName(QStringLiteral("PESO")).SetAsFloat(peso);
    dm.cds_PesoMed->Post();
}

} // namespace TestDb
