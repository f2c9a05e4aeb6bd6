#include "widgets/ErrorHandler.h"

#include "core/AppError.h"
#include "core/Messages.h"

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const ProgramExit &) {
        throw;
    } catch (...) {
        ++s_errosNoDespacho;
        handleError(std::current_exception());
        return false;
    }
}
