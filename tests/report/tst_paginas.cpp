// The report engine without the database: the project file and its faults,
// the layout of the detailed weight report (lines of capsules, verdict,
// figures, the chart and its limits, page breaks over a thousand capsules),
// and the text writers against stored files.

#include "analysis/Calculos.h"
#include "core/AppError.h"
#include "core/DisplayFormat.h"
#include "core/Win1252.h"
#include "data/udm.h"
#include "report/ReportDocument.h"
#include "report/ReportModels.h"
#include "report/ReportProject.h"
#include "report/ReportWriters.h"
#include "tests/report/TextoDosFormatos.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

const QDateTime kImpressao(QDate(2026, 1, 28), QTime(9, 30));

QString arquivoProjeto()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/RPT/rptPesoMed.rav");
}

ReportDefinition definicao()
{
    QFile f(arquivoProjeto());
    if (!f.open(QIODevice::ReadOnly))
        qFatal("no report project beside the test");
    const ReportProjectData data = parseReportProject(QString::fromUtf8(f.readAll()), f.fileName());
    return *data.report(QStringLiteral("PesoM_Detalhado"));
}

QList<const ReportItem *> itens(const ReportDocument &d, const QString &papel, int pagina = -1)
{
    QList<const ReportItem *> lista;
    for (int p = 0; p < d.pages.size(); ++p)
        if (pagina < 0 || p == pagina)
            for (const ReportItem &i : d.pages[p].items)
                if (i.role == papel)
                    lista.append(&i);
    return lista;
}

QStringList textos(const ReportDocument &d, const QString &papel, int pagina = -1)
{
    QStringList lista;
    for (const ReportItem *i : itens(d, papel, pagina))
        lista.append(i->text);
    return lista;
}

QString um(const ReportDocument &d, const QString &papel)
{
    const QStringList t = textos(d, papel);
    return t.size() == 1 ? t.first() : QStringLiteral("<%1 itens>").arg(t.size());
}

QString peso(double v)
{
    return formatNumber(v, QStringLiteral("#,##0.0000"));
}


// A paragraph of an RTF file where a word processor puts it, reading the file
// as one line per paragraph of the exact height it gives, tables of rows of
// exact height, "\pagebb" and "\page" starting a page.
struct ParagrafoRtf {
    int pagina = 0;
    int topo = 0; // twips from the top of the sheet
    bool emTabela = false;
    QString texto;
};

struct LeituraRtf {
    QList<ParagrafoRtf> paragrafos;
    int paginas = 1;
    bool transborda = false; // some page runs past its bottom margin
};

LeituraRtf leRtf(const QByteArray &rtf)
{
    LeituraRtf r;
    int papel = 0, margemSup = 0, margemInf = 0;
    int cursor = 0, antes = 0, altura = 0;
    bool quebra = false, emTabela = false, naLinha = false;
    int topoLinha = 0, alturaLinha = 0, naCelula = 0;
    int pular = 0, nivel = 0, ignorar = 0;
    QString texto;
    auto fecha = [&](bool celula) {
        ParagrafoRtf p;
        if (emTabela) {
            if (!naLinha) {
                naLinha = true;
                topoLinha = cursor;
            }
            p.topo = topoLinha + naCelula + antes;
            naCelula += antes + altura;
            if (celula)
                naCelula = 0;
        } else {
            if (quebra) {
                ++r.paginas;
                cursor = margemSup;
            }
            p.topo = cursor + antes;
            cursor = p.topo + altura;
        }
        p.pagina = r.paginas - 1;
        p.emTabela = emTabela;
        p.texto = texto;
        texto.clear();
        quebra = false;
        if (cursor > papel - margemInf)
            r.transborda = true;
        r.paragrafos.append(p);
    };
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '{') {
            ++nivel;
            for (const QByteArray &d : {QByteArray("\\fonttbl"), QByteArray("\\colortbl"), QByteArray("\\info"),
                                       QByteArray("\\pict")})
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
        if (c == '\r' || c == '\n' || pular)
            continue;
        if (c != '\\') {
            if (ignorar > 0)
                --ignorar;
            else
                texto += QLatin1Char(c);
            continue;
        }
        const char n = i + 1 < rtf.size() ? rtf[i + 1] : 0;
        if (n == '\\' || n == '{' || n == '}') {
            texto += QLatin1Char(n);
            ++i;
            continue;
        }
        if (n == '\'') {
            texto += fromWin1252(QByteArray::fromHex(rtf.mid(i + 2, 2)));
            i += 3;
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
        const int numero = rtf.mid(j, k - j).toInt();
        if (k < rtf.size() && rtf[k] == ' ')
            ++k;
        i = k - 1;
        if (palavra == "paperh")
            papel = numero;
        else if (palavra == "margt")
            cursor = margemSup = numero;
        else if (palavra == "margb")
            margemInf = numero;
        else if (palavra == "pard") {
            antes = altura = 0;
            emTabela = false;
        } else if (palavra == "intbl")
            emTabela = true;
        else if (palavra == "sb")
            antes = numero;
        else if (palavra == "sl")
            altura = std::abs(numero);
        else if (palavra == "pagebb" || palavra == "page")
            quebra = true;
        else if (palavra == "trrh")
            alturaLinha = std::abs(numero);
        else if (palavra == "par")
            fecha(false);
        else if (palavra == "cell")
            fecha(true);
        else if (palavra == "row") {
            cursor = topoLinha + alturaLinha;
            naLinha = false;
        } else if (palavra == "tab")
            texto += QLatin1Char('\t');
        else if (palavra == "u") {
            texto += QChar(char16_t(numero < 0 ? numero + 65536 : numero));
            ignorar = 1;
        }
    }
    return r;
}

} // namespace

