#include "balance/ProtocolosBalanca.h"

#include <QLocale>
#include <QtAlgorithms>
#include <QRegularExpression>
#include <QStringList>

namespace {

using Tipo = LeituraBalanca::Tipo;

LeituraBalanca falha(FalhaBalanca tipo, const QString &detalhe = QString())
{
    LeituraBalanca r;
    r.tipo = Tipo::Falha;
    r.falha = tipo;
    r.detalhe = detalhe;
    return r;
}

LeituraBalanca ilegivel(QByteArrayView linha)
{
    return falha(FalhaBalanca::LinhaIlegivel, LinhaLegivel(linha));
}

LeituraBalanca leitura(Tipo tipo, const QString &numero = QString(), const QString &unidade = QString())
{
    LeituraBalanca r;
    r.tipo = tipo;
    r.numero = numero;
    r.unidade = unidade;
    return r;
}

LeituraBalanca ignorada()
{
    return leitura(Tipo::Ignorada);
}

// Printable ASCII only: anything else is noise on the line or a wrong speed.
bool imprimivel(QByteArrayView linha)
{
    for (char c : linha)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
            return false;
    return true;
}

// A number as balances write it: optional sign, blanks allowed after it,
// digits with at most one decimal point or comma. Normalised to "-12.5".
bool numero(QStringView texto, QString *normalizado)
{
    texto = texto.trimmed();
    QString r;
    qsizetype i = 0;
    if (i < texto.size() && (texto[i] == u'+' || texto[i] == u'-')) {
        if (texto[i] == u'-')
            r += u'-';
        ++i;
        while (i < texto.size() && texto[i] == u' ')
            ++i;
    }
    int digitos = 0;
    bool separador = false;
    for (; i < texto.size(); ++i) {
        const QChar c = texto[i];
        if (c >= u'0' && c <= u'9') {
            r += c;
            ++digitos;
        } else if ((c == u'.' || c == u',') && !separador) {
            separador = true;
            r += u'.';
        } else {
            return false;
        }
    }
    // More digits than a double holds exactly is no balance reading.
    if (digitos == 0 || digitos > 15)
        return false;
    // Leading zeros (A&D pads with them) are no digits of the weight.
    const qsizetype inicio = r.startsWith(u'-') ? 1 : 0;
    while (r.size() > inicio + 1 && r[inicio] == u'0' && r[inicio + 1].isDigit())
        r.remove(inicio, 1);
    *normalizado = r;
    return true;
}

bool unidadeValida(QStringView unidade)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z%/\u00B5]{1,4}$"));
    return re.match(unidade).hasMatch();
}

// A MT-SICS line as text. The micro sign of "µg" comes as the balance's
// character set writes it: B5 in ANSI/Windows, the factory setting of Mettler
// Toledo balances (AT operating instructions p. 23), C2 B5 in UTF-8, E6 in
// IBM/DOS. Any other byte outside printable ASCII: false.
bool textoMtSics(QByteArrayView linha, QString *texto)
{
    QString r;
    for (qsizetype i = 0; i < linha.size(); ++i) {
        const auto b = static_cast<unsigned char>(linha[i]);
        const bool utf8 = b == 0xC2 && i + 2 < linha.size() && static_cast<unsigned char>(linha[i + 1]) == 0xB5;
        const qsizetype depois = utf8 ? i + 2 : i + 1;
        if ((utf8 || b == 0xB5 || b == 0xE6) && depois < linha.size() && linha[depois] == 'g') {
            r += QChar(0xB5);
            i = depois - 1;
            continue;
        }
        if (b < 0x20 || b > 0x7E)
            return false;
        r += QLatin1Char(char(b));
    }
    *texto = r;
    return true;
}

