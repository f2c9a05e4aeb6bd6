#pragma once
// What a laboratory balance says, one line at a time. Each protocol has a pure
// function from one received line (without its CR/LF) to a reading: a stable
// weight with its unit, an unstable reading, a fault, or a line that concerns
// no weight. InterpretaLinha adds the conversion to the calculation unit.
// The weight keeps the digits the balance sent, so that 0.3746 g becomes the
// same 374.6 that typing "374,6" gives.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QRegularExpression;

enum class ProtocoloBalanca {
    MtSics,   // "S" / "SI": S S     0.3746 g
    Sbi,      // ESC P: +   62.916 g  (16 or 22 characters with CR LF)
    And,      // "Q" / "S": ST,+00123.456  g
    Continuo, // lines sent unasked: continuous output or the print key
};

// "MT-SICS", "SBI", "AND", "CONTINUO".
QString NomeProtocolo(ProtocoloBalanca protocolo);
// The protocol of one of those names (any letter case); false when unknown.
bool ProtocoloDoNome(const QString &nome, ProtocoloBalanca *protocolo);

// Every way a reading can fail. Each has its own message (MensagemFalhaBalanca).
enum class FalhaBalanca {
    Nenhuma,
    SemBalanca,           // no port configured
    ConfiguracaoInvalida, // a value of PesoMed.ini that cannot be used
    PortaInexistente,
    PortaOcupada,
    PortaSemPermissao,
    PortaComErro,         // any other refusal to open the port
    SemResposta,          // nothing within EsperaMs
    Instavel,             // only unstable readings until EsperaMs ran out
    Sobrecarga,
    Subcarga,
    ErroDaBalanca,        // the balance's own error reply
    LinhaIlegivel,
    LinhaIncompleta,
    LinhaLonga,
    UnidadeRecusada,      // neither g nor mg
    PesoNegativo,
    ComunicacaoInterrompida, // the port failed while open: cable pulled
    BitsOuParidade,       // bytes that read once their top bit is dropped: 7 data bits and parity
    EnviandoSemParar,     // weights sent unasked one after another: auto-print or continuous output
};

// Longest line taken from a balance, terminator excluded; longer ones are refused.
constexpr int kLinhaMaximaBalanca = 100;

struct LeituraBalanca {
    enum class Tipo { Estavel, Instavel, Falha, Ignorada };
    Tipo tipo = Tipo::Ignorada;
    QString numero;  // the weight as sent, sign and decimal point ("-0.3746"), when there is one
    QString unidade; // the unit as sent ("g", "mg"), when there is one
    double peso = 0; // Estavel, after InterpretaLinha: the weight in the calculation unit
    FalhaBalanca falha = FalhaBalanca::Nenhuma;
    QString detalhe; // Falha: the balance's error in words, the refused unit or the line
    // Filled by the reader with every weight it delivers: the line as it came
    // and the balance that sent it, as it identified itself ("" when it did not).
    QByteArray linha;
    QString modelo;
    QString numeroDeSerie;
};

// Line patterns of makes that send lines of their own in continuous mode or
// with their print key, for the setting Padrao. Named groups as
// InterpretaContinuo takes them.
struct PadraoConhecido {
    QString nome;
    QString padrao;
};
const QList<PadraoConhecido> &PadroesConhecidos();

// The request for one weight, the cancelling of a request the balance may
// still be holding (empty: the protocol has none), zero and tare (empty: none).
QByteArray ComandoPeso(ProtocoloBalanca protocolo);
QByteArray ComandoCancela(ProtocoloBalanca protocolo);
QByteArray ComandoZerar(ProtocoloBalanca protocolo);
QByteArray ComandoTarar(ProtocoloBalanca protocolo);

// The read-only questions that identify a balance, in the order asked, and
// the answer to one of them: false when the line is no answer to it.
struct ConsultaIdentificacao {
    enum class Dado { Modelo, NumeroDeSerie };
    Dado dado;
    QByteArray comando;
};
QList<ConsultaIdentificacao> ConsultasIdentificacao(ProtocoloBalanca protocolo);
bool InterpretaIdentificacao(ProtocoloBalanca protocolo, const ConsultaIdentificacao &consulta, QByteArrayView linha,
                             QString *valor);

// A line garbled the way 7 data bits with parity read as 8 data bits garble
// it: some bytes with the top bit set, all printable without it. limpa: the
// line without the top bits; paridade: "par" or "ímpar", the parity the top
// bits follow ("" when neither).
bool LinhaCom7Bits(QByteArrayView linha, QByteArray *limpa, QString *paridade);

// The replies of each protocol. Lines that belong to no weight (acknowledgements,
// replies to other commands) come back Ignorada.
LeituraBalanca InterpretaMtSics(QByteArrayView linha);
LeituraBalanca InterpretaSbi(QByteArrayView linha);
LeituraBalanca InterpretaAnd(QByteArrayView linha);
// A line sent unasked. With a pattern: named groups "peso" (required),
// "unidade", "instavel" (a match there marks the reading unstable),
// "sobrecarga" and "subcarga"; square brackets around digits not verified are
// dropped; a line the pattern does not match is illegible. Without one: the
// line is read as MT-SICS, A&D or SBI by its look; other makes need a pattern.
LeituraBalanca InterpretaContinuo(QByteArrayView linha, const QRegularExpression &padrao);

// One line of the protocol, the weight converted to the calculation unit
// ("G": grams; anything else: milligrams). Units other than g, mg and µg and
// negative weights become faults.
LeituraBalanca InterpretaLinha(ProtocoloBalanca protocolo, QByteArrayView linha, const QString &unidadeCalculo,
                               const QRegularExpression &padrao);

// The weight of numero (digits with at most one '.' or ',') given in unidade,
// in the calculation unit, rounded as the same digits typed would be. False
// when the unit is neither g, mg nor µg, or the number is not one.
bool ConvertePeso(const QString &numero, const QString &unidade, const QString &unidadeCalculo, double *peso);

// A received line as it can be shown in a message: control and non-ASCII
// bytes as <1B>, at most 40 characters.
QString LinhaLegivel(QByteArrayView linha);

// Gathers received bytes into lines ended by CR, LF or both, never holding
// more than kLinhaMaximaBalanca bytes: a longer line is reported once and its
// bytes are dropped up to its terminator.
class AcumuladorLinhas {
public:
    struct Evento {
        enum class Tipo { Linha, Longa };
        Tipo tipo;
        QByteArray linha; // Linha: without terminator, never empty
    };

    // The lines and overlong lines completed by these bytes, in order.
    QList<Evento> acrescenta(QByteArrayView bytes);
    // The start of a line not yet ended.
    const QByteArray &pendente() const { return m_linha; }
    bool descartando() const { return m_descartando; }
    // Drops the line under way and whatever comes up to its terminator.
    void descartaLinhaAtual();
    void limpa();

private:
    QByteArray m_linha;
    bool m_descartando = false;
};

// The message for the user about a failed reading, in Portuguese. detalhe as
// the reading gave it; porta and esperaMs from the settings in force.
QString MensagemFalhaBalanca(FalhaBalanca falha, const QString &detalhe, const QString &porta, int esperaMs);
