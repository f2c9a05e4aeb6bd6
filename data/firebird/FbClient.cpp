#include "data/firebird/FbClient.h"

#include "core/Win1252.h"

#include <QHash>
#include <QLibrary>

#include <firebird/Interface.h>

#include <cmath>
#include <cstring>

using namespace Firebird;

namespace fb {

namespace {

// Days between the Firebird date origin (1858-11-17) and the Julian day count.
constexpr qint64 kJulianOffset = 2400001;

using MasterFn = IMaster *(*)();

qint64 g_statements = 0;

// The status object of one client call, disposed with the call.
struct Status {
    explicit Status(IMaster *master) : wrapper(master->getStatus()) {}
    ~Status() { wrapper.dispose(); }
    ThrowStatusWrapper wrapper;
    ThrowStatusWrapper *operator&() { return &wrapper; }
};

Error toError(IMaster *master, const FbException &e)
{
    IStatus *status = e.getStatus();
    char buffer[2048];
    master->getUtilInterface()->formatStatus(buffer, sizeof buffer, status);
    QList<qint64> codes;
    const intptr_t *v = status->getErrors();
    while (v && *v != isc_arg_end) {
        const intptr_t arg = *v++;
        if (arg == isc_arg_cstring) {
            v += 2;
            continue;
        }
        if (arg == isc_arg_gds)
            codes.append(static_cast<qint64>(*v));
        ++v;
    }
    QString text = fromWin1252(buffer, static_cast<qsizetype>(std::strlen(buffer))).trimmed();
    return Error(text, codes);
}

// Runs a client call and turns its failure into fb::Error.
template <typename F>
auto guarded(IMaster *master, F &&f) -> decltype(f())
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

} // namespace

qint64 statementCount()
{
    return g_statements;
}

IMaster *loadClient(const QString &libraryPath)
{
    static QHash<QString, IMaster *> loaded;
    if (IMaster *master = loaded.value(libraryPath))
        return master;
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

// ---------------------------------------------------------------- Connection

Connection::~Connection()
{
    try {
        close();
    } catch (const Error &) {
        // The server may already be gone; nothing left to release.
    }
}

void Connection::open(const QString &libraryPath, const ConnectParams &params)
{
    close();
    IMaster *master = loadClient(libraryPath);
    try {
        attach(master, params);
    } catch (const Error &e) {
        // The server's message, then where it was trying to connect.
        throw Error(e.text() + QStringLiteral("\nBanco de dados: ") + params.database, e.codes());
    }
    m_master = master;
    m_dialect = params.dialect;
}

void Connection::attach(IMaster *master, const ConnectParams &params)
{
    guarded(master, [&] {
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
        m_attachment = provider->attachDatabase(&st, toWin1252(params.database).constData(),
                                                dpb->getBufferLength(&st), dpb->getBuffer(&st));
    });
}

void Connection::close()
{
    if (!m_attachment)
        return;
    IAttachment *attachment = m_attachment;
    m_attachment = nullptr;
    guarded(m_master, [&] {
        Status st(m_master);
        try {
            attachment->detach(&st);
        } catch (...) {
            attachment->release();
            throw;
        }
    });
}

// --------------------------------------------------------------- Transaction

Transaction::Transaction(Connection &connection, bool readOnly) : m_connection(connection)
{
    if (!connection.isOpen())
        throw Error(QStringLiteral("A conexão com o banco de dados não está aberta."));
    const unsigned char access = readOnly ? isc_tpb_read : isc_tpb_write;
    const unsigned char tpb[] = {isc_tpb_version3, access, isc_tpb_read_committed,
                                 isc_tpb_rec_version, isc_tpb_wait};
    IMaster *master = connection.master();
    m_transaction = guarded(master, [&] {
        Status st(master);
        return connection.attachment()->startTransaction(&st, sizeof tpb, tpb);
    });
}

Transaction::~Transaction()
{
    try {
        rollback();
    } catch (const Error &) {
        // A lost connection has rolled the work back already.
    }
}

void Transaction::commit()
{
    if (!m_transaction)
        return;
    IMaster *master = m_connection.master();
    guarded(master, [&] {
        Status st(master);
        m_transaction->commit(&st);
    });
    m_transaction = nullptr;
}

void Transaction::rollback()
{
    if (!m_transaction)
        return;
    ITransaction *transaction = m_transaction;
    m_transaction = nullptr;
    IMaster *master = m_connection.master();
    guarded(master, [&] {
        Status st(master);
        try {
            transaction->rollback(&st);
        } catch (...) {
            transaction->release();
            throw;
        }
    });
}

// ----------------------------------------------------------------- Statement

struct Statement::Impl {
    Transaction &transaction;
    IMaster *master;
    IStatement *statement = nullptr;
    IMessageMetadata *inMeta = nullptr;
    IMessageMetadata *outMeta = nullptr;
    IResultSet *cursor = nullptr;
    QByteArray outBuffer;
    struct Column {
        unsigned type, subType, length, offset, nullOffset, charset;
        int scale;
    };
    QList<Column> layout;

    Impl(Transaction &t) : transaction(t), master(t.connection().master()) {}

    ~Impl()
    {
        Status st(master);
        try {
            if (cursor)
                cursor->close(&st);
        } catch (const FbException &) {
            cursor->release();
        }
        if (outMeta)
            outMeta->release();
        if (inMeta)
            inMeta->release();
        try {
            if (statement)
                statement->free(&st);
        } catch (const FbException &) {
            statement->release();
        }
    }

    // Builds the input message for the given values; returns its metadata
    // (owned by the caller) and fills buffer.
    IMessageMetadata *inputMessage(const QList<QVariant> &params, QByteArray &buffer)
    {
        Status st(master);
        const unsigned count = inMeta->getCount(&st);
        if (static_cast<unsigned>(params.size()) != count)
            throw Error(QStringLiteral("O comando espera %1 parâmetros; foram dados %2.")
                            .arg(count)
                            .arg(params.size()));
        if (count == 0) {
            inMeta->addRef();
            return inMeta;
        }
        IMetadataBuilder *builder = inMeta->getBuilder(&st);
        struct BuilderRelease {
            IMetadataBuilder *b;
            ~BuilderRelease() { b->release(); }
        } releaseBuilder{builder};
        QList<QByteArray> texts(count);
        for (unsigned i = 0; i < count; ++i) {
            const QVariant &v = params[i];
            if (!v.isValid() || v.isNull())
                continue;
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
                builder->setCharSet(&st, i, 53); // WIN1252
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
            if (!v.isValid() || v.isNull()) {
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

    QVariant readBlob(const ISC_QUAD &id, bool text)
    {
        Status st(master);
        IBlob *blob = transaction.connection().attachment()->openBlob(&st, transaction.handle(),
                                                                      const_cast<ISC_QUAD *>(&id), 0, nullptr);
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
        if (text)
            return fromWin1252(bytes);
        return bytes;
    }
};

Statement::Statement(Transaction &transaction, const QString &sql) : d(std::make_unique<Impl>(transaction))
{
    if (!transaction.isActive())
        throw Error(QStringLiteral("A transação não está ativa."));
    IMaster *master = d->master;
    guarded(master, [&] {
        Status st(master);
        const QByteArray text = toWin1252(sql);
        d->statement = transaction.connection().attachment()->prepare(
            &st, transaction.handle(), static_cast<unsigned>(text.size()), text.constData(),
            static_cast<unsigned>(transaction.connection().dialect()), IStatement::PREPARE_PREFETCH_METADATA);
        d->inMeta = d->statement->getInputMetadata(&st);
        d->outMeta = d->statement->getOutputMetadata(&st);
        const unsigned count = d->outMeta->getCount(&st);
        d->outBuffer = QByteArray(d->outMeta->getMessageLength(&st), '\0');
        for (unsigned i = 0; i < count; ++i) {
            Impl::Column c{};
            c.type = d->outMeta->getType(&st, i) & ~1u;
            c.subType = static_cast<unsigned>(d->outMeta->getSubType(&st, i));
            c.length = d->outMeta->getLength(&st, i);
            c.offset = d->outMeta->getOffset(&st, i);
            c.nullOffset = d->outMeta->getNullOffset(&st, i);
            c.charset = d->outMeta->getCharSet(&st, i);
            c.scale = d->outMeta->getScale(&st, i);
            d->layout.append(c);
            ColumnInfo info;
            info.name = QString::fromUtf8(d->outMeta->getAlias(&st, i));
            info.relation = QString::fromUtf8(d->outMeta->getRelation(&st, i));
            info.type = fieldType(c.type, c.scale);
            info.scale = c.scale;
            info.nullable = d->outMeta->isNullable(&st, i);
            if (info.type == FieldType::Text)
                info.size = static_cast<int>(c.length) / bytesPerChar(c.charset);
            m_columns.append(info);
        }
    });
}

Statement::~Statement() = default;

bool Statement::returnsRows() const
{
    return !m_columns.isEmpty();
}

int Statement::parameterCount() const
{
    Status st(d->master);
    return static_cast<int>(guarded(d->master, [&] { return d->inMeta->getCount(&st); }));
}

qint64 Statement::execute(const QList<QVariant> &params)
{
    ++g_statements;
    IMaster *master = d->master;
    return guarded(master, [&] {
        Status st(master);
        QByteArray input;
        IMessageMetadata *meta = d->inputMessage(params, input);
        struct Releaser {
            IMessageMetadata *m;
            ~Releaser() { m->release(); }
        } releaseMeta{meta};
        ITransaction *handle = d->transaction.handle();
        d->statement->execute(&st, handle, meta, input.isEmpty() ? nullptr : input.data(),
                              m_columns.isEmpty() ? nullptr : d->outMeta,
                              m_columns.isEmpty() ? nullptr : d->outBuffer.data());
        return static_cast<qint64>(d->statement->getAffectedRecords(&st));
    });
}

void Statement::open(const QList<QVariant> &params)
{
    ++g_statements;
    closeCursor();
    IMaster *master = d->master;
    guarded(master, [&] {
        Status st(master);
        QByteArray input;
        IMessageMetadata *meta = d->inputMessage(params, input);
        struct Releaser {
            IMessageMetadata *m;
            ~Releaser() { m->release(); }
        } releaseMeta{meta};
        d->cursor = d->statement->openCursor(&st, d->transaction.handle(), meta,
                                             input.isEmpty() ? nullptr : input.data(), d->outMeta, 0);
    });
}

bool Statement::fetch()
{
    if (!d->cursor)
        return false;
    IMaster *master = d->master;
    return guarded(master, [&] {
        Status st(master);
        return d->cursor->fetchNext(&st, d->outBuffer.data()) == IStatus::RESULT_OK;
    });
}

void Statement::closeCursor()
{
    if (!d->cursor)
        return;
    IResultSet *cursor = d->cursor;
    d->cursor = nullptr;
    IMaster *master = d->master;
    guarded(master, [&] {
        Status st(master);
        try {
            cursor->close(&st);
        } catch (...) {
            cursor->release();
            throw;
        }
    });
}

QVariant Statement::value(int column) const
{
    const Impl::Column &c = d->layout.at(column);
    const char *base = d->outBuffer.constData();
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
        return guarded(d->master, [&] { return d->readBlob(id, c.subType == 1); });
    }
    default:
        return {};
    }
}

} // namespace fb
