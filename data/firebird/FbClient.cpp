#include "data/firebird/FbClient.h"

#include "core/Win1252.h"

#include <QHash>
#include <QSet>
#include <QLibrary>

#include <firebird/Interface.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <list>
#include <vector>

#ifdef Q_OS_WIN
#include <QDir>
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

using namespace Firebird;

namespace fb {

namespace {

// Days between the Firebird date origin (1858-11-17) and the Julian day count.
constexpr qint64 kJulianOffset = 2400001;
constexpr unsigned kWin1252 = 53;

using MasterFn = IMaster *(*)();

qint64 g_statements = 0;
qint64 g_prepares = 0;
int g_live = 0;

const QString kPerdida = QStringLiteral("A conexão com o banco de dados foi perdida.");

// The status object of one client call, disposed with the call.
struct Status {
    explicit Status(IMaster *master) : wrapper(master->getStatus()) {}
    ~Status() { wrapper.dispose(); }
    ThrowStatusWrapper wrapper;
    ThrowStatusWrapper *operator&() { return &wrapper; }
};

// The server's message. A statement run as a block of its own gets, after the
// message, the place in the block where it failed; that place is cut off so
// the message reads as for the statement alone.
Error toError(IMaster *master, const FbException &e, bool ownBlock = false)
{
    IStatus *status = e.getStatus();
    const intptr_t *v = status->getErrors();
    std::vector<intptr_t> vector;
    QByteArray trace;
    QList<qint64> codes;
    while (v && *v != isc_arg_end) {
        const intptr_t arg = *v;
        const int size = arg == isc_arg_cstring ? 3 : 2;
        if (arg == isc_arg_gds && ownBlock && v[1] == isc_stack_trace && v[2] == isc_arg_string) {
            // Lines "At trigger ..." stay; the last, "At block line: ...", goes.
            trace = QByteArray(reinterpret_cast<const char *>(v[3]));
            const qsizetype cut = trace.lastIndexOf("At block line");
            if (cut >= 0)
                trace.truncate(cut);
            while (trace.endsWith('\n') || trace.endsWith('\r'))
                trace.chop(1);
            v += 4;
            if (!trace.isEmpty()) {
                vector.insert(vector.end(), {isc_arg_gds, isc_stack_trace, isc_arg_string,
                                             reinterpret_cast<intptr_t>(trace.constData())});
                codes.append(isc_stack_trace);
            }
            continue;
        }
        if (arg == isc_arg_gds)
            codes.append(static_cast<qint64>(v[1]));
        vector.insert(vector.end(), v, v + size);
        v += size;
    }
    vector.push_back(isc_arg_end);
    IStatus *copy = master->getStatus();
    copy->setErrors(vector.data());
    char buffer[2048];
    master->getUtilInterface()->formatStatus(buffer, sizeof buffer, copy);
    copy->dispose();
    QString text = fromWin1252(buffer, static_cast<qsizetype>(std::strlen(buffer))).trimmed();
    return Error(text, codes);
}

// Runs a client call and turns its failure into fb::Error.
template <typename F>
auto withStatus(IMaster *master, F &&f) -> decltype(f())
{
    try {
        return f();
    } catch (const FbException &e) {
        throw toError(master, e);
    }
}

int bytesPerChar(unsigned charset)
{
    switch (charset) {
    case 3: return 3; // UNICODE_FSS
    case 4: return 4; // UTF8
    default: return 1;
    }
}

FieldType fieldType(unsigned sqlType, int scale)
{
    switch (sqlType) {
    case SQL_TEXT:
    case SQL_VARYING: return FieldType::Text;
    case SQL_SHORT:
    case SQL_LONG: return scale < 0 ? FieldType::Real : FieldType::Integer;
    case SQL_INT64: return scale < 0 ? FieldType::Real : FieldType::BigInt;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT: return FieldType::Real;
    case SQL_TYPE_DATE: return FieldType::Date;
    case SQL_TYPE_TIME: return FieldType::Time;
    case SQL_TIMESTAMP: return FieldType::DateTime;
    case SQL_BLOB: return FieldType::Blob;
    case SQL_BOOLEAN: return FieldType::Boolean;
    default: return FieldType::Other;
    }
}

bool isNull(const QVariant &v)
{
    return !v.isValid() || v.isNull();
}

// Describes each parameter by its value in builder (a null keeps the type
// already there, or gets a nullable integer when there is none) and returns
// the metadata (owned by the caller) with buffer filled.
IMessageMetadata *inputMessage(IMaster *master, IMetadataBuilder *builder, const QList<QVariant> &params,
                               bool typedNulls, QByteArray &buffer)
{
    Status st(master);
    const auto count = static_cast<unsigned>(params.size());
    QList<QByteArray> texts(count);
    for (unsigned i = 0; i < count; ++i) {
        const QVariant &v = params[i];
        if (isNull(v)) {
            if (!typedNulls) {
                builder->setType(&st, i, SQL_INT64 + 1);
                builder->setLength(&st, i, sizeof(ISC_INT64));
                builder->setScale(&st, i, 0);
            }
            continue;
        }
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Bool:
            builder->setType(&st, i, SQL_INT64 + 1);
            builder->setLength(&st, i, sizeof(ISC_INT64));
            builder->setScale(&st, i, 0);
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            builder->setType(&st, i, SQL_DOUBLE + 1);
            builder->setLength(&st, i, sizeof(double));
            builder->setScale(&st, i, 0);
            break;
        case QMetaType::QDate:
            builder->setType(&st, i, SQL_TYPE_DATE + 1);
            builder->setLength(&st, i, sizeof(ISC_DATE));
            break;
        case QMetaType::QTime:
            builder->setType(&st, i, SQL_TYPE_TIME + 1);
            builder->setLength(&st, i, sizeof(ISC_TIME));
            break;
        case QMetaType::QDateTime:
            builder->setType(&st, i, SQL_TIMESTAMP + 1);
            builder->setLength(&st, i, sizeof(ISC_TIMESTAMP));
            break;
        default:
            texts[i] = toWin1252(v.toString());
            builder->setType(&st, i, SQL_VARYING + 1);
            builder->setCharSet(&st, i, kWin1252);
            builder->setLength(&st, i, std::max<unsigned>(1, texts[i].size()));
            break;
        }
    }
    IMessageMetadata *meta = builder->getMetadata(&st);
    buffer = QByteArray(meta->getMessageLength(&st), '\0');
    char *base = buffer.data();
    for (unsigned i = 0; i < count; ++i) {
        const QVariant &v = params[i];
        char *data = base + meta->getOffset(&st, i);
        auto *nullFlag = reinterpret_cast<short *>(base + meta->getNullOffset(&st, i));
        if (isNull(v)) {
            *nullFlag = -1;
            continue;
        }
        *nullFlag = 0;
        switch (meta->getType(&st, i) & ~1u) {
        case SQL_INT64: {
            const ISC_INT64 n = v.toLongLong();
            std::memcpy(data, &n, sizeof n);
            break;
        }
        case SQL_DOUBLE: {
            const double d = v.toDouble();
            std::memcpy(data, &d, sizeof d);
            break;
        }
        case SQL_TYPE_DATE: {
            const ISC_DATE d = static_cast<ISC_DATE>(v.toDate().toJulianDay() - kJulianOffset);
            std::memcpy(data, &d, sizeof d);
            break;
        }
        case SQL_TYPE_TIME: {
            const ISC_TIME t = static_cast<ISC_TIME>(v.toTime().msecsSinceStartOfDay()) * 10;
            std::memcpy(data, &t, sizeof t);
            break;
        }
        case SQL_TIMESTAMP: {
            const QDateTime dt = v.toDateTime();
            ISC_TIMESTAMP ts;
            ts.timestamp_date = static_cast<ISC_DATE>(dt.date().toJulianDay() - kJulianOffset);
            ts.timestamp_time = static_cast<ISC_TIME>(dt.time().msecsSinceStartOfDay()) * 10;
            std::memcpy(data, &ts, sizeof ts);
            break;
        }
        default: {
            const QByteArray &bytes = texts[i];
            const auto len = static_cast<ISC_USHORT>(bytes.size());
            std::memcpy(data, &len, sizeof len);
            std::memcpy(data + sizeof len, bytes.constData(), bytes.size());
            break;
        }
        }
    }
    return meta;
}

struct Column {
    unsigned type, subType, length, offset, nullOffset, charset;
    int scale;
};

// The value of column c in a message buffer; blobs are read by readBlob.
template <typename ReadBlob>
QVariant columnValue(const Column &c, const char *base, ReadBlob &&readBlob)
{
    if (*reinterpret_cast<const short *>(base + c.nullOffset))
        return {};
    const char *data = base + c.offset;
    auto scaled = [&](double raw) { return c.scale < 0 ? raw / std::pow(10.0, -c.scale) : raw; };
    switch (c.type) {
    case SQL_VARYING: {
        ISC_USHORT len;
        std::memcpy(&len, data, sizeof len);
        return fromWin1252(data + sizeof len, len);
    }
    case SQL_TEXT:
        return fromWin1252(data, c.length);
    case SQL_SHORT: {
        short n;
        std::memcpy(&n, data, sizeof n);
        return c.scale < 0 ? QVariant(scaled(n)) : QVariant(int(n));
    }
    case SQL_LONG: {
        ISC_LONG n;
        std::memcpy(&n, data, sizeof n);
        return c.scale < 0 ? QVariant(scaled(n)) : QVariant(int(n));
    }
    case SQL_INT64: {
        ISC_INT64 n;
        std::memcpy(&n, data, sizeof n);
        return c.scale < 0 ? QVariant(scaled(static_cast<double>(n))) : QVariant(qlonglong(n));
    }
    case SQL_FLOAT: {
        float f;
        std::memcpy(&f, data, sizeof f);
        return double(f);
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
        double f;
        std::memcpy(&f, data, sizeof f);
        return f;
    }
    case SQL_TYPE_DATE: {
        ISC_DATE n;
        std::memcpy(&n, data, sizeof n);
        return QDate::fromJulianDay(qint64(n) + kJulianOffset);
    }
    case SQL_TYPE_TIME: {
        ISC_TIME t;
        std::memcpy(&t, data, sizeof t);
        return QTime::fromMSecsSinceStartOfDay(static_cast<int>(t / 10));
    }
    case SQL_TIMESTAMP: {
        ISC_TIMESTAMP ts;
        std::memcpy(&ts, data, sizeof ts);
        return QDateTime(QDate::fromJulianDay(qint64(ts.timestamp_date) + kJulianOffset),
                         QTime::fromMSecsSinceStartOfDay(static_cast<int>(ts.timestamp_time / 10)));
    }
    case SQL_BOOLEAN:
        return bool(*data);
    case SQL_BLOB: {
        ISC_QUAD id;
        std::memcpy(&id, data, sizeof id);
        return readBlob(id, c.subType == 1);
    }
    default:
        return {};
    }
}

} // namespace

