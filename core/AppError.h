#pragma once
// Error types shared by every layer. Handlers that do not catch an AppError let
// it reach the general error handler, which shows text() and lets the program go on.

#include <QByteArray>
#include <QString>
#include <exception>

class AppError : public std::exception {
public:
    explicit AppError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString &text() const { return m_text; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

// Thrown to end the program at once with the given status (the missing
// configuration file); main() turns it into the process exit status.
struct ProgramExit {
    int status = 0;
};

// Ends the current operation silently: the general error handler shows nothing.
struct SilentAbort {};
