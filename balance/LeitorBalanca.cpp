#include "balance/LeitorBalanca.h"

#include "config/uConfiguracao.h"

#include <QCoreApplication>
#include <QPointer>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// Refused with a permission error: the port is there and ours to use, so
// another program holds it; or it is not ours to use.
bool portaAcessivel(const QString &caminho)
{
#ifdef Q_OS_UNIX
    return ::faccessat(AT_FDCWD, caminho.toLocal8Bit().constData(), R_OK | W_OK, AT_EACCESS) == 0;
#else
    // Windows answers "access denied" for a port that another program holds.
    Q_UNUSED(caminho);
    return true;
#endif
}

// The device of a port name as the serial port takes it: "ttyUSB0" is /dev/ttyUSB0.
QString caminhoDaPorta(const QString &porta)
{
#ifdef Q_OS_UNIX
    return porta.startsWith(u'/') ? porta : QStringLiteral("/dev/") + porta;
#else
    return porta;
#endif
}

QSerialPort::Parity paridade(ParidadeBalanca p)
{
    switch (p) {
    case ParidadeBalanca::Nenhuma:
        return QSerialPort::NoParity;
    case ParidadeBalanca::Par:
        return QSerialPort::EvenParity;
    case ParidadeBalanca::Impar:
        return QSerialPort::OddParity;
    case ParidadeBalanca::Marca:
        return QSerialPort::MarkParity;
    case ParidadeBalanca::Espaco:
        return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits parada(ParadaBalanca p)
{
    switch (p) {
    case ParadaBalanca::Um:
        return QSerialPort::OneStop;
    case ParadaBalanca::UmEMeio:
        return QSerialPort::OneAndHalfStop;
    case ParadaBalanca::Dois:
        return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

QSerialPort::FlowControl fluxo(FluxoBalanca f)
{
    switch (f) {
    case FluxoBalanca::Nenhum:
        return QSerialPort::NoFlowControl;
    case FluxoBalanca::Hardware:
        return QSerialPort::HardwareControl;
    case FluxoBalanca::Software:
        return QSerialPort::SoftwareControl;
    }
    return QSerialPort::NoFlowControl;
}

QByteArray comando(ProtocoloBalanca protocolo)
{
    switch (protocolo) {
    case ProtocoloBalanca::MtSics:
        return QByteArrayLiteral("S\r\n");
    case ProtocoloBalanca::Sbi:
        return QByteArrayLiteral("\x1bP\r\n");
    case ProtocoloBalanca::And:
        return QByteArrayLiteral("Q\r\n");
    case ProtocoloBalanca::Continuo:
        break;
    }
    return QByteArray();
}

} // namespace

LeitorBalanca::LeitorBalanca(QObject *parent) : LeitorBalanca(ConfiguracaoBalanca(), parent) {}

LeitorBalanca::LeitorBalanca(const ConfiguracaoBalanca &configuracao, QObject *parent) : QObject(parent)
{
    m_relogio.start();
    for (QTimer *t : {&m_espera, &m_repete, &m_silencio})
        t->setSingleShot(true);
    connect(&m_espera, &QTimer::timeout, this, &LeitorBalanca::esgotouEspera);
    connect(&m_repete, &QTimer::timeout, this, &LeitorBalanca::repete);
    connect(&m_silencio, &QTimer::timeout, this, &LeitorBalanca::silencioAlcancado);
    setConfiguracao(configuracao);
}

LeitorBalanca::~LeitorBalanca()
{
    fechaPorta();
}

void LeitorBalanca::setConfiguracao(const ConfiguracaoBalanca &configuracao)
{
    cancela();
    fechaPorta();
    m_cfg = configuracao;
    for (const QString &e : ValidaConfiguracaoBalanca(configuracao))
        if (!m_cfg.erros.contains(e))
            m_cfg.erros << e;
    m_padrao = m_cfg.erros.isEmpty() ? QRegularExpression(m_cfg.padrao) : QRegularExpression();
}

bool LeitorBalanca::aberta() const
{
    return m_porta && m_porta->isOpen() && !m_portaFalhou;
}

QString LeitorBalanca::mensagem(FalhaBalanca falha, const QString &detalhe) const
{
    return MensagemFalhaBalanca(falha, detalhe, m_cfg.porta.trimmed(), m_cfg.esperaMs);
}

// ------------------------------------------------------------------- reading

void LeitorBalanca::ler()
{
    if (m_lendo)
        return;
    m_lendo = true;
    ++m_leitura;
    m_houveInstavel = false;
    m_comandoPendente = false;
    m_ultimaFalha = FalhaBalanca::Nenhuma;
    emit lendoMudou(true);
    if (!configurada()) {
        falhaAdiada(FalhaBalanca::SemBalanca);
        return;
    }
    if (!m_cfg.erros.isEmpty()) {
        falhaAdiada(FalhaBalanca::ConfiguracaoInvalida, m_cfg.erros.join(QStringLiteral(", ")));
        return;
    }
    if (m_portaFalhou)
        fechaPorta();
    if (!aberta()) {
        FalhaBalanca f;
        QString detalhe;
        if (!abrePorta(&f, &detalhe)) {
            falhaAdiada(f, detalhe);
            return;
        }
    }
    m_espera.start(m_cfg.esperaMs);
    if (m_cfg.protocolo == ProtocoloBalanca::Continuo)
        return;
    // The tail of a refused line would eat the reply to the new request.
    if (m_linhas.descartando())
        m_linhas.limpa();
    if (m_sincronizada)
        enviaComando();
    else
        m_comandoPendente = true;
}

void LeitorBalanca::cancela()
{
    if (!m_lendo)
        return;
    m_espera.stop();
    m_repete.stop();
    m_comandoPendente = false;
    m_lendo = false;
    emit lendoMudou(false);
}

void LeitorBalanca::enviaComando()
{
    m_comandoPendente = false;
    if (!aberta())
        return;
    m_envios.append({m_leitura, m_relogio.elapsed()});
    m_porta->write(comando(m_cfg.protocolo));
}

void LeitorBalanca::repete()
{
    if (m_lendo)
        enviaComando();
}

void LeitorBalanca::esgotouEspera()
{
    if (!m_lendo)
        return;
    if (m_houveInstavel) {
        termina(FalhaBalanca::Instavel);
    } else if (!m_linhas.pendente().isEmpty()) {
        const QString parte = LinhaLegivel(m_linhas.pendente());
        // The rest of that line, should it come, is no reply to anything.
        m_linhas.descartaLinhaAtual();
        termina(FalhaBalanca::LinhaIncompleta, parte);
    } else if (!m_sincronizada && !m_ruido.isEmpty()) {
        termina(FalhaBalanca::LinhaIlegivel, LinhaLegivel(m_ruido));
    } else {
        termina(FalhaBalanca::SemResposta);
    }
}

void LeitorBalanca::termina(FalhaBalanca falha, const QString &detalhe)
{
    m_espera.stop();
    m_repete.stop();
    m_comandoPendente = false;
    m_lendo = false;
    m_ultimaFalha = falha;
    emit lendoMudou(false);
    emit this->falha(mensagem(falha, detalhe));
}

void LeitorBalanca::terminaComPeso(const LeituraBalanca &leitura)
{
    m_espera.stop();
    m_repete.stop();
    m_comandoPendente = false;
    m_lendo = false;
    m_ultima = leitura;
    emit lendoMudou(false);
    emit pesoLido(leitura.peso);
}

void LeitorBalanca::falhaAdiada(FalhaBalanca falha, const QString &detalhe)
{
    // Answered from the event loop, as every reading is.
    const quint64 leitura = m_leitura;
    QMetaObject::invokeMethod(
        this,
        [this, leitura, falha, detalhe] {
            if (m_lendo && m_leitura == leitura)
                termina(falha, detalhe);
        },
        Qt::QueuedConnection);
}

// ---------------------------------------------------------------------- port

int LeitorBalanca::silencioMs() const
{
    // Three characters of ten bits at the line's speed, and a margin.
    return 20 + 30000 / qMax(1, m_cfg.velocidade);
}

bool LeitorBalanca::abre(QString *mensagem)
{
    FalhaBalanca f = FalhaBalanca::Nenhuma;
    QString detalhe;
    if (!configurada())
        f = FalhaBalanca::SemBalanca;
    else if (!m_cfg.erros.isEmpty()) {
        f = FalhaBalanca::ConfiguracaoInvalida;
        detalhe = m_cfg.erros.join(QStringLiteral(", "));
    } else if (aberta()) {
        return true;
    }
    if (f == FalhaBalanca::Nenhuma) {
        if (m_portaFalhou)
            fechaPorta();
        if (abrePorta(&f, &detalhe))
            return true;
    }
    if (mensagem)
        *mensagem = this->mensagem(f, detalhe);
    return false;
}

void LeitorBalanca::fecha()
{
    cancela();
    fechaPorta();
}

bool LeitorBalanca::abrePorta(FalhaBalanca *falha, QString *detalhe)
{
    if (!m_porta) {
        m_porta = new QSerialPort(this);
        connect(m_porta, &QSerialPort::readyRead, this, &LeitorBalanca::chegaram);
        connect(m_porta, &QSerialPort::errorOccurred, this, &LeitorBalanca::erroDaPorta);
    }
    m_porta->setPortName(m_cfg.porta.trimmed());
    m_porta->setBaudRate(m_cfg.velocidade);
    m_porta->setDataBits(static_cast<QSerialPort::DataBits>(m_cfg.bitsDeDados));
    m_porta->setParity(paridade(m_cfg.paridade));
    m_porta->setStopBits(parada(m_cfg.bitsDeParada));
    m_porta->setFlowControl(fluxo(m_cfg.controleDeFluxo));
    m_abrindo = true;
    const bool aberta = m_porta->open(QIODevice::ReadWrite);
    m_abrindo = false;
    if (!aberta) {
        switch (m_porta->error()) {
        case QSerialPort::DeviceNotFoundError:
            *falha = FalhaBalanca::PortaInexistente;
            break;
        case QSerialPort::PermissionError:
            *falha = portaAcessivel(caminhoDaPorta(m_cfg.porta.trimmed())) ? FalhaBalanca::PortaOcupada
                                                                            : FalhaBalanca::PortaSemPermissao;
            break;
        case QSerialPort::UnsupportedOperationError:
            *falha = FalhaBalanca::PortaComErro;
            *detalhe = QStringLiteral("ela não aceita a velocidade, os bits, a paridade ou o controle de fluxo "
                                      "configurados.");
            break;
        default:
            *falha = FalhaBalanca::PortaComErro;
            *detalhe = m_porta->errorString();
            break;
        }
        m_porta->clearError();
        return false;
    }
    m_porta->clear(QSerialPort::Input);
    m_linhas.limpa();
    m_envios.clear();
    m_ruido.clear();
    m_sincronizada = false;
    m_silencio.start(silencioMs());
    return true;
}

void LeitorBalanca::fechaPorta()
{
    m_silencio.stop();
    if (m_porta && m_porta->isOpen())
        m_porta->close();
    m_portaFalhou = false;
    m_sincronizada = false;
    m_linhas.limpa();
    m_envios.clear();
    m_ruido.clear();
}

void LeitorBalanca::fechaPortaQueFalhou()
{
    if (m_portaFalhou)
        fechaPorta();
}

void LeitorBalanca::erroDaPorta(QSerialPort::SerialPortError erro)
{
    if (erro == QSerialPort::NoError || erro == QSerialPort::TimeoutError || m_abrindo || m_portaFalhou
        || !m_porta->isOpen())
        return;
    m_portaFalhou = true;
    // Closed from the event loop: the port is still inside its own handler here.
    QMetaObject::invokeMethod(this, &LeitorBalanca::fechaPortaQueFalhou, Qt::QueuedConnection);
    if (m_lendo)
        termina(FalhaBalanca::ComunicacaoInterrompida);
}

void LeitorBalanca::chegaram()
{
    if (m_portaFalhou)
        return;
    QByteArray dados = m_porta->readAll();
    if (!m_sincronizada) {
        // A line under way when the port opened: dropped up to its end.
        qsizetype fim = dados.indexOf('\r');
        const qsizetype lf = dados.indexOf('\n');
        if (fim < 0 || (lf >= 0 && lf < fim))
            fim = lf;
        m_ruido = (m_ruido + dados.left(fim < 0 ? dados.size() : fim)).right(40);
        if (fim < 0) {
            m_silencio.start(silencioMs());
            return;
        }
        dados = dados.mid(fim + 1);
        sincronizada();
    }
    for (const AcumuladorLinhas::Evento &e : m_linhas.acrescenta(dados)) {
        if (m_portaFalhou || !m_porta->isOpen())
            return;
        if (e.tipo == AcumuladorLinhas::Evento::Tipo::Linha)
            trataLinha(e.linha);
        else
            trataLonga();
    }
}

void LeitorBalanca::silencioAlcancado()
{
    if (m_sincronizada || !aberta())
        return;
    // Bytes already there but not yet handed over count as a line under way.
    m_porta->waitForReadyRead(0);
    if (!m_sincronizada && !m_silencio.isActive())
        sincronizada();
}

void LeitorBalanca::sincronizada()
{
    m_silencio.stop();
    m_sincronizada = true;
    m_ruido.clear();
    if (m_lendo && m_comandoPendente)
        enviaComando();
}

void LeitorBalanca::trataLinha(const QByteArray &linha)
{
    const LeituraBalanca r = InterpretaLinha(m_cfg.protocolo, linha, UnidadePesoMedio, m_padrao);
    if (r.tipo == LeituraBalanca::Tipo::Ignorada)
        return;
    if (respostaAbandonada())
        return;
    if (m_lendo) {
        switch (r.tipo) {
        case LeituraBalanca::Tipo::Estavel:
            terminaComPeso(r);
            break;
        case LeituraBalanca::Tipo::Instavel:
            m_houveInstavel = true;
            if (m_cfg.protocolo != ProtocoloBalanca::Continuo && m_envios.isEmpty())
                m_repete.start(kIntervaloRepeticaoMs);
            break;
        case LeituraBalanca::Tipo::Falha:
            termina(r.falha, r.detalhe);
            break;
        case LeituraBalanca::Tipo::Ignorada:
            break;
        }
        return;
    }
    if (!m_cfg.teclaImprimir)
        return;
    if (r.tipo == LeituraBalanca::Tipo::Estavel) {
        m_ultima = r;
        emit pesoEspontaneo(r.peso);
    } else if (r.falha == FalhaBalanca::UnidadeRecusada || r.falha == FalhaBalanca::PesoNegativo) {
        emit falha(mensagem(r.falha, r.detalhe));
    }
}

void LeitorBalanca::trataLonga()
{
    if (!respostaAbandonada() && m_lendo)
        termina(FalhaBalanca::LinhaLonga);
}

bool LeitorBalanca::respostaAbandonada()
{
    // The oldest command still unanswered gets the line that came. While a
    // reading waits, commands older than the wait are taken as lost, so that
    // one lost command does not shift the replies of the readings after it;
    // idle, the answer to a reading given up may still come, until twice the wait.
    const qint64 agora = m_relogio.elapsed();
    const qint64 limite = m_lendo ? m_cfg.esperaMs : 2 * qint64(m_cfg.esperaMs);
    while (!m_envios.isEmpty() && agora - m_envios.first().instante > limite)
        m_envios.removeFirst();
    if (m_envios.isEmpty())
        return false;
    const Envio envio = m_envios.takeFirst();
    return !m_lendo || envio.leitura != m_leitura;
}

// ------------------------------------------------------------------- program

LeitorBalanca &BalancaDoPrograma()
{
    static QPointer<LeitorBalanca> balanca;
    if (!balanca)
        balanca = new LeitorBalanca(LeConfiguracaoBalanca(), QCoreApplication::instance());
    return *balanca;
}
