#include "widgets/DBControls.h"

#include "core/DisplayFormat.h"
#include "core/Messages.h"
#include "widgets/ErrorHandler.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QToolButton>

// ------------------------------------------------------------------ FieldLink

void FieldLink::setSource(DataSource *source, const QString &field)
{
    for (const auto &c : m_connections)
        disconnect(c);
    m_connections.clear();
    m_source = source;
    m_field = field;
    if (source) {
        m_connections = {
            connect(source, &DataSource::dataSetChanged, this, &FieldLink::changed),
            connect(source, &DataSource::scrolled, this, &FieldLink::changed),
            connect(source, &DataSource::stateChanged, this, &FieldLink::changed),
            connect(source, &DataSource::recordChanged, this, &FieldLink::changed),
        };
    }
    emit changed();
}

std::optional<Field> FieldLink::current() const
{
    ClientDataSet *ds = dataSet();
    if (!ds || !ds->Active())
        return std::nullopt;
    return ds->FindField(m_field);
}

// --------------------------------------------------------------------- DBText

DBText::DBText(QWidget *parent) : QLabel(parent)
{
    connect(&m_link, &FieldLink::changed, this, &DBText::refresh);
}

void DBText::setDataSource(DataSource *source, const QString &field)
{
    m_link.setSource(source, field);
}

void DBText::refresh()
{
    const auto f = m_link.current();
    setText(f ? f->DisplayText() : QString());
}

// --------------------------------------------------------------------- DBEdit

DBEdit::DBEdit(QWidget *parent) : QLineEdit(parent)
{
    connect(&m_link, &FieldLink::changed, this, &DBEdit::refresh);
}

void DBEdit::setDataSource(DataSource *source, const QString &field)
{
    m_link.setSource(source, field);
}

void DBEdit::refresh()
{
    if (m_editing)
        return;
    const auto f = m_link.current();
    setText(f ? f->DisplayText() : QString());
}

void DBEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    if (const auto f = m_link.current(); f && !isReadOnly()) {
        const FieldDef &def = f->def();
        if ((def.type == DataType::Float || def.type == DataType::Decimal) && !f->IsNull())
            setText(numberForTyping(f->AsFloat()));
    }
}

void DBEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    guarded([this] { store(); });
    refresh();
}

void DBEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // A refused text goes back to the stored value.
        if (!guarded([this] { store(); return true; }, false))
            refresh();
    }
    QLineEdit::keyPressEvent(event);
}

void DBEdit::store()
{
    if (isReadOnly() || !isModified())
        return;
    ClientDataSet *ds = m_link.dataSet();
    auto f = m_link.current();
    if (!ds || !f)
        return;
    setModified(false);
    // The text is read before the record is touched: a refused one changes nothing.
    QVariant value;
    const FieldDef &def = f->def();
    if (def.type == DataType::Float || def.type == DataType::Decimal) {
        if (!text().trimmed().isEmpty()) {
            const TypedNumber n = readTypedNumber(text());
            if (!n.value)
                throw AppError(n.error);
            value = *n.value;
        }
    } else {
        value = text();
    }
    m_editing = true;
    try {
        if (ds->State() == DataSetState::Browse)
            ds->Edit();
        f = m_link.current();
        if (f)
            f->SetValue(value);
    } catch (...) {
        m_editing = false;
        throw;
    }
    m_editing = false;
}

// ----------------------------------------------------------------- DBRichEdit

DBRichEdit::DBRichEdit(QWidget *parent) : QTextEdit(parent)
{
    setAcceptRichText(false);
    QTextEdit::setReadOnly(true);
    connect(&m_link, &FieldLink::changed, this, &DBRichEdit::refresh);
}

void DBRichEdit::setDataSource(DataSource *source, const QString &field)
{
    m_link.setSource(source, field);
}

void DBRichEdit::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    refresh();
}

void DBRichEdit::refresh()
{
    ClientDataSet *ds = m_link.dataSet();
    const bool record = ds && ds->Active() && !ds->IsEmpty();
    QTextEdit::setReadOnly(m_readOnly || !record || ds->ReadOnly);
    // What the user is typing is not overwritten by a notification of the same record.
    if (hasFocus() && document()->isModified())
        return;
    const auto f = m_link.current();
    setPlainText(f && record ? f->AsString() : QString());
    document()->setModified(false);
}

