#include "tests/support/MessageRecorder.h"

MessageRecorder::MessageRecorder() : m_previous(setMessageService(this)) {}

MessageRecorder::~MessageRecorder()
{
    setMessageService(m_previous);
}

void MessageRecorder::gatilho(const QString &text)
{
    if (m_acao && text.startsWith(m_gatilho))
        m_acao();
}

void MessageRecorder::simple(const QString &text)
{
    m_entries.append({Kind::Simple, text});
    gatilho(text);
}

void MessageRecorder::information(const QString &text)
{
    m_entries.append({Kind::Information, text});
    gatilho(text);
}

void MessageRecorder::error(const QString &text)
{
    m_entries.append({Kind::Error, text});
    gatilho(text);
}

bool MessageRecorder::confirm(const QString &text)
{
    m_entries.append({Kind::Confirm, text});
    gatilho(text);
    return m_answers.isEmpty() ? false : m_answers.takeFirst();
}

QStringList MessageRecorder::texts() const
{
    QStringList list;
    for (const Entry &e : m_entries)
        list.append(e.text);
    return list;
}
