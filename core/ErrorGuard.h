#pragma once
// Errors that a handler does not catch are shown with their own text through
// the message service, and the program goes on. Free of widgets, so that
// workflows use it as the windows do.

#include "core/AppError.h"

#include <exception>
#include <type_traits>

class MessageService;

// Shows the error in flight (call from a catch block), through the service
// given or the one in force.
void handleError(std::exception_ptr error);
void handleError(std::exception_ptr error, MessageService &mensagens);

// Runs the work of an event handler, event filter or signal handler and hands
// any error to handleError itself, so that none unwinds through the toolkit's
// own frames on its way to the event dispatch. Returns the work's result, or
// seFalhar when it failed.
template <typename F, typename R = std::invoke_result_t<F>>
R guarded(F &&trabalho, R seFalhar = R())
{
    try {
        return trabalho();
    } catch (const ProgramExit &) {
        throw;
    } catch (...) {
        handleError(std::current_exception());
    }
    return seFalhar;
}

template <typename F>
    requires std::is_void_v<std::invoke_result_t<F>>
void guarded(F &&trabalho)
{
    try {
        trabalho();
    } catch (const ProgramExit &) {
        throw;
    } catch (...) {
        handleError(std::current_exception());
    }
}

// A signal handler that runs a method under guarded.
template <typename T>
auto guardedSlot(T *objeto, void (T::*metodo)())
{
    return [objeto, metodo]() { guarded([&] { (objeto->*metodo)(); }); };
}
