#pragma once
// A forward-only query on a connection: the statement, prepared once per
// connection, runs in the connection's read transaction when opened and its
// rows are read at once. Meant for look-ups that read the first row or count
// the rows.

#include "data/dataset/SqlConnection.h"

#include <QList>
#include <QString>
#include <QVariant>

class SqlQuery {
public:
    explicit SqlQuery(SqlConnection *connection = nullptr) : m_connection(connection) {}

    SqlConnection *Connection() const { return m_connection; }
    void setConnection(SqlConnection *connection) { m_connection = connection; }

    QString SQL;

    void Open();
    void Close();
    bool Active() const { return m_active; }
    bool IsEmpty() const { return m_rows.isEmpty(); }
    int RecordCount() const { return static_cast<int>(m_rows.size()); }

    // Value of a column of the first row, found by name without regard to case.
    // Raises an error naming the column when there is no such column.
    QVariant value(const QString &column) const;
    QString asString(const QString &column) const;
    qint64 asInteger(const QString &column) const;
    double asFloat(const QString &column) const;

    const QList<fb::ColumnInfo> &columns() const { return m_columns; }

private:
    SqlConnection *m_connection;
    bool m_active = false;
    QList<fb::ColumnInfo> m_columns;
    QList<QList<QVariant>> m_rows;
};
