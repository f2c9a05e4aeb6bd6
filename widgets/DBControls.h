#pragma once
// Data-bound controls: each shows one field of the current record of its data
// source and follows the cursor; the edit writes what is typed into the record.
// Call from the UI thread only.

#include "data/dataset/ClientDataSet.h"

#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QWidget>

class QToolButton;

// Follows a data source and a field for a control.
class FieldLink : public QObject {
    Q_OBJECT
public:
    explicit FieldLink(QObject *parent = nullptr) : QObject(parent) {}
    void setSource(DataSource *source, const QString &field);
    DataSource *source() const { return m_source; }
    ClientDataSet *dataSet() const { return m_source ? m_source->DataSet() : nullptr; }
    QString field() const { return m_field; }
    // The field of the current record, when the dataset is open and has it.
    std::optional<Field> current() const;

signals:
    void changed();

private:
    DataSource *m_source = nullptr;
    QString m_field;
    QList<QMetaObject::Connection> m_connections;
};

class DBText : public QLabel {
    Q_OBJECT
public:
    explicit DBText(QWidget *parent = nullptr);
    void setDataSource(DataSource *source, const QString &field);

private:
    void refresh();
    FieldLink m_link;
};

class DBEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DBEdit(QWidget *parent = nullptr);
    void setDataSource(DataSource *source, const QString &field);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void refresh();
    void store();
    FieldLink m_link;
    bool m_editing = false;
};

// Multi-line text of a field. Unless ReadOnly, what the user types is written
// into the record and posted when the box loses the focus (or on store()), so
// the rules store it at once; without a current record the box takes no typing.
class DBRichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit DBRichEdit(QWidget *parent = nullptr);
    void setDataSource(DataSource *source, const QString &field);
    void setReadOnly(bool readOnly);
    // Posts what was typed, if anything.
    void store();

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    void refresh();
    FieldLink m_link;
    bool m_readOnly = true;
};

// A record navigator with the chosen buttons.
class DBNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };
    explicit DBNavigator(const QList<Button> &buttons, QWidget *parent = nullptr);
    void setDataSource(DataSource *source);
    QToolButton *button(Button which) const;

private:
    void press(Button which);
    void pressed(Button which);
    void updateButtons();
    DataSource *m_source = nullptr;
    QList<QMetaObject::Connection> m_connections;
    QHash<int, QToolButton *> m_buttons;
};
