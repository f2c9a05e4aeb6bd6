#pragma once
// The names by which a dataset knows the columns of its statement. A join may
// return the same column name more than once ("select p.*, r.*"): the first
// keeps the name, the second is known with the suffix _1, the third with _2,
// and so on.

#include "data/firebird/FbClient.h"

#include <QHash>
#include <QStringList>

inline QStringList fieldNamesOf(const QList<fb::ColumnInfo> &columns)
{
    QStringList names;
    QHash<QString, int> seen;
    for (const fb::ColumnInfo &c : columns) {
        const QString upper = c.name.toUpper();
        const int times = seen.value(upper, 0);
        seen.insert(upper, times + 1);
        names.append(times == 0 ? c.name : c.name + QStringLiteral("_%1").arg(times));
    }
    return names;
}
