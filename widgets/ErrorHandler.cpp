#include "widgets/ErrorHandler.h"

#include "core/AppError.h"
#include "core/Messages.h"

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