bool Error::connectionLost() const
{
    for (qint64 code : {qint64(isc_network_error), qint64(isc_net_read_err), qint64(isc_net_write_err),
                        qint64(isc_lost_db_connection), qint64(isc_att_shutdown), qint64(isc_shutdown)})
        if (has(code))
            return true;
    return false;
}

qint64 statementCount()
{
    return g_statements;
}

qint64 prepareCount()
{
    return g_prepares;
}

int liveStatementCount()
{
    return g_live;
}

IMaster *loadClient(const QString &libraryPath)
{
    static QHash<QString, IMaster *> loaded;
    if (IMaster *master = loaded.value(libraryPath))
        return master;
#ifdef Q_OS_WIN
    // A client given with its folder finds the libraries it needs itself (its
    // runtime) in that folder; the load below then finds it loaded. A failure
    // here is told by that load.
    if (QDir::isAbsolutePath(libraryPath))
        ::LoadLibraryExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(libraryPath).utf16()), nullptr,
                         LOAD_WITH_ALTERED_SEARCH_PATH);
#endif
    auto *library = new QLibrary(libraryPath); // kept loaded for the whole run
    if (!library->load()) {
        const QString reason = library->errorString();
        delete library;
        throw Error(QStringLiteral("Não foi possível carregar a biblioteca cliente do banco de dados \"%1\": %2")
                        .arg(libraryPath, reason));
    }
    auto entry = reinterpret_cast<MasterFn>(library->resolve("fb_get_master_interface"));
    if (!entry) {
        library->unload();
        delete library;
        throw Error(QStringLiteral("A biblioteca \"%1\" não é um cliente Firebird (fb_get_master_interface ausente).")
                        .arg(libraryPath));
    }
    IMaster *master = entry();
    loaded.insert(libraryPath, master);
    return master;
}

