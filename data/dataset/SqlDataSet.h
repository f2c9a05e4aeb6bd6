#pragma once
// SQL dataset and provider: the statement behind a client dataset, the fetch of
// its rows (all of them, or those of one master key), and the write-back of
// pending changes as INSERT, UPDATE and DELETE statements.

#include "data/dataset/SqlConnection.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

class SqlDataSet {
public:
    SqlDataSet(SqlConnection *connection, QString commandText = {}, QStringList keyFields = {})
        : SQLConnection(connection), CommandText(std::move(commandText)), KeyFields(std::move(keyFields)) {}

    SqlConnection *SQLConnection;
    QString CommandText;
    QStringList KeyFields;  // columns marked as key
    bool Active = false;

    void Open() { Active = true; }
    void Close() { Active = false; }
};

enum class UpdateMode { WhereKeyOnly, WhereAll };

// The statement of a provider left open, its rows read a packet at a time, in
// the connection's read transaction, until it reaches the end or is destroyed.
class ProviderCursor {
public:
    ProviderCursor(SqlConnection *connection, const QString &sql);
    const QList<fb::ColumnInfo> &columns() const { return m_columns; }
    // Up to count rows; the cursor is at its end when fewer come back.
    QList<QList<QVariant>> fetch(int count);
    bool atEnd() const { return m_atEnd; }

private:
    std::unique_ptr<fb::Statement> m_statement;
    QList<fb::ColumnInfo> m_columns;
    bool m_atEnd = false;
};

// One change of the change log as the provider writes it back.
struct RowChange {
    enum Kind { Insert, Modify, Delete } kind;
    QStringList fields;          // every field of the row
    QList<QVariant> values;      // current values (insert, modify)
    QList<QVariant> original;    // values as read (modify, delete)
};

// A context variable (RDB$SET_CONTEXT) set in the same request as the
// changes it goes with, so that the database's triggers read it with them.
struct ContextVariable {
    QString space;
    QString name;
    QString value; // null removes the variable
};

// Why a change was refused that found no row as it was read: another
// workstation changed or deleted it since.
extern const QString kOutraEstacao;

class DataSetProvider {
public:
    DataSetProvider(SqlDataSet *dataSet, UpdateMode mode) : DataSet(dataSet), Mode(mode) {}

    SqlDataSet *DataSet;
    UpdateMode Mode;
    // Set before the next write-back in key mode, which sends the variables
    // in its first request, ahead of the changes, and empties the list.
    mutable QList<ContextVariable> Context;

    struct Packet {
        QList<fb::ColumnInfo> columns;
        QList<QList<QVariant>> rows;
    };
    // Rows of the statement; with whereFields, only those equal to values
    // (the condition placed right after the table name). metadataOnly fetches no row.
    Packet fetch(const QStringList &whereFields = {}, const QList<QVariant> &values = {},
                 bool metadataOnly = false) const;

    // The statement opened for reading a packet at a time.
    std::unique_ptr<ProviderCursor> openCursor() const;

    // Writes the changes in one transaction (in key mode without a limit of
    // errors, each request committed by the server as it ends). A change the
    // database rejects, or
    // that finds no row or more than one (undone), is refused. With maxErrors -1
    // the refused changes are skipped and the rest committed; otherwise more than
    // maxErrors refusals roll everything back. Returns, per change, whether it
    // was written (all false after a roll-back).
    // In key mode the changes travel together, as blocks of statements that
    // the server runs in one request each; a block the database refuses is
    // undone by the server and its changes are then sent one by one, so that
    // the refused one and the server's reason are known.
    QList<bool> apply(const QList<RowChange> &changes, int maxErrors) const;
    // The same inside the caller's transaction, which is neither committed nor
    // rolled back here; all false when more than maxErrors were refused.
    QList<bool> apply(const QList<RowChange> &changes, int maxErrors, fb::Transaction &transaction) const;
    // Why the last apply refused its first refused change: the database's
    // message, or that the row was not found or not alone.
    QString lastRefusal() const { return m_lastRefusal; }

    // The changes of one provider in a write-back of several.
    struct Part {
        const DataSetProvider *provider;
        QList<RowChange> changes;
        QList<bool> written; // filled in: whether each change was written
    };
    // Writes the changes of several providers inside the caller's
    // transaction, together, stopping at the first refusal: then nothing
    // counts as written. Returns why a change was refused, empty when none was.
    static QString applyTogether(QList<Part> &parts, fb::Transaction &transaction);

    // The table the statement reads (the name after FROM).
    QString tableName() const;
    // The statement with the condition on whereFields placed after the table name.
    QString commandWithCondition(const QStringList &whereFields) const;

    // Statements run by every provider since start-up, for tests and benchmarks.
    static qint64 fetchCount();

private:
    using Settle = std::function<bool(Part &part, qsizetype index, bool ok, const QString &refusal)>;
    // Key-mode changes of the parts in blocks; settle notes each outcome and
    // says whether to go on. False when it said to stop.
    static bool writeInBlocks(const QList<Part *> &parts, fb::Transaction &transaction, const Settle &settle);
    qsizetype tableNameEnd() const;
    // Writes one change by itself; whether it was written, else why not.
    bool applyOne(const RowChange &change, fb::Transaction &transaction, QString &refusal) const;
    mutable QString m_lastRefusal;
};
