#pragma once
// The in-memory dataset that windows and rules work on: the rows fetched
// through its provider, a change log of rows inserted, modified and deleted but
// not yet written back, a cursor with the states browse, edit and insert, an
// optional sort order and an optional master link under which it fetches the
// rows of each master key on demand and keeps them until closed or refreshed.
// Every change goes through its operations, which keep the log and notify the
// data sources. Call from the UI thread only.

#include "data/dataset/Fields.h"
#include "data/dataset/SqlDataSet.h"

#include <QObject>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class DataSource;

enum class DataSetState { Inactive, Browse, Edit, Insert };
enum class DataAction { Fail, Abort, Retry };

struct LocateOptions {
    bool caseInsensitive = false;
    bool partialKey = false;
};

class ClientDataSet : public QObject {
    Q_OBJECT
public:
    ClientDataSet(const QString &name, DataSetProvider *provider, QObject *parent = nullptr);
    ~ClientDataSet() override;

    // Configuration, set before opening.
    QList<FieldDef> FieldDefs;   // persistent fields; empty: the statement's columns
    QString IndexFieldNames;     // "A;B": sort order, and the fields equal to the master's
    QString MasterFields;
    // 0 for a detail that fetches on demand; more than 0 for a dataset without
    // master and sort order that reads that many rows at opening and the rest
    // as they are needed (scrolling, moving past them, locating); -1: all at once.
    int PacketRecords = -1;
    bool ReadOnly = false;
    void SetMasterSource(DataSource *source);
    DataSource *MasterSource() const { return m_master; }
    DataSetProvider *Provider() const { return m_provider; }

    // Events, as rules attach them.
    using Event = std::function<void(ClientDataSet &)>;
    Event BeforeInsert, AfterInsert, BeforePost, AfterPost, AfterDelete, BeforeScroll, AfterScroll;
    // Before an open dataset is closed; an error raised here leaves it open.
    Event BeforeClose;
    std::function<void(ClientDataSet &, const AppError &, DataAction &)> OnPostError;

    void Open();
    // Opens an empty in-memory dataset with the fields of FieldDefs, no provider.
    void CreateDataSet();
    void Close();
    // Rows still to be read from the open statement (packet reading).
    bool CanFetchMore() const { return m_reader != nullptr; }
    int FetchMore();
    void FetchAll();
    bool Active() const { return m_state != DataSetState::Inactive; }
    DataSetState State() const { return m_state; }

    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);
    bool Eof() const { return m_eof; }
    bool Bof() const { return m_bof; }
    bool IsEmpty() const { return m_view.isEmpty(); }
    int RecordCount() const { return static_cast<int>(m_view.size()); }
    int RecNo() const { return m_cursor + 1; }     // 1-based; 0 when empty
    void SetRecNo(int recNo);
    bool Locate(const QString &fields, const QList<QVariant> &values, LocateOptions options = {});

    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    bool Modified() const { return m_modified; }
    // Posts a modified record, cancels an untouched new one.
    void CheckBrowseMode();

    int FieldCount() const { return static_cast<int>(m_fields.size()); }
    int FieldIndex(const QString &name) const;   // -1 when there is none
    Field FieldByName(const QString &name);      // raises an error naming the field
    std::optional<Field> FindField(const QString &name);
    Field Fields(int index) { return Field(this, index); }
    const FieldDef &fieldDef(int index) const { return m_fields.at(index); }

    // Value of a field of the row at position row of the view, as shown (the
    // edit buffer for the current row while editing).
    QVariant rowValue(int row, int field) const;

    int ChangeCount() const;
    // Whether the current record is a new one not yet written back.
    bool CurrentIsPendingInsert() const;
    // Whether the current record, in browse state, holds a change (new or
    // modified) not yet written back.
    bool CurrentIsPending() const;
    // Writes the change log back (see DataSetProvider::apply); returns the
    // number of changes refused, which stay pending.
    int ApplyUpdates(int maxErrors);
    // Why the last ApplyUpdates refused a change; empty when none was refused.
    QString LastApplyError() const { return m_provider ? m_provider->lastRefusal() : QString(); }
    void CancelUpdates();
    // Writes the change log inside the caller's transaction, stopping at the
    // first refusal; returns the number refused. The log is emptied only by
    // MergeApplied(), once the caller has committed.
    int ApplyUpdatesIn(fb::Transaction &transaction);
    // The same for several datasets, their changes sent together; on a
    // refusal nothing counts as written and refusal says why. Returns the
    // number of changes not written.
    static int ApplyUpdatesIn(const QList<ClientDataSet *> &dataSets, fb::Transaction &transaction, QString &refusal);
    void MergeApplied();
    // Re-reads from the database; fails while a change is pending. Without a
    // master: the same row number again. A detail: the rows of the master's
    // current key, on the first of them.
    void Refresh();

    // Field access for Field.
    QVariant fieldValue(int field) const;
    void setFieldValue(int field, const QVariant &value);