// ------------------------------------------------------------------- Session

namespace detail {

// One prepared statement with its metadata and its cursor, if open.
struct Prepared {
    Prepared(Session *s, QString text, bool keep);
    ~Prepared();
    Prepared(const Prepared &) = delete;
    Prepared &operator=(const Prepared &) = delete;

    // Lets every handle go: freed on the server when it is still there
    // (deferred: the free travels with the next request), released otherwise.
    void dispose(bool serverAlive);
    void closeCursor(bool serverAlive);

    Session *session;
    QString sql;
    bool reusable;
    IStatement *statement = nullptr;
    IMessageMetadata *inMeta = nullptr;
    IMessageMetadata *outMeta = nullptr;
    IResultSet *cursor = nullptr;
    QByteArray outBuffer;
    QList<Column> layout;
    QList<ColumnInfo> columns;
};

// What one attachment holds: its handle, its prepared statements (idle ones
// kept for reuse) and its live transactions, all let go together.
struct Session {
    ~Session();

    // Runs a client call on this attachment. A failure that means the
    // connection is gone releases everything before it is raised.
    template <typename F>
    auto call(F &&f, bool ownBlock = false) -> decltype(f())
    {
        if (gone)
            throw Error(kPerdida);
        try {
            return f();
        } catch (const FbException &e) {
            Error error = toError(master, e, ownBlock);
            if (error.connectionLost()) {
                lose();
                // Said in the user's words first; the client's own text follows.
                throw Error(kPerdida + QStringLiteral(" O servidor parou ou a rede foi interrompida: o que estava "
                                                      "sendo gravado não foi gravado. O programa se conecta de novo "
                                                      "na próxima ação.\rMotivo: ") +
                                error.text(),
                            error.codes());
            }
            throw error;
        }
    }

