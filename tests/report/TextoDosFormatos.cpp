#include "tests/report/TextoDosFormatos.h"

#include "core/Win1252.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace TextoDosFormatos {

namespace {

QByteArray ler(const QString &arquivo)
{
    QFile f(arquivo);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString executa(const QString &programa, const QStringList &argumentos)
{
    QProcess p;
    p.start(programa, argumentos);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

QString deHtml(const QByteArray &html)
{
    QString t = QString::fromUtf8(html);
    t.remove(QRegularExpression(QStringLiteral("<head>.*</head>"), QRegularExpression::DotMatchesEverythingOption));
    t.remove(QRegularExpression(QStringLiteral("<svg.*?</svg>"), QRegularExpression::DotMatchesEverythingOption));
    t.replace(QRegularExpression(QStringLiteral("</div>")), QStringLiteral("\n"));
    t.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    t.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    t.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    t.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    t.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    t.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return t;
}

QString deRtf(const QByteArray &rtf)
{
    QString out;
    // Groups whose content is not text: font and colour tables, information, pictures.
    int pular = 0;
    int nivel = 0;
    int ignorarProximos = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '{') {
            ++nivel;
            static const QList<QByteArray> destinos{"\\fonttbl", "\\colortbl", "\\info", "\\pict", "\\*"};
            for (const QByteArray &d : destinos)
                if (!pular && rtf.mid(i + 1, d.size()) == d)
                    pular = nivel;
            continue;
        }
        if (c == '}') {
            if (pular == nivel)
                pular = 0;
            --nivel;
            continue;
        }
        if (c == '\r' || c == '\n')
            continue;
        if (c == '\\') {
            const char n = i + 1 < rtf.size() ? rtf[i + 1] : 0;
            if (n == '\\' || n == '{' || n == '}') {
                if (!pular)
                    out += QLatin1Char(n);
                ++i;
                continue;
            }
            if (n == '\'') {
                const QByteArray hex = rtf.mid(i + 2, 2);
                i += 3;
                if (!pular) {
                    if (ignorarProximos > 0)
                        --ignorarProximos;
                    else
                        out += fromWin1252(QByteArray::fromHex(hex));
                }
                continue;
            }
            qsizetype j = i + 1;
            while (j < rtf.size() && QChar::isLetter(uchar(rtf[j])))
                ++j;
            const QByteArray palavra = rtf.mid(i + 1, j - i - 1);
            qsizetype k = j;
            if (k < rtf.size() && (rtf[k] == '-' || QChar::isDigit(uchar(rtf[k])))) {
                ++k;
                while (k < rtf.size() && QChar::isDigit(uchar(rtf[k])))
                    ++k;
            }
            const QByteArray numero = rtf.mid(j, k - j);
            if (k < rtf.size() && rtf[k] == ' ')
                ++k;
            i = k - 1;
            if (pular)
                continue;
            if (palavra == "par" || palavra == "cell")
                out += QLatin1Char('\n');
            else if (palavra == "tab")
                out += QLatin1Char('\t');
            else if (palavra == "page" || palavra == "pagebb")
                out += QLatin1Char('\f');
            else if (palavra == "u") {
                int u = numero.toInt();
                if (u < 0)
                    u += 65536;
                out += QChar(char16_t(u));
                ignorarProximos = 1;
            }
            continue;
        }
        if (pular)
            continue;
        if (ignorarProximos > 0) {
            --ignorarProximos;
            continue;
        }
        out += QLatin1Char(c);
    }
    return out;
}

bool rtfBemFormado(const QByteArray &rtf)
{
    if (!rtf.startsWith("{\\rtf1"))
        return false;
    int nivel = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i;
            continue;
        }
        if (rtf[i] == '{')
            ++nivel;
        else if (rtf[i] == '}' && --nivel < 0)
            return false;
        if (nivel == 0 && i + 1 < rtf.size() && rtf.mid(i + 1).trimmed().size() > 0)
            return false;
    }
    return nivel == 0;
}

QString texto(const QString &formato, const QString &arquivo)
{
    if (formato == QLatin1String("PDF"))
        return executa(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                                      QStringLiteral("UTF-8"), arquivo, QStringLiteral("-")});
    const QByteArray bytes = ler(arquivo);
    if (formato == QLatin1String("HTML"))
        return deHtml(bytes);
    if (formato == QLatin1String("RTF"))
        return deRtf(bytes);
    return fromWin1252(bytes);
}

int paginasPdf(const QString &arquivo)
{
    const QString info = infoPdf(arquivo, QStringLiteral("Pages"));
    bool ok = false;
    const int n = info.toInt(&ok);
    return ok ? n : -1;
}

QString infoPdf(const QString &arquivo, const QString &campo)
{
    const QString info = executa(QStringLiteral("pdfinfo"), {arquivo});
    const QRegularExpression linha(QStringLiteral("^%1:\\s*(.*)$").arg(QRegularExpression::escape(campo)),
                                   QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = linha.match(info);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

} // namespace TextoDosFormatos
