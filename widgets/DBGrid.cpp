#include "widgets/DBGrid.h"

#include "core/DisplayFormat.h"
#include "core/Messages.h"
#include "widgets/ErrorHandler.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

// ------------------------------------------------------------------ the model

DataSetModel::DataSetModel(QObject *parent) : QAbstractTableModel(parent) {}

void DataSetModel::setDataSource(DataSource *source)
{
    for (const auto &c : m_connections)
        disconnect(c);
    m_connections.clear();
    beginResetModel();
    m_source = source;
    endResetModel();
    if (!source)
        return;
    m_connections = {
        connect(source, &DataSource::dataSetChanged, this, &DataSetModel::reset),
        connect(source, &DataSource::recordChanged, this, &DataSetModel::onRecordChanged),
        connect(source, &DataSource::aboutToAppendRows, this,
                [this](int first, int last) { beginInsertRows(QModelIndex(), first, last); }),
        connect(source, &DataSource::rowsAppended, this, [this] { endInsertRows(); }),
        connect(source, &DataSource::scrolled, this,
                [this] {
                    if (ClientDataSet *ds = dataSet())
                        emit cursorMoved(ds->RecNo() - 1);
                    if (rowCount() > 0)
                        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
                }),
        connect(source, &DataSource::stateChanged, this,
                [this] {
                    if (rowCount() > 0)
                        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
                }),
    };
}

void DataSetModel::setColumns(const QList<GridColumn> &columns)
{
    beginResetModel();
    m_columns = columns;
    endResetModel();
}

void DataSetModel::reset()
{
    beginResetModel();
    endResetModel();
    if (ClientDataSet *ds = dataSet())
        emit cursorMoved(ds->RecNo() - 1);
}

