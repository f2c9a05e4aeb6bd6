#include "data/dataset/ClientDataSet.h"

#include "data/dataset/ColumnNames.h"

#include <algorithm>

namespace {

bool isNull(const QVariant &v)
{
    return !v.isValid() || v.isNull();
}

int compareValues(const QVariant &a, const QVariant &b)
{
    const bool na = isNull(a), nb = isNull(b);
    if (na || nb)
        return na == nb ? 0 : (na ? -1 : 1);
    const QPartialOrdering order = QVariant::compare(a, b);
    if (order == QPartialOrdering::Less)
        return -1;
    if (order == QPartialOrdering::Greater)
        return 1;
    return 0;
}

const QString kKeySeparator = QStringLiteral("\x1f");

} // namespace

// ------------------------------------------------------------------ DataSource

DataSource::DataSource(const QString &name, ClientDataSet *dataSet, QObject *parent) : QObject(parent)
{
    setObjectName(name);
    SetDataSet(dataSet);
}

void DataSource::SetDataSet(ClientDataSet *dataSet)
{
    for (const auto &c : m_connections)
        disconnect(c);
    m_connections.clear();
    m_dataSet = dataSet;
    if (!dataSet)
        return;
    m_connections = {
        connect(dataSet, &ClientDataSet::aboutToAppendRows, this, &DataSource::aboutToAppendRows),
        connect(dataSet, &ClientDataSet::rowsAppended, this, &DataSource::rowsAppended),
        connect(dataSet, &ClientDataSet::dataSetChanged, this, &DataSource::dataSetChanged),
        connect(dataSet, &ClientDataSet::recordChanged, this, &DataSource::recordChanged),
        connect(dataSet, &ClientDataSet::stateChanged, this, &DataSource::stateChanged),
        connect(dataSet, &ClientDataSet::scrolled, this, &DataSource::scrolled),
    };
}

// --------------------------------------------------------------- ClientDataSet

ClientDataSet::ClientDataSet(const QString &name, DataSetProvider *provider, QObject *parent)
    : QObject(parent), m_name(name), m_provider(provider)
{
    setObjectName(name);
}

ClientDataSet::~ClientDataSet()
{
    m_reader.reset();
}

void ClientDataSet::SetMasterSource(DataSource *source)
{
    m_master = source;
}

void ClientDataSet::checkActive() const
{
    if (!Active())
        throw AppError(QStringLiteral("%1: o conjunto de dados está fechado.").arg(m_name));
}

void ClientDataSet::checkWritable() const
{
    checkActive();
    if (ReadOnly)
        throw AppError(QStringLiteral("%1: não é possível modificar um conjunto de dados somente leitura.").arg(m_name));
}

void ClientDataSet::fire(const Event &event)
{
    if (event)
        event(*this);
}

void ClientDataSet::setState(DataSetState state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged();
}

int ClientDataSet::FieldIndex(const QString &name) const
{
    return m_byName.value(name.toUpper(), -1);
}

Field ClientDataSet::FieldByName(const QString &name)
{
    const int index = FieldIndex(name);
    if (index < 0)
        throw AppError(QStringLiteral("%1: campo '%2' não encontrado.").arg(m_name, name));
    return Field(this, index);
}

std::optional<Field> ClientDataSet::FindField(const QString &name)
{
    const int index = FieldIndex(name);
    if (index < 0)
        return std::nullopt;
    return Field(this, index);
}