QString textoErroAnd(const QString &codigo)
{
    static const QList<std::pair<QString, QString>> textos = {
        {QStringLiteral("E00"), QStringLiteral("erro de comunicação")},
        {QStringLiteral("E01"), QStringLiteral("comando não reconhecido")},
        {QStringLiteral("E02"), QStringLiteral("balança não está pronta")},
        {QStringLiteral("E03"), QStringLiteral("tempo esgotado")},
        {QStringLiteral("E04"), QStringLiteral("caracteres em excesso")},
        {QStringLiteral("E06"), QStringLiteral("formato incorreto")},
        {QStringLiteral("E07"), QStringLiteral("parâmetro fora da faixa")},
        {QStringLiteral("E17"), QStringLiteral("erro da massa interna de calibração")},
        {QStringLiteral("E20"), QStringLiteral("erro de calibração")},
        {QStringLiteral("E21"), QStringLiteral("erro de calibração")},
    };
    for (const auto &[c, t] : textos)
        if (c == codigo)
            return QStringLiteral("EC,%1, %2").arg(codigo, t);
    return QStringLiteral("EC,%1").arg(codigo);
}

// The SBI special codes of a status: the older H, L, C of CP and FB balances
// (FB operating instructions p. 66), the words of Secura, Quintix and
// Practum (user manual p. 87: "High", "Low", "Cal.Ext.", "Cal.Int.", "--"
// while the readout is not final). Ignorada: no special code.
LeituraBalanca codigoSbi(const QString &t)
{
    if (t.isEmpty() || t == u'C' || t == QLatin1String("--") || t == QLatin1String("- -")
        || t.startsWith(QLatin1String("Cal."), Qt::CaseInsensitive))
        return leitura(Tipo::Instavel);
    if (t == u'H' || t == QLatin1String("HH") || t.compare(QLatin1String("High"), Qt::CaseInsensitive) == 0)
        return falha(FalhaBalanca::Sobrecarga);
    if (t == u'L' || t == QLatin1String("LL") || t.compare(QLatin1String("Low"), Qt::CaseInsensitive) == 0)
        return falha(FalhaBalanca::Subcarga);
    if (t.contains(QLatin1String("err"), Qt::CaseInsensitive))
        return falha(FalhaBalanca::ErroDaBalanca, t);
    return ignorada();
}

// The 14 characters of the SBI output before CR LF: sign, number, unit; or a
// special code.
LeituraBalanca corpoSbi(const QString &corpo, QByteArrayView linha)
{
    const QString t = corpo.simplified();
    if (LeituraBalanca c = codigoSbi(t); c.tipo != Tipo::Ignorada)
        return c;
    // The last digit may come in brackets, not verified, with the unit right
    // after it: "+  123.5[6]g  " (GC803S operating instructions p. 57).
    static const QRegularExpression re(
        QStringLiteral(R"(^([+-]?)\s*([0-9.,]*(?:\[[0-9]+\])?[0-9.,]*)\s*(\S*)$)"));
    const QRegularExpressionMatch m = re.match(t);
    QString n;
    // Digits in brackets are the balance's non-verified digits: still digits.
    QString digitos = m.captured(2);
    digitos.remove(u'[').remove(u']');
    if (!m.hasMatch() || !numero(QString(m.captured(1) + digitos), &n))
        return ilegivel(linha);
    const QString unidade = m.captured(3);
    // SBI leaves the unit out while the weight is not stable.
    if (unidade.isEmpty())
        return leitura(Tipo::Instavel, n);
    if (!unidadeValida(unidade))
        return ilegivel(linha);
    return leitura(Tipo::Estavel, n, unidade);
}

double potenciaDe10(int n)
{
    double r = 1;
    while (n-- > 0)
        r *= 10;
    return r;
}

} // namespace

QString NomeProtocolo(ProtocoloBalanca protocolo)
{
    switch (protocolo) {
    case ProtocoloBalanca::MtSics:
        return QStringLiteral("MT-SICS");
    case ProtocoloBalanca::Sbi:
        return QStringLiteral("SBI");
    case ProtocoloBalanca::And:
        return QStringLiteral("AND");
    case ProtocoloBalanca::Continuo:
        return QStringLiteral("CONTINUO");
    }
    return QString();
}

bool ProtocoloDoNome(const QString &nome, ProtocoloBalanca *protocolo)
{
    for (ProtocoloBalanca p : {ProtocoloBalanca::MtSics, ProtocoloBalanca::Sbi, ProtocoloBalanca::And,
                               ProtocoloBalanca::Continuo})
        if (nome.trimmed().compare(NomeProtocolo(p), Qt::CaseInsensitive) == 0) {
            *protocolo = p;
            return true;
        }
    return false;
}