void DataSetModel::onRecordChanged(int)
{
    ClientDataSet *ds = dataSet();
    if (!ds || ds->RecNo() < 1 || m_columns.isEmpty())
        return;
    const int row = ds->RecNo() - 1;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int DataSetModel::fieldOf(int column) const
{
    ClientDataSet *ds = dataSet();
    if (!ds || !ds->Active() || column < 0 || column >= m_columns.size())
        return -1;
    return ds->FieldIndex(m_columns[column].field);
}

int DataSetModel::rowCount(const QModelIndex &parent) const
{
    ClientDataSet *ds = dataSet();
    return parent.isValid() || !ds || !ds->Active() ? 0 : ds->RecordCount();
}

int DataSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant DataSetModel::data(const QModelIndex &index, int role) const
{
    const int field = fieldOf(index.column());
    const GridColumn &column = m_columns.value(index.column());
    switch (role) {
    case Qt::DisplayRole:
        if (field < 0)
            return {};
        return fieldDisplayText(dataSet()->fieldDef(field), dataSet()->rowValue(index.row(), field));
    case Qt::EditRole: {
        if (field < 0)
            return {};
        const QVariant v = dataSet()->rowValue(index.row(), field);
        const FieldDef &def = dataSet()->fieldDef(field);
        if (!v.isValid() || v.isNull())
            return QString();
        if (def.type == DataType::Float || def.type == DataType::Decimal)
            return numberForTyping(v.toDouble());
        if (def.type == DataType::Date)
            return QLocale().toString(v.toDate(), QLocale::ShortFormat);
        return v.toString();
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.alignment);
    case Qt::BackgroundRole:
        return column.color.isValid() ? QVariant(column.color) : QVariant();
    default:
        return {};
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < m_columns.size())
        return m_columns[section].title.isEmpty() ? m_columns[section].field : m_columns[section].title;
    // The indicator column: a mark on the current record, nothing else.
    if (orientation == Qt::Vertical && role == Qt::DisplayRole) {
        ClientDataSet *ds = dataSet();
        if (!ds || ds->RecNo() != section + 1)
            return QString();
        return ds->State() == DataSetState::Insert ? QStringLiteral("*")
               : ds->State() == DataSetState::Edit ? QStringLiteral("I")
                                                   : QStringLiteral("▸");
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool DataSetModel::canFetchMore(const QModelIndex &parent) const
{
    ClientDataSet *ds = dataSet();
    return !parent.isValid() && ds && ds->CanFetchMore();
}

void DataSetModel::fetchMore(const QModelIndex &parent)
{
    // Asked by the view as it scrolls: a failed read is shown here.
    if (ClientDataSet *ds = dataSet(); ds && !parent.isValid())
        guarded([ds] { ds->FetchMore(); });
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    ClientDataSet *ds = dataSet();
    const int field = fieldOf(index.column());
    if (ds && !ds->ReadOnly && field >= 0 && !m_columns[index.column()].readOnly && !ds->fieldDef(field).readOnly)
        f |= Qt::ItemIsEditable;
    return f;
}

bool DataSetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole)
        return false;
    // Called from the toolkit's editor code: a refused value is reported here,
    // and the cell keeps what the record holds.
    m_refused = true;
    m_refused = !guarded([&] { return store(index, value); }, false);
    return !m_refused;
}

bool DataSetModel::store(const QModelIndex &index, const QVariant &value)
{
    ClientDataSet *ds = dataSet();
    const int field = fieldOf(index.column());
    if (!ds || field < 0)
        return false;
    const QString text = value.toString();
    if (ds->RecNo() != index.row() + 1)
        ds->SetRecNo(index.row() + 1);
    const FieldDef &def = ds->fieldDef(field);
    // Numbers are typed in the workstation's format.
    QVariant typed;
    if (text.trimmed().isEmpty() && def.type != DataType::String) {
        typed = QVariant();
    } else if (def.type == DataType::Float || def.type == DataType::Decimal) {
        const TypedNumber n = readTypedNumber(text);
        if (!n.value)
            throw AppError(n.error);
        typed = *n.value;
    } else if (def.type == DataType::Date) {
        QDate d = QLocale().toDate(text.trimmed(), QLocale::ShortFormat);
        if (!d.isValid())
            d = QDate::fromString(text.trimmed(), QStringLiteral("dd/MM/yyyy"));
        if (!d.isValid())
            throw AppError(QStringLiteral("'%1' não é uma data válida.").arg(text));
        typed = d;
    } else {
        typed = text;
    }
    // The same value again (blanks in an empty cell) changes nothing: a new
    // row stays untouched.
    const QVariant current = ds->rowValue(index.row(), field);
    if (current == typed || ((!current.isValid() || current.isNull()) && !typed.isValid()))
        return true;
    emit edited();
    if (ds->State() == DataSetState::Browse)
        ds->Edit();
    ds->Fields(field).SetValue(typed);
    return true;
}

// ------------------------------------------------------------ selection model

void GridSelectionModel::setCurrentIndex(const QModelIndex &index, QItemSelectionModel::SelectionFlags command)
{
    if (m_grid->beforeCurrentChange(currentIndex(), index))
        QItemSelectionModel::setCurrentIndex(index, command);
}

// ------------------------------------------------------------------- the grid

DBGrid::DBGrid(QWidget *parent) : QTableView(parent), m_model(new DataSetModel(this))
{
    setModel(m_model);
    setSelectionModel(new GridSelectionModel(m_model, this));
    setItemDelegate(new GridDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::EditKeyPressed);
    // Narrow type, so that weights with four decimals fit the columns' widths.
    QFont narrow = font();
    narrow.setStretch(QFont::Condensed);
    setFont(narrow);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(12);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    connect(m_model, &DataSetModel::cursorMoved, this, [this] { followCursor(); });
    connect(m_model, &DataSetModel::edited, this, [this] { m_typed = true; });
}

void DBGrid::setDataSource(DataSource *source)
{
    m_model->setDataSource(source);
    if (source)
        connect(source, &DataSource::stateChanged, this, &DBGrid::onStateChanged);
    onStateChanged();
    followCursor();
}

void DBGrid::onStateChanged()
{
    // A new record starts untouched; so does the next one once it is posted or cancelled.
    const DataSetState state = dataSet() ? dataSet()->State() : DataSetState::Inactive;
    if (state != m_lastState && state != DataSetState::Edit)
        m_typed = false;
    m_lastState = state;
}

bool DBGrid::writable() const
{
    ClientDataSet *ds = dataSet();
    return ds && ds->Active() && !ds->ReadOnly && !readOnly;
}

bool DBGrid::commitEditor(const QModelIndex &index)
{
    QWidget *editor = indexWidget(index);
    if (!editor)
        return true;
    commitData(editor);
    const bool accepted = !m_model->lastRefused();
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return accepted;
}

void DBGrid::commitEdit()
{
    commitEditor(currentIndex());
}

bool DBGrid::typeIntoCell(int column, const QString &text)
{
    ClientDataSet *ds = dataSet();
    if (!writable() || ds->IsEmpty() || column < 0 || column >= m_model->columnCount())
        return false;
    if (QWidget *editor = indexWidget(currentIndex()))
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    return m_model->setData(m_model->index(ds->RecNo() - 1, column), text, Qt::EditRole);
}

void DBGrid::dropUntouchedNewRow()
{
    ClientDataSet *ds = dataSet();
    if (ds && ds->State() == DataSetState::Insert && !m_typed)
        ds->Cancel();
}

void DBGrid::addRow(bool noFim)
{
    ClientDataSet *ds = dataSet();
    if (!writable())
        return;
    if (!(ds->State() == DataSetState::Insert && !m_typed)) {
        if (noFim)
            ds->Append();
        else
            ds->Insert();
    }
    followCursor();
    if (selectedIndex() != newRowColumn)
        setSelectedIndex(newRowColumn);
    // The new row is in sight, where the keys will go.
    scrollTo(currentIndex());
}

void DBGrid::advanceRow()
{
    ClientDataSet *ds = dataSet();
    if (!writable() || ds->IsEmpty())
        return;
    if (ds->State() == DataSetState::Insert && !m_typed)
        return;
    if (ds->State() != DataSetState::Browse) {
        try {
            ds->Post();
        } catch (...) {
            // Posted, but its write failed: the record stays pending, and what
            // comes next must not be typed over it.
            m_advanceOwed = ds->State() == DataSetState::Browse && ds->CurrentIsPending();
            throw;
        }
    }
    // A move that fails over a pending record is made by the next value instead.
    m_advanceOwed = ds->CurrentIsPending();
    if (ds->RecNo() >= ds->RecordCount())
        addRow(true);
    else
        ds->Next();
    m_advanceOwed = false;
}

bool DBGrid::advanceOwed() const
{
    ClientDataSet *ds = dataSet();
    return m_advanceOwed && ds && ds->Active() && ds->State() == DataSetState::Browse && ds->CurrentIsPending();
}

void DBGrid::payOwedAdvance()
{
    if (!advanceOwed())
        return;
    // A failure (the record still cannot be written) leaves the move owed.
    advanceRow();
}

bool DBGrid::receiveValue(int column, const QString &texto)
{
    if (!writable())
        return false;
    if (dataSet()->IsEmpty())
        addRow(true);
    payOwedAdvance();
    if (!typeIntoCell(column, texto))
        return false;
    enterPressed();
    return true;
}

void DBGrid::enterPressed()
{
    if (onEnter)
        onEnter(*this);
}

void DBGrid::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    // Leaving the grid for another control (not for its own cell editor)
    // drops an untouched new record; a message box, a menu or another window
    // taking the focus does not, as the user comes back to the record.
    QWidget *now = QApplication::focusWidget();
    const bool outraJanela =
        event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason;
    if (!outraJanela && (!now || !isAncestorOf(now)))
        guarded([this] { dropUntouchedNewRow(); });
}

