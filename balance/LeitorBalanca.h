#pragma once
// Reads weights from the balance of the settings over its serial port,
// asynchronously, on the UI thread: nothing here ever blocks.
//
// How a window uses the program's balance:
//   LeitorBalanca &b = BalancaDoPrograma();
//   b.configurada()      false: no balance on this workstation (F6 says so).
//   b.ler()              asks for one stable weight and returns at once. Exactly
//                        one of pesoLido(peso) or falha(mensagem) answers it,
//                        unless cancela() gives it up first: then neither does.
//                        A second ler() while one is waiting does nothing.
//   b.cancela()          gives up the waiting reading (Esc).
//   lendoMudou(lendo)    true while a reading waits ("Lendo a balança…").
//   pesoEspontaneo(peso) a stable weight the balance sent unasked (its print
//                        key), while the port is open and no reading waits;
//                        only when the settings take them (TeclaImprimir),
//                        and only a line alone: one that comes within
//                        kSilencioTeclaMs of another line sent unasked is part
//                        of a stream (auto-print, continuous output) and is
//                        never taken. A stream under a command protocol brings
//                        one falha (EnviandoSemParar) until it stops.
//   pesoInstavel(numero, unidade)  while a reading waits: the balance's live,
//                        unstable weight as it sent it.
//   identificacaoMudou() the balance answered (or not) the questions for its
//                        model and serial number, asked each time the port
//                        opens; modelo() and numeroDeSerie() then hold them.
//   b.abre()             opens the port without reading, to hear the print key
//                        from the moment a window shows.
// Weights are in the calculation unit (UnidadePesoMedio when the line
// arrives). falha carries the message to show; ultimaFalha() says which fault.
// A weight sent unasked that cannot be taken (unit, negative) also comes as falha.
//
// The port is opened by the first reading and stays open to hear the print
// key. Right after opening, bytes that arrive before the line is quiet or
// before the first line end are dropped, so that a line already under way is
// never read from its middle. A port that fails while open (cable pulled) is
// closed; the next reading opens it again. A reply belongs to its request:
// when a reading is given up (Esc, time out) its request is cancelled where
// the protocol can (MT-SICS "@", A&D "C") and a reply already on its way is
// dropped; where it cannot (SBI), the reply still owed is dropped whenever it
// comes, never taken as a weight sent unasked.
//
// Every weight delivered (pesoLido, pesoEspontaneo) comes with ultimaLeitura():
// the line as the balance sent it, its model and serial number.
//
// Call from the UI thread only; do not delete the reader from its own signals.

#include "balance/ConfiguracaoBalanca.h"
#include "balance/ProtocolosBalanca.h"

#include <QElapsedTimer>
#include <QObject>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTimer>

class LeitorBalanca : public QObject {
    Q_OBJECT
public:
    explicit LeitorBalanca(QObject *parent = nullptr);
    explicit LeitorBalanca(const ConfiguracaoBalanca &configuracao, QObject *parent = nullptr);
    ~LeitorBalanca() override;

    const ConfiguracaoBalanca &configuracao() const { return m_cfg; }
    // New settings: a waiting reading is given up (no signal) and the port closed.
    void setConfiguracao(const ConfiguracaoBalanca &configuracao);
    bool configurada() const { return m_cfg.configurada(); }

    void ler();
    void cancela();
    bool lendo() const { return m_lendo; }

    // Opens the port; false with the message when it cannot.
    bool abre(QString *mensagem = nullptr);
    // Zero and tare: the command sent (the port opened if need be); false with
    // the message when the port cannot be opened or the protocol has none.
    bool zera(QString *mensagem = nullptr);
    bool tara(QString *mensagem = nullptr);
    // The balance as it identified itself since the port opened ("" if not).
    const QString &modelo() const { return m_modelo; }
    const QString &numeroDeSerie() const { return m_serie; }
    // Whether the questions for model and serial number are still waiting.
    bool identificando() const { return !m_consultas.isEmpty(); }
    // Gives up a waiting reading and closes the port.
    void fecha();
    bool aberta() const;

