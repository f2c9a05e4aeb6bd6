#include "balance/LeitorBalanca.h"

#include "config/uConfiguracao.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>

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

} // namespace

LeitorBalanca::LeitorBalanca(QObject *parent) : LeitorBalanca(ConfiguracaoBalanca(), parent) {}

LeitorBalanca::LeitorBalanca(const ConfiguracaoBalanca &configuracao, QObject *parent) : QObject(parent)
{
    m_relogio.start();
    for (QTimer *t : {&m_espera, &m_repete, &m_silencio, &m_tecla, &m_consulta})
        t->setSingleShot(true);
    m_tecla.setTimerType(Qt::PreciseTimer);
    connect(&m_espera, &QTimer::timeout, this, &LeitorBalanca::esgotouEspera);
    connect(&m_tecla, &QTimer::timeout, this, &LeitorBalanca::teclaConfirmada);
    connect(&m_consulta, &QTimer::timeout, this, &LeitorBalanca::consultaEsgotada);
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
    m_ilegivel = LeituraBalanca();
    // A weight sent unasked still waiting for its quiet: F6 asks for the weight now.
    m_tecla.stop();
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
    // The questions for the balance's identity, asked when the port opened,
    // come before the request: their time is not the balance's.
    m_espera.start(m_cfg.esperaMs + int(m_consultas.size()) * kEsperaIdentificacaoMs);
    if (m_cfg.protocolo == ProtocoloBalanca::Continuo)
        return;
    // The tail of a refused line would eat the reply to the new request.
    if (m_linhas.descartando())
        m_linhas.limpa();
    if (m_sincronizada && m_consultas.isEmpty())
        enviaComando();
    else
        m_comandoPendente = true;
}

void LeitorBalanca::cancela()
{
    if (!m_lendo)
        return;
    cancelaPedido();
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
    // The wait runs from the first request of the reading, once the port is
    // in step and the balance identified.
    if (std::none_of(m_envios.begin(), m_envios.end(), [this](const Envio &e) { return e.leitura == m_leitura; })
        && !m_houveInstavel)
        m_espera.start(m_cfg.esperaMs);
    m_envios.append({m_leitura, m_relogio.elapsed()});
    m_porta->write(ComandoPeso(m_cfg.protocolo));
}

