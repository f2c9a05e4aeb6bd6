#include "core/ErrorGuard.h"

#include "core/Messages.h"

void handleError(std::exception_ptr error)
{
    handleError(error, messages());
}

void handleError(std::exception_ptr error, MessageService &mensagens)
{
    try {
        std::rethrow_exception(error);
    } catch (const SilentAbort &) {
    } catch (const AppError &e) {
        mensagens.error(e.text());
    } catch (const std::exception &e) {
        mensagens.error(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        mensagens.error(QStringLiteral("Erro desconhecido."));
    }
}
