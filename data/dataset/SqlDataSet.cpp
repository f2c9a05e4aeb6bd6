#include "data/dataset/SqlDataSet.h"

#include <QRegularExpression>

namespace {

qint64 g_fetches = 0;

bool isNull(const QVariant &v)
{
    return !v.isValid() || v.isNull();
}

} // namespace

qint64 DataSetProvider::fetchCount()
{
    return g_fetches;
}

qsizetype DataSetProvider::tableNameEnd() const
{
    static const QRegularExpression re(QStringLiteral("\\bfrom\\s+([A-Za-z_][A-Za-z0-9_$]*)"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(DataSet->CommandText);
    return m.hasMatch() ? m.capturedEnd(1) : -1;
}

QString DataSetProvider::tableName() const
{
    static const QRegularExpression re(QStringLiteral("\\bfrom\\s+([A-Za-z_][A-Za-z0-9_$]*)"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(DataSet->CommandText);
    return m.hasMatch() ? m.captured(1).toUpper() : QString();
}

QString DataSetProvider::commandWithCondition(const QStringList &whereFields) const
{
    if (whereFields.isEmpty())
        return DataSet->CommandText;
    const qsizetype end = tableNameEnd();
    if (end < 0)
        throw AppError(QStringLiteral("Não foi possível achar a tabela do comando: %1").arg(DataSet->CommandText));
    QStringList tests;
    for (const QString &field : whereFields)
        tests.append(field + QStringLiteral(" = ?"));
    QString sql = DataSet->CommandText;
    sql.insert(end, QStringLiteral(" where ") + tests.join(QStringLiteral(" and ")));
    return sql;
}

DataSetProvider::Packet DataSetProvider::fetch(const QStringList &whereFields, const QList<QVariant> &values,
                                               bool metadataOnly) const
{
    if (!DataSet || !DataSet->SQLConnection)
        throw AppError(QStringLiteral("Conjunto de dados sem conexão."));
    Packet packet;
    fb::Transaction transaction(DataSet->SQLConnection->connection());
    {
        fb::Statement statement(transaction, commandWithCondition(whereFields));
        packet.columns = statement.columns();
        if (!metadataOnly) {
            ++g_fetches;
            statement.open(values);
            const int n = static_cast<int>(packet.columns.size());
            while (statement.fetch()) {
                QList<QVariant> row;
                row.reserve(n);
                for (int i = 0; i < n; ++i)
                    row.append(statement.value(i));
                packet.rows.append(std::move(row));
            }
            statement.closeCursor();
        }
    }
    transaction.commit();
    return packet;
}

ProviderCursor::ProviderCursor(SqlConnection *connection, const QString &sql)
    : m_transaction(std::make_unique<fb::Transaction>(connection->connection(), true))
{
    m_statement = std::make_unique<fb::Statement>(*m_transaction, sql);
    m_columns = m_statement->columns();
    m_statement->open();
}

ProviderCursor::~ProviderCursor()
{
    try {
        m_statement.reset();
        if (m_transaction)
            m_transaction->commit();
    } catch (const fb::Error &) {
        // A lost connection has ended the read already.
    }
}

QList<QList<QVariant>> ProviderCursor::fetch(int count)
{
    QList<QList<QVariant>> rows;
    const int n = static_cast<int>(m_columns.size());
    while (!m_atEnd && m_statement && rows.size() < count) {
        if (!m_statement->fetch()) {
            m_atEnd = true;
            break;
        }
        QList<QVariant> row;
        row.reserve(n);
        for (int i = 0; i < n; ++i)
            row.append(m_statement->value(i));
        rows.append(std::move(row));
    }
    if (m_atEnd && m_statement) {
        // Nothing more to read: the transaction ends now.
        m_statement->closeCursor();
        m_statement.reset();
        m_transaction->commit();
    }
    return rows;
}

std::unique_ptr<ProviderCursor> DataSetProvider::openCursor() const
{
    if (!DataSet || !DataSet->SQLConnection)
        throw AppError(QStringLiteral("Conjunto de dados sem conexão."));
    ++g_fetches;
    return std::make_unique<ProviderCursor>(DataSet->SQLConnection, DataSet->CommandText);
}

QList<bool> DataSetProvider::apply(const QList<RowChange> &changes, int maxErrors) const
{
    if (changes.isEmpty()) {
        m_lastRefusal.clear();
        return {};
    }
    fb::Transaction transaction(DataSet->SQLConnection->connection());
    QList<bool> written = apply(changes, maxErrors, transaction);
    if (written.contains(true) || !written.contains(false) || maxErrors == -1)
        transaction.commit();
    else
        transaction.rollback();
    return written;
}

QList<bool> DataSetProvider::apply(const QList<RowChange> &changes, int maxErrors, fb::Transaction &transaction) const
{
    QList<bool> written(changes.size(), false);
    m_lastRefusal.clear();
    if (changes.isEmpty())
        return written;
    const QString table = tableName();
    auto run = [&](const QString &sql, const QList<QVariant> &params) {
        fb::Statement statement(transaction, sql);
        return statement.execute(params);
    };
    int errors = 0;
    for (qsizetype i = 0; i < changes.size(); ++i) {
        const RowChange &c = changes[i];
        QString sql;
        QList<QVariant> params;
        if (c.kind == RowChange::Insert) {
            QStringList marks;
            for (qsizetype f = 0; f < c.fields.size(); ++f)
                marks.append(QStringLiteral("?"));
            sql = QStringLiteral("insert into %1 (%2) values (%3)")
                      .arg(table, c.fields.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
            params = c.values;
        } else {
            QStringList sets;
            if (c.kind == RowChange::Modify) {
                for (qsizetype f = 0; f < c.fields.size(); ++f) {
                    const bool same = isNull(c.values[f]) ? isNull(c.original[f])
                                                          : (!isNull(c.original[f]) && c.values[f] == c.original[f]);
                    if (!same) {
                        sets.append(c.fields[f] + QStringLiteral(" = ?"));
                        params.append(c.values[f]);
                    }
                }
                if (sets.isEmpty()) {
                    written[i] = true;
                    continue;
                }
            }
            QStringList where;
            for (qsizetype f = 0; f < c.fields.size(); ++f) {
                if (Mode == UpdateMode::WhereKeyOnly && !DataSet->KeyFields.contains(c.fields[f], Qt::CaseInsensitive))
                    continue;
                if (isNull(c.original[f])) {
                    where.append(c.fields[f] + QStringLiteral(" is null"));
                } else {
                    where.append(c.fields[f] + QStringLiteral(" = ?"));
                    params.append(c.original[f]);
                }
            }
            if (where.isEmpty())
                throw AppError(QStringLiteral("A tabela %1 não tem campos chave para gravar as alterações.").arg(table));
            sql = c.kind == RowChange::Modify
                      ? QStringLiteral("update %1 set %2 where %3")
                            .arg(table, sets.join(QStringLiteral(", ")), where.join(QStringLiteral(" and ")))
                      : QStringLiteral("delete from %1 where %2").arg(table, where.join(QStringLiteral(" and ")));
        }
        bool ok = false;
        QString refusal;
        try {
            if (c.kind == RowChange::Insert) {
                ok = run(sql, params) == 1;
            } else {
                run(QStringLiteral("savepoint PM_APLICA"), {});
                const qint64 affected = run(sql, params);
                ok = affected == 1;
                if (affected > 1) {
                    run(QStringLiteral("rollback to savepoint PM_APLICA"), {});
                    refusal = QStringLiteral("a alteração atingiria %1 linhas iguais de %2.").arg(affected).arg(table);
                } else if (affected == 0) {
                    refusal = QStringLiteral("a linha foi alterada ou excluída por outra estação.");
                }
            }
        } catch (const fb::Error &e) {
            // Refused by the database; the server has undone the statement.
            refusal = e.text();
        }
        if (!ok && m_lastRefusal.isEmpty())
            m_lastRefusal = refusal;
        written[i] = ok;
        if (!ok && ++errors > maxErrors && maxErrors != -1)
            return QList<bool>(changes.size(), false);
    }
    return written;
}
