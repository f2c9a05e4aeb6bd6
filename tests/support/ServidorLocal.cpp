#include "tests/support/ServidorLocal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

namespace {

const QString kServidor = QStringLiteral(FIREBIRD_SERVIDOR_EXE);
const QString kIsql = QStringLiteral(FIREBIRD_ISQL_EXE);
const QString kRaiz = QStringLiteral(FIREBIRD_RAIZ_PASTA);
const QString kEsquema = QStringLiteral(ESQUEMA_SQL);
const QString kSenha = QStringLiteral("tamarindo");

// A port nobody listens on now.
int portaLivre()
{
    QTcpServer livre;
    if (!livre.listen(QHostAddress::LocalHost, 0))
        return 0;
    return livre.serverPort();
}

bool grava(const QString &arquivo, const QByteArray &texto)
{
    QFile f(arquivo);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(texto) == texto.size();
}

} // namespace

ServidorLocal::ServidorLocal() : m_pasta(QDir::tempPath() + QStringLiteral("/pesomed-servidor-XXXXXX")) {}

ServidorLocal::~ServidorLocal()
{
    para();
}

bool ServidorLocal::disponivel()
{
    return QFileInfo(kServidor).isExecutable() && QFileInfo(kIsql).isExecutable() && QFileInfo(kRaiz).isDir();
}

QProcessEnvironment ServidorLocal::ambiente() const
{
    // The root folder gives the configuration and messages; the lock folder
    // keeps this server apart from any other of the machine.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FIREBIRD"), m_pasta.path());
    env.insert(QStringLiteral("FIREBIRD_LOCK"), m_pasta.filePath(QStringLiteral("lock")));
    env.insert(QStringLiteral("FIREBIRD_TMP"), m_pasta.filePath(QStringLiteral("tmp")));
    return env;
}

bool ServidorLocal::isql(const QStringList &argumentos, const QByteArray &entrada, bool embutido)
{
    QProcess p;
    p.setProgram(kIsql);
    p.setArguments(QStringList{QStringLiteral("-q")} + argumentos);
    // Embedded: the engine in isql itself, on this server's files.
    p.setProcessEnvironment(embutido ? ambiente() : QProcessEnvironment::systemEnvironment());
    p.start();
    if (!p.waitForStarted()) {
        m_erro = QStringLiteral("%1 did not start").arg(kIsql);
        return false;
    }
    p.write(entrada);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        m_erro = QStringLiteral("%1 did not finish").arg(kIsql);
        return false;
    }
    const QByteArray saida = p.readAllStandardError();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0 || !saida.trimmed().isEmpty()) {
        m_erro = QStringLiteral("%1 %2: %3").arg(kIsql, argumentos.join(u' '), QString::fromLocal8Bit(saida));
        return false;
    }
    return true;
}