LeituraBalanca InterpretaMtSics(QByteArrayView linha)
{
    if (linha.size() > kLinhaMaximaBalanca)
        return falha(FalhaBalanca::LinhaLonga);
    QString texto;
    if (!textoMtSics(linha, &texto))
        return ilegivel(linha);
    const QStringList partes = texto.split(u' ', Qt::SkipEmptyParts);
    if (partes.isEmpty())
        return ignorada();
    if (partes.size() == 1) {
        if (partes[0] == QLatin1String("ES"))
            return falha(FalhaBalanca::ErroDaBalanca, QStringLiteral("ES, comando não reconhecido"));
        if (partes[0] == QLatin1String("ET"))
            return falha(FalhaBalanca::ErroDaBalanca, QStringLiteral("ET, erro de transmissão"));
        if (partes[0] == QLatin1String("EL"))
            return falha(FalhaBalanca::ErroDaBalanca, QStringLiteral("EL, comando não executado"));
        return ilegivel(linha);
    }
    const QString &id = partes[0];
    const QString &estado = partes[1];
    if (id == u'S') {
        if (estado == u'S' || estado == u'D') {
            QString n;
            if (partes.size() != 4 || !numero(partes[2], &n) || !unidadeValida(partes[3]))
                return ilegivel(linha);
            return leitura(estado == u'S' ? Tipo::Estavel : Tipo::Instavel, n, partes[3]);
        }
        if (partes.size() != 2)
            return ilegivel(linha);
        // "S I": busy, or not stable within the balance's own time.
        if (estado == u'I')
            return leitura(Tipo::Instavel);
        if (estado == u'+')
            return falha(FalhaBalanca::Sobrecarga);
        if (estado == u'-')
            return falha(FalhaBalanca::Subcarga);
        return ilegivel(linha);
    }
    // The reply to another command (I4 A "...", Z A): not a weight.
    static const QRegularExpression outro(QStringLiteral("^[A-Z@][A-Z0-9]{0,3}$"));
    if (outro.match(id).hasMatch() && estado.size() == 1 && QStringLiteral("ABIL+-").contains(estado))
        return ignorada();
    return ilegivel(linha);
}

LeituraBalanca InterpretaSbi(QByteArrayView linha)
{
    if (linha.size() > kLinhaMaximaBalanca)
        return falha(FalhaBalanca::LinhaLonga);
    // Always 14 or 20 characters before CR LF: any other length is a piece
    // of a line or another protocol.
    if ((linha.size() != 14 && linha.size() != 20) || !imprimivel(linha))
        return ilegivel(linha);
    const QString s = QString::fromLatin1(linha);
    if (s.size() == 14)
        return corpoSbi(s, linha);
    // The 22-character form puts a 6-character identification before the 16.
    const QString id = s.left(6).trimmed();
    const QString corpo = s.mid(6);
    if (id.startsWith(QLatin1String("Stat"), Qt::CaseInsensitive)) {
        const LeituraBalanca c = codigoSbi(corpo.simplified());
        // Any other status: the balance is not ready yet.
        return c.tipo == Tipo::Ignorada ? leitura(Tipo::Instavel) : c;
    }
    // Only the net weight (ID "N", or none) is the weight: gross (G#), tare
    // (T, T2), statistics (Diff, Avg.) and the other lines of a printout are
    // not (Combics 1 operating instructions p. 98).
    if (!id.isEmpty() && id != u'N')
        return ignorada();
    return corpoSbi(corpo, linha);
}

