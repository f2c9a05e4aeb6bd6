#pragma once
// Replaces the message service for the lifetime of the object: records every
// message and answers confirmations from a script (No when the script is empty).

#include "core/Messages.h"

#include <QList>
#include <QString>

class MessageRecorder : public MessageService {
public:
    enum class Kind { Simple, Information, Error, Confirm };
    struct Entry {
        Kind kind;
        QString text;
    };

    MessageRecorder();
    ~MessageRecorder() override;

    void simple(const QString &text) override;
    void information(const QString &text) override;
    void error(const QString &text) override;
    bool confirm(const QString &text) override;

    void answerNext(bool yes) { m_answers.append(yes); }
    const QList<Entry> &entries() const { return m_entries; }
    QStringList texts() const;
    void clear() { m_entries.clear(); }

private:
    MessageService *m_previous;
    QList<Entry> m_entries;
    QList<bool> m_answers;
};