bool ServidorLocal::prepara()
{
    if (!m_pasta.isValid()) {
        m_erro = QStringLiteral("no folder for the server: %1").arg(m_pasta.errorString());
        return false;
    }
    QDir pasta(m_pasta.path());
    if (!pasta.mkpath(QStringLiteral("lock")) || !pasta.mkpath(QStringLiteral("tmp"))) {
        m_erro = QStringLiteral("cannot make the lock and temporary folders in %1").arg(pasta.path());
        return false;
    }
    m_porta = portaLivre();
    if (m_porta == 0) {
        m_erro = QStringLiteral("no free port");
        return false;
    }
    const QString seguranca = pasta.filePath(QStringLiteral("security3.fdb"));
    const QByteArray conf = QStringLiteral("RemoteServicePort = %1\n"
                                           "RemoteBindAddress = 127.0.0.1\n"
                                           "SecurityDatabase = %2\n"
                                           "DatabaseAccess = Restrict %3\n"
                                           "UdfAccess = None\n")
                                .arg(m_porta)
                                .arg(seguranca, pasta.path())
                                .toLocal8Bit();
    if (!grava(pasta.filePath(QStringLiteral("firebird.conf")), conf)
        || !grava(pasta.filePath(QStringLiteral("databases.conf")), QByteArray())) {
        m_erro = QStringLiteral("cannot write the configuration in %1").arg(pasta.path());
        return false;
    }
    // The installation's messages and plugins, shared; its character sets
    // copied, since the server does not load them through a link.
    for (const QString &parte : {QStringLiteral("firebird.msg"), QStringLiteral("plugins"), QStringLiteral("lib"),
                                 QStringLiteral("UDF")}) {
        const QString original = QDir(kRaiz).filePath(parte);
        if (QFileInfo::exists(original))
            QFile::link(original, pasta.filePath(parte));
    }
    const QDir intl(QDir(kRaiz).filePath(QStringLiteral("intl")));
    pasta.mkpath(QStringLiteral("intl"));
    for (const QString &arquivo : intl.entryList(QDir::Files)) {
        if (!QFile::copy(intl.filePath(arquivo), pasta.filePath(QStringLiteral("intl/") + arquivo))) {
            m_erro = QStringLiteral("cannot copy %1").arg(intl.filePath(arquivo));
            return false;
        }
    }

    // A security database of its own, with the suite's account.
    if (!isql({},
              QStringLiteral("create database '%1' user SYSDBA;\ncommit;\n"
                             "create user SYSDBA password '%2';\ncommit;\n")
                  .arg(seguranca, kSenha)
                  .toUtf8(),
              true))
        return false;
    if (!inicia())
        return false;
    const QStringList conta{QStringLiteral("-user"), QStringLiteral("SYSDBA"), QStringLiteral("-password"), kSenha};
    if (!isql(conta,
              QStringLiteral("create database '%1' page_size 8192 default character set WIN1252;\ncommit;\n")
                  .arg(banco())
                  .toUtf8(),
              false))
        return false;
    return isql(conta + QStringList{QStringLiteral("-ch"), QStringLiteral("UTF8"), banco(), QStringLiteral("-i"), kEsquema},
                QByteArray(), false);
}

QString ServidorLocal::banco() const
{
    return QStringLiteral("127.0.0.1/%1:%2").arg(m_porta).arg(m_pasta.filePath(QStringLiteral("falhas.fdb")));
}

bool ServidorLocal::escutando() const
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, quint16(m_porta));
    return s.waitForConnected(500);
}

bool ServidorLocal::inicia()
{
    if (m_servidor.state() != QProcess::NotRunning)
        return true;
    m_servidor.setProgram(kServidor);
    m_servidor.setArguments({});
    m_servidor.setProcessEnvironment(ambiente());
    // Its own output goes to a file: the test runner waits on the test's.
    m_servidor.setStandardInputFile(QProcess::nullDevice());
    m_servidor.setStandardOutputFile(m_pasta.filePath(QStringLiteral("servidor.log")), QIODevice::Append);
    m_servidor.setStandardErrorFile(m_pasta.filePath(QStringLiteral("servidor.log")), QIODevice::Append);
#ifdef Q_OS_LINUX
    // A test that dies takes its server along.
    m_servidor.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    m_servidor.start();
    if (!m_servidor.waitForStarted()) {
        m_erro = QStringLiteral("%1 did not start: %2").arg(kServidor, m_servidor.errorString());
        return false;
    }
    for (int i = 0; i < 150; ++i) {
        if (escutando())
            return true;
        if (m_servidor.state() == QProcess::NotRunning)
            break;
        QThread::msleep(100);
    }
    QFile log(m_pasta.filePath(QStringLiteral("servidor.log")));
    log.open(QIODevice::ReadOnly);
    m_erro = QStringLiteral("the server on port %1 did not answer: %2").arg(m_porta).arg(QString::fromLocal8Bit(log.readAll()));
    return false;
}

bool ServidorLocal::para()
{
    if (m_servidor.state() == QProcess::NotRunning)
        return !m_porta || !escutando();
    m_servidor.terminate();
    if (!m_servidor.waitForFinished(20000)) {
        m_servidor.kill();
        m_servidor.waitForFinished();
    }
    for (int i = 0; i < 100; ++i) {
        if (!escutando())
            return true;
        QThread::msleep(100);
    }
    m_erro = QStringLiteral("port %1 still answers after the server stopped").arg(m_porta);
    return false;
}
