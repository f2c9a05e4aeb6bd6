#include "tests/support/BalancaSimulada.h"

#include <QDeadlineTimer>
#include <QTest>

BalancaSimulada::~BalancaSimulada()
{
    mata();
}

bool BalancaSimulada::inicia(const QStringList &opcoes)
{
    mata();
    m_registro.clear();
    m_resto.clear();
    m_porta.clear();
    m_processo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_processo.start(QStringLiteral(BALANCA_SIMULADA_EXE), opcoes);
    if (!m_processo.waitForStarted(10000))
        return false;
    QDeadlineTimer prazo(10000);
    while (m_porta.isEmpty() && !prazo.hasExpired()) {
        m_processo.waitForReadyRead(100);
        le();
    }
    if (m_porta.isEmpty())
        return false;
    QObject::connect(&m_processo, &QProcess::readyReadStandardOutput, &m_processo, [this] { le(); });
    return true;
}

void BalancaSimulada::le()
{
    m_resto += m_processo.readAllStandardOutput();
    for (qsizetype fim; (fim = m_resto.indexOf('\n')) >= 0;) {
        const QString linha = QString::fromUtf8(m_resto.left(fim));
        m_resto.remove(0, fim + 1);
        if (m_porta.isEmpty())
            m_porta = linha;
        else
            m_registro << linha;
    }
}

void BalancaSimulada::comanda(const QString &linha)
{
    m_processo.write(linha.toUtf8() + '\n');
    m_processo.waitForBytesWritten(1000);
}

int BalancaSimulada::conta(const QString &inicio) const
{
    int n = 0;
    for (const QString &l : m_registro)
        n += l.startsWith(inicio);
    return n;
}

bool BalancaSimulada::espera(const QString &inicio, int n)
{
    QDeadlineTimer prazo(10000);
    while (conta(inicio) < n && !prazo.hasExpired()) {
        QTest::qWait(10);
        le();
    }
    return conta(inicio) >= n;
}

void BalancaSimulada::mata()
{
    if (m_processo.state() == QProcess::NotRunning)
        return;
    QObject::disconnect(&m_processo, nullptr, &m_processo, nullptr);
    m_processo.kill();
    m_processo.waitForFinished(5000);
}
