#include "balance/ConfiguracaoBalanca.h"

#include "config/uConfiguracao.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString kGrupo = QStringLiteral("Balanca");

// Letter case and accents do not matter in the file.
QString semAcento(QString texto)
{
    texto = texto.trimmed().toLower();
    texto.replace(u'í', u'i').replace(u'ç', u'c').replace(u',', u'.');
    return texto;
}

template <typename E>
bool doNome(const QString &texto, std::initializer_list<E> valores, QString (*nome)(E), E *valor)
{
    for (E v : valores)
        if (semAcento(nome(v)) == semAcento(texto)) {
            *valor = v;
            return true;
        }
    return false;
}

// The other usual notations of a value, as other programs and manuals write them.
template <typename E>
bool doApelido(const QString &texto, std::initializer_list<std::pair<const char *, E>> apelidos, E *valor)
{
    for (const auto &[apelido, v] : apelidos)
        if (semAcento(QString::fromUtf8(apelido)) == semAcento(texto)) {
            *valor = v;
            return true;
        }
    return false;
}

QString invalido(const QString &chave, const QString &valor)
{
    return QStringLiteral("%1 \"%2\"").arg(chave, valor);
}

// A word the program does not take, named with the words it takes.
QString invalido(const QString &chave, const QString &valor, const QString &aceitos)
{
    return QStringLiteral("%1 \"%2\" (use %3)").arg(chave, valor, aceitos);
}

} // namespace

QString NomeParidade(ParidadeBalanca paridade)
{
    switch (paridade) {
    case ParidadeBalanca::Nenhuma:
        return QStringLiteral("Nenhuma");
    case ParidadeBalanca::Par:
        return QStringLiteral("Par");
    case ParidadeBalanca::Impar:
        return QStringLiteral("Impar");
    case ParidadeBalanca::Marca:
        return QStringLiteral("Marca");
    case ParidadeBalanca::Espaco:
        return QStringLiteral("Espaco");
    }
    return QString();
}

QString NomeParada(ParadaBalanca parada)
{
    switch (parada) {
    case ParadaBalanca::Um:
        return QStringLiteral("1");
    case ParadaBalanca::UmEMeio:
        return QStringLiteral("1.5");
    case ParadaBalanca::Dois:
        return QStringLiteral("2");
    }
    return QString();
}

QString NomeFluxo(FluxoBalanca fluxo)
{
    switch (fluxo) {
    case FluxoBalanca::Nenhum:
        return QStringLiteral("Nenhum");
    case FluxoBalanca::Hardware:
        return QStringLiteral("Hardware");
    case FluxoBalanca::Software:
        return QStringLiteral("Software");
    }
    return QString();
}

namespace {

// PesoMed.ini beside the suite's files: CaminhoSistema once the suite
// configuration has been read, else the folder of the executable.
QString arquivoDoPrograma()
{
    QString pasta = CaminhoSistema;
    if (pasta.isEmpty())
        pasta = QCoreApplication::applicationDirPath() + u'/';
    return pasta + QStringLiteral("PesoMed.ini");
}

} // namespace

QString ArquivoDoUsuarioBalanca()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/pesomed/PesoMed.ini");
}

QString ArquivoGravacaoBalanca()
{
#ifdef Q_OS_WIN
    // Beside the suite's files, where every program of the suite keeps its own.
    return arquivoDoPrograma();
#else
    // The program's folder belongs to the administrator: the user's configuration folder.
    return ArquivoDoUsuarioBalanca();
#endif
}

QString ArquivoConfiguracaoBalanca()
{
    // A copy the user saved in their own folder (Windows: because the suite's
    // folder was closed to them) comes first.
    const QString doUsuario = ArquivoDoUsuarioBalanca();
    if (QFileInfo::exists(doUsuario))
        return doUsuario;
    const QString gravado = ArquivoGravacaoBalanca();
    return QFileInfo::exists(gravado) ? gravado : arquivoDoPrograma();
}

QString GravaConfiguracaoDaBalanca(const ConfiguracaoBalanca &configuracao, QString *erro)
{
    const QString arquivo = ArquivoGravacaoBalanca();
    if (GravaConfiguracaoBalanca(configuracao, arquivo, erro))
        return arquivo;
    const QString doUsuario = ArquivoDoUsuarioBalanca();
    if (doUsuario == arquivo)
        return QString();
    // The suite's folder may belong to the administrator: the user's own.
    QString erroDoUsuario;
    if (!GravaConfiguracaoBalanca(configuracao, doUsuario, &erroDoUsuario))
        return QString();
    if (erro)
        erro->clear();
    return doUsuario;
}