void LeitorBalanca::cancelaPedido()
{
    const QByteArray cancela = ComandoCancela(m_cfg.protocolo);
    if (cancela.isEmpty() || !aberta())
        return;
    // The balance forgets the request; a reply already under way is dropped
    // for the time a line takes, with a margin.
    bool pendente = false;
    for (qsizetype i = m_envios.size() - 1; i >= 0; --i)
        if (m_envios[i].leitura == m_leitura) {
            m_envios.removeAt(i);
            pendente = true;
        }
    if (!pendente)
        return;
    m_porta->write(cancela);
    m_descartaAte = m_relogio.elapsed() + 300 + 600000 / qMax(1, m_cfg.velocidade);
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
    cancelaPedido();
    if (m_ilegivel.tipo == LeituraBalanca::Tipo::Falha) {
        termina(m_ilegivel.falha, m_ilegivel.detalhe);
    } else if (m_houveInstavel || (m_cfg.protocolo == ProtocoloBalanca::Sbi && m_falou)) {
        // SBI balances set to print after stability hold the reply: a balance
        // that has answered on this port and now keeps quiet is not stable.
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
    // DTR and RTS up: a balance with hardware handshake waits for them, and Qt
    // on Windows leaves DTR low. RTS belongs to the flow control with RTS/CTS.
    // A port without modem lines (a pseudo-terminal) refuses quietly.
    m_abrindo = true;
    m_porta->setDataTerminalReady(true);
    if (m_cfg.controleDeFluxo != FluxoBalanca::Hardware)
        m_porta->setRequestToSend(true);
    m_porta->clearError();
    m_abrindo = false;
    m_porta->clear(QSerialPort::Input);
    m_linhas.limpa();
    m_envios.clear();
    m_ruido.clear();
    m_sincronizada = false;
    m_descartaAte = -1;
    m_avisouFluxo = false;
    m_seguidas = 0;
    m_tecla.stop();
    m_modelo.clear();
    m_serie.clear();
    m_falou = false;
    m_consultas = ConsultasIdentificacao(m_cfg.protocolo);
    m_silencio.start(silencioMs());
    return true;
}

void LeitorBalanca::fechaPorta()
{
    m_silencio.stop();
    m_tecla.stop();
    m_consulta.stop();
    m_consultas.clear();
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
    // With 7 data bits the top bit is no data, whatever the port hands over.
    if (m_cfg.bitsDeDados == 7)
        for (char &c : dados)
            c = char(c & 0x7F);
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
    if (!m_consultas.isEmpty())
        enviaConsulta();
    else if (m_lendo && m_comandoPendente)
        enviaComando();
}

// ------------------------------------------------------------ identification

void LeitorBalanca::enviaConsulta()
{
    if (m_consultas.isEmpty() || !aberta()) {
        emit identificacaoMudou();
        if (m_lendo && m_comandoPendente)
            enviaComando();
        return;
    }
    m_porta->write(m_consultas.first().comando);
    m_consulta.start(kEsperaIdentificacaoMs);
}

void LeitorBalanca::consultaEsgotada()
{
    if (m_consultas.isEmpty())
        return;
    m_consultas.removeFirst();
    enviaConsulta();
}

bool LeitorBalanca::respostaDeConsulta(const QByteArray &linha)
{
    if (m_consultas.isEmpty() || !m_consulta.isActive())
        return false;
    const ConsultaIdentificacao consulta = m_consultas.first();
    QString valor;
    if (InterpretaIdentificacao(m_cfg.protocolo, consulta, linha, &valor)) {
        (consulta.dado == ConsultaIdentificacao::Dado::Modelo ? m_modelo : m_serie) = valor;
    } else {
        // The balance's refusal of a question it does not know, or a reply in
        // another protocol's words, ends it too; a weight (its print key) is
        // no answer.
        const LeituraBalanca r = InterpretaLinha(m_cfg.protocolo, linha, UnidadePesoMedio, m_padrao);
        if (r.tipo == LeituraBalanca::Tipo::Estavel || r.tipo == LeituraBalanca::Tipo::Instavel)
            return false;
    }
    m_consulta.stop();
    m_consultas.removeFirst();
    enviaConsulta();
    return true;
}

bool LeitorBalanca::enviaAvulso(const QByteArray &comando, QString *mensagem)
{
    if (comando.isEmpty()) {
        if (mensagem)
            *mensagem = QStringLiteral("O protocolo %1 não tem esse comando.").arg(NomeProtocolo(m_cfg.protocolo));
        return false;
    }
    if (!abre(mensagem))
        return false;
    m_porta->write(comando);
    return true;
}

bool LeitorBalanca::zera(QString *mensagem)
{
    return enviaAvulso(ComandoZerar(m_cfg.protocolo), mensagem);
}

bool LeitorBalanca::tara(QString *mensagem)
{
    return enviaAvulso(ComandoTarar(m_cfg.protocolo), mensagem);
}

void LeitorBalanca::trataLinha(const QByteArray &linha)
{
    m_falou = true;
    if (respostaDeConsulta(linha))
        return;
    LeituraBalanca r = InterpretaLinha(m_cfg.protocolo, linha, UnidadePesoMedio, m_padrao);
    if (r.tipo == LeituraBalanca::Tipo::Falha && r.falha == FalhaBalanca::LinhaIlegivel) {
        // Read with 8 data bits, a balance sending 7 with parity gives bytes
        // that read once the parity bit is dropped.
        QByteArray limpa;
        QString paridade;
        if (LinhaCom7Bits(linha, &limpa, &paridade)
            && InterpretaLinha(m_cfg.protocolo, limpa, UnidadePesoMedio, m_padrao).falha != FalhaBalanca::LinhaIlegivel) {
            r.falha = FalhaBalanca::BitsOuParidade;
            r.detalhe = paridade;
        }
    }
    if (r.tipo == LeituraBalanca::Tipo::Ignorada)
        return;
    r.linha = linha;
    r.modelo = m_modelo;
    r.numeroDeSerie = m_serie;
    const Origem origem = origemDaLinha();
    if (origem == Origem::Abandonada)
        return;
    // Before its request went out, a reading has nothing to be answered.
    if (!m_lendo || m_comandoPendente) {
        naoPedida(r);
        return;
    }
    switch (r.tipo) {
    case LeituraBalanca::Tipo::Estavel:
        terminaComPeso(r);
        break;
    case LeituraBalanca::Tipo::Instavel:
        m_houveInstavel = true;
        if (!r.numero.isEmpty())
            emit pesoInstavel(r.numero, r.unidade);
        if (m_cfg.protocolo != ProtocoloBalanca::Continuo && m_envios.isEmpty())
            m_repete.start(kIntervaloRepeticaoMs);
        break;
    case LeituraBalanca::Tipo::Falha:
        // A stream goes on: one unreadable line is kept for the message, should
        // no weight come before the wait runs out.
        if (m_cfg.protocolo == ProtocoloBalanca::Continuo
            && (r.falha == FalhaBalanca::LinhaIlegivel || r.falha == FalhaBalanca::BitsOuParidade)) {
            m_ilegivel = r;
            break;
        }
        termina(r.falha, r.detalhe);
        break;
    case LeituraBalanca::Tipo::Ignorada:
        break;
    }
}

void LeitorBalanca::naoPedida(const LeituraBalanca &r)
{
    const qint64 agora = m_relogio.elapsed();
    const qint64 intervalo = agora - m_ultimaNaoPedida;
    m_ultimaNaoPedida = agora;
    if (intervalo >= kFimDoFluxoMs)
        m_avisouFluxo = false;
    if (intervalo < kSilencioTeclaMs) {
        // Part of a stream: neither this line nor the one before it is taken.
        m_tecla.stop();
        if (++m_seguidas >= 2 && !m_avisouFluxo && m_cfg.protocolo != ProtocoloBalanca::Continuo) {
            m_avisouFluxo = true;
            m_ultimaFalha = FalhaBalanca::EnviandoSemParar;
            emit falha(mensagem(FalhaBalanca::EnviandoSemParar, QString()));
        }
        return;
    }
    m_seguidas = 0;
    if (!m_cfg.teclaImprimir)
        return;
    const bool inaceitavel =
        r.tipo == LeituraBalanca::Tipo::Falha
        && (r.falha == FalhaBalanca::UnidadeRecusada || r.falha == FalhaBalanca::PesoNegativo);
    if (r.tipo == LeituraBalanca::Tipo::Estavel || inaceitavel) {
        m_candidata = r;
        m_tecla.start(kSilencioTeclaMs);
    }
}

void LeitorBalanca::teclaConfirmada()
{
    if (m_lendo || !aberta())
        return;
    if (m_candidata.tipo == LeituraBalanca::Tipo::Estavel) {
        m_ultima = m_candidata;
        emit pesoEspontaneo(m_candidata.peso);
    } else {
        emit falha(mensagem(m_candidata.falha, m_candidata.detalhe));
    }
}

void LeitorBalanca::trataLonga()
{
    if (origemDaLinha() != Origem::Abandonada && m_lendo)
        termina(FalhaBalanca::LinhaLonga);
}

LeitorBalanca::Origem LeitorBalanca::origemDaLinha()
{
    // The oldest request still unanswered gets the line that came. While a
    // reading waits, requests older than the wait are taken as lost, so that
    // one lost request does not shift the replies of the readings after it.
    // Idle, a request given up stays owed until its reply comes: a balance
    // that cannot be told to forget it (SBI) answers when it is stable.
    const qint64 agora = m_relogio.elapsed();
    if (m_lendo)
        while (!m_envios.isEmpty() && agora - m_envios.first().instante > m_cfg.esperaMs)
            m_envios.removeFirst();
    if (m_envios.isEmpty())
        return agora < m_descartaAte ? Origem::Abandonada : Origem::NaoPedida;
    const Envio envio = m_envios.takeFirst();
    return m_lendo && envio.leitura == m_leitura ? Origem::Resposta : Origem::Abandonada;
}

// ------------------------------------------------------------------- program

LeitorBalanca &BalancaDoPrograma()
{
    static QPointer<LeitorBalanca> balanca;
    if (!balanca)
        balanca = new LeitorBalanca(LeConfiguracaoBalanca(), QCoreApplication::instance());
    return *balanca;
}