    std::shared_ptr<Prepared> prepare(const QString &sql, Transaction &transaction, bool reusable);
    std::shared_ptr<Prepared> take(const QString &sql, Transaction &transaction);
    void giveBack(std::shared_ptr<Prepared> prepared);
    // The server is gone: every handle released without calling it.
    void lose();
    // Closing: statements freed, transactions rolled back, then detached.
    void shutdown();

    IMaster *master = nullptr;
    IAttachment *attachment = nullptr;
    int dialect = 3;
    bool gone = false;
    std::vector<Prepared *> prepared;
    std::vector<Transaction *> transactions;
    std::list<std::shared_ptr<Prepared>> idle; // most recently used last
    QSet<QString> runOnce;                     // statements run at once, not kept yet
};

Prepared::Prepared(Session *s, QString text, bool keep) : session(s), sql(std::move(text)), reusable(keep)
{
    session->prepared.push_back(this);
}

Prepared::~Prepared()
{
    dispose(!session->gone);
    std::erase(session->prepared, this);
}

void Prepared::closeCursor(bool serverAlive)
{
    if (!cursor)
        return;
    IResultSet *c = cursor;
    cursor = nullptr;
    if (!serverAlive) {
        c->release();
        return;
    }
    Status st(session->master);
    try {
        c->close(&st);
    } catch (const FbException &) {
        c->release();
    }
}

void Prepared::dispose(bool serverAlive)
{
    closeCursor(serverAlive);
    if (outMeta)
        outMeta->release();
    if (inMeta)
        inMeta->release();
    outMeta = inMeta = nullptr;
    if (!statement)
        return;
    IStatement *s = statement;
    statement = nullptr;
    --g_live;
    if (!serverAlive) {
        s->release();
        return;
    }
    Status st(session->master);
    try {
        s->free(&st);
    } catch (const FbException &) {
        s->release();
    }
}

Session::~Session()
{
    idle.clear();
}

std::shared_ptr<Prepared> Session::prepare(const QString &sql, Transaction &transaction, bool reusable)
{
    if (!transaction.isActive())
        throw Error(QStringLiteral("A transação não está ativa."));
    auto p = std::make_shared<Prepared>(this, sql, reusable);
    call([&] {
        Status st(master);
        const QByteArray text = toWin1252(sql);
        p->statement = attachment->prepare(&st, transaction.handle(), static_cast<unsigned>(text.size()),
                                           text.constData(), static_cast<unsigned>(dialect),
                                           IStatement::PREPARE_PREFETCH_METADATA);
        ++g_live;
        ++g_prepares;
        p->inMeta = p->statement->getInputMetadata(&st);
        p->outMeta = p->statement->getOutputMetadata(&st);
        const unsigned count = p->outMeta->getCount(&st);
        p->outBuffer = QByteArray(p->outMeta->getMessageLength(&st), '\0');
        for (unsigned i = 0; i < count; ++i) {
            Column c{};
            c.type = p->outMeta->getType(&st, i) & ~1u;
            c.subType = static_cast<unsigned>(p->outMeta->getSubType(&st, i));
            c.length = p->outMeta->getLength(&st, i);
            c.offset = p->outMeta->getOffset(&st, i);
            c.nullOffset = p->outMeta->getNullOffset(&st, i);
            c.charset = p->outMeta->getCharSet(&st, i);
            c.scale = p->outMeta->getScale(&st, i);
            p->layout.append(c);
            ColumnInfo info;
            info.name = QString::fromUtf8(p->outMeta->getAlias(&st, i));
            info.relation = QString::fromUtf8(p->outMeta->getRelation(&st, i));
            info.type = fieldType(c.type, c.scale);
            info.scale = c.scale;
            info.nullable = p->outMeta->isNullable(&st, i);
            if (info.type == FieldType::Text)
                info.size = static_cast<int>(c.length) / bytesPerChar(c.charset);
            p->columns.append(info);
        }
    });
    return p;
}

std::shared_ptr<Prepared> Session::take(const QString &sql, Transaction &transaction)
{
    for (auto it = idle.end(); it != idle.begin();) {
        --it;
        if ((*it)->sql == sql) {
            std::shared_ptr<Prepared> p = std::move(*it);
            idle.erase(it);
            return p;
        }
    }
    return prepare(sql, transaction, true);
}

void Session::giveBack(std::shared_ptr<Prepared> p)
{
    if (gone || !p || !p->statement || !p->reusable)
        return;
    p->closeCursor(true);
    idle.push_back(std::move(p));
    while (idle.size() > static_cast<size_t>(Connection::kCacheSize))
        idle.pop_front();
}

void Session::lose()
{
    if (gone)
        return;
    gone = true;
    // The client's side of the connection is closed first: letting go of an
    // unfinished transaction or statement would otherwise ask the server,
    // which may never answer. The server rolls back what was under way.
    if (attachment) {
        Status st(master);
        try {
            attachment->cancelOperation(&st, fb_cancel_abort);
        } catch (const FbException &) {
            // Closed already.
        }
    }
    const std::vector<Prepared *> all = prepared;
    for (Prepared *p : all)
        p->dispose(false);
    idle.clear();
    for (Transaction *t : transactions) {
        if (t->m_transaction) {
            t->m_transaction->release();
            t->m_transaction = nullptr;
        }
        t->m_lost = true;
    }
    if (attachment) {
        attachment->release();
        attachment = nullptr;
    }
}

void Session::shutdown()
{
    if (gone)
        return;
    const std::vector<Prepared *> all = prepared;
    for (Prepared *p : all)
        p->dispose(true);
    idle.clear();
    const std::vector<Transaction *> open = transactions;
    for (Transaction *t : open) {
        try {
            t->rollback();
        } catch (const Error &) {
            // Lost on the way: released by lose().
        }
    }
    if (gone)
        return;
    gone = true;
    IAttachment *a = attachment;
    attachment = nullptr;
    withStatus(master, [&] {
        Status st(master);
        try {
            a->detach(&st);
        } catch (...) {
            a->release();
            throw;
        }
    });
}

} // namespace detail