QStringList ValidaConfiguracaoBalanca(const ConfiguracaoBalanca &c)
{
    QStringList erros;
    // A device name has no control characters (a NUL would cut it short) and
    // is short; anything else is no port and is never opened.
    const bool controle = std::any_of(c.porta.begin(), c.porta.end(), [](QChar ch) { return ch.unicode() < 0x20 || ch.unicode() == 0x7F; });
    if (controle || c.porta.size() > 255)
        erros << invalido(QStringLiteral("Porta"), LinhaLegivel(c.porta.toUtf8()));
    if (c.velocidade <= 0)
        erros << invalido(QStringLiteral("Velocidade"), QString::number(c.velocidade));
    if (c.bitsDeDados < 5 || c.bitsDeDados > 8)
        erros << invalido(QStringLiteral("BitsDeDados"), QString::number(c.bitsDeDados));
    if (c.esperaMs < kEsperaMinimaMs || c.esperaMs > kEsperaMaximaMs)
        erros << invalido(QStringLiteral("EsperaMs"), QString::number(c.esperaMs));
    if (!c.padrao.isEmpty()) {
        const QRegularExpression re(c.padrao);
        if (!re.isValid() || !re.namedCaptureGroups().contains(QStringLiteral("peso")))
            erros << invalido(QStringLiteral("Padrao"), c.padrao);
    }
    return erros;
}

ConfiguracaoBalanca LeConfiguracaoBalanca(const QString &arquivo)
{
    ConfiguracaoBalanca c;
    if (!QFileInfo::exists(arquivo))
        return c;
    QSettings ini(arquivo, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        c.erros << QStringLiteral("o arquivo não pôde ser lido");
        return c;
    }
    ini.beginGroup(kGrupo);
    // A comma outside quotes makes a list of the value: put it back together.
    auto bruto = [&](const char *chave) {
        const QVariant v = ini.value(QLatin1String(chave));
        return v.typeId() == QMetaType::QStringList ? v.toStringList().join(u',') : v.toString();
    };
    auto texto = [&](const char *chave) { return bruto(chave).trimmed(); };
    auto inteiro = [&](const char *chave, int *valor) {
        const QString t = texto(chave);
        if (t.isEmpty())
            return;
        bool ok = false;
        const int v = t.toInt(&ok);
        if (ok)
            *valor = v;
        else
            c.erros << invalido(QLatin1String(chave), t);
    };

    c.porta = texto("Porta");
    if (const QString t = texto("Protocolo"); !t.isEmpty() && !ProtocoloDoNome(t, &c.protocolo))
        c.erros << invalido(QStringLiteral("Protocolo"), t, QStringLiteral("MT-SICS, SBI, AND ou CONTINUO"));
    inteiro("Velocidade", &c.velocidade);
    inteiro("BitsDeDados", &c.bitsDeDados);
    using P = ParidadeBalanca;
    if (const QString t = texto("Paridade");
        !t.isEmpty()
        && !doNome(t, {P::Nenhuma, P::Par, P::Impar, P::Marca, P::Espaco}, NomeParidade, &c.paridade)
        && !doApelido<P>(t,
                         {{"N", P::Nenhuma}, {"None", P::Nenhuma}, {"E", P::Par}, {"Even", P::Par},
                          {"O", P::Impar}, {"Odd", P::Impar}, {"M", P::Marca}, {"Mark", P::Marca},
                          {"S", P::Espaco}, {"Space", P::Espaco}},
                         &c.paridade))
        c.erros << invalido(QStringLiteral("Paridade"), t,
                            QStringLiteral("Nenhuma, Par, Impar, Marca ou Espaco; N, E, O, M ou S"));
    if (const QString t = texto("BitsDeParada");
        !t.isEmpty()
        && !doNome(t, {ParadaBalanca::Um, ParadaBalanca::UmEMeio, ParadaBalanca::Dois}, NomeParada, &c.bitsDeParada))
        c.erros << invalido(QStringLiteral("BitsDeParada"), t, QStringLiteral("1, 1.5 ou 2"));
    using F = FluxoBalanca;
    if (const QString t = texto("ControleDeFluxo");
        !t.isEmpty() && !doNome(t, {F::Nenhum, F::Hardware, F::Software}, NomeFluxo, &c.controleDeFluxo)
        && !doApelido<F>(t,
                         {{"None", F::Nenhum}, {"RTS-CTS", F::Hardware}, {"RTS/CTS", F::Hardware},
                          {"XON-XOFF", F::Software}, {"XON/XOFF", F::Software}},
                         &c.controleDeFluxo))
        c.erros << invalido(QStringLiteral("ControleDeFluxo"), t,
                            QStringLiteral("Nenhum, Hardware (RTS-CTS) ou Software (XON-XOFF)"));
    inteiro("EsperaMs", &c.esperaMs);
    c.teclaImprimir = c.protocolo != ProtocoloBalanca::Continuo;
    if (const QString t = texto("TeclaImprimir"); !t.isEmpty()) {
        const QString v = semAcento(t);
        if (v == QLatin1String("true") || v == QLatin1String("sim") || v == QLatin1String("1"))
            c.teclaImprimir = true;
        else if (v == QLatin1String("false") || v == QLatin1String("nao") || v == QLatin1String("não")
                 || v == QLatin1String("0"))
            c.teclaImprimir = false;
        else
            c.erros << invalido(QStringLiteral("TeclaImprimir"), t, QStringLiteral("sim ou não"));
    }
    c.padrao = bruto("Padrao");
    for (const QString &e : ValidaConfiguracaoBalanca(c))
        if (!c.erros.contains(e))
            c.erros << e;
    return c;
}

