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

namespace detail {
struct Session;
struct Prepared;
} // namespace detail

enum class FieldType { Text, Integer, BigInt, Real, Date, Time, DateTime, Blob, Boolean, Other };

// A failure of the client or the server; text() is the server's own message.
class Error : public AppError {
public:
    explicit Error(QString text, QList<qint64> codes = {})
        : AppError(std::move(text)), m_codes(std::move(codes)) {}
    // The ISC error codes of the status vector (isc_arg_gds entries), first first.
    const QList<qint64> &codes() const { return m_codes; }
    bool has(qint64 code) const { return m_codes.contains(code); }
    // The connection to the server is gone (network failure, shutdown, killed).
    bool connectionLost() const;

private:
    QList<qint64> m_codes;
};

// Statements executed or opened since start-up, for benchmarks.
qint64 statementCount();
// Statements prepared since start-up, and prepared statements held right now
// by every connection, for tests and benchmarks.
qint64 prepareCount();
int liveStatementCount();

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

// One attachment. It keeps the statements prepared on it for reuse, and one
// read-only read-committed transaction that reads share (such a transaction
// holds back no clean-up on the server), so that a read costs one request to
// the server. Everything is released when the connection closes; when the
// server or the network drops it, the client's side is closed first so that
// letting go of every handle waits on nothing, the connection reads as closed
// and the next use connects again.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void open(const QString &libraryPath, const ConnectParams &params);
    void close();
    bool isOpen() const;
    int dialect() const { return m_dialect; }

    Firebird::IMaster *master() const;
    Firebird::IAttachment *attachment() const;

    // The shared read transaction, started on first use.
    Transaction &readTransaction();
    // The shared write transaction in which the server commits each statement
    // as it ends (auto-commit), started on first use: a write stored at once
    // and alone costs its own request only, no start nor commit.
    Transaction &autoCommitTransaction();
    // Prepared statements this connection holds, idle or in use.
    int preparedCount() const;
    // Idle prepared statements kept beyond this many are freed, oldest first.
    static constexpr int kCacheSize = 64;

    std::shared_ptr<detail::Session> session() const { return m_session; }

private:
    void attach(Firebird::IMaster *master, const ConnectParams &params);

    std::shared_ptr<detail::Session> m_session;
    std::unique_ptr<Transaction> m_read;
    std::unique_ptr<Transaction> m_autoCommit;
    int m_dialect = 3;
};

// A read-committed, record-version transaction that waits on locks. It
// begins with the first statement run in it, so one that runs nothing costs
// no request. Rolled back on destruction when still active. A read-only one
// may stay open for a long read without holding back the server's clean-up.
class Transaction {
public:
    explicit Transaction(Connection &connection, bool readOnly = false);
    // What a transaction may do: read only; write, committed by its owner;
    // write, each statement committed by the server as it ends.
    enum class Kind { Read, Write, AutoCommit };
    Transaction(Connection &connection, Kind kind);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit();
    void rollback();
    bool isActive() const { return !m_ended && !m_lost; }
    bool autoCommits() const { return m_autoCommit; }
    Connection &connection() const { return m_connection; }
    // The transaction on the server, begun now if it has not been.
    Firebird::ITransaction *handle() const;

    // Prepares and runs a statement in one request, without keeping it: for
    // statements run once. With outputs, the statement returns one row of
    // those columns (text of the given length, or integers), read back here.
    struct Output {
        FieldType type;
        int length = 0;
    };
    QList<QVariant> executeImmediate(const QString &sql, const QList<QVariant> &params = {},
                                     const QList<Output> &outputs = {});
    // The same for a statement run again and again with other values: run at
    // once the first time, kept prepared on the connection from the second.
    QList<QVariant> executeRepeated(const QString &sql, const QList<QVariant> &params,
                                    const QList<Output> &outputs);

private:
    friend class Connection;
    friend class Statement;
    friend struct detail::Session;
    Connection &m_connection;
    std::shared_ptr<detail::Session> m_session;
    mutable Firebird::ITransaction *m_transaction = nullptr;
    bool m_readOnly;
    bool m_autoCommit = false;
    bool m_ended = false;
    bool m_lost = false;
};

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
    // Prepared for this use alone and freed afterwards.
    Statement(Transaction &transaction, const QString &sql);
    // Taken from the connection's statements (prepared the first time) and
    // given back when destroyed; runs in the shared read transaction unless
    // setTransaction() names another.
    Statement(Connection &connection, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    void setTransaction(Transaction &transaction) { m_transaction = &transaction; }

    bool returnsRows() const;
    const QList<ColumnInfo> &columns() const;
    int parameterCount() const;

    // Runs a statement without a cursor; returns the rows it affected.
    qint64 execute(const QList<QVariant> &params = {});
    // The same without asking the server how many rows it touched: one
    // request less.
    void run(const QList<QVariant> &params = {});
    // Opens the cursor of a SELECT; fetch() then moves to each row. The
    // opening travels with the first fetch.
    void open(const QList<QVariant> &params = {});
    bool fetch();
    QVariant value(int column) const;
    void closeCursor();

private:
    void start(const QList<QVariant> &params, bool cursor);

    std::shared_ptr<detail::Session> m_session;
    std::shared_ptr<detail::Prepared> m_prepared;
    Transaction *m_transaction;
    bool m_cached;
};

} // namespace fb