LeituraBalanca InterpretaAnd(QByteArrayView linha)
{
    if (linha.size() > kLinhaMaximaBalanca)
        return falha(FalhaBalanca::LinhaLonga);
    // An acknowledgement (ACK) may come before a reply or alone.
    while (!linha.isEmpty() && linha.front() == '\x06')
        linha = linha.sliced(1);
    if (linha.isEmpty())
        return ignorada();
    if (!imprimivel(linha))
        return ilegivel(linha);
    const QString s = QString::fromLatin1(linha).trimmed();
    static const QRegularExpression erro(QStringLiteral("^EC,(E\\d\\d)$"));
    if (const QRegularExpressionMatch m = erro.match(s); m.hasMatch()) {
        // E11: the balance could not get a stable weight.
        if (m.captured(1) == QLatin1String("E11"))
            return leitura(Tipo::Instavel);
        return falha(FalhaBalanca::ErroDaBalanca, textoErroAnd(m.captured(1)));
    }
    // The DP (dump print) format: "WT" or "US", the sign only when the weight
    // is not zero, leading zeros as blanks (GX-A/GF-A communication manual
    // p. 16: "WT   +123.45  g").
    static const QRegularExpression dp(QStringLiteral(R"(^(WT|US|QT)\s+([+-]?)\s*([0-9.]+)\s+(\S+)$)"));
    if (const QRegularExpressionMatch m = dp.match(s); m.hasMatch()) {
        QString n;
        if (!numero(QString(m.captured(2) + m.captured(3)), &n) || !unidadeValida(m.captured(4)))
            return ilegivel(linha);
        return leitura(m.captured(1) == QLatin1String("US") ? Tipo::Instavel : Tipo::Estavel, n, m.captured(4));
    }
    // The A&D standard format: ST, US, QT or OL and a comma (same page).
    static const QRegularExpression dado(
        QStringLiteral(R"(^(ST|US|QT|OL),(?:(?:LO|OK|HI|--),)?\s*([+-])(.*)$)"));
    const QRegularExpressionMatch m = dado.match(s);
    if (!m.hasMatch())
        return ilegivel(linha);
    const QString cabecalho = m.captured(1);
    if (cabecalho == QLatin1String("OL"))
        return falha(m.captured(2) == u'-' ? FalhaBalanca::Subcarga : FalhaBalanca::Sobrecarga);
    static const QRegularExpression resto(QStringLiteral(R"(^\s*([0-9.]+)\s*,?\s*(\S*)$)"));
    const QRegularExpressionMatch r = resto.match(m.captured(3));
    QString n;
    if (!r.hasMatch() || !numero(QString(m.captured(2) + r.captured(1)), &n))
        return ilegivel(linha);
    const QString unidade = r.captured(2);
    if (!unidade.isEmpty() && !unidadeValida(unidade))
        return ilegivel(linha);
    return leitura(cabecalho == QLatin1String("US") ? Tipo::Instavel : Tipo::Estavel, n, unidade);
}

LeituraBalanca InterpretaContinuo(QByteArrayView linha, const QRegularExpression &padrao)
{
    if (linha.size() > kLinhaMaximaBalanca)
        return falha(FalhaBalanca::LinhaLonga);
    if (!imprimivel(linha))
        return ilegivel(linha);
    const QString s = QString::fromLatin1(linha).trimmed();
    if (!padrao.pattern().isEmpty()) {
        const QRegularExpressionMatch m = padrao.match(s);
        if (m.hasMatch() && !m.captured(QStringLiteral("sobrecarga")).isEmpty())
            return falha(FalhaBalanca::Sobrecarga);
        if (m.hasMatch() && !m.captured(QStringLiteral("subcarga")).isEmpty())
            return falha(FalhaBalanca::Subcarga);
        QString n;
        QString peso = m.captured(QStringLiteral("peso"));
        peso.remove(u'[').remove(u']');
        if (!m.hasMatch() || !numero(peso, &n))
            return ilegivel(linha);
        const QString unidade = m.captured(QStringLiteral("unidade")).trimmed();
        if (!m.captured(QStringLiteral("instavel")).isEmpty())
            return leitura(Tipo::Instavel, n, unidade);
        return leitura(Tipo::Estavel, n, unidade);
    }
    static const QRegularExpression and_(QStringLiteral("^([A-Z]{2},|(WT|US|QT)\\s)"));
    if (and_.match(s).hasMatch())
        return InterpretaAnd(linha);
    static const QRegularExpression mt(QStringLiteral("^(S [SDI+-]( |$)|E[STL]$)"));
    if (mt.match(s).hasMatch())
        return InterpretaMtSics(linha);
    return InterpretaSbi(linha);
}

