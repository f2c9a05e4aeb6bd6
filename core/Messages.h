#pragma once
// The one way any layer shows a message box. The windows layer installs the
// implementation with real dialogs; tests install a recorder with scripted answers.
// Call from the UI thread only.

#include <QString>

class MessageService {
public:
    virtual ~MessageService() = default;
    // One OK button, the application title as caption.
    virtual void simple(const QString &text) = 0;
    virtual void information(const QString &text) = 0;
    virtual void error(const QString &text) = 0;
    // Yes/No confirmation; true for Yes.
    virtual bool confirm(const QString &text) = 0;
};

// The service in force; without an installed one, messages go to standard error
// and confirmations answer No.
MessageService &messages();
// Installs a service (not owned); nullptr restores the default. Returns the previous one.
MessageService *setMessageService(MessageService *service);
