#pragma once
// The test database: its location (PESOMED_TEST_DB, default the test alias on
// the local server), a connection to it, and the reset of every table the
// module touches. Database tests run one at a time.

#include "data/dataset/SqlConnection.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <memory>

class TDM;

namespace TestDb {

QString location();
// Points a connection at the test database with the suite's account.
void point(SqlConnection &connection);
// A connection of its own, for statements run by the test itself.
SqlConnection &admin();
// Runs each statement, committed on its own.
void exec(const QStringList &statements);
// The first column of the first row of a query, null when there is no row.
QVariant scalar(const QString &sql);
// Empties the module's and the suite's tables.
void reset();

// Rows of the suite's tables, with only the columns the module uses.
void order(const QString &estacao, int npedido, const QString &tipo = QStringLiteral("Pedido"),
           const QDate &data = QDate(2026, 12, 1));
void formula(const QString &estacao, int npedido, int nformula, const QString &forma = QStringLiteral("Cápsulas"));
void component(const QString &estacao, int npedido, int nformula, int ordem, const QString &componente,
               double qde = 1, const QString &unid = QStringLiteral("MG"));
void weighing(int id, const QString &estacao, int npedido, int nformula, int numcap, double peso);
// Order 01/npedido with formula 1 in capsules, ready for analysis: 4620 mg of
// one active ingredient in 30 capsules No. 0 of lot L0 of supplier 0012
// "CAPS BRASIL", whose empty capsules weigh 96 on average (theoretical weight 250).
void capsuleFormula(int npedido);

// A workstation's data module on the database (the test database unless
// given), with the order chain open.
std::unique_ptr<TDM> workstation(const QString &database = location());
// Types a weight on a new row of the current formula and posts it.
void weigh(TDM &dm, double peso);

} // namespace TestDb