void DBGrid::mousePressEvent(QMouseEvent *event)
{
    // A click in the empty area below the rows starts a new record.
    const QPoint at = event->position().toPoint();
    // A click on a record is a deliberate choice of where the keys go.
    if (event->button() == Qt::LeftButton && indexAt(at).isValid())
        m_advanceOwed = false;
    const int rows = m_model->rowCount();
    const int bottom = rows > 0 ? rowViewportPosition(rows - 1) + rowHeight(rows - 1) : 0;
    if (event->button() == Qt::LeftButton && writable() && !indexAt(at).isValid() && at.y() >= bottom &&
        at.x() < horizontalHeader()->length() && m_model->columnCount() > 0) {
        setFocus(Qt::MouseFocusReason);
        guarded([this] {
            commitEditor(currentIndex());
            addRow(true);
        });
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void DBGrid::setColumns(const QList<GridColumn> &columns)
{
    m_model->setColumns(columns);
    for (int i = 0; i < columns.size(); ++i)
        setColumnWidth(i, columns[i].width);
    followCursor();
}

int DBGrid::selectedIndex() const
{
    return currentIndex().isValid() ? currentIndex().column() : m_lastColumn;
}

QString DBGrid::selectedField() const
{
    return m_model->columns().value(selectedIndex()).field;
}

void DBGrid::setSelectedIndex(int column)
{
    const int row = currentIndex().isValid() ? currentIndex().row() : std::max(0, dataSet() ? dataSet()->RecNo() - 1 : 0);
    setCurrentIndex(m_model->index(row, column));
}

bool DBGrid::beforeCurrentChange(const QModelIndex &from, const QModelIndex &to)
{
    if (m_following)
        return true;
    if (m_inHook) {
        // A move made by the hook replaces the original one.
        m_redirected = true;
        return true;
    }
    // Reached from the toolkit's key and mouse handling: an error of the rules
    // is shown here and the move does not take place.
    return guarded([&] { return changeCurrent(from, to); }, false);
}

bool DBGrid::changeCurrent(const QModelIndex &from, const QModelIndex &to)
{
    // What was typed reaches the dataset before anything looks at it.
    if (from.isValid())
        commitEditor(from);
    if (from.isValid() && to.isValid() && from.row() != to.row())
        dropUntouchedNewRow();
    if (from.isValid() && to.isValid() && from.column() != to.column() && onColumnExit) {
        m_inHook = true;
        m_redirected = false;
        try {
            onColumnExit(*this, from.column());
        } catch (...) {
            m_inHook = false;
            throw;
        }
        m_inHook = false;
        if (m_redirected)
            return false;
        // The rules re-read the rows and the record now stands elsewhere: a
        // move along the row goes to the wanted column of that record.
        ClientDataSet *ds = dataSet();
        if (from.row() == to.row() && ds && ds->Active() && !ds->IsEmpty() && ds->RecNo() - 1 != to.row()) {
            m_following = true;
            selectionModel()->setCurrentIndex(m_model->index(ds->RecNo() - 1, to.column()),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            m_following = false;
            return false;
        }
    }
    return true;
}

void DBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (current.isValid())
        m_lastColumn = current.column();
    ClientDataSet *ds = dataSet();
    if (m_following || !ds || !current.isValid() || current.row() == previous.row())
        return;
    m_advanceOwed = false;
    if (ds->RecNo() != current.row() + 1) {
        guarded([&] { ds->SetRecNo(current.row() + 1); });
        // Leaving an untouched new row removes it: show where the dataset stands.
        followCursor();
    }
}

void DBGrid::followCursor()
{
    ClientDataSet *ds = dataSet();
    if (!ds || !ds->Active() || ds->IsEmpty() || m_model->columnCount() == 0)
        return;
    const int row = ds->RecNo() - 1;
    if (currentIndex().row() == row && currentIndex().isValid())
        return;
    // After a re-read of the rows the cursor stays in the column it was in.
    const int column = std::clamp(currentIndex().isValid() ? currentIndex().column() : m_lastColumn, 0,
                                  m_model->columnCount() - 1);
    m_following = true;
    selectionModel()->setCurrentIndex(m_model->index(row, column),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_following = false;
}

void DBGrid::keyPressEvent(QKeyEvent *event)
{
    guarded([&] { handleKey(event); });
}

void DBGrid::handleKey(QKeyEvent *event)
{
    if (onKeyDown && onKeyDown(*this, event))
        return;
    ClientDataSet *ds = dataSet();
    const bool canWrite = writable();
    const int key = event->key();
    const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    // From the cell editor too: what was typed is taken first; a refused text
    // (its message shown) keeps the cursor where it is.
    if (key == Qt::Key_Down || key == Qt::Key_Up || key == Qt::Key_Insert || key == Qt::Key_Delete ||
        key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (!commitEditor(currentIndex()))
            return;
    }
    if (canWrite && key == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
        addRow(false);
        return;
    }
    if (canWrite && key == Qt::Key_Down && plain && (ds->IsEmpty() || ds->RecNo() == ds->RecordCount())) {
        if (!(ds->State() == DataSetState::Insert && !m_typed))
            addRow(true);
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && onEnter) {
        enterPressed();
        return;
    }
    if (canWrite && key == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
        if (!ds->IsEmpty() && messages().confirm(QStringLiteral("Excluir o registro?")))
            ds->Delete();
        return;
    }
    if (ds && key == Qt::Key_Escape && state() != QAbstractItemView::EditingState &&
        (ds->State() == DataSetState::Edit || ds->State() == DataSetState::Insert)) {
        ds->Cancel();
        followCursor();
        return;
    }
    // A character typed into an empty grid starts its first record and is kept.
    const bool character = !event->text().isEmpty() && event->text().at(0).isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (canWrite && character && ds->IsEmpty())
        addRow(true);
    // The next value after a record that could not be written goes to the next row.
    if (canWrite && character && state() != QAbstractItemView::EditingState)
        payOwedAdvance();
    QTableView::keyPressEvent(event);
}

// -------------------------------------------------------------------- delegate

bool GridDelegate::eventFilter(QObject *editor, QEvent *event)
{
    // Enter in a cell editor goes on to the grid, which takes the value and
    // runs its Enter handler at once (the toolkit would commit later, queued).
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return false;
    }
    return QStyledItemDelegate::eventFilter(editor, event);
}

void GridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const auto *grid = qobject_cast<const DBGrid *>(option.widget);
    const bool editable = grid && !grid->readOnly && grid->dataSet() && !grid->dataSet()->ReadOnly;
    if (!editable || index != grid->currentIndex()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem cell(option);
    cell.state &= ~QStyle::State_Selected;
    QStyledItemDelegate::paint(painter, cell, index);
    painter->save();
    QPen pen(option.palette.color(QPalette::Active, QPalette::Highlight).darker(130));
    pen.setWidth(2);
    pen.setJoinStyle(Qt::MiterJoin);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
    painter->restore();
}
