#include "balance/DetectorBalanca.h"

#include "balance/LeitorBalanca.h"

DetectorBalanca::DetectorBalanca(QObject *parent) : QObject(parent), m_leitor(new LeitorBalanca(this))
{
    m_limite.setSingleShot(true);
    connect(&m_limite, &QTimer::timeout, this, &DetectorBalanca::proxima);
    connect(m_leitor, &LeitorBalanca::identificacaoMudou, this, &DetectorBalanca::identificada);
}

DetectorBalanca::~DetectorBalanca()
{
    para();
}

QList<ConfiguracaoBalanca> DetectorBalanca::Tentativas(const QStringList &portas, const ConfiguracaoBalanca &base)
{
    QList<ConfiguracaoBalanca> r;
    QStringList vistas;
    for (const QString &porta : portas) {
        const QString p = porta.trimmed();
        if (p.isEmpty() || vistas.contains(p))
            continue;
        vistas << p;
        for (ProtocoloBalanca protocolo : {ProtocoloBalanca::MtSics, ProtocoloBalanca::Sbi, ProtocoloBalanca::And}) {
            ConfiguracaoBalanca c = ConfiguracaoDeFabrica(protocolo, base);
            c.porta = p;
            c.padrao.clear();
            c.erros.clear();
            r << c;
        }
    }
    return r;
}

void DetectorBalanca::detecta(const QList<ConfiguracaoBalanca> &tentativas)
{
    para();
    m_tentativas = tentativas;
    m_indice = -1;
    // Started from the event loop: every answer comes after detecta returns.
    QMetaObject::invokeMethod(this, &DetectorBalanca::proxima, Qt::QueuedConnection);
    m_indice = -2;
}

void DetectorBalanca::para()
{
    m_limite.stop();
    m_leitor->fecha();
    m_indice = -1;
}

void DetectorBalanca::proxima()
{
    if (m_indice == -1)
        return;
    m_limite.stop();
    m_leitor->fecha();
    m_indice = m_indice < 0 ? 0 : m_indice + 1;
    while (m_indice < m_tentativas.size()) {
        const ConfiguracaoBalanca &c = m_tentativas[m_indice];
        emit tentando(c);
        m_leitor->setConfiguracao(c);
        if (m_leitor->abre()) {
            m_limite.start(kEsperaPorTentativaMs);
            return;
        }
        ++m_indice;
    }
    m_indice = -1;
    emit naoEncontrada();
}

void DetectorBalanca::identificada()
{
    if (m_indice < 0 || m_leitor->identificando())
        return;
    if (m_leitor->modelo().isEmpty() && m_leitor->numeroDeSerie().isEmpty()) {
        proxima();
        return;
    }
    const ConfiguracaoBalanca c = m_tentativas[m_indice];
    const QString modelo = m_leitor->modelo();
    const QString serie = m_leitor->numeroDeSerie();
    para();
    emit encontrada(c, modelo, serie);
}
