#pragma once
// The general error handler: an error that no handler caught is shown with its
// own text in the error box and the program goes on.

#include <QApplication>

#include <exception>

// Shows the error in flight (call from a catch block).
void TrataErro(std::exception_ptr error);

// A signal handler that hands its errors to TrataErro itself, so that none
// crosses the toolkit's own code on its way to the event dispatch.
template <typename T>
auto Protegido(T *objeto, void (T::*metodo)())
{
    return [objeto, metodo]() {
        try {
            (objeto->*metodo)();
        } catch (...) {
            TrataErro(std::current_exception());
        }
    };
}

// The application object, whose event dispatch hands uncaught errors to TrataErro.
class Aplicacao : public QApplication {
    Q_OBJECT
public:
    Aplicacao(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
