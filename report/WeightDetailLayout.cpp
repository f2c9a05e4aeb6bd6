// The detailed weight report of one formula, laid out on A4 in centimetres:
// header, identification of the order, verdict and reasons, how the analysis
// came about (from the history), the figures of the analysis, the chart of
// the capsule weights against the mean and the limits of the weight
// criterion, one line per capsule (over as many pages as needed, the column
// titles on each), the pharmacist's signature, and on every page a footer
// naming the analysis with "página N de M".

#include "config/uConfiguracao.h"
#include "core/DisplayFormat.h"
#include "core/WeightCriterion.h"
#include "data/dataset/ClientDataSet.h"
#include "report/ReportModels.h"
#include "report/ReportProject.h"

#include <QFontMetricsF>
#include <QImage>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr double kPageWidth = 21.0;
constexpr double kPageHeight = 29.7;
constexpr double kRow = 2.54 / 6;   // one table line: a line of the plain-text grid
constexpr double kMarkWidth = 0.45; // the mark of a non-conforming line, left of the table

const QColor kGreen(0, 128, 0);
const QColor kRed(204, 0, 0);
const QColor kGrey(96, 96, 96);
const QColor kRule(150, 150, 150);
const QColor kBlue(0, 70, 160);
const QString kNaoConforme = QStringLiteral("Não Conforme");
const QString kEmptyWeight = QStringLiteral("vazio (0)");

ReportFont font(double size, bool bold = false)
{
    ReportFont f;
    f.pointSize = size;
    f.bold = bold;
    return f;
}

// Widths of texts in centimetres, measured at a high resolution so that the
// hinting of small sizes does not distort them.
class Measure {
public:
    Measure() : m_device(1, 1, QImage::Format_RGB32)
    {
        m_device.setDotsPerMeterX(qRound(kDpi / 0.0254));
        m_device.setDotsPerMeterY(qRound(kDpi / 0.0254));
    }

    // A little wider than measured: a device that rounds the advance of each
    // character to its pixels draws a line of text up to a few percent wider.
    double width(const QString &text, const ReportFont &f)
    {
        return metrics(f).horizontalAdvance(text) / kDpi * 2.54 * 1.04;
    }

    // The text in lines no wider than width, broken between words (a word
    // longer than the width is broken where it must).
    QStringList wrap(const QString &text, const ReportFont &f, double maxWidth)
    {
        QStringList lines;
        QString line;
        const QStringList words = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (QString word : words) {
            const QString tried = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (width(tried, f) <= maxWidth) {
                line = tried;
                continue;
            }
            if (!line.isEmpty())
                lines.append(line);
            line.clear();
            while (width(word, f) > maxWidth && word.size() > 1) {
                qsizetype n = word.size() - 1;
                while (n > 1 && width(word.left(n), f) > maxWidth)
                    --n;
                lines.append(word.left(n));
                word = word.mid(n);
            }
            line = word;
        }
        if (!line.isEmpty() || lines.isEmpty())
            lines.append(line);
        return lines;
    }

private:
    static constexpr double kDpi = 720;
    QFontMetricsF &metrics(const ReportFont &f)
    {
        const QString key = QStringLiteral("%1/%2/%3/%4").arg(f.family).arg(f.pointSize).arg(f.bold).arg(f.italic);
        auto it = m_metrics.find(key);
        if (it == m_metrics.end()) {
            it = m_metrics.insert(key, QFontMetricsF(qtFont(f), &m_device));
        }
        return *it;
    }
    QImage m_device;
    QHash<QString, QFontMetricsF> m_metrics;
};

struct Capsule {
    QStringList cells;
    std::optional<double> weight;
    int number = 0;
    bool nonConforming = false;
};

// A step of 1, 2, 2.5 or 5 times a power of ten giving about `count` intervals.
double niceStep(double range, int count)
{
    if (range <= 0)
        return 1;
    const double raw = range / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (m * power >= raw)
            return m * power;
    return 10 * power;
}

class Layout {
public:
    Layout(const ReportDefinition &definition, ClientDataSet &rows, const ReportProgress &progress,
           const QDateTime &printedAt, const RegistroDaAnalise &registro)
        : m_def(definition), m_rows(rows), m_progress(progress), m_printedAt(printedAt), m_registro(registro)
    {
        m_left = definition.margins.left();
        m_right = kPageWidth - definition.margins.right();
        m_top = definition.margins.top();
        m_bottom = kPageHeight - definition.margins.bottom() - 0.75;
        m_unit = UnidadePesoMedio.isEmpty() ? QStringLiteral("mg") : UnidadePesoMedio.toLower();
    }