void ClientDataSet::setupFields(const QList<fb::ColumnInfo> &columns)
{
    m_fields.clear();
    m_sourceColumn.clear();
    m_writable.clear();
    m_byName.clear();
    const QString table = m_provider->tableName();
    const QStringList names = fieldNamesOf(columns);
    auto columnOf = [&](const QString &name) {
        for (int i = 0; i < columns.size(); ++i)
            if (names[i].compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    };
    if (FieldDefs.isEmpty()) {
        for (int i = 0; i < columns.size(); ++i) {
            const fb::ColumnInfo &c = columns[i];
            FieldDef def;
            def.name = names[i];
            def.size = c.size;
            switch (c.type) {
            case fb::FieldType::Text: def.type = DataType::String; break;
            case fb::FieldType::Integer:
            case fb::FieldType::BigInt: def.type = DataType::Integer; break;
            case fb::FieldType::Real: def.type = c.scale < 0 ? DataType::Decimal : DataType::Float; break;
            case fb::FieldType::Date: def.type = DataType::Date; break;
            case fb::FieldType::DateTime: def.type = DataType::DateTime; break;
            case fb::FieldType::Time: def.type = DataType::Time; break;
            case fb::FieldType::Blob: def.type = DataType::Memo; break;
            case fb::FieldType::Boolean: def.type = DataType::Boolean; break;
            default: def.type = DataType::Unknown; break;
            }
            def.key = m_provider->DataSet->KeyFields.contains(c.name, Qt::CaseInsensitive);
            m_fields.append(def);
            m_sourceColumn.append(i);
        }
    } else {
        for (const FieldDef &def : FieldDefs) {
            const int column = columnOf(def.name);
            if (column < 0)
                throw AppError(QStringLiteral("%1: campo '%2' não encontrado no comando.").arg(m_name, def.name));
            m_fields.append(def);
            m_sourceColumn.append(column);
        }
    }
    for (int i = 0; i < m_fields.size(); ++i) {
        const fb::ColumnInfo &c = columns[m_sourceColumn[i]];
        m_writable.append(!c.relation.isEmpty() && c.relation.compare(table, Qt::CaseInsensitive) == 0);
        m_byName.insert(m_fields[i].name.toUpper(), i);
    }
    m_indexFields = IndexFieldNames.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    m_indexColumns.clear();
    for (const QString &f : m_indexFields) {
        const int index = FieldIndex(f.trimmed());
        if (index < 0)
            throw AppError(QStringLiteral("%1: campo de índice '%2' não encontrado.").arg(m_name, f));
        m_indexColumns.append(index);
    }
    m_masterFieldList = MasterFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

QString ClientDataSet::rowKey(const QList<QVariant> &values) const
{
    if (!m_master)
        return {};
    QStringList parts;
    for (int column : m_indexColumns)
        parts.append(isNull(values[column]) ? QString() : values[column].toString());
    return parts.join(kKeySeparator);
}

void ClientDataSet::addRows(const QList<QList<QVariant>> &rows)
{
    for (const QList<QVariant> &source : rows) {
        auto row = std::make_unique<Row>();
        row->values.reserve(m_fields.size());
        for (int i = 0; i < m_fields.size(); ++i)
            row->values.append(fieldCoerce(m_fields[i], source.at(m_sourceColumn[i])));
        row->original = row->values;
        row->key = rowKey(row->values);
        m_store.push_back(std::move(row));
    }
}

QString ClientDataSet::keyOf(const QList<QVariant> &masterValues) const
{
    QList<QVariant> keyValues(m_fields.size());
    for (int i = 0; i < m_indexColumns.size() && i < masterValues.size(); ++i)
        keyValues[m_indexColumns[i]] = fieldCoerce(m_fields[m_indexColumns[i]], masterValues[i]);
    return rowKey(keyValues);
}

QList<QVariant> ClientDataSet::masterValues(bool *valid) const
{
    *valid = false;
    ClientDataSet *master = m_master ? m_master->DataSet() : nullptr;
    if (!master || !master->Active() || master->IsEmpty() || master->State() == DataSetState::Insert)
        return {};
    QList<QVariant> values;
    for (const QString &f : m_masterFieldList) {
        const int index = master->FieldIndex(f.trimmed());
        if (index < 0)
            throw AppError(QStringLiteral("%1: campo mestre '%2' não encontrado.").arg(m_name, f));
        values.append(master->fieldValue(index));
    }
    *valid = true;
    return values;
}

void ClientDataSet::Open()
{
    if (Active())
        return;
    if (!m_provider)
        throw AppError(QStringLiteral("%1: conjunto de dados sem provedor.").arg(m_name));
    try {
        if (!m_master && PacketRecords > 0 && IndexFieldNames.isEmpty()) {
            openReader();
        } else {
            DataSetProvider::Packet packet = m_master
                ? m_provider->fetch(IndexFieldNames.split(QLatin1Char(';'), Qt::SkipEmptyParts), {}, true)
                : m_provider->fetch();
            setupFields(packet.columns);
            if (!m_master)
                addRows(packet.rows);
        }
        m_masterValid = false;
        m_currentKey.clear();
        if (m_master) {
            bool valid = false;
            const QList<QVariant> values = masterValues(&valid);
            if (valid) {
                const QString key = keyOf(values);
                addRows(m_provider->fetch(m_indexFields, values).rows);
                m_masterValid = true;
                m_currentKey = key;
            }
        }
    } catch (...) {
        // A failed opening leaves the dataset closed, its rows and statement released.
        m_reader.reset();
        m_store.clear();
        throw;
    }
    m_provider->DataSet->Open();
    m_state = DataSetState::Browse;
    if (m_master) {
        m_masterConnections = {
            connect(m_master, &DataSource::scrolled, this, &ClientDataSet::onMasterChanged),
            connect(m_master, &DataSource::dataSetChanged, this, &ClientDataSet::onMasterChanged),
            connect(m_master, &DataSource::stateChanged, this, &ClientDataSet::onMasterChanged),
        };
    }
    rebuildView();
    m_cursor = m_view.isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = m_view.isEmpty();
    emit stateChanged();
    emit dataSetChanged();
    fire(AfterScroll);
}

void ClientDataSet::openReader()
{
    m_reader = m_provider->openCursor();
    setupFields(m_reader->columns());
    addRows(m_reader->fetch(PacketRecords));
    if (m_reader->atEnd())
        m_reader.reset();
}

int ClientDataSet::FetchMore()
{
    if (!m_reader)
        return 0;
    const QList<QList<QVariant>> rows = m_reader->fetch(PacketRecords);
    if (m_reader->atEnd())
        m_reader.reset();
    if (rows.isEmpty())
        return 0;
    const int first = static_cast<int>(m_view.size());
    emit aboutToAppendRows(first, first + static_cast<int>(rows.size()) - 1);
    const size_t before = m_store.size();
    addRows(rows);
    // New rows go after the new record being inserted, if any, so the view keeps its order.
    for (size_t i = before; i < m_store.size(); ++i)
        m_view.append(m_store[i].get());
    if (m_eof && m_cursor >= 0)
        m_eof = false;
    emit rowsAppended();
    return static_cast<int>(rows.size());
}

void ClientDataSet::FetchAll()
{
    while (m_reader)
        FetchMore();
}

void ClientDataSet::CreateDataSet()
{
    Close();
    m_fields = FieldDefs;
    m_sourceColumn.clear();
    m_writable.clear();
    m_byName.clear();
    for (int i = 0; i < m_fields.size(); ++i) {
        m_sourceColumn.append(i);
        m_writable.append(false);
        m_byName.insert(m_fields[i].name.toUpper(), i);
    }
    m_indexFields = IndexFieldNames.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    m_indexColumns.clear();
    for (const QString &f : m_indexFields)
        m_indexColumns.append(FieldIndex(f.trimmed()));
    m_indexColumns.removeAll(-1);
    m_state = DataSetState::Browse;
    m_cursor = -1;
    m_eof = m_bof = true;
    emit stateChanged();
    emit dataSetChanged();
}

void ClientDataSet::Close()
{
    if (!Active())
        return;
    fire(BeforeClose);
    for (const auto &c : m_masterConnections)
        disconnect(c);
    m_masterConnections.clear();
    m_reader.reset();
    m_store.clear();
    m_view.clear();
    m_deleted.clear();
    m_newRow.reset();
    m_buffer.clear();
    m_masterValid = false;
    m_currentKey.clear();
    m_cursor = -1;
    m_eof = m_bof = true;
    m_modified = false;
    if (m_provider)
        m_provider->DataSet->Close();
    m_state = DataSetState::Inactive;
    emit stateChanged();
    emit dataSetChanged();
}

void ClientDataSet::onMasterChanged()
{
    if (!Active())
        return;
    bool valid = false;
    const QList<QVariant> values = masterValues(&valid);
    const QString key = valid ? keyOf(values) : QString();
    if (valid == m_masterValid && key == m_currentKey)
        return;
    CheckBrowseMode();
    fire(BeforeScroll);
    if (valid && !holdsKey(key) && m_provider) {
        // The rows of a key are fetched when none is held: a key that had none
        // is asked again, so rows stored meanwhile by another workstation show.
        try {
            addRows(m_provider->fetch(m_indexFields, values).rows);
        } catch (...) {
            // Never the rows of another master row: none at all, and the next
            // notification tries again.
            m_masterValid = false;
            m_currentKey.clear();
            rebuildView();
            m_cursor = -1;
            m_eof = m_bof = true;
            emit dataSetChanged();
            throw;
        }
    }
    m_masterValid = valid;
    m_currentKey = key;
    rebuildView();
    m_cursor = m_view.isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = m_view.isEmpty();
    emit dataSetChanged();
    fire(AfterScroll);
    emit scrolled();
}

bool ClientDataSet::holdsKey(const QString &key) const
{
    for (const auto &row : m_store)
        if (row->key == key)
            return true;
    for (const Deleted &d : m_deleted)
        if (rowKey(d.original) == key)
            return true;
    return false;
}

void ClientDataSet::rebuildView()
{
    m_view.clear();
    for (const auto &row : m_store) {
        if (m_master && (!m_masterValid || row->key != m_currentKey))
            continue;
        m_view.append(row.get());
    }
    if (!m_master && !m_indexColumns.isEmpty()) {
        std::stable_sort(m_view.begin(), m_view.end(), [&](const Row *a, const Row *b) {
            for (int column : m_indexColumns) {
                const int c = compareValues(a->values[column], b->values[column]);
                if (c != 0)
                    return c < 0;
            }
            return false;
        });
    }
}

// ------------------------------------------------------------------ navigation

void ClientDataSet::moveTo(int index, bool forceEvents)
{
    checkActive();
    CheckBrowseMode();
    if (m_view.isEmpty()) {
        m_eof = m_bof = true;
        return;
    }
    index = std::clamp(index, 0, static_cast<int>(m_view.size()) - 1);
    if (index == m_cursor && !forceEvents)
        return;
    fire(BeforeScroll);
    m_cursor = index;
    fire(AfterScroll);
    emit scrolled();
}

void ClientDataSet::First()
{
    moveTo(0, true);
    m_bof = true;
    m_eof = m_view.isEmpty();
}

void ClientDataSet::Last()
{
    FetchAll();
    moveTo(static_cast<int>(m_view.size()) - 1, true);
    m_eof = true;
    m_bof = m_view.isEmpty();
}

int ClientDataSet::MoveBy(int distance)
{
    checkActive();
    CheckBrowseMode();
    while (m_reader && distance > 0 && m_cursor + distance >= m_view.size())
        FetchMore();
    // Before-scroll runs even when there is nowhere to go; after-scroll only on a move.
    fire(BeforeScroll);
    if (m_view.isEmpty()) {
        m_eof = m_bof = true;
        return 0;
    }
    const int target = std::clamp(m_cursor + distance, 0, static_cast<int>(m_view.size()) - 1);
    const int moved = target - m_cursor;
    m_eof = distance > 0 && moved < distance;
    m_bof = distance < 0 && moved > distance;
    if (moved != 0) {
        m_cursor = target;
        fire(AfterScroll);
        emit scrolled();
    }
    return moved;
}

void ClientDataSet::Next()
{
    MoveBy(1);
}

void ClientDataSet::Prior()
{
    MoveBy(-1);
}

void ClientDataSet::SetRecNo(int recNo)
{
    while (m_reader && recNo > m_view.size())
        FetchMore();
    moveTo(recNo - 1, false);
    m_eof = m_bof = false;
}

bool ClientDataSet::Locate(const QString &fields, const QList<QVariant> &values, LocateOptions options)
{
    checkActive();
    CheckBrowseMode();
    FetchAll();
    const QStringList names = fields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (names.size() != values.size())
        throw AppError(QStringLiteral("%1: localizar com %2 campos e %3 valores.")
                           .arg(m_name)
                           .arg(names.size())
                           .arg(values.size()));
    QList<int> columns;
    for (const QString &n : names) {
        const int index = FieldIndex(n.trimmed());
        if (index < 0)
            throw AppError(QStringLiteral("%1: campo '%2' não encontrado.").arg(m_name, n));
        columns.append(index);
    }
    for (int r = 0; r < m_view.size(); ++r) {
        bool match = true;
        for (int i = 0; i < columns.size() && match; ++i) {
            const QVariant &have = m_view[r]->values[columns[i]];
            const QVariant want = fieldCoerce(m_fields[columns[i]], values[i]);
            if (isNull(want) || isNull(have)) {
                match = isNull(want) && isNull(have);
            } else if (m_fields[columns[i]].type == DataType::String) {
                const Qt::CaseSensitivity cs = options.caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
                match = options.partialKey ? have.toString().startsWith(want.toString(), cs)
                                           : have.toString().compare(want.toString(), cs) == 0;
            } else {
                match = compareValues(have, want) == 0;
            }
        }
        if (match) {
            moveTo(r, true);
            m_eof = m_bof = false;
            return true;
        }
    }
    return false;
}

// --------------------------------------------------------------------- editing

void ClientDataSet::CheckBrowseMode()
{
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert) {
        if (m_modified)
            Post();
        else
            Cancel();
    }
}

void ClientDataSet::Append()
{
    beginInsert(true);
}

void ClientDataSet::Insert()
{
    beginInsert(false);
}

void ClientDataSet::beginInsert(bool atEnd)
{
    checkWritable();
    CheckBrowseMode();
    fire(BeforeInsert);
    fire(BeforeScroll);
    m_newRow = std::make_unique<Row>();
    m_newRow->values = QList<QVariant>(m_fields.size());
    // A detail's new row starts with the master's key.
    if (m_master) {
        bool valid = false;
        const QList<QVariant> values = masterValues(&valid);
        for (int i = 0; valid && i < m_indexColumns.size() && i < values.size(); ++i)
            m_newRow->values[m_indexColumns[i]] = fieldCoerce(m_fields[m_indexColumns[i]], values[i]);
    }
    const int at = atEnd || m_cursor < 0 ? static_cast<int>(m_view.size()) : m_cursor;
    m_view.insert(at, m_newRow.get());
    m_cursor = at;
    m_modified = false;
    m_eof = m_bof = false;
    setState(DataSetState::Insert);
    emit dataSetChanged();
    fire(AfterInsert);
    fire(AfterScroll);
    emit scrolled();
}

void ClientDataSet::Edit()
{
    checkWritable();
    if (m_state != DataSetState::Browse)
        return;
    if (m_view.isEmpty()) {
        Append();
        return;
    }
    m_buffer = m_view[m_cursor]->values;
    m_modified = false;
    setState(DataSetState::Edit);
}

void ClientDataSet::Post()
{
    checkActive();
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        return;
    fire(BeforePost);
    for (;;) {
        try {
            const QList<QVariant> &values = m_state == DataSetState::Edit ? m_buffer : m_newRow->values;
            for (int i = 0; i < m_fields.size(); ++i)
                if (m_fields[i].required && isNull(values[i]))
                    throw AppError(QStringLiteral("O campo '%1' deve ter um valor.").arg(m_fields[i].name));
            break;
        } catch (const AppError &e) {
            DataAction action = DataAction::Fail;
            if (OnPostError)
                OnPostError(*this, e, action);
            if (action == DataAction::Retry)
                continue;
            if (action == DataAction::Abort)
                throw SilentAbort{};
            throw;
        }
    }
    Row *posted = nullptr;
    if (m_state == DataSetState::Edit) {
        posted = m_view[m_cursor];
        posted->values = m_buffer;
        m_buffer.clear();
        if (posted->status == Row::Unchanged) {
            posted->status = Row::Modified;
            posted->seq = ++m_seq;
        }
    } else {
        posted = m_newRow.get();
        posted->original = QList<QVariant>(m_fields.size());
        posted->status = Row::Inserted;
        posted->seq = ++m_seq;
        m_store.push_back(std::move(m_newRow));
    }
    posted->key = rowKey(posted->values);
    m_modified = false;
    if (!m_master && !m_indexColumns.isEmpty()) {
        rebuildView();
        m_cursor = static_cast<int>(m_view.indexOf(posted));
    }
    m_state = DataSetState::Browse;
    emit stateChanged();
    emit dataSetChanged();
    fire(AfterPost);
}

void ClientDataSet::Cancel()
{
    if (m_state == DataSetState::Edit) {
        m_buffer.clear();
        m_modified = false;
        setState(DataSetState::Browse);
        emit recordChanged(-1);
        return;
    }
    if (m_state != DataSetState::Insert)
        return;
    fire(BeforeScroll);
    m_view.removeAll(m_newRow.get());
    m_newRow.reset();
    m_modified = false;
    m_cursor = std::min(m_cursor, static_cast<int>(m_view.size()) - 1);
    m_state = DataSetState::Browse;
    emit stateChanged();
    emit dataSetChanged();
    fire(AfterScroll);
    emit scrolled();
}

void ClientDataSet::Delete()
{
    checkWritable();
    if (m_state == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (m_state == DataSetState::Edit)
        Cancel();
    if (m_view.isEmpty())
        throw AppError(QStringLiteral("%1: não há registro para excluir.").arg(m_name));
    fire(BeforeScroll);
    Row *row = m_view[m_cursor];
    if (row->status != Row::Inserted)
        m_deleted.append({row->original, row->status == Row::Modified ? row->seq : ++m_seq});
    m_view.removeAt(m_cursor);
    m_store.erase(std::find_if(m_store.begin(), m_store.end(),
                               [row](const std::unique_ptr<Row> &r) { return r.get() == row; }));
    m_cursor = std::min(m_cursor, static_cast<int>(m_view.size()) - 1);
    m_eof = m_view.isEmpty();
    emit dataSetChanged();
    fire(AfterDelete);
    fire(AfterScroll);
    emit scrolled();
}

QVariant ClientDataSet::fieldValue(int field) const
{
    if (m_state == DataSetState::Edit)
        return m_buffer.value(field);
    if (m_cursor < 0 || m_cursor >= m_view.size())
        return {};
    return m_view[m_cursor]->values.value(field);
}

void ClientDataSet::setFieldValue(int field, const QVariant &value)
{
    checkWritable();
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        throw AppError(QStringLiteral("%1: o conjunto de dados não está em edição.").arg(m_name));
    if (m_fields[field].readOnly)
        throw AppError(QStringLiteral("O campo '%1' não pode ser modificado.").arg(m_fields[field].name));
    fieldCheckStorable(m_fields[field], value);
    QVariant coerced = fieldCoerce(m_fields[field], value);
    // An emptied text is no value: it fails a required field and is stored as NULL.
    if (coerced.typeId() == QMetaType::QString && coerced.toString().isEmpty())
        coerced = QVariant();
    if (m_state == DataSetState::Edit)
        m_buffer[field] = coerced;
    else
        m_newRow->values[field] = coerced;
    m_modified = true;
    emit recordChanged(field);
}

QVariant ClientDataSet::rowValue(int row, int field) const
{
    if (row < 0 || row >= m_view.size())
        return {};
    if (row == m_cursor && m_state == DataSetState::Edit)
        return m_buffer.value(field);
    return m_view[row]->values.value(field);
}

// ----------------------------------------------------------------- change log

int ClientDataSet::ChangeCount() const
{
    int count = static_cast<int>(m_deleted.size());
    for (const auto &row : m_store)
        if (row->status != Row::Unchanged)
            ++count;
    return count;
}

bool ClientDataSet::CurrentIsPendingInsert() const
{
    return m_state == DataSetState::Browse && m_cursor >= 0 && m_cursor < m_view.size() &&
           m_view[m_cursor]->status == Row::Inserted;
}

bool ClientDataSet::CurrentIsPending() const
{
    return m_state == DataSetState::Browse && m_cursor >= 0 && m_cursor < m_view.size() &&
           m_view[m_cursor]->status != Row::Unchanged;
}

QList<RowChange> ClientDataSet::pendingChanges(QList<Row *> &rows, QList<int> &deletedIndexes) const
{
    struct Entry {
        qint64 seq;
        Row *row;
        int deleted;
    };
    QList<Entry> entries;
    for (const auto &row : m_store)
        if (row->status != Row::Unchanged)
            entries.append({row->seq, row.get(), -1});
    for (int i = 0; i < m_deleted.size(); ++i)
        entries.append({m_deleted[i].seq, nullptr, i});
    std::stable_sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) { return a.seq < b.seq; });

    QStringList fields;
    QList<int> columns;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_writable[i]) {
            fields.append(m_fields[i].name);
            columns.append(i);
        }
    }
    auto pick = [&](const QList<QVariant> &values) {
        QList<QVariant> out;
        for (int c : columns)
            out.append(values[c]);
        return out;
    };
    QList<RowChange> changes;
    for (const Entry &e : entries) {
        RowChange c;
        c.fields = fields;
        if (e.row) {
            c.kind = e.row->status == Row::Inserted ? RowChange::Insert : RowChange::Modify;
            c.values = pick(e.row->values);
            c.original = pick(e.row->original);
        } else {
            c.kind = RowChange::Delete;
            c.original = pick(m_deleted[e.deleted].original);
        }
        rows.append(e.row);
        deletedIndexes.append(e.deleted);
        changes.append(c);
    }
    return changes;
}

