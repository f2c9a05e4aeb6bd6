#pragma once
// The message service with real modal message boxes.

#include "core/Messages.h"

class MessageBoxes : public MessageService {
public:
    void simple(const QString &text) override;
    void information(const QString &text) override;
    void error(const QString &text) override;
    bool confirm(const QString &text) override;
};

// The application title, caption of the simple message boxes.
extern const QString TituloAplicacao;
// A message text with carriage returns turned into line breaks.
QString textoDaMensagem(const QString &text);
