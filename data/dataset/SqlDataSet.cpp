#include "data/dataset/SqlDataSet.h"

#include <QRegularExpression>

#include <utility>

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
    fb::Statement statement(DataSet->SQLConnection->connection(), commandWithCondition(whereFields));
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
    }
    return packet;
}

ProviderCursor::ProviderCursor(SqlConnection *connection, const QString &sql)
    : m_statement(std::make_unique<fb::Statement>(connection->connection(), sql))
{
    m_columns = m_statement->columns();
    m_statement->open();
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
    // Nothing more to read: the statement goes back to the connection now.
    if (m_atEnd)
        m_statement.reset();
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
    fb::Connection &connection = DataSet->SQLConnection->connection();
    if (Mode == UpdateMode::WhereKeyOnly && maxErrors == -1) {
        // Each change stands alone: what a request wrote is committed as it
        // ends, and a refused change, undone by the server, stays pending.
        return apply(changes, maxErrors, connection.autoCommitTransaction());
    }
    fb::Transaction transaction(connection);
    QList<bool> written = apply(changes, maxErrors, transaction);
    if (written.contains(true) || !written.contains(false) || maxErrors == -1)
        transaction.commit();
    else
        transaction.rollback();
    return written;
}

namespace {

// One change as a statement: its text with a ? for each value, the column
// each value goes to, and the values.
struct Command {
    QString sql;
    QStringList columns;
    QList<QVariant> params;
    bool nothing = false; // a modified row whose values are all as read
};

Command command(const RowChange &c, const QString &table, UpdateMode mode, const QStringList &keyFields)
{
    Command cmd;
    auto value = [&](const QString &column, const QVariant &v) {
        cmd.columns.append(column);
        cmd.params.append(v);
        return QStringLiteral("?");
    };
    if (c.kind == RowChange::Insert) {
        QStringList marks;
        for (qsizetype f = 0; f < c.fields.size(); ++f)
            marks.append(value(c.fields[f], c.values[f]));
        cmd.sql = QStringLiteral("insert into %1 (%2) values (%3)")
                      .arg(table, c.fields.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        return cmd;
    }
    QStringList sets;
    if (c.kind == RowChange::Modify) {
        for (qsizetype f = 0; f < c.fields.size(); ++f) {
            const bool same = isNull(c.values[f]) ? isNull(c.original[f])
                                                  : (!isNull(c.original[f]) && c.values[f] == c.original[f]);
            if (!same)
                sets.append(c.fields[f] + QStringLiteral(" = ") + value(c.fields[f], c.values[f]));
        }
        if (sets.isEmpty()) {
            cmd.nothing = true;
            return cmd;
        }
    }
    QStringList where;
    for (qsizetype f = 0; f < c.fields.size(); ++f) {
        if (mode == UpdateMode::WhereKeyOnly && !keyFields.contains(c.fields[f], Qt::CaseInsensitive))
            continue;
        if (isNull(c.original[f]))
            where.append(c.fields[f] + QStringLiteral(" is null"));
        else
            where.append(c.fields[f] + QStringLiteral(" = ") + value(c.fields[f], c.original[f]));
    }
    if (where.isEmpty())
        throw AppError(QStringLiteral("A tabela %1 não tem campos chave para gravar as alterações.").arg(table));
    cmd.sql = c.kind == RowChange::Modify
                  ? QStringLiteral("update %1 set %2 where %3")
                        .arg(table, sets.join(QStringLiteral(", ")), where.join(QStringLiteral(" and ")))
                  : QStringLiteral("delete from %1 where %2").arg(table, where.join(QStringLiteral(" and ")));
    return cmd;
}

// Statements of one write-back run by the server in one request: each
// value a parameter of the block, typed as its column, and after each
// statement a mark of the rows it touched (0, 1, or 2 for more).
class Block {
public:
    // The server takes statements of up to 64 kB, with as many bytes of
    // values, and at most 255 table references: well within those.
    bool fits(const Command &cmd, const QString &table) const
    {
        qsizetype text = cmd.sql.size() + 64, bytes = 0;
        for (qsizetype i = 0; i < cmd.columns.size(); ++i) {
            text += cmd.columns[i].size() + table.size() + 40;
            bytes += 16 + (cmd.params[i].typeId() == QMetaType::QString ? cmd.params[i].toString().size() : 0);
        }
        return m_count < 100 && m_text + text < 48000 && m_bytes + bytes < 48000;
    }

    void add(const Command &cmd, const QString &table)
    {
        QString sql = cmd.sql;
        qsizetype from = 0;
        for (qsizetype i = 0; i < cmd.columns.size(); ++i) {
            const QString name = QStringLiteral("P%1").arg(m_params.size() + 1);
            m_declarations.append(name + QStringLiteral(" type of column %1.%2 = ?").arg(table, cmd.columns[i]));
            m_params.append(cmd.params[i]);
            from = sql.indexOf(QLatin1Char('?'), from);
            sql.replace(from, 1, QLatin1Char(':') + name);
            from += name.size() + 1;
            m_bytes += 16 + (cmd.params[i].typeId() == QMetaType::QString ? cmd.params[i].toString().size() : 0);
        }
        m_body += sql + QStringLiteral(";\nACHADAS = ACHADAS || minvalue(row_count, 2);\n");
        m_text += sql.size() + 64 + cmd.columns.size() * (table.size() + 40);
        ++m_count;
    }

    // Variables set ahead of the statements, their values parameters of the block.
    void addContext(const QList<ContextVariable> &variables)
    {
        for (const ContextVariable &v : variables) {
            const QString name = QStringLiteral("P%1").arg(m_params.size() + 1);
            m_declarations.append(name + QStringLiteral(" varchar(255) = ?"));
            m_params.append(v.value.isNull() ? QVariant() : QVariant(v.value.left(255)));
            m_context += QStringLiteral("CONTEXTO = rdb$set_context('%1', '%2', :%3);\n").arg(v.space, v.name, name);
            m_text += 100;
        }
    }

    int count() const { return m_count; }
    const QList<QVariant> &params() const { return m_params; }
    QString text() const
    {
        QString sql = QStringLiteral("execute block ");
        if (!m_declarations.isEmpty())
            sql += QLatin1Char('(') + m_declarations.join(QStringLiteral(",\n")) + QStringLiteral(")\n");
        sql += QStringLiteral("returns (ACHADAS varchar(%1))\nas\n").arg(m_count);
        if (!m_context.isEmpty())
            sql += QStringLiteral("declare CONTEXTO integer;\n");
        return sql + QStringLiteral("begin\n") + m_context + QStringLiteral("ACHADAS = '';\n") + m_body +
               QStringLiteral("suspend;\nend");
    }

private:
    QStringList m_declarations;
    QList<QVariant> m_params;
    QString m_body;
    QString m_context;
    qsizetype m_text = 0;
    qsizetype m_bytes = 0;
    int m_count = 0;
};

} // namespace

const QString kOutraEstacao = QStringLiteral("a linha foi alterada ou excluída por outra estação.");

bool DataSetProvider::applyOne(const RowChange &c, fb::Transaction &transaction, QString &refusal) const
{
    const QString table = tableName();
    const Command cmd = command(c, table, Mode, DataSet->KeyFields);
    if (cmd.nothing)
        return true;
    fb::Connection &connection = transaction.connection();
    auto statement = [&](const QString &sql) {
        auto st = std::make_unique<fb::Statement>(connection, sql);
        st->setTransaction(transaction);
        return st;
    };
    try {
        if (c.kind == RowChange::Insert)
            return statement(cmd.sql)->execute(cmd.params) == 1;
        // In key mode the key finds one row at most; otherwise a change that
        // would touch several equal rows is undone.
        const bool guard = Mode == UpdateMode::WhereAll;
        if (guard)
            statement(QStringLiteral("savepoint PM_APLICA"))->run();
        const qint64 affected = statement(cmd.sql)->execute(cmd.params);
        if (affected > 1) {
            if (!guard)
                throw AppError(QStringLiteral("A alteração atingiria %1 linhas de %2 com a mesma chave; nada foi gravado.")
                                   .arg(affected)
                                   .arg(table));
            statement(QStringLiteral("rollback to savepoint PM_APLICA"))->run();
            refusal = QStringLiteral("a alteração atingiria %1 linhas iguais de %2.").arg(affected).arg(table);
        } else if (affected == 0) {
            refusal = kOutraEstacao;
        }
        return affected == 1;
    } catch (const fb::Error &e) {
        if (e.connectionLost())
            throw;
        // Refused by the database; the server has undone the statement.
        refusal = e.text();
        return false;
    }
}

bool DataSetProvider::writeInBlocks(const QList<Part *> &parts, fb::Transaction &transaction, const Settle &settle)
{
    // Changes in the order of the parts, each part's in its own order.
    struct Member {
        Part *part;
        qsizetype index;
    };
    QList<Member> pending;
    for (Part *part : parts)
        for (qsizetype i = 0; i < part->changes.size(); ++i)
            pending.append({part, i});
    auto oneByOne = [&](const Member &m) {
        QString refusal;
        const bool ok = m.part->provider->applyOne(m.part->changes[m.index], transaction, refusal);
        return settle(*m.part, m.index, ok, refusal);
    };
    // The variables of every part go with the first request, and once only.
    QList<ContextVariable> context;
    for (Part *part : parts)
        context += std::exchange(part->provider->Context, {});
    qsizetype next = 0;
    while (next < pending.size()) {
        Block block;
        block.addContext(std::exchange(context, {}));
        QList<Member> members;
        for (; next < pending.size(); ++next) {
            const Member &m = pending[next];
            const DataSetProvider *provider = m.part->provider;
            const QString table = provider->tableName();
            const Command cmd = command(m.part->changes[m.index], table, provider->Mode, provider->DataSet->KeyFields);
            if (cmd.nothing) {
                m.part->written[m.index] = true;
                continue;
            }
            if (block.count() > 0 && !block.fits(cmd, table))
                break;
            block.add(cmd, table);
            members.append(m);
        }
        if (members.isEmpty())
            break;
        QString marks;
        try {
            marks = transaction
                        .executeRepeated(block.text(), block.params(), {{fb::FieldType::Text, block.count()}})
                        .value(0)
                        .toString();
        } catch (const fb::Error &e) {
            if (e.connectionLost())
                throw;
            // The server has undone the whole block: its changes go one by one.
            for (const Member &m : members)
                if (!oneByOne(m))
                    return false;
            continue;
        }
        if (marks.size() != members.size())
            throw AppError(QStringLiteral("Resposta inesperada do banco de dados ao gravar as alterações."));
        for (qsizetype k = 0; k < members.size(); ++k) {
            const Member &m = members[k];
            if (marks[k] == QLatin1Char('2'))
                throw AppError(QStringLiteral("A alteração atingiria mais de uma linha de %1 com a mesma chave; nada "
                                              "foi gravado.")
                                   .arg(m.part->provider->tableName()));
            if (!settle(*m.part, m.index, marks[k] == QLatin1Char('1'), kOutraEstacao))
                return false;
        }
    }
    return true;
}

QList<bool> DataSetProvider::apply(const QList<RowChange> &changes, int maxErrors, fb::Transaction &transaction) const
{
    m_lastRefusal.clear();
    Part part{this, changes, QList<bool>(changes.size(), false)};
    int errors = 0;
    // Notes the outcome of a change; false once more refusals than allowed.
    const Settle settle = [&](Part &p, qsizetype i, bool ok, const QString &refusal) {
        p.written[i] = ok;
        if (ok)
            return true;
        if (m_lastRefusal.isEmpty())
            m_lastRefusal = refusal;
        return ++errors <= maxErrors || maxErrors == -1;
    };
    if (Mode == UpdateMode::WhereAll) {
        for (qsizetype i = 0; i < changes.size(); ++i) {
            QString refusal;
            const bool ok = applyOne(changes[i], transaction, refusal);
            if (!settle(part, i, ok, refusal))
                return QList<bool>(changes.size(), false);
        }
        return part.written;
    }
    if (!writeInBlocks({&part}, transaction, settle))
        return QList<bool>(changes.size(), false);
    return part.written;
}

QString DataSetProvider::applyTogether(QList<Part> &parts, fb::Transaction &transaction)
{
    for (Part &part : parts) {
        part.written = QList<bool>(part.changes.size(), false);
        part.provider->m_lastRefusal.clear();
    }
    QString refusal;
    auto fail = [&] {
        for (Part &part : parts)
            part.written.fill(false);
        return refusal;
    };
    QList<Part *> keyed;
    for (Part &part : parts)
        if (part.provider->Mode == UpdateMode::WhereKeyOnly)
            keyed.append(&part);
    if (keyed.size() < parts.size()) {
        // Rows found by all their columns are written one by one, in order.
        for (Part &part : parts) {
            part.written = part.provider->apply(part.changes, 0, transaction);
            if (part.written.contains(false)) {
                refusal = part.provider->lastRefusal();
                return fail();
            }
        }
        return {};
    }
    const Settle settle = [&](Part &p, qsizetype i, bool ok, const QString &why) {
        p.written[i] = ok;
        if (!ok) {
            p.provider->m_lastRefusal = why;
            refusal = why;
        }
        return ok;
    };
    if (!writeInBlocks(keyed, transaction, settle))
        return fail();
    return {};
}