int ClientDataSet::ApplyUpdates(int maxErrors)
{
    checkActive();
    CheckBrowseMode();
    QList<Row *> rows;
    QList<int> deletedIndexes;
    const QList<RowChange> changes = pendingChanges(rows, deletedIndexes);
    if (changes.isEmpty())
        return 0;
    if (!m_provider)
        throw AppError(QStringLiteral("%1: conjunto de dados sem provedor.").arg(m_name));
    const QList<bool> written = m_provider->apply(changes, maxErrors);
    merge(written, rows, deletedIndexes);
    return static_cast<int>(written.count(false));
}

void ClientDataSet::merge(const QList<bool> &written, const QList<Row *> &rows, const QList<int> &deletedIndexes)
{
    QList<int> deletedDone;
    for (int i = 0; i < written.size(); ++i) {
        if (!written[i])
            continue;
        if (rows[i]) {
            rows[i]->status = Row::Unchanged;
            rows[i]->original = rows[i]->values;
        } else {
            deletedDone.append(deletedIndexes[i]);
        }
    }
    std::sort(deletedDone.begin(), deletedDone.end(), std::greater<int>());
    for (int i : deletedDone)
        m_deleted.removeAt(i);
}

int ClientDataSet::ApplyUpdatesIn(fb::Transaction &transaction)
{
    checkActive();
    CheckBrowseMode();
    m_written.clear();
    m_writtenRows.clear();
    m_writtenDeleted.clear();
    const QList<RowChange> changes = pendingChanges(m_writtenRows, m_writtenDeleted);
    if (changes.isEmpty())
        return 0;
    if (!m_provider)
        throw AppError(QStringLiteral("%1: conjunto de dados sem provedor.").arg(m_name));
    m_written = m_provider->apply(changes, 0, transaction);
    return static_cast<int>(m_written.count(false));
}

