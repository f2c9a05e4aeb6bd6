#include "core/Messages.h"

#include <cstdio>

namespace {

class StderrMessages : public MessageService {
public:
    void simple(const QString &text) override { print("", text); }
    void information(const QString &text) override { print("Informação: ", text); }
    void error(const QString &text) override { print("Erro: ", text); }
    bool confirm(const QString &text) override
    {
        print("Confirmação: ", text);
        return false;
    }

private:
    static void print(const char *prefix, const QString &text)
    {
        std::fprintf(stderr, "%s%s\n", prefix, text.toLocal8Bit().constData());
    }
};

StderrMessages g_default;
MessageService *g_current = nullptr;

} // namespace

MessageService &messages()
{
    return g_current ? *g_current : g_default;
}

MessageService *setMessageService(MessageService *service)
{
    MessageService *previous = g_current;
    g_current = service;
    return previous;
}
