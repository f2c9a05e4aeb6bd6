#pragma once
// Replaces the message service for the lifetime of the object: records every
// message and answers confirmations from a script (No when the script is empty).

#include "core/Messages.h"

#include <QList>
#include <QString>

#include <functional>

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
    // Runs acao when a message starting with inicio is shown (after recording
    // it), for what happens while the user reads it; nullptr removes it.
    void quandoAparecer(const QString &inicio, std::function<void()> acao)
    {
        m_gatilho = inicio;
        m_acao = std::move(acao);
    }
    const QList<Entry> &entries() const { return m_entries; }
    QStringList texts() const;
    void clear() { m_entries.clear(); }

private:
    MessageService *m_previous;
    QList<Entry> m_entries;
    QList<bool> m_answers;
    QString m_gatilho;
    std::function<void()> m_acao;
    void gatilho(const QString &text);
};