    ReportDocument run()
    {
        read();
        m_doc.title = m_def.title;
        m_doc.unitsPerInch = 2.54;
        m_doc.pageSize = QSizeF(kPageWidth, kPageHeight);
        m_doc.margins = m_def.margins;
        newPage();
        identification();
        verdict();
        record();
        summary();
        chart();
        table();
        signature();
        footers();
        return m_doc;
    }

private:
    QString text(const QString &field) { return m_rows.FieldByName(field).DisplayText(); }
    QString unitText(const QString &t) const { return QString(t).replace(QLatin1String("%u"), m_unit); }
    QString figure(double v) const { return formatNumber(v, QStringLiteral("#,##0.0000")); }

    void read()
    {
        m_rows.First();
        if (!m_rows.Eof()) {
            m_analysis = text(QStringLiteral("ID_RPESOMED"));
            m_order = text(QStringLiteral("ESTACAO")) + QLatin1Char('.') + text(QStringLiteral("NPEDIDO"));
            m_formula = text(QStringLiteral("NFORMULA"));
            m_customer = text(QStringLiteral("NOME"));
            m_patient = text(QStringLiteral("PACIENTE_2"));
            m_phone = text(QStringLiteral("FONE"));
            m_date = text(QStringLiteral("DATA_EMISSAO"));
            m_verdict = text(QStringLiteral("RESULTADO_1"));
            m_reasons = text(QStringLiteral("MOTIVOS"));
            const Field mean = m_rows.FieldByName(QStringLiteral("PESOMEDIO"));
            if (!mean.IsNull())
                m_mean = mean.AsFloat();
            for (const ReportSummaryField &s : m_def.summary)
                m_summary.append(text(s.field));
        }
        while (!m_rows.Eof()) {
            Capsule c;
            const Field weight = m_rows.FieldByName(QStringLiteral("PESO"));
            if (!weight.IsNull())
                c.weight = weight.AsFloat();
            // An empty weight counts as 0 in the analysis: said so, not left blank.
            for (const ReportColumn &col : m_def.columns)
                c.cells.append(!c.weight && col.field == QLatin1String("PESO") ? kEmptyWeight : text(col.field));
            c.number = int(m_rows.FieldByName(QStringLiteral("NUMCAP")).AsInteger());
            c.nonConforming = m_rows.FieldByName(QStringLiteral("OBS")).AsString().trimmed() == kNaoConforme;
            m_capsules.append(c);
            m_rows.Next();
        }
        m_rows.First();
    }

    ReportPage &page() { return m_doc.pages.last(); }
    void add(const ReportItem &item) { page().items.append(item); }
    void addText(double x, double y, double w, double h, const QString &t, const ReportFont &f,
                 Qt::Alignment a = Qt::AlignLeft, const QString &role = {}, const QColor &color = Qt::black)
    {
        add(reportText(QRectF(x, y, w, h), t, f, a | Qt::AlignVCenter, role, color));
    }

    // A new page with the header band; m_y below it.
    void newPage()
    {
        m_doc.pages.append(ReportPage());
        if (m_progress)
            m_progress(int(m_doc.pages.size()));
        const double w = m_right - m_left;
        addText(m_left, m_top, w * 0.7, 0.65, m_def.title, font(13, true), Qt::AlignLeft, QStringLiteral("titulo"));
        addText(m_left, m_top, w, 0.65, QStringLiteral("Análise nº ") + m_analysis, font(12, true), Qt::AlignRight,
                QStringLiteral("analise"));
        addText(m_left, m_top + 0.68, w, 0.4, m_def.subtitle, font(7.5), Qt::AlignLeft, QStringLiteral("subtitulo"),
                kGrey);
        add(reportLine(QLineF(m_left, m_top + 1.2, m_right, m_top + 1.2), 0.03));
        m_y = m_top + 1.45;
    }

    // Room for height below m_y, or a new page.
    bool ensure(double height)
    {
        if (m_y + height <= m_bottom)
            return false;
        newPage();
        return true;
    }

