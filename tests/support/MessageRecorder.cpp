#include "tests/support/MessageRecorder.h"

MessageRecorder::MessageRecorder() : m_previous(setMessageService(this)) {}

MessageRecorder::~MessageRecorder()
{
    setMessageService(m_previous);
}

void MessageRecorder::simple(const QString &text) { m_entries.append({Kind::Simple, text}); }
void MessageRecorder::information(const QString &text) { m_entries.append({Kind::Information, text}); }
void MessageRecorder::error(const QString &text) { m_entries.append({Kind::Error, text}); }

bool MessageRecorder::confirm(const QString &text)
{
    m_entries.append({Kind::Confirm, text});
    return m_answers.isEmpty() ? false : m_answers.takeFirst();
}

QStringList MessageRecorder::texts() const
{
    QStringList list;
    for (const Entry &e : m_entries)
        list.append(e.text);
    return list;
}