    // The fault of the last failed reading.
    FalhaBalanca ultimaFalha() const { return m_ultimaFalha; }
    // The line of the last weight taken, as the balance sent it.
    const LeituraBalanca &ultimaLeitura() const { return m_ultima; }

    // Time between repeated requests while the balance says the weight is unstable.
    static constexpr int kIntervaloRepeticaoMs = 100;
    // Quiet needed around a line sent unasked for it to be taken.
    static constexpr int kSilencioTeclaMs = 1200;
    // Quiet after which a stream of lines sent unasked is over.
    static constexpr int kFimDoFluxoMs = 3000;
    // How long each question for the balance's identity waits for its answer.
    static constexpr int kEsperaIdentificacaoMs = 800;

signals:
    void pesoLido(double peso);
    void pesoEspontaneo(double peso);
    void falha(const QString &mensagem);
    void lendoMudou(bool lendo);
    void pesoInstavel(const QString &numero, const QString &unidade);
    void identificacaoMudou();

private:
    struct Envio {
        quint64 leitura; // the reading that sent the command
        qint64 instante; // m_relogio, ms
    };

    bool abrePorta(FalhaBalanca *falha, QString *detalhe);
    void fechaPorta();
    void fechaPortaQueFalhou();
    int silencioMs() const;
    void chegaram();
    void silencioAlcancado();
    void sincronizada();
    void erroDaPorta(QSerialPort::SerialPortError erro);
    void trataLinha(const QByteArray &linha);
    void trataLonga();
    // Whom the line that came answers.
    enum class Origem { Resposta, Abandonada, NaoPedida };
    Origem origemDaLinha();
    void naoPedida(const LeituraBalanca &leitura);
    void teclaConfirmada();
    void cancelaPedido();
    void enviaConsulta();
    void consultaEsgotada();
    bool respostaDeConsulta(const QByteArray &linha);
    bool enviaAvulso(const QByteArray &comando, QString *mensagem);
    void enviaComando();
    void repete();
    void esgotouEspera();
    void termina(FalhaBalanca falha, const QString &detalhe = QString());
    void terminaComPeso(const LeituraBalanca &leitura);
    void falhaAdiada(FalhaBalanca falha, const QString &detalhe = QString());
    QString mensagem(FalhaBalanca falha, const QString &detalhe) const;

    ConfiguracaoBalanca m_cfg;
    QRegularExpression m_padrao;
    QSerialPort *m_porta = nullptr;
    AcumuladorLinhas m_linhas;
    QTimer m_espera;
    QTimer m_repete;
    QTimer m_silencio;
    QTimer m_tecla;    // the quiet after a line sent unasked
    QTimer m_consulta; // the wait for the answer to a question for the identity
    QElapsedTimer m_relogio;
    QList<Envio> m_envios;
    QByteArray m_ruido; // the last bytes dropped before the line was in step
    quint64 m_leitura = 0;
    bool m_lendo = false;
    bool m_abrindo = false;
    bool m_portaFalhou = false;
    bool m_sincronizada = false;
    bool m_comandoPendente = false;
    bool m_houveInstavel = false;
    FalhaBalanca m_ultimaFalha = FalhaBalanca::Nenhuma;
    LeituraBalanca m_ultima;
    LeituraBalanca m_candidata;       // a line sent unasked, waiting for the quiet after it
    qint64 m_ultimaNaoPedida = -1000000; // m_relogio when the last line sent unasked came
    int m_seguidas = 0;               // lines sent unasked one right after another
    bool m_avisouFluxo = false;
    qint64 m_descartaAte = -1;        // replies to a cancelled request still on their way
    QList<ConsultaIdentificacao> m_consultas;
    QString m_modelo;
    QString m_serie;
    bool m_falou = false; // a line came since the port opened
    LeituraBalanca m_ilegivel; // continuous mode: an unreadable line while the reading waits
};

// The program's balance, shared by every window: created on first use with
// the settings of PesoMed.ini, destroyed with the application object.
LeitorBalanca &BalancaDoPrograma();