LeituraBalanca InterpretaLinha(ProtocoloBalanca protocolo, QByteArrayView linha, const QString &unidadeCalculo,
                               const QRegularExpression &padrao)
{
    LeituraBalanca r;
    switch (protocolo) {
    case ProtocoloBalanca::MtSics:
        r = InterpretaMtSics(linha);
        break;
    case ProtocoloBalanca::Sbi:
        r = InterpretaSbi(linha);
        break;
    case ProtocoloBalanca::And:
        r = InterpretaAnd(linha);
        break;
    case ProtocoloBalanca::Continuo:
        r = InterpretaContinuo(linha, padrao);
        break;
    }
    if (r.tipo != Tipo::Estavel)
        return r;
    if (!ConvertePeso(r.numero, r.unidade, unidadeCalculo, &r.peso)) {
        r.tipo = Tipo::Falha;
        r.falha = FalhaBalanca::UnidadeRecusada;
        r.detalhe = r.unidade;
        return r;
    }
    if (r.peso < 0) {
        r.tipo = Tipo::Falha;
        r.falha = FalhaBalanca::PesoNegativo;
        r.detalhe = r.numero + u' ' + r.unidade;
    }
    return r;
}

bool ConvertePeso(const QString &numero, const QString &unidade, const QString &unidadeCalculo, double *peso)
{
    const QString u = unidade.toLower();
    const bool micro = u == QStringLiteral("\u00B5g");
    if (u != QLatin1String("g") && u != QLatin1String("mg") && !micro)
        return false;
    qint64 mantissa = 0;
    int casas = 0;
    int digitos = 0;
    bool negativo = false;
    bool decimal = false;
    for (QChar c : numero) {
        if (c == u'-' && digitos == 0 && !decimal) {
            negativo = true;
        } else if (c == u'+' && digitos == 0 && !decimal) {
        } else if (c == u'.' || c == u',') {
            if (decimal)
                return false;
            decimal = true;
        } else if (c >= u'0' && c <= u'9') {
            if (++digitos > 15)
                return false;
            mantissa = mantissa * 10 + (c.unicode() - u'0');
            if (decimal)
                ++casas;
        } else {
            return false;
        }
    }
    if (digitos == 0)
        return false;
    const bool gramas = unidadeCalculo == QLatin1String("G");
    if (u == QLatin1String("g") && !gramas)
        casas -= 3;
    else if (u == QLatin1String("mg") && gramas)
        casas += 3;
    else if (micro)
        casas += gramas ? 6 : 3;
    // Both factors exact: the quotient is the double nearest to the decimal value.
    double v = casas >= 0 ? double(mantissa) / potenciaDe10(casas) : double(mantissa) * potenciaDe10(-casas);
    *peso = negativo && mantissa != 0 ? -v : v;
    return true;
}

const QList<PadraoConhecido> &PadroesConhecidos()
{
    static const QList<PadraoConhecido> padroes = {
        // Ohaus: the weight right-aligned, the unit, "?" while unstable
        // ("*****192.21_g", "*******0.01_g_?": RS232 interface manual p. EN-3).
        {QStringLiteral("Ohaus"),
         QStringLiteral(R"(^\s*(?<peso>-?\s*\d[\d.]*)\s+(?<unidade>[A-Za-z]{1,4})\s*(?<instavel>\?)?\s*$)")},
        // Shimadzu, and Marte, which sells Shimadzu balances: S or U when the
        // stability is sent, the sign or a blank, the weight, the unit with no
        // blank before it, CR alone by default; "oL" out of range (AUW
        // instruction manual p. 81).
        {QStringLiteral("Shimadzu/Marte"),
         QStringLiteral(R"(^(?:S|(?<instavel>U))?\s*(?:(?<subcarga>-\s*oL)|(?<sobrecarga>oL)|)"
                        R"((?<peso>-?\s*[\d.\[\]]+)\s?(?<unidade>[A-Za-z]{1,3}))\s*$)")},
        // Radwag: "SI" in continuous output, a blank when stable, "?" when not,
        // "^" and "v" out of range, the sign, the weight, the unit (WTB
        // user manual p. 61: "? -    2.237 lb").
        {QStringLiteral("Radwag"),
         QStringLiteral(R"(^(?:SI\s+)?(?:(?<instavel>\?)|(?<sobrecarga>\^)|(?<subcarga>v))?\s*)"
                        R"((?:(?<peso>-?\s*[\d.]+)\s+(?<unidade>[A-Za-z]{1,3}))?\s*$)")},
    };
    return padroes;
}