// ---------------------------------------------------------------- Connection

Connection::Connection() = default;

Connection::~Connection()
{
    try {
        close();
    } catch (const Error &) {
        // The server may already be gone; nothing left to release.
    }
}

bool Connection::isOpen() const
{
    return m_session && !m_session->gone && m_session->attachment;
}

IMaster *Connection::master() const
{
    return m_session ? m_session->master : nullptr;
}

IAttachment *Connection::attachment() const
{
    return isOpen() ? m_session->attachment : nullptr;
}

void Connection::open(const QString &libraryPath, const ConnectParams &params)
{
    close();
    IMaster *master = loadClient(libraryPath);
    auto session = std::make_shared<detail::Session>();
    session->master = master;
    session->dialect = params.dialect;
    m_session = session;
    try {
        attach(master, params);
    } catch (const Error &e) {
        m_session.reset();
        // Said in the user's words, the server's message, then where it was trying to connect.
        throw Error(QStringLiteral("Não foi possível conectar ao banco de dados. Confira se o servidor está no ar e se "
                                   "a rede até ele funciona.\rMotivo: ") +
                        e.text() + QStringLiteral("\nBanco de dados: ") + params.database,
                    e.codes());
    }
    m_dialect = params.dialect;
}

void Connection::attach(IMaster *master, const ConnectParams &params)
{
    withStatus(master, [&] {
        Status st(master);
        IUtil *util = master->getUtilInterface();
        IXpbBuilder *dpb = util->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
        struct Disposer {
            IXpbBuilder *b;
            ~Disposer() { b->dispose(); }
        } disposeDpb{dpb};
        dpb->insertString(&st, isc_dpb_user_name, params.user.toUtf8().constData());
        dpb->insertString(&st, isc_dpb_password, params.password.toUtf8().constData());
        if (!params.role.isEmpty())
            dpb->insertString(&st, isc_dpb_sql_role_name, params.role.toUtf8().constData());
        dpb->insertString(&st, isc_dpb_lc_ctype, params.charset.toUtf8().constData());
        dpb->insertInt(&st, isc_dpb_sql_dialect, params.dialect);
        IProvider *provider = master->getDispatcher();
        struct Releaser {
            IProvider *p;
            ~Releaser() { p->release(); }
        } releaseProvider{provider};
        m_session->attachment = provider->attachDatabase(&st, toWin1252(params.database).constData(),
                                                         dpb->getBufferLength(&st), dpb->getBuffer(&st));
    });
}

