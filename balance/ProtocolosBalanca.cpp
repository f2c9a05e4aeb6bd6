#include "balance/ProtocolosBalanca.h"

#include <QLocale>
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
    *normalizado = r;
    return true;
}

bool unidadeValida(QStringView unidade)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z%/]{1,4}$"));
    return re.match(unidade).hasMatch();
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
        {QStringLiteral("E20"), QStringLiteral("erro de calibração")},
        {QStringLiteral("E21"), QStringLiteral("erro de calibração")},
    };
    for (const auto &[c, t] : textos)
        if (c == codigo)
            return QStringLiteral("EC,%1, %2").arg(codigo, t);
    return QStringLiteral("EC,%1").arg(codigo);
}

// The 14 characters of the SBI output before CR LF: sign, number, unit; or a
// special code (H, L, C, Err nn).
LeituraBalanca corpoSbi(const QString &corpo, QByteArrayView linha)
{
    const QString t = corpo.trimmed();
    if (t.isEmpty() || t == u'C')
        return leitura(Tipo::Instavel);
    if (t == u'H' || t == QLatin1String("HH"))
        return falha(FalhaBalanca::Sobrecarga);
    if (t == u'L' || t == QLatin1String("LL"))
        return falha(FalhaBalanca::Subcarga);
    if (t.startsWith(QLatin1String("Err"), Qt::CaseInsensitive))
        return falha(FalhaBalanca::ErroDaBalanca, t.simplified());
    static const QRegularExpression re(QStringLiteral(R"(^([+-]?)\s*([0-9.,\[\]]+)(?:\s+(\S+))?$)"));
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
    if (!imprimivel(linha))
        return ilegivel(linha);
    const QStringList partes = QString::fromLatin1(linha).split(u' ', Qt::SkipEmptyParts);
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
        const QString t = corpo.simplified();
        if (t.contains(QLatin1String("err"), Qt::CaseInsensitive))
            return falha(FalhaBalanca::ErroDaBalanca, t);
        if (t == u'H' || t == QLatin1String("HH"))
            return falha(FalhaBalanca::Sobrecarga);
        if (t == u'L' || t == QLatin1String("LL"))
            return falha(FalhaBalanca::Subcarga);
        // Any other status: the balance is not ready yet.
        return leitura(Tipo::Instavel);
    }
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
    static const QRegularExpression dado(
        QStringLiteral(R"(^(ST|WT|US|QT|OL),(?:(?:LO|OK|HI|--),)?\s*([+-])(.*)$)"));
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
        QString n;
        if (!m.hasMatch() || !numero(m.captured(QStringLiteral("peso")), &n))
            return ilegivel(linha);
        const QString unidade = m.captured(QStringLiteral("unidade")).trimmed();
        if (!m.captured(QStringLiteral("instavel")).isEmpty())
            return leitura(Tipo::Instavel, n, unidade);
        return leitura(Tipo::Estavel, n, unidade);
    }
    static const QRegularExpression and_(QStringLiteral("^[A-Z]{2},"));
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
    if (u != QLatin1String("g") && u != QLatin1String("mg"))
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
    // Both factors exact: the quotient is the double nearest to the decimal value.
    double v = casas >= 0 ? double(mantissa) / potenciaDe10(casas) : double(mantissa) * potenciaDe10(-casas);
    *peso = negativo && mantissa != 0 ? -v : v;
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
        if (c == '\r' || c == '\n') {
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
    }
    return QString();
}