    void labelled(double x, double y, const QString &label, const QString &value, double maxWidth,
                  const QString &role)
    {
        const ReportFont lf = font(8, true);
        const double lw = m_measure.width(label, lf) + 0.15;
        addText(x, y, lw, 0.45, label, lf, Qt::AlignLeft, {}, kGrey);
        addText(x + lw, y, maxWidth - lw, 0.45, value, font(9), Qt::AlignLeft, role);
    }

    void identification()
    {
        const double h = 3 * 0.45 + 0.2;
        add(reportRect(QRectF(m_left, m_y, m_right - m_left, h), QColor(), kRule, 0.02));
        const double y = m_y + 0.1;
        const double x1 = m_left + 0.2, x2 = m_left + 6.4, x3 = m_left + 11.6;
        labelled(x1, y, QStringLiteral("Pedido:"), m_order, 6, QStringLiteral("pedido"));
        labelled(x2, y, QStringLiteral("Fórmula nº:"), m_formula, 5, QStringLiteral("formula"));
        // DATA_EMISSAO is the day the result record was made, at the first weighing,
        // not the day of the analysis.
        labelled(x3, y, QStringLiteral("Análise aberta em:"), m_date, m_right - x3, QStringLiteral("data"));
        labelled(x1, y + 0.45, QStringLiteral("Cliente:"), m_customer, x3 - x1 - 0.2, QStringLiteral("cliente"));
        labelled(x3, y + 0.45, QStringLiteral("Telefone:"), m_phone, m_right - x3, QStringLiteral("telefone"));
        labelled(x1, y + 0.9, QStringLiteral("Paciente:"), m_patient, m_right - x1 - 0.2, QStringLiteral("paciente"));
        m_y += h + 0.3;
    }

    void verdict()
    {
        const bool approved = m_verdict == QLatin1String("Aprovado");
        const QColor color = approved ? kGreen : kRed;
        const double split = m_left + 5.4;
        const double reasonsWidth = m_right - split - 0.5;
        const ReportFont reasonsFont = font(9.5, !approved);
        const QStringList reasons =
            m_reasons.trimmed().isEmpty() ? QStringList{QStringLiteral("—")}
                                          : m_measure.wrap(m_reasons, reasonsFont, reasonsWidth);
        const double h = std::max(1.55, 0.6 + reasons.size() * 0.45 + 0.2);
        ensure(h);
        add(reportRect(QRectF(m_left, m_y, m_right - m_left, h),
                       approved ? QColor(236, 247, 236) : QColor(253, 236, 236), color, 0.05,
                       QStringLiteral("veredito.quadro")));
        addText(m_left + 0.3, m_y + 0.15, 4.8, 0.35, QStringLiteral("Situação"), font(7.5, true), Qt::AlignLeft, {},
                kGrey);
        addText(m_left + 0.3, m_y + 0.5, 4.8, 0.85, m_verdict, font(20, true), Qt::AlignLeft,
                QStringLiteral("veredito"), color);
        add(reportLine(QLineF(split, m_y + 0.2, split, m_y + h - 0.2), 0.02, kRule));
        addText(split + 0.3, m_y + 0.15, reasonsWidth, 0.35, QStringLiteral("Motivos"), font(7.5, true),
                Qt::AlignLeft, {}, kGrey);
        for (int i = 0; i < reasons.size(); ++i)
            addText(split + 0.3, m_y + 0.6 + i * 0.45, reasonsWidth, 0.45, reasons[i], reasonsFont,
                    Qt::AlignLeft, QStringLiteral("motivos"), approved ? Qt::black : kRed);
        m_y += h + 0.35;
    }

    // When and by whom it was analysed, the weights' source, the sample, the
    // history's state; the corrections made before the analysis, if any.
    void record()
    {
        const QStringList lines = m_registro.linhas();
        if (lines.isEmpty() && m_registro.correcoes.isEmpty())
            return;
        const double w = m_right - m_left;
        const ReportFont f = font(8.5);
        for (const QString &line : lines) {
            ensure(0.42);
            const bool note = line == m_registro.amostra || line == kHistoricoDesativado;
            addText(m_left, m_y, w, 0.42, line, font(8.5, note), Qt::AlignLeft,
                    note ? QStringLiteral("registro.aviso") : QStringLiteral("registro"), note ? kRed : Qt::black);
            m_y += 0.42;
        }
        if (!m_registro.correcoes.isEmpty()) {
            ensure(0.84);
            m_y += 0.1;
            addText(m_left, m_y, w, 0.42, QStringLiteral("Correções antes da análise"), font(8.5, true),
                    Qt::AlignLeft, QStringLiteral("correcoes"));
            m_y += 0.42;
            for (const CorrecaoDePeso &c : m_registro.correcoes) {
                ensure(0.42);
                addText(m_left + 0.3, m_y, w - 0.3, 0.42, RegistroDaAnalise::linha(c), f, Qt::AlignLeft,
                        QStringLiteral("correcao"));
                m_y += 0.42;
            }
        }
        m_y += 0.3;
    }