void DBRichEdit::focusOutEvent(QFocusEvent *event)
{
    QTextEdit::focusOutEvent(event);
    guarded([this] { store(); });
    refresh();
}

void DBRichEdit::store()
{
    ClientDataSet *ds = m_link.dataSet();
    if (isReadOnly() || !document()->isModified() || !ds || !ds->Active() || ds->IsEmpty())
        return;
    document()->setModified(false);
    const QString text = toPlainText();
    auto f = m_link.current();
    if (!f || f->AsString() == text)
        return;
    if (ds->State() == DataSetState::Browse)
        ds->Edit();
    m_link.current()->SetAsString(text);
    ds->Post();
}

// ---------------------------------------------------------------- DBNavigator

DBNavigator::DBNavigator(const QList<Button> &buttons, QWidget *parent) : QWidget(parent)
{
    static const char *const kLabels[] = {"|◀", "◀", "▶", "▶|", "+", "−", "✎", "✔", "✖", "↻"};
    static const char *const kTips[] = {"Primeiro", "Anterior", "Próximo", "Último", "Inserir",
                                        "Excluir",  "Editar",   "Gravar",  "Cancelar", "Atualizar"};
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (Button b : buttons) {
        auto *tb = new QToolButton(this);
        tb->setText(QString::fromUtf8(kLabels[b]));
        tb->setToolTip(QString::fromUtf8(kTips[b]));
        tb->setAutoRaise(false);
        connect(tb, &QToolButton::clicked, this, [this, b] { pressed(b); });
        layout->addWidget(tb);
        m_buttons.insert(b, tb);
    }
    updateButtons();
}

QToolButton *DBNavigator::button(Button which) const
{
    return m_buttons.value(which);
}

void DBNavigator::setDataSource(DataSource *source)
{
    for (const auto &c : m_connections)
        disconnect(c);
    m_connections.clear();
    m_source = source;
    if (source) {
        for (auto signal : {&DataSource::dataSetChanged, &DataSource::scrolled, &DataSource::stateChanged})
            m_connections.append(connect(source, signal, this, &DBNavigator::updateButtons));
    }
    updateButtons();
}

void DBNavigator::pressed(Button which)
{
    guarded([&] { press(which); });
}

void DBNavigator::press(Button which)
{
    ClientDataSet *ds = m_source ? m_source->DataSet() : nullptr;
    if (!ds || !ds->Active())
        return;
    switch (which) {
    case First: ds->First(); break;
    case Prior: ds->Prior(); break;
    case Next: ds->Next(); break;
    case Last: ds->Last(); break;
    case Insert: ds->Insert(); break;
    case Delete:
        if (messages().confirm(QStringLiteral("Excluir o registro?")))
            ds->Delete();
        break;
    case Edit: ds->Edit(); break;
    case Post: ds->Post(); break;
    case Cancel: ds->Cancel(); break;
    case Refresh: ds->Refresh(); break;
    }
}

void DBNavigator::updateButtons()
{
    ClientDataSet *ds = m_source ? m_source->DataSet() : nullptr;
    const bool active = ds && ds->Active();
    const bool browsing = active && ds->State() == DataSetState::Browse;
    const bool editing = active && !browsing;
    const bool writable = active && !ds->ReadOnly;
    const bool rows = active && !ds->IsEmpty();
    auto set = [this](Button b, bool on) {
        if (QToolButton *tb = m_buttons.value(b))
            tb->setEnabled(on);
    };
    set(First, rows && ds->RecNo() > 1);
    set(Prior, rows && ds->RecNo() > 1);
    set(Next, rows && ds->RecNo() < ds->RecordCount());
    set(Last, rows && ds->RecNo() < ds->RecordCount());
    set(Insert, writable && browsing);
    set(Delete, writable && rows);
    set(Edit, writable && browsing && rows);
    set(Post, editing);
    set(Cancel, editing);
    set(Refresh, browsing);
}