class TstPaginas : public QObject {
    Q_OBJECT

    std::unique_ptr<TDM> modelo;

    // The rows of the report query for the weights given, with the figures
    // and marks the analysis gives them.
    std::unique_ptr<ClientDataSet> dados(const QList<double> &pesos, ResultadoAnalise *resultado = nullptr)
    {
        return dadosComVazios(QList<std::optional<double>>(pesos.begin(), pesos.end()), resultado);
    }
    // nullopt: an empty weight.
    std::unique_ptr<ClientDataSet> dadosComVazios(const QList<std::optional<double>> &p,
                                                  ResultadoAnalise *resultado = nullptr)
    {
        auto ds = std::make_unique<ClientDataSet>(QStringLiteral("rel"), nullptr);
        ds->FieldDefs = modelo->cds_RelPesomed->FieldDefs;
        ds->CreateDataSet();
        QList<double> pesos;
        for (const auto &v : p)
            pesos.append(v.value_or(0));
        const double minimo = *std::min_element(pesos.begin(), pesos.end());
        const double maximo = *std::max_element(pesos.begin(), pesos.end());
        double media = 0;
        for (double v : pesos)
            media += v / pesos.size();
        const ResultadoAnalise a = AvaliaAmostra(p, media, minimo, maximo);
        if (resultado)
            *resultado = a;
        for (int i = 0; i < pesos.size(); ++i) {
            ds->Append();
            auto set = [&](const char *campo, const QVariant &v) {
                ds->FieldByName(QString::fromLatin1(campo)).SetValue(v);
            };
            set("ID_PESOMED", 100 + i);
            set("CHAVE", QStringLiteral("010012101"));
            set("ESTACAO", QStringLiteral("01"));
            set("NPEDIDO", 1210);
            set("NFORMULA", 1);
            set("NUMCAP", i + 1);
            set("PESO", p[i] ? QVariant(*p[i]) : QVariant());
            set("VARIACAOPESO", a.capsulas[i].variacao);
            set("VARIACAOPESOPERC", a.capsulas[i].variacaoPerc);
            set("QUADRADOSUBTRACOES", a.capsulas[i].quadrado);
            set("OBS", a.capsulas[i].naoConforme ? QStringLiteral("Não Conforme") : QString());
            set("RESULTADO", a.capsulas[i].naoConforme ? a.textoVariacao : QString());
            set("NOME", QStringLiteral("Juliana Conceição"));
            set("ID_RPESOMED", 4);
            set("CHAVE_1", QStringLiteral("010012101"));
            set("ESTACAO_1", QStringLiteral("01"));
            set("NPEDIDO_1", 1210);
            set("NFORMULA_1", 1);
            set("QDECAPS", a.n);
            set("PESOMEDIO", a.media);
            set("DESVIOPADRAO", a.desvioPadrao);
            set("RESULTADO_1", a.veredito);
            set("COEFVARIACAO", a.desvioRelativo);
            set("MOTIVOS", a.motivos);
            set("PESOTOTAL", a.total);
            set("MAXIMO", a.maximo);
            set("MINIMO", a.minimo);
            set("AMPLITUDE", a.amplitude);
            set("VALORTEORICO", media);
            set("DATA_EMISSAO", QDate(2026, 1, 28));
            set("PACIENTE_2", QStringLiteral("Roberto Ávila"));
            set("FONE", QStringLiteral("(11) 99104-2277"));
            ds->Post();
        }
        ds->First();
        return ds;
    }

    ReportDocument monta(ClientDataSet &ds, QList<int> *paginas = nullptr)
    {
        return layOutWeightDetail(definicao(), ds, [paginas](int p) {
            if (paginas)
                paginas->append(p);
        }, kImpressao);
    }

    // Two pages of a few texts, a band and a rule: what the writers are checked on.
    static ReportDocument amostra(bool comGrupo = false)
    {
        ReportDocument d;
        d.title = QStringLiteral("Amostra & teste");
        d.pageSize = QSizeF(21, 29.7);
        d.margins = QMarginsF(1.5, 1.2, 1.5, 1.2);
        const double linha = 2.54 / 6;
        ReportPage p1;
        p1.items.append(reportRect(QRectF(1.5, 2.54, 18, linha), QColor(255, 226, 226)));
        p1.items.append(reportText(QRectF(2.54, 2.54, 10, linha), QStringLiteral("Relatório: ação & <teste>"),
                                   ReportFont{QStringLiteral("Arial"), 9, true, false}));
        p1.items.append(reportText(QRectF(2.54, 2.54, 15.24, linha), QStringLiteral("1.234,5000"), ReportFont(),
                                   Qt::AlignRight | Qt::AlignVCenter, {}, QColor(204, 0, 0)));
        p1.items.append(reportText(QRectF(1.5, 2.54 + linha, 18, linha), QStringLiteral("Cápsula nº 7 — Não Conforme"),
                                   ReportFont(), Qt::AlignHCenter | Qt::AlignVCenter));
        p1.items.append(reportText(QRectF(1.0, 2.54 + 3 * linha, 0.45, linha), QStringLiteral("►"), ReportFont(),
                                   Qt::AlignRight | Qt::AlignVCenter));
        p1.items.append(reportText(QRectF(1.5, 2.54 + 3 * linha, 5, linha), QStringLiteral("Peso: 250,1000 mg"),
                                   ReportFont()));
        p1.items.append(reportLine(QLineF(1.5, 5, 19.5, 5), 0.02));
        if (comGrupo) {
            ReportItem r = reportRect(QRectF(2, 6, 8, 3), Qt::white, Qt::black);
            r.group = QStringLiteral("grafico");
            ReportItem t = reportText(QRectF(2.2, 6.2, 4, 0.4), QStringLiteral("dentro do gráfico"), ReportFont());
            t.group = QStringLiteral("grafico");
            ReportItem l = reportLine(QLineF(2, 7, 10, 7), 0.03, Qt::red, Qt::DashLine);
            l.group = QStringLiteral("grafico");
            p1.items.append(r);
            p1.items.append(t);
            p1.items.append(l);
            p1.items.append(reportText(QRectF(1.5, 9.5, 10, linha), QStringLiteral("depois do gráfico"), ReportFont()));
        }
        ReportPage p2;
        p2.items.append(reportText(QRectF(1.5, 1.2, 18, linha), QStringLiteral("Segunda página"), ReportFont()));
        d.pages = {p1, p2};
        return d;
    }