    void summary()
    {
        if (m_def.summary.isEmpty())
            return;
        const int columns = 3;
        const int lines = int((m_def.summary.size() + columns - 1) / columns);
        const double cell = (m_right - m_left) / columns;
        const double h = 0.5 + lines * 0.48 + 0.15;
        ensure(h);
        addText(m_left, m_y, m_right - m_left, 0.45, QStringLiteral("Resumo da análise"), font(9, true));
        m_y += 0.5;
        add(reportRect(QRectF(m_left, m_y, m_right - m_left, lines * 0.48 + 0.1), QColor(244, 244, 244), kRule,
                       0.015));
        for (int i = 0; i < m_def.summary.size(); ++i) {
            const double x = m_left + (i % columns) * cell;
            const double y = m_y + 0.05 + (i / columns) * 0.48;
            addText(x + 0.2, y, cell - 0.4, 0.48, unitText(m_def.summary[i].label), font(8), Qt::AlignLeft, {},
                    kGrey);
            addText(x + 0.2, y, cell - 0.45, 0.48, m_summary.value(i), font(9, true), Qt::AlignRight,
                    QStringLiteral("resumo.") + m_def.summary[i].field);
        }
        m_y += lines * 0.48 + 0.1 + 0.35;
    }

    ReportItem chartItem(ReportItem item, const QString &role, double value = std::nan(""))
    {
        item.group = QStringLiteral("grafico");
        item.role = role;
        item.value = value;
        return item;
    }

