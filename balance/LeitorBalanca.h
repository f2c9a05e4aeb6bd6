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
//                        only when the settings take them (TeclaImprimir).
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
// closed; the next reading opens it again. A reply that comes after its
// reading was given up (Esc, time out) is dropped, not taken as a weight sent
// unasked, up to twice EsperaMs after its request.
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
    // Gives up a waiting reading and closes the port.
    void fecha();
    bool aberta() const;

    // The fault of the last failed reading.
    FalhaBalanca ultimaFalha() const { return m_ultimaFalha; }
    // The line of the last weight taken, as the balance sent it.
    const LeituraBalanca &ultimaLeitura() const { return m_ultima; }

    // Time between repeated requests while the balance says the weight is unstable.
    static constexpr int kIntervaloRepeticaoMs = 100;

signals:
    void pesoLido(double peso);
    void pesoEspontaneo(double peso);
    void falha(const QString &mensagem);
    void lendoMudou(bool lendo);

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
    // Whether the line that came answers a reading given up.
    bool respostaAbandonada();
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
};

// The program's balance, shared by every window: created on first use with
// the settings of PesoMed.ini, destroyed with the application object.
LeitorBalanca &BalancaDoPrograma();
