#include "data/dataset/SqlQuery.h"

void SqlQuery::Open()
{
    Close();
    if (!m_connection)
        throw AppError(QStringLiteral("Consulta sem conexão."));
    fb::Statement statement(m_connection->connection(), SQL);
    m_columns = statement.columns();
    statement.open();
    while (statement.fetch()) {
        QList<QVariant> row;
        row.reserve(m_columns.size());
        for (int i = 0; i < m_columns.size(); ++i)
            row.append(statement.value(i));
        m_rows.append(std::move(row));
    }
    m_active = true;
}

void SqlQuery::Close()
{
    m_active = false;
    m_columns.clear();
    m_rows.clear();
}

QVariant SqlQuery::value(const QString &column) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].name.compare(column, Qt::CaseInsensitive) == 0)
            return m_rows.isEmpty() ? QVariant() : m_rows.first().at(i);
    }
    throw AppError(QStringLiteral("Campo '%1' não encontrado.").arg(column));
}

QString SqlQuery::asString(const QString &column) const
{
    const QVariant v = value(column);
    return v.isValid() ? v.toString() : QString();
}

qint64 SqlQuery::asInteger(const QString &column) const
{
    return value(column).toLongLong();
}

double SqlQuery::asFloat(const QString &column) const
{
    return value(column).toDouble();
}