    void chart()
    {
        if (m_capsules.isEmpty())
            return;
        // As the analysis counted them: an empty weight is 0.
        QList<double> weights;
        for (const Capsule &c : m_capsules)
            weights.append(c.weight.value_or(0));
        double mean = m_mean.value_or(0);
        if (mean <= 0) {
            for (double w : weights)
                mean += w;
            mean /= weights.size();
        }
        // The weight criterion of the analysis around the mean.
        const double percent = weightVariationLimit(mean);
        const double upper = mean * (1 + percent / 100);
        const double lower = mean * (1 - percent / 100);

        const double frameHeight = 5.6;
        const QString legend = legendText(mean, percent, lower, upper);
        const QStringList legendLines = m_measure.wrap(legend, font(7.5), m_right - m_left);
        ensure(0.5 + frameHeight + legendLines.size() * 0.38 + 0.3);
        addText(m_left, m_y, m_right - m_left, 0.45, QStringLiteral("Gráfico dos pesos das cápsulas (%1)").arg(m_unit),
                font(9, true));
        m_y += 0.5;

        // The labels of the mean and the limits in a margin right of the plot.
        const QRectF plot(m_left + 1.7, m_y + 0.3, m_right - m_left - 3.3, frameHeight - 1.0);
        const double lo = std::min(lower, *std::min_element(weights.begin(), weights.end()));
        const double hi = std::max(upper, *std::max_element(weights.begin(), weights.end()));
        const double pad = std::max((hi - lo) * 0.06, std::fabs(mean) * 0.005);
        const double step = niceStep(hi - lo + 2 * pad, 6);
        const double axisMin = std::floor((lo - pad) / step) * step;
        const double axisMax = std::ceil((hi + pad) / step) * step;
        auto yOf = [&](double v) { return plot.bottom() - (v - axisMin) / (axisMax - axisMin) * plot.height(); };
        const int n = int(m_capsules.size());
        auto xOf = [&](int index) { return plot.left() + (index + 0.5) / n * plot.width(); };

        add(chartItem(reportRect(plot, Qt::white, kRule, 0.02), QStringLiteral("grafico.area")));
        const ReportFont axis = font(7);
        for (double v = axisMin; v <= axisMax + step / 2; v += step) {
            const double y = yOf(v);
            if (v > axisMin + step / 2 && v < axisMax - step / 2)
                add(chartItem(reportLine(QLineF(plot.left(), y, plot.right(), y), 0.01, QColor(220, 220, 220)),
                              QStringLiteral("grafico.grade"), v));
            add(chartItem(reportText(QRectF(m_left, y - 0.2, 1.6, 0.4), formatNumber(v, QStringLiteral("#,##0.##")),
                                     axis, Qt::AlignRight | Qt::AlignVCenter),
                          QStringLiteral("grafico.eixo.y"), v));
        }
        const int labelStep = std::max(1, int(niceStep(n, 15)));
        for (int i = 0; i < n; ++i) {
            const int number = m_capsules[i].number;
            if (number == 1 || number % labelStep == 0)
                add(chartItem(reportText(QRectF(xOf(i) - 0.5, plot.bottom() + 0.05, 1.0, 0.35),
                                         QString::number(number), axis, Qt::AlignHCenter | Qt::AlignVCenter),
                              QStringLiteral("grafico.eixo.x"), number));
        }
        add(chartItem(reportText(QRectF(plot.left(), plot.bottom() + 0.38, plot.width(), 0.35),
                                 QStringLiteral("Cápsula nº"), axis, Qt::AlignHCenter | Qt::AlignVCenter),
                      QStringLiteral("grafico.titulo.x")));

        // The mean and the limits, labelled right of the plot.
        const QRectF labels(plot.right() + 0.15, 0, m_right - plot.right() - 0.15, 0.34);
        add(chartItem(reportLine(QLineF(plot.left(), yOf(mean), plot.right(), yOf(mean)), 0.03, kBlue),
                      QStringLiteral("grafico.media"), mean));
        add(chartItem(reportText(labels.translated(0, yOf(mean) - 0.17), QStringLiteral("média"), font(7, true),
                                 Qt::AlignLeft | Qt::AlignVCenter, {}, kBlue),
                      QStringLiteral("grafico.rotulo")));
        for (auto [value, role, sign] :
             {std::tuple{upper, QStringLiteral("grafico.limite.superior"), QStringLiteral("+")},
              std::tuple{lower, QStringLiteral("grafico.limite.inferior"), QStringLiteral("−")}}) {
            add(chartItem(reportLine(QLineF(plot.left(), yOf(value), plot.right(), yOf(value)), 0.025, kRed,
                                     Qt::DashLine),
                          role, value));
            add(chartItem(reportText(labels.translated(0, yOf(value) - 0.17),
                                     QStringLiteral("%1%2 %").arg(sign, formatNumber(percent, QStringLiteral("0.#"))),
                                     font(7, true), Qt::AlignLeft | Qt::AlignVCenter, {}, kRed),
                          QStringLiteral("grafico.rotulo")));
        }

        // The weights in capsule order; red where the analysis marked the
        // capsule, as the table does.
        ReportItem path;
        path.kind = ReportItem::Kind::Polyline;
        path.color = QColor(150, 150, 150);
        path.penWidth = 0.01;
        for (int i = 0; i < n; ++i)
            path.points.append(QPointF(xOf(i), yOf(weights[i])));
        // Joined in order while the line can still be followed.
        if (n > 1 && n <= 150)
            add(chartItem(path, QStringLiteral("grafico.linha")));
        const double dot = n <= 60 ? 0.13 : n <= 300 ? 0.08 : 0.05;
        for (int i = 0; i < n; ++i) {
            const Capsule &c = m_capsules[i];
            const double w = weights[i];
            const bool marked = c.nonConforming;
            const double size = marked || !c.weight ? std::max(dot * 1.6, 0.12) : dot;
            ReportItem marker;
            marker.kind = ReportItem::Kind::Marker;
            marker.rect = QRectF(xOf(i) - size / 2, yOf(w) - size / 2, size, size);
            marker.penWidth = 0.015;
            if (!c.weight) {
                // An empty weight: a ring at 0, named.
                marker.fill = Qt::white;
                marker.color = marked ? kRed : kBlue;
                marker.penWidth = 0.04;
                add(chartItem(marker, QStringLiteral("grafico.ponto.vazio"), w));
                add(chartItem(reportText(QRectF(xOf(i) - 0.8, yOf(w) - size / 2 - 0.32, 1.6, 0.3),
                                         QStringLiteral("nº %1 vazio").arg(c.number), font(6.5, true),
                                         Qt::AlignHCenter | Qt::AlignVCenter, {}, marker.color),
                              QStringLiteral("grafico.rotulo.vazio"), w));
                continue;
            }
            marker.fill = marked ? kRed : kBlue;
            marker.color = marked ? QColor(120, 0, 0) : QColor();
            add(chartItem(marker, marked ? QStringLiteral("grafico.ponto.fora") : QStringLiteral("grafico.ponto"), w));
            if (marked && n <= 100) {
                const double y = w > mean ? yOf(w) - size / 2 - 0.3 : yOf(w) + size / 2;
                add(chartItem(reportText(QRectF(xOf(i) - 0.5, y, 1.0, 0.3), QString::number(c.number),
                                         font(6.5, true), Qt::AlignHCenter | Qt::AlignVCenter, {}, kRed),
                              QStringLiteral("grafico.rotulo.fora"), w));
            }
        }
        m_y = plot.bottom() + 0.75;
        for (const QString &line : legendLines) {
            addText(m_left, m_y, m_right - m_left, 0.38, line, font(7.5), Qt::AlignLeft,
                    QStringLiteral("grafico.legenda"));
            m_y += 0.38;
        }
        m_y += 0.35;
    }

