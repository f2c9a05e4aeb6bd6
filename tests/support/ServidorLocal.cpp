#include "tests/support/ServidorLocal.h"

#include <QFileInfo>
#include <QProcess>
#include <QTcpSocket>
#include <QThread>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace ServidorLocal {

namespace {

bool escutando()
{
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), 3050);
    return s.waitForConnected(500);
}

} // namespace

bool podeParar()
{
#ifdef Q_OS_UNIX
    return geteuid() == 0 && QFileInfo::exists(QStringLiteral("/usr/sbin/firebird")) && escutando();
#else
    return false; // the local server is a Linux service
#endif
}

bool para()
{
    QProcess::execute(QStringLiteral("pkill"), {QStringLiteral("-x"), QStringLiteral("fbguard")});
    QProcess::execute(QStringLiteral("pkill"), {QStringLiteral("-x"), QStringLiteral("firebird")});
    for (int i = 0; i < 100; ++i) {
        if (!escutando())
            return true;
        QThread::msleep(100);
    }
    return false;
}

bool inicia()
{
    // Detached from the test's own output, which the test runner waits on.
    QProcess servidor;
    servidor.setProgram(QStringLiteral("setsid"));
    servidor.setArguments({QStringLiteral("/usr/sbin/firebird")});
    servidor.setStandardInputFile(QProcess::nullDevice());
    servidor.setStandardOutputFile(QProcess::nullDevice());
    servidor.setStandardErrorFile(QProcess::nullDevice());
    if (!servidor.startDetached())
        return false;
    for (int i = 0; i < 150; ++i) {
        if (escutando())
            return true;
        QThread::msleep(100);
    }
    return false;
}

} // namespace ServidorLocal
