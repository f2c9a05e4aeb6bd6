#pragma once
// The test database: its location (PESOMED_TEST_DB, default the test alias on
// the local server), a connection to it, and the reset of every table the
// module touches. Database tests run one at a time.

#include "data/dataset/SqlConnection.h"

#include <QString>
#include <QStringList>

namespace TestDb {

QString location();
// Points a connection at the test database with the suite's account.
void point(SqlConnection &connection);
// A connection of its own, for statements run by the test itself.
SqlConnection &admin();
// Runs each statement, committed on its own.
void exec(const QStringList &statements);
// Empties the module's and the suite's tables.
void reset();

} // namespace TestDb