int ClientDataSet::ApplyUpdatesIn(const QList<ClientDataSet *> &dataSets, fb::Transaction &transaction,
                                  QString &refusal)
{
    QList<DataSetProvider::Part> parts;
    QList<ClientDataSet *> writing;
    for (ClientDataSet *ds : dataSets) {
        ds->checkActive();
        ds->CheckBrowseMode();
        ds->m_written.clear();
        ds->m_writtenRows.clear();
        ds->m_writtenDeleted.clear();
        const QList<RowChange> changes = ds->pendingChanges(ds->m_writtenRows, ds->m_writtenDeleted);
        if (changes.isEmpty())
            continue;
        if (!ds->m_provider)
            throw AppError(QStringLiteral("%1: conjunto de dados sem provedor.").arg(ds->m_name));
        parts.append({ds->m_provider, changes, {}});
        writing.append(ds);
    }
    refusal = DataSetProvider::applyTogether(parts, transaction);
    int refused = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        writing[i]->m_written = parts[i].written;
        refused += static_cast<int>(parts[i].written.count(false));
    }
    return refused;
}

void ClientDataSet::MergeApplied()
{
    merge(m_written, m_writtenRows, m_writtenDeleted);
    m_written.clear();
    m_writtenRows.clear();
    m_writtenDeleted.clear();
}

