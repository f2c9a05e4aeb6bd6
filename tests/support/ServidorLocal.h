#pragma once
// A Firebird server of the test's own, for tests of a server that goes away in
// the middle of the user's work: its own folder with its configuration (own
// port), security database (account sysdba/tamarindo), lock and temporary
// folders and the test database. Stopping and starting it touches no other
// server of the machine. It goes with the object, or with the test process.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class ServidorLocal {
public:
    ServidorLocal();
    ~ServidorLocal();
    ServidorLocal(const ServidorLocal &) = delete;
    ServidorLocal &operator=(const ServidorLocal &) = delete;

    // Whether this machine has the server and isql programs and the root folder
    // of their installation to make one.
    static bool disponivel();
    // Sets the folder up, starts the server and creates the test database with
    // the module's tables. False with erro() when any step fails.
    bool prepara();
    // Starts it and waits until it answers.
    bool inicia();
    // Stops it and waits until nothing listens any more.
    bool para();
    // The test database as the program names it: "127.0.0.1/port:file".
    QString banco() const;
    int porta() const { return m_porta; }
    QString erro() const { return m_erro; }

private:
    bool escutando() const;
    bool isql(const QStringList &argumentos, const QByteArray &entrada, bool embutido);
    QProcessEnvironment ambiente() const;

    QTemporaryDir m_pasta;
    QProcess m_servidor;
    int m_porta = 0;
    QString m_erro;
};