    void comparaComEsperado(const QString &nome, const QByteArray &obtido)
    {
        const QString caminho = QStringLiteral(ESPERADOS) + QLatin1Char('/') + nome;
        if (qEnvironmentVariableIsSet("PESOMED_GRAVA_ESPERADOS")) {
            QFile f(caminho);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(obtido);
            return;
        }
        QFile f(caminho);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(caminho));
        const QByteArray esperado = f.readAll();
        if (obtido != esperado) {
            const QList<QByteArray> a = obtido.split('\n'), b = esperado.split('\n');
            for (int i = 0; i < std::min(a.size(), b.size()); ++i)
                if (a[i] != b[i])
                    QFAIL(qPrintable(QStringLiteral("%1, linha %2:\nobtido:   %3\nesperado: %4")
                                         .arg(nome)
                                         .arg(i + 1)
                                         .arg(QString::fromUtf8(a[i]), QString::fromUtf8(b[i]))));
            QFAIL(qPrintable(QStringLiteral("%1: %2 linhas, esperadas %3").arg(nome).arg(a.size()).arg(b.size())));
        }
    }

private slots:
    void initTestCase()
    {
        modelo = std::make_unique<TDM>();
    }

    void projectOfTheInstallation()
    {
        const ReportDefinition d = definicao();
        QCOMPARE(d.model, QStringLiteral("detalhe-peso-medio"));
        QCOMPARE(d.dataConnection, QStringLiteral("rds_PesoMedio"));
        QCOMPARE(d.title, QStringLiteral("Relatório Detalhado do Peso Médio das Cápsulas"));
        QStringList campos;
        double largura = 0;
        for (const ReportColumn &c : d.columns) {
            campos.append(c.field);
            largura += c.width;
        }
        QCOMPARE(campos, (QStringList{"NUMCAP", "PESO", "VARIACAOPESO", "VARIACAOPESOPERC", "OBS", "RESULTADO"}));
        // The columns fill the width between the margins of an A4 page.
        QCOMPARE(largura, 21 - d.margins.left() - d.margins.right());
        campos.clear();
        for (const ReportSummaryField &s : d.summary)
            campos.append(s.field);
        QCOMPARE(campos, (QStringList{"QDECAPS", "PESOTOTAL", "PESOMEDIO", "MINIMO", "MAXIMO", "AMPLITUDE",
                                      "DESVIOPADRAO", "COEFVARIACAO", "VALORTEORICO"}));
        // Every field it names is a field of the report query.
        for (const QString &f : campos)
            QVERIFY(modelo->cds_RelPesomed->FieldDefs.end() !=
                    std::find_if(modelo->cds_RelPesomed->FieldDefs.begin(), modelo->cds_RelPesomed->FieldDefs.end(),
                                 [&](const FieldDef &def) { return def.name == f; }));
    }

    void projectFaults_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("erro");
        const QString cabeca = QStringLiteral("[relatorio X]\nmodelo = detalhe-peso-medio\ndados = d\n");
        QTest::newRow("unknown key") << cabeca + "cor = azul\n" << "linha 4: chave desconhecida \"cor\"";
        QTest::newRow("section without name") << "[relatorio]\n" << "linha 1: seção inválida; use [relatorio Nome]";
        QTest::newRow("setting outside a report") << "; projeto\ntitulo = X\n"
                                                  << "linha 2: configuração fora de um [relatorio]";
        QTest::newRow("no key = value") << cabeca + "titulo\n" << "linha 4: esperado \"chave = valor\"";
        QTest::newRow("no layout") << "\n[relatorio X]\ndados = d\n"
                                   << "linha 2: o relatório \"X\" não diz o seu modelo";
        QTest::newRow("unknown layout") << "[relatorio X]\nmodelo = outro\ndados = d\n[relatorio Y]\n"
                                        << "linha 1: modelo desconhecido \"outro\"";
        QTest::newRow("no data") << "[relatorio X]\nmodelo = detalhe-peso-medio\n"
                                 << "linha 1: o relatório \"X\" não diz os seus dados";
        QTest::newRow("column alignment") << cabeca + "coluna = PESO | Peso | 2 | meio\n"
                                          << "linha 4: alinhamento inválido \"meio\" (esquerda, direita ou centro)";
        QTest::newRow("column width") << cabeca + "coluna = PESO | Peso | largo | direita\n"
                                      << "linha 4: medida inválida \"largo\"";
        QTest::newRow("column parts") << cabeca + "coluna = PESO | Peso\n"
                                      << "linha 4: esperadas 4 partes separadas por \"|\"";
        QTest::newRow("three margins") << cabeca + "margens = 1 1 1\n"
                                       << "linha 4: margens: quatro medidas, superior, direita, inferior e esquerda";
        QTest::newRow("other paper") << cabeca + "papel = Carta\n" << "linha 4: papel \"Carta\" não suportado (A4)";
        QTest::newRow("report twice") << cabeca + cabeca << "linha 4: relatório \"X\" repetido";
    }
    void projectFaults()
    {
        QFETCH(QString, texto);
        QFETCH(QString, erro);
        try {
            parseReportProject(texto, QStringLiteral("RPT/x.rav"));
            QFAIL("no error");
        } catch (const AppError &e) {
            QCOMPARE(e.text(), QStringLiteral("Projeto de relatórios RPT/x.rav, ") + erro);
        }
    }

    void projectSettings()
    {
        const ReportProjectData data = parseReportProject(
            QStringLiteral("# comentário\n[relatorio A]\nmodelo = detalhe-peso-medio\ndados = d\nmargens = 1 2 3 "
                           "4,5\ncoluna = PESO | Peso (%u) | 2,5 | DIREITA\n\n[ relatorio B ]\nmodelo = "
                           "detalhe-peso-medio\ndados = e\n"),
            QStringLiteral("x"));
        QCOMPARE(data.reports.size(), 2);
        const ReportDefinition *a = data.report(QStringLiteral("A"));
        QVERIFY(a);
        QCOMPARE(a->margins, QMarginsF(4.5, 1, 2, 3));
        QCOMPARE(a->columns.size(), 1);
        QCOMPARE(a->columns[0].width, 2.5);
        QCOMPARE(a->columns[0].alignment, Qt::AlignRight);
        QCOMPARE(data.report(QStringLiteral("B"))->dataConnection, QStringLiteral("e"));
        QVERIFY(!data.report(QStringLiteral("a")));
        QVERIFY(parseReportProject(QString(), QStringLiteral("x")).reports.isEmpty());
    }

    void tenCapsules()
    {
        // Capsule 5 lies 12 % above the mean of 253,54.
        const QList<double> pesos{250.1, 249.8, 251.3, 248.7, 285.0, 250.4, 249.2, 250.9, 251.6, 248.4};
        auto ds = dados(pesos);
        QList<int> paginas;
        const ReportDocument d = monta(*ds, &paginas);
        QCOMPARE(d.pages.size(), 1);
        QCOMPARE(paginas, QList<int>{1});
        QCOMPARE(textos(d, QStringLiteral("pagina")), QStringList{"página 1 de 1"});
        QCOMPARE(textos(d, QStringLiteral("capsula.NUMCAP")),
                 (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
        QStringList esperados;
        for (double v : pesos)
            esperados.append(peso(v));
        QCOMPARE(textos(d, QStringLiteral("capsula.PESO")), esperados);
        QCOMPARE(esperados[4], QStringLiteral("285,0000"));

        // The non-conforming line: its mark, its band, red bold figures.
        QCOMPARE(textos(d, QStringLiteral("capsula.OBS")).count(QStringLiteral("Não Conforme")), 1);
        const ReportItem *obs = nullptr;
        for (const ReportItem *i : itens(d, QStringLiteral("capsula.OBS")))
            if (i->text == QStringLiteral("Não Conforme"))
                obs = i;
        QVERIFY(obs);
        QVERIFY(obs->font.bold);
        QCOMPARE(obs->color, QColor(204, 0, 0));
        const ReportItem *cinco = itens(d, QStringLiteral("capsula.NUMCAP"))[4];
        QCOMPARE(cinco->rect.top(), obs->rect.top());
        QCOMPARE(itens(d, QStringLiteral("capsula.destaque")).size(), 1);
        QVERIFY(itens(d, QStringLiteral("capsula.destaque"))[0]->rect.contains(cinco->rect.center()));
        QCOMPARE(itens(d, QStringLiteral("capsula.marca")).size(), 1);
        QCOMPARE(itens(d, QStringLiteral("capsula.marca"))[0]->rect.top(), cinco->rect.top());
        QCOMPARE(textos(d, QStringLiteral("capsula.RESULTADO")).count(QStringLiteral("Var. peso > 10% (Caps. abaixo de "
                                                                                      "300mg).")),
                 1);

        // The verdict, the reasons, the figures with the Brazilian separators.
        QCOMPARE(um(d, QStringLiteral("veredito")), QStringLiteral("Reprovado"));
        QCOMPARE(itens(d, QStringLiteral("veredito"))[0]->color, QColor(204, 0, 0));
        QVERIFY(textos(d, QStringLiteral("motivos")).join(QLatin1Char(' ')).contains(QStringLiteral("Var. peso > 10%")));
        QCOMPARE(um(d, QStringLiteral("resumo.QDECAPS")), QStringLiteral("10"));
        QCOMPARE(um(d, QStringLiteral("resumo.PESOTOTAL")), QStringLiteral("2.535,4000"));
        QCOMPARE(um(d, QStringLiteral("resumo.PESOMEDIO")), QStringLiteral("253,5400"));
        QCOMPARE(um(d, QStringLiteral("resumo.AMPLITUDE")), QStringLiteral("36,6000"));
        QCOMPARE(um(d, QStringLiteral("pedido")), QStringLiteral("01.1210"));
        QCOMPARE(um(d, QStringLiteral("formula")), QStringLiteral("1"));
        QCOMPARE(um(d, QStringLiteral("cliente")), QStringLiteral("Juliana Conceição"));
        QCOMPARE(um(d, QStringLiteral("paciente")), QStringLiteral("Roberto Ávila"));
        QCOMPARE(um(d, QStringLiteral("telefone")), QStringLiteral("(11) 99104-2277"));
        QCOMPARE(um(d, QStringLiteral("data")), QStringLiteral("28/01/2026"));
        QCOMPARE(um(d, QStringLiteral("analise")), QStringLiteral("Análise nº 4"));
        QCOMPARE(um(d, QStringLiteral("impresso")), QStringLiteral("Impresso em 28/01/2026 às 09:30"));
        QCOMPARE(um(d, QStringLiteral("identificacao")), QStringLiteral("Análise nº 4 · Pedido 01.1210 · Fórmula nº 1"));
        QCOMPARE(textos(d, QStringLiteral("tabela.titulo")),
                 (QStringList{"Cáp.", "Peso (mg)", "Var. peso (mg)", "Var. %", "Observação", "Resultado"}));
        QCOMPARE(itens(d, QStringLiteral("assinatura")).size(), 1);
        QCOMPARE(itens(d, QStringLiteral("assinatura.linha")).size(), 1);

        // Nothing leaves the page.
        const QRectF folha(0.5, 0.5, 20, 28.7);
        for (const ReportItem &i : d.pages[0].items) {
            QList<QPointF> pontos = i.points;
            if (i.kind == ReportItem::Kind::Line)
                pontos += {i.line.p1(), i.line.p2()};
            else if (i.kind != ReportItem::Kind::Polyline)
                pontos += {i.rect.topLeft(), i.rect.bottomRight()};
            for (const QPointF &p : pontos)
                QVERIFY2(folha.contains(p), qPrintable(i.role + QLatin1Char(' ') + i.text));
        }
    }

    void approvedFormula()
    {
        auto ds = dados({250.1, 249.8, 251.3, 248.7, 250.4});
        const ReportDocument d = monta(*ds);
        QCOMPARE(um(d, QStringLiteral("veredito")), QStringLiteral("Aprovado"));
        QCOMPARE(itens(d, QStringLiteral("veredito"))[0]->color, QColor(0, 128, 0));
        QCOMPARE(textos(d, QStringLiteral("motivos")), QStringList{QStringLiteral("—")});
        QVERIFY(itens(d, QStringLiteral("capsula.destaque")).isEmpty());
        QVERIFY(itens(d, QStringLiteral("grafico.ponto.fora")).isEmpty());
        QCOMPARE(itens(d, QStringLiteral("grafico.ponto")).size(), 5);
        QVERIFY(um(d, QStringLiteral("grafico.legenda")).endsWith(QStringLiteral("Nenhuma cápsula fora dos limites.")));
    }

    // The chart says what the table says: its red points and its legend are
    // the capsules the analysis marked, and an empty weight, counted as 0, is
    // shown where it was counted.
    void chartFollowsTheStoredMarks()
    {
        // Capsule 3 without a weight pulls the mean to 200: the analysis marks every capsule.
        ResultadoAnalise a;
        auto ds = dadosComVazios({250.1, 249.8, std::nullopt, 251.3, 248.7}, &a);
        for (const CapsulaAnalisada &c : a.capsulas)
            QVERIFY(c.naoConforme);
        ReportDocument d = monta(*ds);
        QCOMPARE(textos(d, QStringLiteral("capsula.OBS")).count(QStringLiteral("Não Conforme")), 5);
        QCOMPARE(textos(d, QStringLiteral("capsula.PESO"))[2], QStringLiteral("vazio (0)"));
        QCOMPARE(itens(d, QStringLiteral("grafico.ponto.fora")).size(), 4);
        const QList<const ReportItem *> vazio = itens(d, QStringLiteral("grafico.ponto.vazio"));
        QCOMPARE(vazio.size(), 1);
        QCOMPARE(vazio[0]->value, 0.0);
        QCOMPARE(vazio[0]->color, QColor(204, 0, 0));
        QVERIFY(itens(d, QStringLiteral("grafico.area"))[0]->rect.contains(vazio[0]->rect.center()));
        QCOMPARE(textos(d, QStringLiteral("grafico.rotulo.vazio")), QStringList{QStringLiteral("nº 3 vazio")});
        const QString legenda = textos(d, QStringLiteral("grafico.legenda")).join(QLatin1Char(' '));
        QVERIFY2(legenda.contains(QStringLiteral("Fora dos limites: 5 cápsulas (nº 1, 2, 3, 4, 5).")),
                 qPrintable(legenda));
        QVERIFY2(legenda.contains(QStringLiteral("Sem peso, contadas como 0: 1 cápsula (nº 3).")), qPrintable(legenda));

        // A mark stored for a capsule that lies within the limits drawn: the
        // chart follows the mark, not its own arithmetic.
        auto marcada = dados({250.1, 249.8, 251.3, 248.7, 250.4});
        marcada->SetRecNo(2);
        marcada->Edit();
        marcada->FieldByName(QStringLiteral("OBS")).SetAsString(QStringLiteral("Não Conforme"));
        marcada->Post();
        d = monta(*marcada);
        QCOMPARE(itens(d, QStringLiteral("grafico.ponto.fora")).size(), 1);
        QCOMPARE(itens(d, QStringLiteral("grafico.ponto.fora"))[0]->value, 249.8);
        QVERIFY(um(d, QStringLiteral("grafico.legenda")).contains(QStringLiteral("Fora dos limites: 1 cápsula (nº 2).")));
        QCOMPARE(itens(d, QStringLiteral("capsula.destaque")).size(), 1);
    }

    // The date printed is the day the analysis record was opened (at the first
    // weighing), and says so.
    void dateSaysWhatItIs()
    {
        auto ds = dados({250.1, 249.8, 251.3});
        const ReportDocument d = monta(*ds);
        const ReportItem *data = itens(d, QStringLiteral("data"))[0];
        QStringList rotulo;
        for (const ReportItem &i : d.pages[0].items)
            if (i.kind == ReportItem::Kind::Text && std::fabs(i.rect.top() - data->rect.top()) < 1e-9 &&
                std::fabs(i.rect.right() - data->rect.left()) < 1e-6)
                rotulo.append(i.text);
        QCOMPARE(rotulo, QStringList{QStringLiteral("Análise aberta em:")});
    }

    void chartLimits_data()
    {
        QTest::addColumn<QList<double>>("pesos");
        QTest::addColumn<double>("percentual");
        QTest::newRow("mean under 300") << QList<double>{250.1, 249.8, 251.3, 248.7, 285.0, 250.4, 249.2} << 10.0;
        QTest::newRow("mean of 300") << QList<double>{300, 278, 322, 300, 300} << 7.5;
        QTest::newRow("mean just under 300") << QList<double>{299.98, 300, 299.99, 269.5} << 10.0;
        QTest::newRow("mean over 300, four out")
            << QList<double>{632.4, 624.7, 604.2, 593.7, 531.7, 576.4, 630.3, 604.9, 592.9, 608.4,
                             621.6, 673.9, 599.3, 617.4, 637.4, 631.7, 615.9, 553.3, 628.4, 560.3}
            << 7.5;
        QTest::newRow("one capsule") << QList<double>{410} << 7.5;
        QTest::newRow("grams") << QList<double>{0.251, 0.249, 0.3} << 10.0;
    }
    void chartLimits()
    {
        QFETCH(QList<double>, pesos);
        QFETCH(double, percentual);
        ResultadoAnalise a;
        auto ds = dados(pesos, &a);
        const ReportDocument d = monta(*ds);
        const QList<const ReportItem *> media = itens(d, QStringLiteral("grafico.media"));
        const QList<const ReportItem *> superior = itens(d, QStringLiteral("grafico.limite.superior"));
        const QList<const ReportItem *> inferior = itens(d, QStringLiteral("grafico.limite.inferior"));
        QCOMPARE(media.size(), 1);
        QCOMPARE(superior.size(), 1);
        QCOMPARE(inferior.size(), 1);
        QCOMPARE(media[0]->value, a.media);
        QVERIFY(std::fabs(superior[0]->value - a.media * (1 + percentual / 100)) < 1e-9 * a.media);
        QVERIFY(std::fabs(inferior[0]->value - a.media * (1 - percentual / 100)) < 1e-9 * a.media);
        QCOMPARE(superior[0]->penStyle, Qt::DashLine);
        for (const ReportItem *line : {media[0], superior[0], inferior[0]}) {
            QCOMPARE(line->kind, ReportItem::Kind::Line);
            QCOMPARE(line->line.y1(), line->line.y2());
            QCOMPARE(line->group, QStringLiteral("grafico"));
        }

        // One scale for lines, points and axis labels: the height of a value
        // follows from the mean and the upper limit.
        const double y0 = media[0]->line.y1();
        const double k = (superior[0]->line.y1() - y0) / (superior[0]->value - media[0]->value);
        QVERIFY(k < 0);
        auto alturaDe = [&](double v) { return y0 + k * (v - media[0]->value); };
        QVERIFY(std::fabs(inferior[0]->line.y1() - alturaDe(inferior[0]->value)) < 1e-9);
        for (const ReportItem *label : itens(d, QStringLiteral("grafico.eixo.y")))
            QVERIFY(std::fabs(label->rect.center().y() - alturaDe(label->value)) < 1e-9);
        const QRectF area = itens(d, QStringLiteral("grafico.area"))[0]->rect;

        // The points in capsule order; outside the limits exactly the capsules
        // the analysis marks non-conforming.
        QList<const ReportItem *> pontos = itens(d, QStringLiteral("grafico.ponto")) +
                                           itens(d, QStringLiteral("grafico.ponto.fora"));
        std::sort(pontos.begin(), pontos.end(),
                  [](const ReportItem *x, const ReportItem *y) { return x->rect.center().x() < y->rect.center().x(); });
        QCOMPARE(pontos.size(), pesos.size());
        for (int i = 0; i < pesos.size(); ++i) {
            QCOMPARE(pontos[i]->value, pesos[i]);
            QVERIFY(std::fabs(pontos[i]->rect.center().y() - alturaDe(pesos[i])) < 1e-9);
            QVERIFY(area.contains(pontos[i]->rect.center()));
            QCOMPARE(pontos[i]->role == QLatin1String("grafico.ponto.fora"), a.capsulas[i].naoConforme);
        }
        QVERIFY(area.top() <= std::min(superior[0]->line.y1(), alturaDe(a.maximo)));
        QVERIFY(area.bottom() >= std::max(inferior[0]->line.y1(), alturaDe(a.minimo)));
        QVERIFY(um(d, QStringLiteral("grafico.legenda"))
                    .contains(QStringLiteral("Limites (média ± %1 %): %2 a %3")
                                  .arg(formatNumber(percentual, QStringLiteral("0.#")),
                                       peso(a.media * (1 - percentual / 100)), peso(a.media * (1 + percentual / 100)))));
    }

    void thousandCapsules()
    {
        QList<double> pesos;
        for (int i = 0; i < 1000; ++i)
            pesos.append(300 + ((i * 37) % 41 - 20) * 0.5 + (i == 500 ? 60 : 0));
        auto ds = dados(pesos);
        QList<int> paginas;
        const ReportDocument d = monta(*ds, &paginas);
        const int total = int(d.pages.size());
        QVERIFY(total > 10);
        QList<int> todas;
        for (int p = 1; p <= total; ++p)
            todas.append(p);
        QCOMPARE(paginas, todas);

        QStringList numeros;
        const double fim = 29.7 - 1.2 - 0.7;
        for (int p = 0; p < total; ++p) {
            QCOMPARE(textos(d, QStringLiteral("pagina"), p), QStringList{QStringLiteral("página %1 de %2").arg(p + 1).arg(total)});
            QCOMPARE(textos(d, QStringLiteral("identificacao"), p).size(), 1);
            QCOMPARE(textos(d, QStringLiteral("titulo"), p).size(), 1);
            const QStringList linhas = textos(d, QStringLiteral("capsula.NUMCAP"), p);
            // Each page with capsule lines has the column titles above them.
            if (!linhas.isEmpty())
                QCOMPARE(textos(d, QStringLiteral("tabela.titulo"), p).size(), 6);
            for (const ReportItem *i : itens(d, QStringLiteral("capsula.NUMCAP"), p)) {
                QVERIFY(i->rect.top() > itens(d, QStringLiteral("tabela.titulo"), p)[0]->rect.bottom() - 1e-9);
                QVERIFY(i->rect.bottom() <= fim);
            }
            numeros += linhas;
        }
        QCOMPARE(numeros.size(), 1000);
        for (int i = 0; i < 1000; ++i)
            QCOMPARE(numeros[i], QString::number(i + 1));
        // The signature closes the last page.
        QCOMPARE(itens(d, QStringLiteral("assinatura"), total - 1).size(), 1);
        QCOMPARE(itens(d, QStringLiteral("grafico.ponto.fora")).size(), 1);
        QCOMPARE(itens(d, QStringLiteral("grafico.ponto")).size(), 999);
    }

    void textGrid()
    {
        const QByteArray t = reportToText(amostra(), 10, 6);
        const QStringList linhas = fromWin1252(t).split(QStringLiteral("\r\n"));
        // 2,54 cm down: the seventh line; 2,54 cm across: the eleventh column.
        QCOMPARE(linhas[6].indexOf(QStringLiteral("Relatório")), 10);
        // Right-aligned at 17,78 cm: ends at column 70.
        QCOMPARE(linhas[6].indexOf(QStringLiteral("1.234,5000")) + 10, 70);
        QVERIFY(linhas[7].contains(QStringLiteral("Cápsula nº 7 — Não Conforme")));
        QVERIFY(t.contains("\r\n\fSegunda página") || t.contains("\f"));
        comparaComEsperado(QStringLiteral("amostra.txt"), t);
    }

    // As the suite's other files and the printers they feed expect: code page
    // 1252, every line ended by CR LF, what the code page lacks replaced visibly.
    void textInWindows1252()
    {
        const QByteArray t = reportToText(amostra(), 10, 6);
        QVERIFY(t.contains("Relat\xf3rio: a\xe7\xe3o & <teste>"));
        QVERIFY(t.contains("C\xe1psula n\xba 7 \x97 N\xe3o Conforme"));
        QVERIFY(t.contains(">  Peso: 250,1000 mg") || t.contains("> Peso: 250,1000 mg"));
        QVERIFY(!t.contains("\xe2")); // no UTF-8 sequence
        QCOMPARE(t.count('\n'), t.count("\r\n"));
        QCOMPARE(t.count('\r'), t.count("\r\n"));
        // A character without a look-alike still shows that something stood there.
        ReportDocument d = amostra();
        d.pages.resize(1);
        d.pages[0].items = {reportText(QRectF(1.5, 2, 10, 0.4), QStringLiteral("Lote ✓ α−β ≤ 5"), ReportFont())};
        QVERIFY(reportToText(d, 10, 6).contains("Lote v ?-? <= 5\r\n"));
    }

    void textNeverMergesLines()
    {
        ReportDocument d = amostra();
        d.pages.resize(1);
        d.pages[0].items.clear();
        // Lines a little closer than the grid's: each keeps a line of its own.
        for (int i = 0; i < 60; ++i)
            d.pages[0].items.append(reportText(QRectF(1.5, 2 + i * 0.4, 3, 0.4), QString::number(i), ReportFont()));
        // Texts that would overlap keep a blank between them.
        d.pages[0].items.append(reportText(QRectF(1.5, 28, 3, 0.4), QStringLiteral("AAAA"), ReportFont()));
        d.pages[0].items.append(reportText(QRectF(1.6, 28, 3, 0.4), QStringLiteral("BBBB"), ReportFont()));
        const QStringList linhas = fromWin1252(reportToText(d, 10, 6)).split(QStringLiteral("\r\n"));
        QStringList numeros;
        for (const QString &l : linhas)
            if (!l.trimmed().isEmpty())
                numeros.append(l.trimmed());
        QCOMPARE(numeros.size(), 61);
        for (int i = 0; i < 60; ++i)
            QCOMPARE(numeros[i], QString::number(i));
        QCOMPARE(numeros[60], QStringLiteral("AAAA BBBB"));
    }

    void html()
    {
        const QByteArray h = reportToHtml(amostra());
        QVERIFY(h.startsWith("<!DOCTYPE html>"));
        QVERIFY(h.contains("<meta charset=\"utf-8\">"));
        QVERIFY(h.contains("Relatório: ação &amp; &lt;teste&gt;"));
        const QString texto = TextoDosFormatos::deHtml(h);
        QVERIFY(texto.contains(QStringLiteral("Cápsula nº 7 — Não Conforme")));
        QVERIFY(texto.indexOf(QStringLiteral("Relatório")) < texto.indexOf(QStringLiteral("Segunda página")));
        comparaComEsperado(QStringLiteral("amostra.html"), h);
    }

    void rtf()
    {
        const QByteArray r = reportToRtf(amostra());
        QVERIFY(TextoDosFormatos::rtfBemFormado(r));
        QVERIFY(r.contains("\\ansicpg1252"));
        // Accents in the code page, other characters in Unicode.
        QVERIFY(r.contains("Relat\\'f3rio: a\\'e7\\'e3o & <teste>"));
        QVERIFY(r.contains("\\u9658?"));
        QVERIFY(r.contains("\\page"));
        const QString texto = TextoDosFormatos::deRtf(r);
        QVERIFY2(texto.contains(QStringLiteral("Relatório: ação & <teste>\t1.234,5000")), qPrintable(texto));
        QVERIFY(texto.contains(QStringLiteral("Cápsula nº 7 — Não Conforme")));
        QVERIFY(texto.contains(QStringLiteral("►\tPeso: 250,1000 mg")));
        QVERIFY(texto.contains(QStringLiteral("\fSegunda página")));
        comparaComEsperado(QStringLiteral("amostra.rtf"), r);
    }

    // Read as a word processor reads it, the RTF puts every line of text on
    // the page and at the height where the layout put it: as many pages, the
    // same breaks, nothing pushed past the bottom margin; the verdict keeps
    // its frame.
    void rtfPlacesLinesWhereTheLayoutDoes_data()
    {
        QTest::addColumn<int>("capsulas");
        QTest::newRow("rejected, ten capsules") << 10;
        QTest::newRow("approved, five capsules") << 5;
        QTest::newRow("a thousand capsules") << 1000;
    }
    void rtfPlacesLinesWhereTheLayoutDoes()
    {
        QFETCH(int, capsulas);
        QList<double> pesos;
        for (int i = 0; i < capsulas; ++i)
            pesos.append(capsulas == 10 ? QList<double>{250.1, 249.8, 251.3, 248.7, 285.0, 250.4, 249.2, 250.9,
                                                        251.6, 248.4}[i]
                                        : 300 + ((i * 37) % 41 - 20) * 0.1);
        auto ds = dados(pesos);
        const ReportDocument d = monta(*ds);
        const QByteArray rtf = reportToRtf(d);
        QVERIFY(TextoDosFormatos::rtfBemFormado(rtf));
        const LeituraRtf lido = leRtf(rtf);
        QCOMPARE(lido.paginas, int(d.pages.size()));
        QVERIFY(!lido.transborda);
        const double twips = 1440 / d.unitsPerInch;
        for (int p = 0; p < d.pages.size(); ++p) {
            for (const ReportItem &i : d.pages[p].items) {
                if (i.kind != ReportItem::Kind::Text || i.text.isEmpty() || !i.group.isEmpty())
                    continue;
                bool achado = false;
                int perto = -1;
                for (const ParagrafoRtf &par : lido.paragrafos) {
                    if (par.pagina != p || !par.texto.contains(i.text))
                        continue;
                    perto = par.topo;
                    if (std::abs(par.topo - qRound(i.rect.top() * twips)) <= 2)
                        achado = true;
                }
                QVERIFY2(achado, qPrintable(QStringLiteral("página %1, \"%2\" em %3, no RTF em %4")
                                                .arg(p + 1)
                                                .arg(i.text)
                                                .arg(qRound(i.rect.top() * twips))
                                                .arg(perto)));
            }
        }
        // The verdict in its frame: a bordered table row, the reasons beside it.
        const QString veredito = um(d, QStringLiteral("veredito"));
        QCOMPARE(veredito, capsulas == 10 ? QStringLiteral("Reprovado") : QStringLiteral("Aprovado"));
        bool emQuadro = false;
        for (const ParagrafoRtf &par : lido.paragrafos)
            if (par.texto.contains(veredito) && par.emTabela)
                emQuadro = true;
        QVERIFY(emQuadro);
        QVERIFY(rtf.contains("\\clbrdrt\\brdrs"));
    }

    void rtfDrawsGroupsAsPictures()
    {
        const QByteArray r = reportToRtf(amostra(true));
        QVERIFY(TextoDosFormatos::rtfBemFormado(r));
        QCOMPARE(r.count("{\\pict\\pngblip"), 1);
        QVERIFY(r.contains("\\picwgoal4535\\pichgoal1701"));
        QVERIFY(r.contains("\n89504e470d0a1a0a"));
        const QString texto = TextoDosFormatos::deRtf(r);
        QVERIFY(!texto.contains(QStringLiteral("dentro do gráfico")));
        QVERIFY(texto.indexOf(QStringLiteral("Não Conforme")) < texto.indexOf(QStringLiteral("depois do gráfico")));
        // The plain text leaves the drawing out, its texts with it.
        QVERIFY(!fromWin1252(reportToText(amostra(true), 10, 6)).contains(QStringLiteral("dentro do gráfico")));
    }

    void rescaledToOtherUnits()
    {
        ReportDocument d = amostra();
        rescaleReport(d, 1); // inches
        QCOMPARE(d.unitsPerInch, 1.0);
        QVERIFY(std::fabs(d.pageSize.width() - 21 / 2.54) < 1e-12);
        QVERIFY(std::fabs(d.pages[0].items[1].rect.left() - 1) < 1e-12);
        // The same text grid whatever the units.
        QCOMPARE(reportToText(d, 10, 6), reportToText(amostra(), 10, 6));
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    TstPaginas test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_paginas.moc"