void Connection::close()
{
    if (!m_session)
        return;
    std::shared_ptr<detail::Session> session = std::move(m_session);
    try {
        session->shutdown();
    } catch (...) {
        m_read.reset();
        m_autoCommit.reset();
        throw;
    }
    m_read.reset();
    m_autoCommit.reset();
}

Transaction &Connection::readTransaction()
{
    if (!m_read || !m_read->isActive() || m_read->m_session != m_session)
        m_read = std::make_unique<Transaction>(*this, true);
    return *m_read;
}

Transaction &Connection::autoCommitTransaction()
{
    if (!m_autoCommit || !m_autoCommit->isActive() || m_autoCommit->m_session != m_session)
        m_autoCommit = std::make_unique<Transaction>(*this, Transaction::Kind::AutoCommit);
    return *m_autoCommit;
}

int Connection::preparedCount() const
{
    return m_session && !m_session->gone ? static_cast<int>(m_session->prepared.size()) : 0;
}

// --------------------------------------------------------------- Transaction

Transaction::Transaction(Connection &connection, bool readOnly)
    : m_connection(connection), m_session(connection.session()), m_readOnly(readOnly)
{
    if (!connection.isOpen())
        throw Error(QStringLiteral("A conexão com o banco de dados não está aberta."));
    m_session->transactions.push_back(this);
}

Transaction::Transaction(Connection &connection, Kind kind) : Transaction(connection, kind == Kind::Read)
{
    m_autoCommit = kind == Kind::AutoCommit;
}

Transaction::~Transaction()
{
    try {
        rollback();
    } catch (const Error &) {
        // A lost connection has rolled the work back already.
    }
    if (m_session)
        std::erase(m_session->transactions, this);
}

ITransaction *Transaction::handle() const
{
    if (m_lost)
        throw Error(kPerdida);
    if (m_ended)
        throw Error(QStringLiteral("A transação não está ativa."));
    if (!m_transaction) {
        const unsigned char access = m_readOnly ? isc_tpb_read : isc_tpb_write;
        const unsigned char tpb[] = {isc_tpb_version3, access,     isc_tpb_read_committed, isc_tpb_rec_version,
                                     isc_tpb_wait,     isc_tpb_autocommit};
        // The auto-commit flag is the last byte, left out unless asked for.
        const unsigned length = sizeof tpb - (m_autoCommit ? 0 : 1);
        IMaster *master = m_session->master;
        m_transaction = m_session->call([&] {
            Status st(master);
            return m_session->attachment->startTransaction(&st, length, tpb);
        });
    }
    return m_transaction;
}

void Transaction::commit()
{
    if (m_lost)
        throw Error(kPerdida);
    if (!m_transaction) {
        m_ended = true;
        return;
    }
    IMaster *master = m_session->master;
    m_session->call([&] {
        Status st(master);
        m_transaction->commit(&st);
    });
    m_transaction = nullptr;
    m_ended = true;
}