    // The capsule numbers of a list, the first 30 of them.
    static QString numbers(QStringList list)
    {
        if (list.size() > 30) {
            list = list.mid(0, 30);
            list.append(QStringLiteral("…"));
        }
        return list.join(QStringLiteral(", "));
    }

    QString legendText(double mean, double percent, double lower, double upper) const
    {
        // The capsules the analysis marked, as the table marks them.
        QStringList outside, empty;
        for (const Capsule &c : m_capsules) {
            if (c.nonConforming)
                outside.append(QString::number(c.number));
            if (!c.weight)
                empty.append(QString::number(c.number));
        }
        QString text = QStringLiteral("Média: %1 %2. Limites (média ± %3 %): %4 a %5 %2. ")
                           .arg(figure(mean), m_unit, formatNumber(percent, QStringLiteral("0.#")), figure(lower),
                                figure(upper));
        if (outside.isEmpty()) {
            text += QStringLiteral("Nenhuma cápsula fora dos limites.");
        } else {
            const qsizetype total = outside.size();
            text += QStringLiteral("Fora dos limites: %1 %2 (nº %3).")
                        .arg(total)
                        .arg(total == 1 ? QStringLiteral("cápsula") : QStringLiteral("cápsulas"))
                        .arg(numbers(outside));
        }
        if (!empty.isEmpty())
            text += QStringLiteral(" Sem peso, contadas como 0: %1 %2 (nº %3).")
                        .arg(empty.size())
                        .arg(empty.size() == 1 ? QStringLiteral("cápsula") : QStringLiteral("cápsulas"))
                        .arg(numbers(empty));
        return text;
    }

    void tableTitles(bool continued)
    {
        addText(m_left, m_y, m_right - m_left, 0.45,
                continued ? QStringLiteral("Pesos das cápsulas (continuação)") : QStringLiteral("Pesos das cápsulas"),
                font(9, true));
        m_y += 0.5;
        add(reportRect(QRectF(m_left, m_y, m_right - m_left, kRow + 0.08), QColor(222, 222, 222), QColor()));
        double x = m_left;
        for (const ReportColumn &col : m_def.columns) {
            addText(x + 0.1, m_y + 0.04, col.width - 0.2, kRow, unitText(col.title), font(8, true), col.alignment,
                    QStringLiteral("tabela.titulo"));
            x += col.width;
        }
        m_y += kRow + 0.08;
    }