signals:
    void aboutToAppendRows(int first, int last);
    void rowsAppended();
    void dataSetChanged();        // rows replaced or re-ordered
    void recordChanged(int field);// a field of the current record (-1: all)
    void stateChanged();
    void scrolled();

private:
    struct Row {
        QList<QVariant> values;
        QList<QVariant> original;
        enum Status { Unchanged, Modified, Inserted } status = Unchanged;
        qint64 seq = 0;
        QString key;
    };
    struct Deleted {
        QList<QVariant> original;
        qint64 seq;
    };

    void checkActive() const;
    void checkWritable() const;
    void setupFields(const QList<fb::ColumnInfo> &columns);
    void addRows(const QList<QList<QVariant>> &rows);
    QString rowKey(const QList<QVariant> &values) const;
    QString keyOf(const QList<QVariant> &masterValues) const;
    void beginInsert(bool atEnd);
    QList<QVariant> masterValues(bool *valid) const;
    void onMasterChanged();
    void rebuildView();
    void moveTo(int index, bool forceEvents);
    void fire(const Event &event);
    void setState(DataSetState state);
    QList<RowChange> pendingChanges(QList<Row *> &rows, QList<int> &deletedIndexes) const;
    void merge(const QList<bool> &written, const QList<Row *> &rows, const QList<int> &deletedIndexes);
    QList<bool> m_written;
    QList<Row *> m_writtenRows;
    QList<int> m_writtenDeleted;

    QString m_name;
    DataSetProvider *m_provider;
    DataSource *m_master = nullptr;
    QList<FieldDef> m_fields;
    QList<int> m_sourceColumn;        // column of the packet for each field
    QList<bool> m_writable;           // field belongs to the table written back
    QHash<QString, int> m_byName;
    QStringList m_indexFields;
    QList<int> m_indexColumns;
    QStringList m_masterFieldList;

    std::vector<std::unique_ptr<Row>> m_store;
    QList<Row *> m_view;
    QList<Deleted> m_deleted;
    std::unique_ptr<Row> m_newRow;
    QList<QVariant> m_buffer;
    int m_cursor = -1;
    bool m_eof = true;
    bool m_bof = true;
    bool m_modified = false;
    DataSetState m_state = DataSetState::Inactive;
    qint64 m_seq = 0;

    std::unique_ptr<ProviderCursor> m_reader;
    void openReader();
    // Whether rows of this master key are held (fetched, inserted or deleted here).
    bool holdsKey(const QString &key) const;
    bool m_masterValid = false;
    QString m_currentKey;
    QList<QMetaObject::Connection> m_masterConnections;
};

// The point to which data-bound controls and detail datasets attach.
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(const QString &name, ClientDataSet *dataSet = nullptr, QObject *parent = nullptr);
    ClientDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(ClientDataSet *dataSet);

signals:
    void aboutToAppendRows(int first, int last);
    void rowsAppended();
    void dataSetChanged();
    void recordChanged(int field);
    void stateChanged();
    void scrolled();

private:
    ClientDataSet *m_dataSet = nullptr;
    QList<QMetaObject::Connection> m_connections;
};
