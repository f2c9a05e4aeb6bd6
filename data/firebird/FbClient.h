#pragma once
// Firebird client, loaded at run time. The client library (fbclient) is opened
// through QLibrary from the path the data module computes, and every call goes
// through its master interface. Text travels as WIN1252 and is converted to and
// from QString here. Call from the UI thread only.

#include "core/AppError.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariant>

#include <memory>

namespace Firebird {
class IMaster;
class IAttachment;
class ITransaction;
class IStatement;
class IResultSet;
class IMessageMetadata;
class IStatus;
} // namespace Firebird

namespace fb {

// A failure of the client or the server; text() is the server's own message.
class Error : public AppError {
public:
    explicit Error(QString text, QList<qint64> codes = {})
        : AppError(std::move(text)), m_codes(std::move(codes)) {}
    // The ISC error codes of the status vector (isc_arg_gds entries), first first.
    const QList<qint64> &codes() const { return m_codes; }
    bool has(qint64 code) const { return m_codes.contains(code); }

private:
    QList<qint64> m_codes;
};

// Statements executed or opened since start-up, for benchmarks.
qint64 statementCount();

// Loads fbclient from libraryPath (a path, or a bare name for the system's
// search) once per path and returns its master interface. Throws Error naming
// the path when the library or its entry point cannot be found.
Firebird::IMaster *loadClient(const QString &libraryPath);

struct ConnectParams {
    QString database;      // host:path or host:alias
    QString user;
    QString password;
    QString role;
    QString charset = QStringLiteral("WIN1252");
    int dialect = 3;
};

class Transaction;

class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void open(const QString &libraryPath, const ConnectParams &params);
    void close();
    bool isOpen() const { return m_attachment != nullptr; }
    int dialect() const { return m_dialect; }

    Firebird::IMaster *master() const { return m_master; }
    Firebird::IAttachment *attachment() const { return m_attachment; }

private:
    void attach(Firebird::IMaster *master, const ConnectParams &params);

    Firebird::IMaster *m_master = nullptr;
    Firebird::IAttachment *m_attachment = nullptr;
    int m_dialect = 3;
};

// A read-committed, record-version transaction that waits on locks.
// Rolled back on destruction when still active. A read-only one may stay open
// for a long read without holding back the server's clean-up.
class Transaction {
public:
    explicit Transaction(Connection &connection, bool readOnly = false);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit();
    void rollback();
    bool isActive() const { return m_transaction != nullptr; }
    Connection &connection() const { return m_connection; }
    Firebird::ITransaction *handle() const { return m_transaction; }

private:
    Connection &m_connection;
    Firebird::ITransaction *m_transaction = nullptr;
};

enum class FieldType { Text, Integer, BigInt, Real, Date, Time, DateTime, Blob, Boolean, Other };

struct ColumnInfo {
    QString name;      // the column alias as the statement names it
    QString relation;  // table, empty for expressions
    FieldType type = FieldType::Other;
    int size = 0;      // characters for text, else 0
    int scale = 0;     // negative for scaled numerics
    bool nullable = true;
};

// One prepared statement. Parameters are given as QVariants (an invalid
// QVariant is null); result values come back as QVariants: QString, int,
// qlonglong, double, QDate, QTime, QDateTime, QByteArray for binary blobs,
// and an invalid QVariant for null.
class Statement {
public:
    Statement(Transaction &transaction, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool returnsRows() const;
    const QList<ColumnInfo> &columns() const { return m_columns; }
    int parameterCount() const;

    // Runs a statement without a cursor; returns the rows it affected.
    qint64 execute(const QList<QVariant> &params = {});
    // Opens the cursor of a SELECT; fetch() then moves to each row.
    void open(const QList<QVariant> &params = {});
    bool fetch();
    QVariant value(int column) const;
    void closeCursor();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    QList<ColumnInfo> m_columns;
};

} // namespace fb