void ClientDataSet::CancelUpdates()
{
    checkActive();
    Cancel();
    for (auto it = m_store.begin(); it != m_store.end();) {
        Row *row = it->get();
        if (row->status == Row::Inserted) {
            it = m_store.erase(it);
            continue;
        }
        row->values = row->original;
        row->status = Row::Unchanged;
        row->key = rowKey(row->values);
        ++it;
    }
    for (const Deleted &d : m_deleted) {
        auto row = std::make_unique<Row>();
        row->values = row->original = d.original;
        row->key = rowKey(row->values);
        m_store.push_back(std::move(row));
    }
    m_deleted.clear();
    rebuildView();
    m_cursor = m_view.isEmpty() ? -1 : std::clamp(m_cursor, 0, static_cast<int>(m_view.size()) - 1);
    emit dataSetChanged();
}

void ClientDataSet::Refresh()
{
    checkActive();
    CheckBrowseMode();
    if (ChangeCount() > 0)
        throw AppError(QStringLiteral("%1: não é possível atualizar os dados com alterações pendentes.").arg(m_name));
    if (!m_provider)
        return;
    if (m_master) {
        bool valid = false;
        const QList<QVariant> values = masterValues(&valid);
        DataSetProvider::Packet packet;
        if (valid)
            packet = m_provider->fetch(m_indexFields, values);
        m_store.clear();
        m_masterValid = valid;
        m_currentKey = valid ? keyOf(values) : QString();
        if (valid)
            addRows(packet.rows);
        rebuildView();
        m_cursor = m_view.isEmpty() ? -1 : 0;
        m_bof = true;
    } else {
        const int recNo = m_cursor;
        // Read first, replace after: a failed re-read leaves the rows as they were.
        std::unique_ptr<ProviderCursor> reader;
        QList<QList<QVariant>> rows;
        if (PacketRecords > 0 && IndexFieldNames.isEmpty()) {
            reader = m_provider->openCursor();
            while (!reader->atEnd() && recNo >= rows.size())
                rows += reader->fetch(PacketRecords);
            if (reader->atEnd())
                reader.reset();
        } else {
            rows = m_provider->fetch().rows;
        }
        m_reader = std::move(reader);
        m_store.clear();
        addRows(rows);
        rebuildView();
        m_cursor = m_view.isEmpty() ? -1 : std::clamp(recNo, 0, static_cast<int>(m_view.size()) - 1);
        m_bof = m_cursor <= 0;
    }
    m_eof = m_view.isEmpty();
    emit dataSetChanged();
}
