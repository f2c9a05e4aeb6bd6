#pragma once
// The balance of this workstation, kept in the module's own file PesoMed.ini
// (INI format, group [Balanca]): Porta, Protocolo,
// Velocidade, BitsDeDados, Paridade, BitsDeParada, ControleDeFluxo, EsperaMs,
// TeclaImprimir and, for other makes in continuous mode, Padrao. Without the
// file, or with an empty port, there is no balance. A value that cannot be
// used is named in erros and the reading refuses to start.

#include "balance/ProtocolosBalanca.h"

#include <QString>
#include <QStringList>

enum class ParidadeBalanca { Nenhuma, Par, Impar, Marca, Espaco };
enum class ParadaBalanca { Um, UmEMeio, Dois };
enum class FluxoBalanca { Nenhum, Hardware, Software };

struct ConfiguracaoBalanca {
    QString porta; // "/dev/ttyUSB0", "COM3"; empty: no balance
    ProtocoloBalanca protocolo = ProtocoloBalanca::MtSics;
    qint32 velocidade = 9600;
    int bitsDeDados = 8; // 5 to 8
    ParidadeBalanca paridade = ParidadeBalanca::Nenhuma;
    ParadaBalanca bitsDeParada = ParadaBalanca::Um;
    FluxoBalanca controleDeFluxo = FluxoBalanca::Nenhum;
    int esperaMs = 5000; // how long a reading waits for a stable weight
    // Stable weights the balance sends unasked (its print key) are taken.
    // Off by default in continuous mode, where the balance sends all the time.
    bool teclaImprimir = true;
    QString padrao; // continuous mode: the line pattern of other makes
    QStringList erros; // the values read that cannot be used, as "Chave \"valor\""

    bool configurada() const { return !porta.trimmed().isEmpty(); }
    bool operator==(const ConfiguracaoBalanca &) const = default;
};

constexpr int kEsperaMinimaMs = 100;
constexpr int kEsperaMaximaMs = 600000;

// Where the settings are saved: on Windows PesoMed.ini beside the suite's
// files (CaminhoSistema once the suite configuration has been read, else the
// folder of the executable); elsewhere pesomed/PesoMed.ini in the user's
// configuration folder (~/.config), since the program's folder is not theirs.
QString ArquivoGravacaoBalanca();
// pesomed/PesoMed.ini in the user's own configuration folder (Windows: the
// local application data).
QString ArquivoDoUsuarioBalanca();
// Where they are read from: the user's own file when there is one, else the
// saved file, or else a PesoMed.ini left beside the suite's files.
QString ArquivoConfiguracaoBalanca();
// The settings of the file; the defaults (no balance) when it does not exist.
ConfiguracaoBalanca LeConfiguracaoBalanca(const QString &arquivo = ArquivoConfiguracaoBalanca());
// Writes the group [Balanca], leaving any other group of the file alone.
// False with the reason when the file cannot be written.
bool GravaConfiguracaoBalanca(const ConfiguracaoBalanca &configuracao, const QString &arquivo, QString *erro);
// Saves where ArquivoGravacaoBalanca says or, when that place cannot be
// written (a suite folder closed to the user), in the user's own file.
// The file written; empty, with the reason of the first failure, when none could be.
QString GravaConfiguracaoDaBalanca(const ConfiguracaoBalanca &configuracao, QString *erro);
// The values that cannot be used, as LeConfiguracaoBalanca would list them.
QStringList ValidaConfiguracaoBalanca(const ConfiguracaoBalanca &configuracao);

// The factory settings of each maker's balances for the protocol (speed,
// data bits, parity, stop bits, flow control); the rest as in c. CONTINUO: c.
ConfiguracaoBalanca ConfiguracaoDeFabrica(ProtocoloBalanca protocolo, ConfiguracaoBalanca c = ConfiguracaoBalanca());

// The name of a serial device that survives unplugging: on Linux the link
// of pasta (/dev/serial/by-id) that leads to it, when there is one.
QString NomeEstavelDaPorta(const QString &dispositivo, const QString &pasta = QString());
// The device a port name leads to ("/dev/serial/by-id/..." -> "/dev/ttyUSB0").
QString DispositivoDaPorta(const QString &porta);

// The words written to the file: "Nenhuma", "Par", "Impar", "Marca", "Espaco";
// "1", "1.5", "2"; "Nenhum", "Hardware", "Software". Read, the file also takes
// N/E/O/M/S, None/Even/Odd/Mark/Space, Ímpar, Espaço; None, RTS-CTS, RTS/CTS,
// XON-XOFF, XON/XOFF.
QString NomeParidade(ParidadeBalanca paridade);
QString NomeParada(ParadaBalanca parada);
QString NomeFluxo(FluxoBalanca fluxo);