    void table()
    {
        const ReportFont normal = font(8);
        const ReportFont marked = font(8, true);
        ensure(0.5 + 2 * kRow + 0.1);
        tableTitles(false);
        int index = 0;
        for (const Capsule &c : m_capsules) {
            // Long texts wrap within their column.
            QList<QStringList> cells;
            int lines = 1;
            for (int i = 0; i < m_def.columns.size(); ++i) {
                const QString cell = c.cells.value(i);
                cells.append(m_def.columns[i].alignment == Qt::AlignLeft
                                 ? m_measure.wrap(cell, c.nonConforming ? marked : normal, m_def.columns[i].width - 0.2)
                                 : QStringList{cell});
                lines = std::max(lines, int(cells.last().size()));
            }
            const double h = lines * kRow;
            if (m_y + h > m_bottom) {
                add(reportLine(QLineF(m_left, m_y, m_right, m_y), 0.02, kRule));
                newPage();
                tableTitles(true);
            }
            if (c.nonConforming) {
                add(reportRect(QRectF(m_left, m_y, m_right - m_left, h), QColor(255, 226, 226), QColor(),
                               0.02, QStringLiteral("capsula.destaque")));
                addText(m_left - kMarkWidth, m_y, kMarkWidth - 0.05, kRow, QStringLiteral("►"), font(8, true),
                        Qt::AlignRight, QStringLiteral("capsula.marca"), kRed);
            } else if (index % 2 == 1) {
                add(reportRect(QRectF(m_left, m_y, m_right - m_left, h), QColor(245, 245, 245), QColor()));
            }
            double x = m_left;
            for (int i = 0; i < m_def.columns.size(); ++i) {
                const ReportColumn &col = m_def.columns[i];
                for (int l = 0; l < cells[i].size(); ++l)
                    addText(x + 0.1, m_y + l * kRow, col.width - 0.2, kRow, cells[i][l],
                            c.nonConforming ? marked : normal, col.alignment, QStringLiteral("capsula.") + col.field,
                            c.nonConforming ? kRed : Qt::black);
                x += col.width;
            }
            m_y += h;
            ++index;
        }
        add(reportLine(QLineF(m_left, m_y, m_right, m_y), 0.02, kRule));
        m_y += 0.3;
    }

    void signature()
    {
        const double h = 2.0;
        ensure(h);
        const double y = m_y + 1.3;
        const double split = m_left + 11.5;
        add(reportLine(QLineF(m_left, y, split - 0.8, y), 0.02, Qt::black, Qt::SolidLine,
                       QStringLiteral("assinatura.linha")));
        add(reportLine(QLineF(split, y, m_right, y), 0.02, Qt::black, Qt::SolidLine, QStringLiteral("data.linha")));
        addText(m_left, y + 0.05, split - 0.8 - m_left, 0.4, m_def.signature, font(8), Qt::AlignLeft,
                QStringLiteral("assinatura"), kGrey);
        addText(split, y + 0.05, m_right - split, 0.4, QStringLiteral("Data"), font(8), Qt::AlignLeft, {}, kGrey);
        m_y += h;
    }

    void footers()
    {
        const int total = int(m_doc.pages.size());
        const double y = kPageHeight - m_def.margins.bottom() - 0.45;
        const QString printed = QStringLiteral("Impresso em %1 às %2")
                                    .arg(QLocale().toString(m_printedAt.date(), QStringLiteral("dd/MM/yyyy")),
                                         QLocale().toString(m_printedAt.time(), QStringLiteral("HH:mm")));
        const QString which = QStringLiteral("Análise nº %1 · Pedido %2 · Fórmula nº %3")
                                  .arg(m_analysis, m_order, m_formula);
        for (int p = 0; p < total; ++p) {
            ReportPage &pg = m_doc.pages[p];
            pg.items.append(reportLine(QLineF(m_left, y - 0.1, m_right, y - 0.1), 0.015, kRule));
            pg.items.append(reportText(QRectF(m_left, y, 6, 0.4), printed, font(7), Qt::AlignLeft | Qt::AlignVCenter,
                                       QStringLiteral("impresso"), kGrey));
            pg.items.append(reportText(QRectF(m_left, y, m_right - m_left, 0.4), which, font(7),
                                       Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("identificacao"), kGrey));
            pg.items.append(reportText(QRectF(m_right - 4, y, 4, 0.4),
                                       QStringLiteral("página %1 de %2").arg(p + 1).arg(total), font(7, true),
                                       Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("pagina")));
        }
    }

    const ReportDefinition &m_def;
    ClientDataSet &m_rows;
    ReportProgress m_progress;
    QDateTime m_printedAt;
    RegistroDaAnalise m_registro;
    Measure m_measure;
    ReportDocument m_doc;
    double m_left = 0, m_right = 0, m_top = 0, m_bottom = 0, m_y = 0;
    QString m_unit;

    QString m_analysis, m_order, m_formula, m_customer, m_patient, m_phone, m_date, m_verdict, m_reasons;
    std::optional<double> m_mean;
    QStringList m_summary;
    QList<Capsule> m_capsules;
};

} // namespace

ReportDocument layOutWeightDetail(const ReportDefinition &definition, ClientDataSet &rows,
                                  const ReportProgress &progress, const QDateTime &printedAt,
                                  const RegistroDaAnalise &registro)
{
    return Layout(definition, rows, progress, printedAt, registro).run();
}