bool GravaConfiguracaoBalanca(const ConfiguracaoBalanca &c, const QString &arquivo, QString *erro)
{
    QSettings ini(arquivo, QSettings::IniFormat);
    ini.beginGroup(kGrupo);
    ini.setValue(QStringLiteral("Porta"), c.porta.trimmed());
    ini.setValue(QStringLiteral("Protocolo"), NomeProtocolo(c.protocolo));
    ini.setValue(QStringLiteral("Velocidade"), c.velocidade);
    ini.setValue(QStringLiteral("BitsDeDados"), c.bitsDeDados);
    ini.setValue(QStringLiteral("Paridade"), NomeParidade(c.paridade));
    ini.setValue(QStringLiteral("BitsDeParada"), NomeParada(c.bitsDeParada));
    ini.setValue(QStringLiteral("ControleDeFluxo"), NomeFluxo(c.controleDeFluxo));
    ini.setValue(QStringLiteral("EsperaMs"), c.esperaMs);
    ini.setValue(QStringLiteral("TeclaImprimir"), c.teclaImprimir);
    ini.setValue(QStringLiteral("Padrao"), c.padrao);
    ini.endGroup();
    ini.sync();
    if (ini.status() != QSettings::NoError) {
        if (erro)
            *erro = QStringLiteral("Não foi possível gravar %1.").arg(arquivo);
        return false;
    }
    return true;
}

ConfiguracaoBalanca ConfiguracaoDeFabrica(ProtocoloBalanca protocolo, ConfiguracaoBalanca c)
{
    c.protocolo = protocolo;
    c.bitsDeParada = ParadaBalanca::Um;
    switch (protocolo) {
    case ProtocoloBalanca::MtSics:
        // 9600 baud, 8 data bits, no parity, 1 stop bit, Xon/Xoff (AT balances
        // operating instructions p. 23, "Host" factory setting).
        c.velocidade = 9600;
        c.bitsDeDados = 8;
        c.paridade = ParidadeBalanca::Nenhuma;
        c.controleDeFluxo = FluxoBalanca::Software;
        break;
    case ProtocoloBalanca::Sbi:
        // 1200 baud, odd parity, 1 stop bit, hardware handshake, 7-bit ASCII
        // (CP series operating instructions p. 54).
        c.velocidade = 1200;
        c.bitsDeDados = 7;
        c.paridade = ParidadeBalanca::Impar;
        c.controleDeFluxo = FluxoBalanca::Hardware;
        break;
    case ProtocoloBalanca::And:
        // bps 2 (2400), btpr 0 (7 bits, even), no CTS/RTS control (GF-K
        // product specifications p. 7, the GX/GF internal settings).
        c.velocidade = 2400;
        c.bitsDeDados = 7;
        c.paridade = ParidadeBalanca::Par;
        c.controleDeFluxo = FluxoBalanca::Nenhum;
        break;
    case ProtocoloBalanca::Continuo:
        break;
    }
    return c;
}

QString NomeEstavelDaPorta(const QString &dispositivo, const QString &pasta)
{
#ifdef Q_OS_LINUX
    const QDir dir(pasta.isEmpty() ? QStringLiteral("/dev/serial/by-id") : pasta);
    const QString alvo = QFileInfo(dispositivo).canonicalFilePath();
    if (!alvo.isEmpty())
        for (const QFileInfo &link : dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
            if (link.isSymLink() && link.canonicalFilePath() == alvo)
                return link.absoluteFilePath();
#else
    Q_UNUSED(pasta);
#endif
    return dispositivo;
}

QString DispositivoDaPorta(const QString &porta)
{
    const QFileInfo info(porta);
    return info.isSymLink() && !info.canonicalFilePath().isEmpty() ? info.canonicalFilePath() : porta;
}
