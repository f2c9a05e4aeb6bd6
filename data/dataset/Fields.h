#pragma once
// Field definitions of a client dataset and the accessor through which rules
// and windows read and write a field of the current record.

#include <QDate>
#include <QString>
#include <QVariant>

enum class DataType { String, Integer, Float, Decimal, Date, DateTime, Time, Memo, Boolean, Unknown };

struct FieldDef {
    QString name;
    DataType type = DataType::String;
    int size = 0;          // characters, for strings
    bool required = false;
    QString displayFormat;
    bool key = false;      // part of the key by which rows are written back
    bool readOnly = false;
};

class ClientDataSet;

// A field of the current record (the edit buffer while editing or inserting).
// Null reads as 0 for numbers and as empty text.
class Field {
public:
    Field(ClientDataSet *dataSet, int index) : m_dataSet(dataSet), m_index(index) {}

    const FieldDef &def() const;
    QString FieldName() const { return def().name; }
    int index() const { return m_index; }

    QVariant Value() const;
    bool IsNull() const;
    QString AsString() const;
    qint64 AsInteger() const;
    double AsFloat() const;
    QDate AsDateTime() const;
    // The value as shown in data-bound controls: display format, locale separators.
    QString DisplayText() const;

    void SetValue(const QVariant &value);
    void SetAsString(const QString &value);
    void SetAsInteger(qint64 value);
    void SetAsFloat(double value);
    void SetAsDateTime(const QDate &value);
    void Clear();

private:
    ClientDataSet *m_dataSet;
    int m_index;
};

// The text of a value as a field of that definition shows it.
QString fieldDisplayText(const FieldDef &def, const QVariant &value);
// The value converted to the field's type; text longer than the field is cut.
QVariant fieldCoerce(const FieldDef &def, const QVariant &value);
// Raises an error naming the first character of a text that the database
// cannot store (outside its code page, or a control character other than tab
// and line ends); for values put into a field, not for rows read.
void fieldCheckStorable(const FieldDef &def, const QVariant &value);