QByteArray ComandoPeso(ProtocoloBalanca protocolo)
{
    switch (protocolo) {
    case ProtocoloBalanca::MtSics:
        // SI answers at once, stable or not, so that the waiting shows the
        // weight; S would hold its answer until the balance is stable.
        return QByteArrayLiteral("SI\r\n");
    case ProtocoloBalanca::Sbi:
        return QByteArrayLiteral("\x1bP\r\n");
    case ProtocoloBalanca::And:
        return QByteArrayLiteral("Q\r\n");
    case ProtocoloBalanca::Continuo:
        break;
    }
    return QByteArray();
}

QByteArray ComandoCancela(ProtocoloBalanca protocolo)
{
    switch (protocolo) {
    case ProtocoloBalanca::MtSics:
        return QByteArrayLiteral("@\r\n");
    case ProtocoloBalanca::And:
        return QByteArrayLiteral("C\r\n");
    case ProtocoloBalanca::Sbi:
    case ProtocoloBalanca::Continuo:
        break;
    }
    return QByteArray();
}

QByteArray ComandoZerar(ProtocoloBalanca protocolo)
{
    switch (protocolo) {
    case ProtocoloBalanca::MtSics:
    case ProtocoloBalanca::And:
        return QByteArrayLiteral("Z\r\n");
    case ProtocoloBalanca::Sbi:
        // Cubis MSE operating instructions p. 71: ESC V zero.
        return QByteArrayLiteral("\x1bV\r\n");
    case ProtocoloBalanca::Continuo:
        break;
    }
    return QByteArray();
}

QByteArray ComandoTarar(ProtocoloBalanca protocolo)
{
    switch (protocolo) {
    case ProtocoloBalanca::MtSics:
    case ProtocoloBalanca::And:
        return QByteArrayLiteral("T\r\n");
    case ProtocoloBalanca::Sbi:
        return QByteArrayLiteral("\x1bT\r\n");
    case ProtocoloBalanca::Continuo:
        break;
    }
    return QByteArray();
}

QList<ConsultaIdentificacao> ConsultasIdentificacao(ProtocoloBalanca protocolo)
{
    using D = ConsultaIdentificacao::Dado;
    switch (protocolo) {
    case ProtocoloBalanca::MtSics:
        return {{D::Modelo, QByteArrayLiteral("I2\r\n")}, {D::NumeroDeSerie, QByteArrayLiteral("I4\r\n")}};
    case ProtocoloBalanca::Sbi:
        // Combics/Basic lite operating instructions p. 97: x1_ model, x2_ serial number.
        return {{D::Modelo, QByteArrayLiteral("\x1bx1_\r\n")}, {D::NumeroDeSerie, QByteArrayLiteral("\x1bx2_\r\n")}};
    case ProtocoloBalanca::And:
        return {{D::Modelo, QByteArrayLiteral("?TN\r\n")}, {D::NumeroDeSerie, QByteArrayLiteral("?SN\r\n")}};
    case ProtocoloBalanca::Continuo:
        break;
    }
    return {};
}

