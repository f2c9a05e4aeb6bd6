#pragma once
// The general error handler: an error that no handler caught is shown with its
// own text in the error box and the program goes on.

#include "core/AppError.h"

#include <QApplication>

#include <exception>
#include <type_traits>

// Shows the error in flight (call from a catch block).
void TrataErro(std::exception_ptr error);

// Runs the work of an event handler, event filter or signal handler and hands
// any error to TrataErro itself, so that none unwinds through the toolkit's
// own frames on its way to the event dispatch. Returns the work's result, or
// seFalhar when it failed.
template <typename F, typename R = std::invoke_result_t<F>>
R Protege(F &&trabalho, R seFalhar = R())
{
    try {
        return trabalho();
    } catch (const ProgramExit &) {
        throw;
    } catch (...) {
        TrataErro(std::current_exception());
    }
    return seFalhar;
}

template <typename F>
    requires std::is_void_v<std::invoke_result_t<F>>
void Protege(F &&trabalho)
{
    try {
        trabalho();
    } catch (const ProgramExit &) {
        throw;
    } catch (...) {
        TrataErro(std::current_exception());
    }
}

// A signal handler that runs a method under Protege.
template <typename T>
auto Protegido(T *objeto, void (T::*metodo)())
{
    return [objeto, metodo]() { Protege([&] { (objeto->*metodo)(); }); };
}

// The application object, whose event dispatch hands uncaught errors to TrataErro.
class Aplicacao : public QApplication {
    Q_OBJECT
public:
    Aplicacao(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
    // How many errors reached the dispatch, that is crossed the toolkit's
    // frames because no handler caught them on its own; none is expected.
    static int ErrosNoDespacho() { return s_errosNoDespacho; }

private:
    static inline int s_errosNoDespacho = 0;
};
