#include "widgets/ErrorHandler.h"

#include "core/AppError.h"
#include "core/Messages.h"

void TrataErro(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const SilentAbort &) {
    } catch (const AppError &e) {
        messages().error(e.text());
    } catch (const std::exception &e) {
        messages().error(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        messages().error(QStringLiteral("Erro desconhecido."));
    }
}

Aplicacao::Aplicacao(int &argc, char **argv) : QApplication(argc, argv) {}

bool Aplicacao::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const ProgramExit &) {
        throw;
    } catch (...) {
        ++s_errosNoDespacho;
        TrataErro(std::current_exception());
        return false;
    }
}