bool InterpretaIdentificacao(ProtocoloBalanca protocolo, const ConsultaIdentificacao &consulta, QByteArrayView linha,
                             QString *valor)
{
    if (linha.size() > kLinhaMaximaBalanca || !imprimivel(linha))
        return false;
    const QString s = QString::fromLatin1(linha).trimmed();
    const bool modelo = consulta.dado == ConsultaIdentificacao::Dado::Modelo;
    QString v;
    switch (protocolo) {
    case ProtocoloBalanca::MtSics: {
        // I2 A "<type> <capacity> <unit>", I4 A "<serial number>" (MT-SICS reference manual, I2 and I4).
        static const QRegularExpression re(QStringLiteral(R"re(^(I2|I4) A "(.*)"$)re"));
        const QRegularExpressionMatch m = re.match(s);
        if (!m.hasMatch() || m.captured(1) != (modelo ? QLatin1String("I2") : QLatin1String("I4")))
            return false;
        v = m.captured(2).trimmed();
        if (modelo) {
            static const QRegularExpression capacidade(QStringLiteral(R"(^(.*\S)\s+[\d.]+\s+\S+$)"));
            if (const QRegularExpressionMatch c = capacidade.match(v); c.hasMatch())
                v = c.captured(1);
        }
        break;
    }
    case ProtocoloBalanca::Sbi:
        // The text alone: "LP6200S-0C", "0012345678".
        if (s.startsWith(u'+') || s.startsWith(u'-') || s.startsWith(QLatin1String("Stat")))
            return false;
        v = s;
        break;
    case ProtocoloBalanca::And: {
        // "TN,<model>", "SN,<serial number>", as "ID,000100" answers ?ID
        // (FG-K instruction manual p. 39).
        static const QRegularExpression re(QStringLiteral(R"re(^(TN|SN),\s*"?([^"]*)"?$)re"));
        const QRegularExpressionMatch m = re.match(s);
        if (!m.hasMatch() || m.captured(1) != (modelo ? QLatin1String("TN") : QLatin1String("SN")))
            return false;
        v = m.captured(2).trimmed();
        break;
    }
    case ProtocoloBalanca::Continuo:
        return false;
    }
    if (v.isEmpty())
        return false;
    *valor = v;
    return true;
}

bool LinhaCom7Bits(QByteArrayView linha, QByteArray *limpa, QString *paridade)
{
    bool alto = false;
    bool par = true;
    bool impar = true;
    QByteArray r;
    for (char c : linha) {
        const auto b = static_cast<unsigned char>(c);
        const auto sete = static_cast<unsigned char>(b & 0x7F);
        if (sete < 0x20 || sete > 0x7E)
            return false;
        alto = alto || (b & 0x80);
        // Even parity: the ones of the 7 bits and the parity bit make an even count.
        const bool uns = (qPopulationCount(quint32(b)) % 2) == 0;
        par = par && uns;
        impar = impar && !uns;
        r += char(sete);
    }
    if (!alto)
        return false;
    *limpa = r;
    *paridade = par ? QStringLiteral("par") : impar ? QStringLiteral("ímpar") : QString();
    return true;
}

QString LinhaLegivel(QByteArrayView linha)
{
    QString r;
    for (qsizetype i = 0; i < linha.size(); ++i) {
        const auto b = static_cast<unsigned char>(linha[i]);
        if (r.size() >= 40) {
            r += QStringLiteral("…");
            break;
        }
        if (b >= 0x20 && b <= 0x7E)
            r += QLatin1Char(char(b));
        else
            r += QStringLiteral("<%1>").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    }
    return r;
}

QList<AcumuladorLinhas::Evento> AcumuladorLinhas::acrescenta(QByteArrayView bytes)
{
    QList<Evento> eventos;
    for (char c : bytes) {
        // A terminator with a parity bit on top (7 data bits read as 8) still ends the line.
        if ((c & 0x7F) == '\r' || (c & 0x7F) == '\n') {
            if (m_descartando)
                m_descartando = false;
            else if (!m_linha.isEmpty())
                eventos.append({Evento::Tipo::Linha, m_linha});
            m_linha.clear();
            continue;
        }
        if (m_descartando)
            continue;
        if (m_linha.size() >= kLinhaMaximaBalanca) {
            eventos.append({Evento::Tipo::Longa, QByteArray()});
            m_linha.clear();
            m_descartando = true;
            continue;
        }
        m_linha.append(c);
    }
    return eventos;
}

void AcumuladorLinhas::descartaLinhaAtual()
{
    if (!m_linha.isEmpty())
        m_descartando = true;
    m_linha.clear();
}

void AcumuladorLinhas::limpa()
{
    m_linha.clear();
    m_descartando = false;
}

QString MensagemFalhaBalanca(FalhaBalanca falha, const QString &detalhe, const QString &porta, int esperaMs)
{
    const QString segundos = QLocale().toString(esperaMs / 1000.0);
    const QString verifique =
        QStringLiteral("Verifique se o protocolo e a velocidade configurados são os da balança.");
    switch (falha) {
    case FalhaBalanca::Nenhuma:
        return QString();
    case FalhaBalanca::SemBalanca:
        return QStringLiteral("Nenhuma balança configurada. Informe a porta da balança na janela \"Balança\" do menu.");
    case FalhaBalanca::ConfiguracaoInvalida:
        return QStringLiteral("A configuração da balança em PesoMed.ini tem valores inválidos: %1. "
                              "Corrija-a na janela \"Balança\" do menu.")
            .arg(detalhe);
    case FalhaBalanca::PortaInexistente:
        return QStringLiteral("A porta da balança %1 não existe. Verifique se o cabo da balança está ligado "
                              "e se a porta configurada é a certa.")
            .arg(porta);
    case FalhaBalanca::PortaOcupada:
        return QStringLiteral("A porta da balança %1 está em uso por outro programa. "
                              "Feche o outro programa e leia de novo.")
            .arg(porta);
    case FalhaBalanca::PortaSemPermissao:
        return QStringLiteral("Sem permissão para abrir a porta da balança %1. "
                              "Peça ao suporte acesso a essa porta.")
            .arg(porta);
    case FalhaBalanca::PortaComErro:
        return QStringLiteral("Não foi possível abrir a porta da balança %1: %2").arg(porta, detalhe);
    case FalhaBalanca::SemResposta:
        return QStringLiteral("A balança não respondeu em %1 s. Verifique se ela está ligada, o cabo e a porta. %2")
            .arg(segundos, verifique);
    case FalhaBalanca::Instavel:
        return QStringLiteral("O peso não estabilizou em %1 s. Espere a balança estabilizar e leia de novo.")
            .arg(segundos);
    case FalhaBalanca::Sobrecarga:
        return QStringLiteral("A balança está em sobrecarga: o peso passa da capacidade dela. "
                              "Retire o peso do prato.");
    case FalhaBalanca::Subcarga:
        return QStringLiteral("A balança está abaixo do zero (subcarga). Verifique o prato e zere a balança.");
    case FalhaBalanca::ErroDaBalanca:
        return QStringLiteral("A balança respondeu com erro: %1.").arg(detalhe);
    case FalhaBalanca::LinhaIlegivel:
        return QStringLiteral("Resposta da balança ilegível: \"%1\". %2").arg(detalhe, verifique);
    case FalhaBalanca::LinhaIncompleta:
        return QStringLiteral("Resposta da balança incompleta: \"%1\". Verifique o cabo e a velocidade configurada.")
            .arg(detalhe);
    case FalhaBalanca::LinhaLonga:
        return QStringLiteral("Resposta da balança longa demais (mais de %1 caracteres sem fim de linha). %2")
            .arg(kLinhaMaximaBalanca)
            .arg(verifique);
    case FalhaBalanca::UnidadeRecusada:
        if (detalhe.isEmpty())
            return QStringLiteral("A balança enviou o peso sem unidade. "
                                  "Configure a balança para pesar em gramas (g) ou miligramas (mg).");
        return QStringLiteral("A balança enviou o peso em \"%1\". "
                              "Configure a balança para pesar em gramas (g) ou miligramas (mg).")
            .arg(detalhe);
    case FalhaBalanca::PesoNegativo:
        return QStringLiteral("A balança indicou um peso negativo (%1). Zere a balança e pese de novo.").arg(detalhe);
    case FalhaBalanca::ComunicacaoInterrompida:
        return QStringLiteral("A comunicação com a balança foi interrompida (cabo desligado?). "
                              "Ligue o cabo e leia de novo.");
    case FalhaBalanca::BitsOuParidade:
        return QStringLiteral("Resposta da balança ilegível: ela parece enviar 7 bits de dados com paridade%1. "
                              "Configure os bits de dados e a paridade iguais aos da balança.")
            .arg(detalhe.isEmpty() ? QString() : u' ' + detalhe);
    case FalhaBalanca::EnviandoSemParar:
        return QStringLiteral("a balança está enviando pesos sem parar: desligue o envio automático ou escolha o "
                              "protocolo CONTINUO");
    }
    return QString();
}
