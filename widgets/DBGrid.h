#pragma once
// A grid over a data source: one row per record of the dataset, one column per
// configured field. The current row is the dataset's cursor; typing edits the
// record through the dataset, numbers read by the one typed-number reader.
// Insert, Down on the last row, a click below the rows, or typing into an empty
// grid adds a record, which starts in the grid's new-row column; Esc drops a new
// record in which nothing was typed; Ctrl+Delete deletes the current record after
// a confirmation. Enter (in the cell editor or not) runs the grid's Enter
// handler. The cell that receives the keys is framed inside the row highlight.
// Before the cursor leaves a column, whatever moved it, the column-exit hook
// runs; it may put the cursor elsewhere, and that move replaces the original
// one. When the hook re-reads the rows, a move along the row goes to the
// record the dataset then stands on.
// Errors of the rules reached from the grid's events are shown by the general
// handler and never unwind through the toolkit. Call from the UI thread only.

#include "data/dataset/ClientDataSet.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QItemSelectionModel>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>

struct GridColumn {
    GridColumn(QString field_ = {}, QString title_ = {}, int width_ = 64,
               Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter, bool readOnly_ = false,
               QColor color_ = {})
        : field(std::move(field_)), title(std::move(title_)), width(width_), alignment(alignment_),
          readOnly(readOnly_), color(color_) {}
    QString field;
    QString title;
    int width = 64;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool readOnly = false;
    QColor color;   // background; invalid for the grid's own
};

class DataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DataSetModel(QObject *parent = nullptr);

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_source; }
    void setColumns(const QList<GridColumn> &columns);
    const QList<GridColumn> &columns() const { return m_columns; }
    ClientDataSet *dataSet() const { return m_source ? m_source->DataSet() : nullptr; }
    int fieldOf(int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    // Whether the last value handed to setData was refused.
    bool lastRefused() const { return m_refused; }

signals:
    void cursorMoved(int row);
    void edited();

private:
    void reset();
    void onRecordChanged(int field);
    bool store(const QModelIndex &index, const QVariant &value);

    DataSource *m_source = nullptr;
    QList<GridColumn> m_columns;
    QList<QMetaObject::Connection> m_connections;
    bool m_refused = false;
};

class DBGrid : public QTableView {
    Q_OBJECT
public:
    explicit DBGrid(QWidget *parent = nullptr);

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_model->dataSource(); }
    void setColumns(const QList<GridColumn> &columns);
    DataSetModel *dataModel() const { return m_model; }
    ClientDataSet *dataSet() const { return m_model->dataSet(); }

    // The column of the current cell, and moving the current cell.
    int selectedIndex() const;
    void setSelectedIndex(int column);
    QString selectedField() const;

    // Runs before the cursor leaves column `column`.
    std::function<void(DBGrid &, int column)> onColumnExit;
    // Key handling of the window, run before the grid's own.
    std::function<bool(DBGrid &, QKeyEvent *)> onKeyDown;
    // Enter, whether typed in the cell editor (after the value was taken) or
    // not; without a handler Enter does nothing of its own.
    std::function<void(DBGrid &)> onEnter;
    // The column in which a record added from the grid starts.
    int newRowColumn = 0;
    bool readOnly = false;

    // Posts the current record and moves to the next one, a new one after the
    // last: "weight, Enter" as an Enter handler. A new record in which nothing
    // was typed stays where it is. A record posted but not written back (its
    // write failed; it stays pending) keeps the cursor until the move can be
    // made: the next value typed or received makes it first, so that it never
    // lands on that record. A deliberate click into the grid, or moving to
    // another row, gives the move up.
    void advanceRow();
    // Whether the move after a record not written back is still to be made.
    bool advanceOwed() const;
    // Adds a record (at the end, or before the current one) as the user asked
    // for one, and puts the cursor on the new-row column; an untouched new
    // record already current is used as it is.
    void addRow(bool noFim);
    // A value that did not come from the keys (a balance's weight), put into
    // the cell of column `column` of the current record as if typed there
    // (a new record when the grid is empty), followed by Enter. What the cell
    // editor held is dropped. False when the text was refused.
    bool receiveValue(int column, const QString &texto);

    // Called by the selection model before each change of the current cell.
    bool beforeCurrentChange(const QModelIndex &from, const QModelIndex &to);
    // Cancels a new record in which nothing was typed in this grid.
    void dropUntouchedNewRow();
    // Hands what the open cell editor holds to the dataset, as leaving the cell would.
    void commitEdit();
    // Counts the current new record as typed in, so that leaving it keeps it:
    // for a window that goes on with the record elsewhere (a picker).
    void countAsTyped() { m_typed = true; }
    // Puts text into a column of the current record as if it had been typed
    // into the cell and confirmed; an open cell editor is dropped first.
    // False when the text was refused (its message shown) or the grid takes
    // no typing.
    bool typeIntoCell(int column, const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void followCursor();
    // Hands the text of an open cell editor to the dataset and closes the
    // editor; false when the text was refused.
    bool commitEditor(const QModelIndex &index);
    bool writable() const;
    void enterPressed();
    void onStateChanged();
    void handleKey(QKeyEvent *event);
    bool changeCurrent(const QModelIndex &from, const QModelIndex &to);
    // Makes the move owed by advanceRow, if any, before a value goes into the current record.
    void payOwedAdvance();

    DataSetModel *m_model;
    bool m_inHook = false;
    bool m_redirected = false;
    bool m_following = false;
    bool m_typed = false;   // something was typed in the new record
    bool m_advanceOwed = false;
    int m_lastColumn = 0;   // the current column, kept across re-reads of the rows
    DataSetState m_lastState = DataSetState::Inactive;
};

// Paints the grid's cells; the current cell of an editable grid is framed and
// not highlighted, so the user sees where the keys go.
class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

protected:
    bool eventFilter(QObject *editor, QEvent *event) override;
};

// The selection model that asks the grid before the current cell changes.
class GridSelectionModel : public QItemSelectionModel {
    Q_OBJECT
public:
    GridSelectionModel(QAbstractItemModel *model, DBGrid *grid) : QItemSelectionModel(model), m_grid(grid) {}
    void setCurrentIndex(const QModelIndex &index, QItemSelectionModel::SelectionFlags command) override;

private:
    DBGrid *m_grid;
};