void Transaction::rollback()
{
    m_ended = true;
    if (!m_transaction)
        return;
    IMaster *master = m_session->master;
    try {
        m_session->call([&] {
            Status st(master);
            m_transaction->rollback(&st);
        });
    } catch (const Error &) {
        if (m_transaction)
            m_transaction->release();
        m_transaction = nullptr;
        throw;
    }
    m_transaction = nullptr;
}

QList<QVariant> Transaction::executeImmediate(const QString &sql, const QList<QVariant> &params,
                                              const QList<Output> &outputs)
{
    ++g_statements;
    ITransaction *tra = handle();
    IMaster *master = m_session->master;
    return m_session->call(
        [&] {
            Status st(master);
            IMessageMetadata *inMeta = nullptr;
            IMessageMetadata *outMeta = nullptr;
            struct Releaser {
                IMessageMetadata *&in, *&out;
                ~Releaser()
                {
                    if (in)
                        in->release();
                    if (out)
                        out->release();
                }
            } release{inMeta, outMeta};
            QByteArray input;
            if (!params.isEmpty()) {
                IMetadataBuilder *builder = master->getMetadataBuilder(&st, static_cast<unsigned>(params.size()));
                inMeta = inputMessage(master, builder, params, false, input);
                builder->release();
            }
            QByteArray output;
            QList<Column> layout;
            if (!outputs.isEmpty()) {
                IMetadataBuilder *builder = master->getMetadataBuilder(&st, static_cast<unsigned>(outputs.size()));
                for (unsigned i = 0; i < static_cast<unsigned>(outputs.size()); ++i) {
                    if (outputs[i].type == FieldType::Text) {
                        builder->setType(&st, i, SQL_VARYING + 1);
                        builder->setCharSet(&st, i, kWin1252);
                        builder->setLength(&st, i, static_cast<unsigned>(std::max(1, outputs[i].length)));
                    } else {
                        builder->setType(&st, i, SQL_INT64 + 1);
                        builder->setLength(&st, i, sizeof(ISC_INT64));
                        builder->setScale(&st, i, 0);
                    }
                }
                outMeta = builder->getMetadata(&st);
                builder->release();
                output = QByteArray(outMeta->getMessageLength(&st), '\0');
                for (unsigned i = 0; i < static_cast<unsigned>(outputs.size()); ++i)
                    layout.append({outMeta->getType(&st, i) & ~1u, 0, outMeta->getLength(&st, i),
                                   outMeta->getOffset(&st, i), outMeta->getNullOffset(&st, i), kWin1252, 0});
            }
            const QByteArray text = toWin1252(sql);
            m_session->attachment->execute(&st, tra, static_cast<unsigned>(text.size()), text.constData(),
                                           static_cast<unsigned>(m_session->dialect), inMeta,
                                           input.isEmpty() ? nullptr : input.data(), outMeta,
                                           output.isEmpty() ? nullptr : output.data());
            QList<QVariant> values;
            for (const Column &c : layout)
                values.append(columnValue(c, output.constData(), [](const ISC_QUAD &, bool) { return QVariant(); }));
            return values;
        },
        true);
}

QList<QVariant> Transaction::executeRepeated(const QString &sql, const QList<QVariant> &params,
                                             const QList<Output> &outputs)
{
    if (!m_session->runOnce.contains(sql)) {
        if (m_session->runOnce.size() >= 256)
            m_session->runOnce.clear();
        m_session->runOnce.insert(sql);
        return executeImmediate(sql, params, outputs);
    }
    Statement statement(m_connection, sql);
    statement.setTransaction(*this);
    statement.open(params);
    QList<QVariant> values;
    if (statement.fetch())
        for (int i = 0; i < outputs.size(); ++i)
            values.append(statement.value(i));
    return values;
}

// ----------------------------------------------------------------- Statement

Statement::Statement(Transaction &transaction, const QString &sql)
    : m_session(transaction.m_session), m_transaction(&transaction), m_cached(false)
{
    if (!m_session || m_session->gone)
        throw Error(kPerdida);
    m_prepared = m_session->prepare(sql, transaction, false);
}

Statement::Statement(Connection &connection, const QString &sql)
    : m_session(connection.session()), m_transaction(nullptr), m_cached(true)
{
    if (!connection.isOpen())
        throw Error(QStringLiteral("A conexão com o banco de dados não está aberta."));
    m_transaction = &connection.readTransaction();
    m_prepared = m_session->take(sql, *m_transaction);
}

