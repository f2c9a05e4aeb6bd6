#pragma once
// The general error handler: an error that no handler caught is shown with its
// own text in the error box and the program goes on.

#include <QApplication>

#include <exception>

// Shows the error in flight (call from a catch block).
void TrataErro(std::exception_ptr error);

// The application object, whose event dispatch hands uncaught errors to TrataErro.
class Aplicacao : public QApplication {
    Q_OBJECT
public:
    Aplicacao(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
