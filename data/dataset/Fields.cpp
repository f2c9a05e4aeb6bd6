#include "data/dataset/Fields.h"

#include "core/DisplayFormat.h"
#include "core/Win1252.h"
#include "data/dataset/ClientDataSet.h"

namespace {

bool isNull(const QVariant &v)
{
    return !v.isValid() || v.isNull();
}

} // namespace

QVariant fieldCoerce(const FieldDef &def, const QVariant &value)
{
    if (isNull(value))
        return {};
    switch (def.type) {
    case DataType::String:
    case DataType::Memo: {
        QString text = value.typeId() == QMetaType::Double ? QString::number(value.toDouble(), 'g', 15)
                                                           : value.toString();
        if (def.size > 0 && text.size() > def.size)
            text.truncate(def.size);
        return text;
    }
    case DataType::Integer: {
        if (value.typeId() == QMetaType::QString) {
            bool ok = false;
            const qlonglong n = value.toString().trimmed().toLongLong(&ok);
            if (!ok)
                throw AppError(QStringLiteral("'%1' não é um valor inteiro válido para o campo '%2'.")
                                   .arg(value.toString(), def.name));
            return n;
        }
        return value.toLongLong();
    }
    case DataType::Float:
    case DataType::Decimal: {
        if (value.typeId() == QMetaType::QString) {
            bool ok = false;
            const double d = value.toString().trimmed().toDouble(&ok);
            if (!ok)
                throw AppError(QStringLiteral("'%1' não é um número válido para o campo '%2'.")
                                   .arg(value.toString(), def.name));
            return d;
        }
        return value.toDouble();
    }
    case DataType::Date:
        if (value.typeId() == QMetaType::QDateTime)
            return value.toDateTime().date();
        return value.toDate();
    case DataType::DateTime:
        return value.toDateTime();
    default:
        return value;
    }
}

QString fieldDisplayText(const FieldDef &def, const QVariant &value)
{
    if (isNull(value))
        return {};
    switch (def.type) {
    case DataType::Integer:
        if (!def.displayFormat.isEmpty())
            return formatNumber(value.toDouble(), def.displayFormat, QLocale());
        return QLocale().toString(value.toLongLong()).remove(QLocale().groupSeparator());
    case DataType::Float:
    case DataType::Decimal:
        return formatNumber(value.toDouble(), def.displayFormat, QLocale());
    case DataType::Date:
        return QLocale().toString(value.toDate(), QLocale::ShortFormat);
    case DataType::DateTime:
        return QLocale().toString(value.toDateTime(), QLocale::ShortFormat);
    default:
        return value.toString();
    }
}

const FieldDef &Field::def() const
{
    return m_dataSet->fieldDef(m_index);
}

QVariant Field::Value() const
{
    return m_dataSet->fieldValue(m_index);
}

bool Field::IsNull() const
{
    return isNull(Value());
}

QString Field::AsString() const
{
    const QVariant v = Value();
    if (isNull(v))
        return {};
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 15);
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    return v.toString();
}

qint64 Field::AsInteger() const
{
    const QVariant v = Value();
    if (isNull(v))
        return 0;
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const qint64 n = v.toString().trimmed().toLongLong(&ok);
        if (!ok && !v.toString().trimmed().isEmpty())
            throw AppError(QStringLiteral("'%1' não é um valor inteiro válido.").arg(v.toString()));
        return n;
    }
    if (v.typeId() == QMetaType::Double)
        return qRound64(v.toDouble());
    return v.toLongLong();
}

double Field::AsFloat() const
{
    const QVariant v = Value();
    if (isNull(v))
        return 0.0;
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        if (!ok && !v.toString().trimmed().isEmpty())
            throw AppError(QStringLiteral("'%1' não é um número válido.").arg(v.toString()));
        return d;
    }
    return v.toDouble();
}

QDate Field::AsDateTime() const
{
    const QVariant v = Value();
    if (isNull(v))
        return {};
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    return v.toDate();
}

QString Field::DisplayText() const
{
    return fieldDisplayText(def(), Value());
}

void Field::SetValue(const QVariant &value)
{
    m_dataSet->setFieldValue(m_index, value);
}

void Field::SetAsString(const QString &value)
{
    if (def().type != DataType::String && def().type != DataType::Memo && value.trimmed().isEmpty())
        Clear();
    else
        SetValue(value);
}

void Field::SetAsInteger(qint64 value)
{
    SetValue(QVariant::fromValue<qlonglong>(value));
}

void Field::SetAsFloat(double value)
{
    SetValue(value);
}

void Field::SetAsDateTime(const QDate &value)
{
    SetValue(value);
}

void Field::Clear()
{
    SetValue(QVariant());
}

void fieldCheckStorable(const FieldDef &def, const QVariant &value)
{
    if ((def.type != DataType::String && def.type != DataType::Memo) || value.typeId() != QMetaType::QString)
        return;
    const QString text = value.toString();
    // What the database's code page cannot hold would be stored as '?':
    // refused, with the character named.
    if (const qsizetype i = firstNotStorable(text); i >= 0) {
        const QString c = text.mid(i, text.at(i).isHighSurrogate() ? 2 : 1);
        const QString nome = c.at(0).unicode() < 0x20 || c.at(0).unicode() == 0x7F
                                 ? QStringLiteral("um caractere de controle (código %1)").arg(c.at(0).unicode())
                                 : QStringLiteral("\"%1\"").arg(c);
        throw AppError(QStringLiteral("O campo '%1' não aceita %2: o banco de dados não guarda esse caractere.\r"
                                      "Use somente letras, algarismos e sinais comuns do português.")
                           .arg(def.name, nome));
    }
}