Statement::~Statement()
{
    if (m_cached && m_session)
        m_session->giveBack(std::move(m_prepared));
    m_prepared.reset();
}

bool Statement::returnsRows() const
{
    return !m_prepared->columns.isEmpty();
}

const QList<ColumnInfo> &Statement::columns() const
{
    return m_prepared->columns;
}

int Statement::parameterCount() const
{
    if (!m_prepared->inMeta)
        throw Error(kPerdida);
    Status st(m_session->master);
    return static_cast<int>(withStatus(m_session->master, [&] { return m_prepared->inMeta->getCount(&st); }));
}

void Statement::start(const QList<QVariant> &params, bool cursor)
{
    ++g_statements;
    detail::Prepared &p = *m_prepared;
    if (cursor)
        closeCursor();
    IMaster *master = m_session->master;
    m_session->call([&] {
        if (!p.statement)
            throw Error(kPerdida);
        ITransaction *tra = m_transaction->handle();
        Status st(master);
        const unsigned count = p.inMeta->getCount(&st);
        if (static_cast<unsigned>(params.size()) != count)
            throw Error(QStringLiteral("O comando espera %1 parâmetros; foram dados %2.")
                            .arg(count)
                            .arg(params.size()));
        QByteArray input;
        IMessageMetadata *meta = p.inMeta;
        if (count == 0) {
            meta->addRef();
        } else {
            IMetadataBuilder *builder = p.inMeta->getBuilder(&st);
            struct BuilderRelease {
                IMetadataBuilder *b;
                ~BuilderRelease() { b->release(); }
            } releaseBuilder{builder};
            meta = inputMessage(master, builder, params, true, input);
        }
        struct Releaser {
            IMessageMetadata *m;
            ~Releaser() { m->release(); }
        } releaseMeta{meta};
        if (cursor) {
            p.cursor = p.statement->openCursor(&st, tra, meta, input.isEmpty() ? nullptr : input.data(), p.outMeta, 0);
        } else {
            const bool rows = !p.columns.isEmpty();
            p.statement->execute(&st, tra, meta, input.isEmpty() ? nullptr : input.data(), rows ? p.outMeta : nullptr,
                                 rows ? p.outBuffer.data() : nullptr);
        }
    });
}

void Statement::run(const QList<QVariant> &params)
{
    start(params, false);
}

qint64 Statement::execute(const QList<QVariant> &params)
{
    start(params, false);
    IMaster *master = m_session->master;
    return m_session->call([&] {
        Status st(master);
        return static_cast<qint64>(m_prepared->statement->getAffectedRecords(&st));
    });
}

void Statement::open(const QList<QVariant> &params)
{
    start(params, true);
}

bool Statement::fetch()
{
    detail::Prepared &p = *m_prepared;
    if (!p.cursor)
        return false;
    IMaster *master = m_session->master;
    return m_session->call([&] {
        Status st(master);
        return p.cursor->fetchNext(&st, p.outBuffer.data()) == IStatus::RESULT_OK;
    });
}

void Statement::closeCursor()
{
    detail::Prepared &p = *m_prepared;
    if (!p.cursor)
        return;
    IResultSet *cursor = p.cursor;
    p.cursor = nullptr;
    IMaster *master = m_session->master;
    try {
        m_session->call([&] {
            Status st(master);
            cursor->close(&st);
        });
    } catch (const Error &) {
        cursor->release();
        throw;
    }
}

QVariant Statement::value(int column) const
{
    const detail::Prepared &p = *m_prepared;
    return columnValue(p.layout.at(column), p.outBuffer.constData(), [&](const ISC_QUAD &id, bool text) {
        return m_session->call([&] {
            IMaster *master = m_session->master;
            Status st(master);
            IBlob *blob = m_session->attachment->openBlob(&st, m_transaction->handle(), const_cast<ISC_QUAD *>(&id),
                                                          0, nullptr);
            QByteArray bytes;
            char chunk[16384];
            try {
                for (;;) {
                    unsigned got = 0;
                    const int result = blob->getSegment(&st, sizeof chunk, chunk, &got);
                    if (result == IStatus::RESULT_NO_DATA)
                        break;
                    bytes.append(chunk, got);
                }
                blob->close(&st);
            } catch (...) {
                blob->release();
                throw;
            }
            return text ? QVariant(fromWin1252(bytes)) : QVariant(bytes);
        });
    });
}

} // namespace fb
