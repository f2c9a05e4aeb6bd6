#include "data/dataset/SqlConnection.h"

#include <QRegularExpression>

#include <optional>

namespace {

// A plain INSERT, UPDATE or DELETE: it can run inside a block of its own that
// also hands back the rows it touched, so that running it takes one request.
bool runsInBlock(const QString &sql)
{
    static const QRegularExpression dml(QStringLiteral("^\\s*(insert|update|delete)\\b"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression returning(QStringLiteral("\\breturning\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
    return dml.match(sql).hasMatch() && !returning.match(sql).hasMatch();
}

} // namespace

QString SqlConnection::param(const QString &name) const
{
    const QString prefix = name + QLatin1Char('=');
    for (const QString &line : Params)
        if (line.startsWith(prefix, Qt::CaseInsensitive))
            return line.mid(prefix.size());
    return {};
}

void SqlConnection::setParam(const QString &name, const QString &value)
{
    const QString prefix = name + QLatin1Char('=');
    for (QString &line : Params) {
        if (line.startsWith(prefix, Qt::CaseInsensitive)) {
            line = line.left(prefix.size()) + value;
            return;
        }
    }
    Params.append(prefix + value);
}

QString SqlConnection::clientLibraryPath() const
{
#ifdef Q_OS_WIN
    return VendorLib;
#else
    static const QString kWindowsName = QStringLiteral("GDS32.DLL");
    static const QString kClient = QStringLiteral("libfbclient.so.2");
    if (!VendorLib.endsWith(kWindowsName, Qt::CaseInsensitive) || VendorLib.size() == kWindowsName.size())
        return kClient;
    QString folder = VendorLib.left(VendorLib.size() - kWindowsName.size());
    while (folder.size() > 1 && (folder.endsWith(QLatin1Char('\\')) || folder.endsWith(QLatin1Char('/'))))
        folder.chop(1);
    return folder + QLatin1Char('/') + kClient;
#endif
}

fb::Connection &SqlConnection::connection()
{
    if (!m_connection.isOpen()) {
        fb::ConnectParams p;
        p.database = param(QStringLiteral("Database"));
        p.user = param(QStringLiteral("User_Name"));
        p.password = param(QStringLiteral("Password"));
        p.role = param(QStringLiteral("RoleName"));
        const QString charset = param(QStringLiteral("ServerCharSet"));
        if (!charset.isEmpty())
            p.charset = charset.toUpper();
        bool ok = false;
        const int dialect = param(QStringLiteral("SQLDialect")).toInt(&ok);
        if (ok)
            p.dialect = dialect;
        const QString library = clientLibraryPath();
        try {
            fb::loadClient(library);
        } catch (const fb::Error &e) {
            if (ClientLibrarySource.isEmpty())
                throw;
            throw fb::Error(e.text() + QLatin1Char('\n') + ClientLibrarySource, e.codes());
        }
        m_connection.open(library, p);
        ++m_generation;
    }
    return m_connection;
}

void SqlConnection::close()
{
    m_connection.close();
}

qint64 SqlConnection::execute(const QString &sql, const QList<QVariant> &params)
{
    fb::Connection &c = connection();
    // The monitoring tables are a snapshot taken once per transaction, and the
    // auto-commit transaction lives as long as the connection: a statement on
    // them runs in a transaction of its own, which sees the server as it is now.
    std::optional<fb::Transaction> own;
    if (sql.contains(QLatin1String("MON$"), Qt::CaseInsensitive))
        own.emplace(c);
    fb::Transaction &transaction = own ? *own : c.autoCommitTransaction();
    qint64 affected = 0;
    if (params.isEmpty() && runsInBlock(sql)) {
        // The statement on lines of its own, so that a comment ending it ends there.
        const QString block = QStringLiteral("execute block returns (LINHAS bigint) as begin\n") + sql +
                              QStringLiteral("\n;\nLINHAS = row_count;\nsuspend;\nend");
        affected = transaction.executeImmediate(block, {}, {{fb::FieldType::BigInt}}).value(0).toLongLong();
    } else {
        fb::Statement statement(c, sql);
        statement.setTransaction(transaction);
        affected = statement.execute(params);
    }
    if (own)
        own->commit();
    return affected;
}
