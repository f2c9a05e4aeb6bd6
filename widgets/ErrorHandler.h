#pragma once
// The general error handler: an error that no handler caught is shown with its
// own text in the error box and the program goes on.

#include "core/AppError.h"
#include "core/ErrorGuard.h"

#include <QApplication>

// The application object, whose event dispatch hands uncaught errors to handleError.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
    // How many errors reached the dispatch, that is crossed the toolkit's
    // frames because no handler caught them on its own; none is expected.
    static int uncaughtErrorCount() { return s_errosNoDespacho; }

private:
    static inline int s_errosNoDespacho = 0;
};
