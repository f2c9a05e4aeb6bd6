#include "report/ReportWriters.h"

#include "core/AppError.h"
#include "core/Win1252.h"

#include <QBuffer>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QtMath>

#include <algorithm>
#include <cmath>

// ----------------------------------------------------------------- painting

// As laid out and as painted: the same font, so text fits where it was measured.
QFont qtFont(const ReportFont &f)
{
    QFont font(f.family);
    font.setStyleHint(QFont::SansSerif);
    // No ligatures: a reader searching the PDF for "fi" finds it.
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setPointSizeF(f.pointSize);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    return font;
}

void paintReportPage(QPainter &painter, const ReportDocument &document, const ReportPage &page, double scaleX,
                     double scaleY)
{
    QPaintDevice *device = painter.device();
    const double kx = device->logicalDpiX() / document.unitsPerInch;
    const double ky = device->logicalDpiY() / document.unitsPerInch;
    auto point = [&](const QPointF &p) { return QPointF(p.x() * kx, p.y() * ky); };
    auto rect = [&](const QRectF &r) { return QRectF(r.x() * kx, r.y() * ky, r.width() * kx, r.height() * ky); };

    painter.save();
    painter.scale(scaleX, scaleY);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const ReportFont *lastFont = nullptr;
    for (const ReportItem &item : page.items) {
        QPen pen(Qt::NoPen);
        if (item.kind != ReportItem::Kind::Text && item.color.isValid()) {
            pen = QPen(item.color, item.penWidth * kx, item.penStyle, Qt::FlatCap, Qt::MiterJoin);
            if (item.penStyle == Qt::DashLine)
                pen.setDashPattern({6, 4});
        }
        switch (item.kind) {
        case ReportItem::Kind::Text:
            if (!lastFont || lastFont->family != item.font.family || lastFont->pointSize != item.font.pointSize ||
                lastFont->bold != item.font.bold || lastFont->italic != item.font.italic) {
                painter.setFont(qtFont(item.font));
                lastFont = &item.font;
            }
            painter.setPen(item.color);
            painter.drawText(rect(item.rect), int(item.alignment) | Qt::TextSingleLine | Qt::TextDontClip, item.text);
            break;
        case ReportItem::Kind::Line:
            painter.setPen(pen);
            painter.drawLine(QLineF(point(item.line.p1()), point(item.line.p2())));
            break;
        case ReportItem::Kind::Rect:
            painter.setPen(pen);
            painter.setBrush(item.fill.isValid() ? QBrush(item.fill) : QBrush(Qt::NoBrush));
            painter.drawRect(rect(item.rect));
            break;
        case ReportItem::Kind::Polyline: {
            QPolygonF polygon;
            polygon.reserve(item.points.size());
            for (const QPointF &p : item.points)
                polygon.append(point(p));
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawPolyline(polygon);
            break;
        }
        case ReportItem::Kind::Marker:
            painter.setPen(pen);
            painter.setBrush(item.fill.isValid() ? QBrush(item.fill) : QBrush(Qt::NoBrush));
            painter.drawEllipse(rect(item.rect));
            break;
        }
    }
    painter.restore();
}

// ------------------------------------------------------------ shared helpers

namespace {

QString number(double v)
{
    QString s = QString::number(v, 'f', 4);
    while (s.contains(QLatin1Char('.')) && (s.endsWith(QLatin1Char('0')) || s.endsWith(QLatin1Char('.'))))
        s.chop(1);
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

QString colorName(const QColor &c)
{
    return c.isValid() ? c.name(QColor::HexRgb) : QStringLiteral("none");
}

// The texts of a page by lines: those sharing a top, left to right.
struct TextRow {
    double top = 0;
    double height = 0;
    QList<const ReportItem *> items;
};

double anchorOf(const ReportItem &i)
{
    if (i.alignment & Qt::AlignRight)
        return i.rect.right();
    if (i.alignment & Qt::AlignHCenter)
        return i.rect.center().x();
    return i.rect.left();
}

QList<TextRow> textRows(const ReportDocument &document, QList<const ReportItem *> texts)
{
    std::stable_sort(texts.begin(), texts.end(),
                     [](const ReportItem *a, const ReportItem *b) { return a->rect.top() < b->rect.top(); });
    const double tolerance = document.unitsPerInch * 0.01;
    QList<TextRow> rows;
    for (const ReportItem *i : texts) {
        if (rows.isEmpty() || i->rect.top() - rows.last().top > tolerance)
            rows.append({i->rect.top(), 0, {}});
        rows.last().items.append(i);
        rows.last().height = std::max(rows.last().height, i->rect.height());
    }
    for (TextRow &r : rows)
        std::stable_sort(r.items.begin(), r.items.end(),
                         [](const ReportItem *a, const ReportItem *b) { return anchorOf(*a) < anchorOf(*b); });
    return rows;
}

QList<TextRow> textRows(const ReportDocument &document, const ReportPage &page, bool withGroups)
{
    QList<const ReportItem *> texts;
    for (const ReportItem &i : page.items)
        if (i.kind == ReportItem::Kind::Text && !i.text.isEmpty() && (withGroups || i.group.isEmpty()))
            texts.append(&i);
    return textRows(document, texts);
}

QRectF boundsOf(const ReportItem &i)
{
    switch (i.kind) {
    case ReportItem::Kind::Line:
        return QRectF(i.line.p1(), i.line.p2()).normalized();
    case ReportItem::Kind::Polyline:
        return i.points.boundingRect();
    default:
        return i.rect;
    }
}

} // namespace

// --------------------------------------------------------------------- HTML

QByteArray reportToHtml(const ReportDocument &document)
{
    const double in = 1 / document.unitsPerInch;
    auto len = [&](double v) { return number(v * in) + QStringLiteral("in"); };
    QString out;
    out += QStringLiteral("<!DOCTYPE html>\n<html lang=\"pt-BR\">\n<head>\n<meta charset=\"utf-8\">\n<title>") +
           document.title.toHtmlEscaped() + QStringLiteral("</title>\n<style>\n");
    out += QStringLiteral(
        "body{margin:0;background:#9a9a9a;font-family:Arial,\"Liberation Sans\",\"DejaVu Sans\",Helvetica,sans-serif}\n"
        ".pagina{position:relative;margin:12px auto;background:#fff;box-shadow:0 1px 4px rgba(0,0,0,.5);"
        "overflow:hidden}\n"
        ".pagina svg{position:absolute;left:0;top:0}\n"
        ".t{position:absolute;display:flex;align-items:center;white-space:pre;line-height:1}\n"
        ".d{justify-content:flex-end}\n.c{justify-content:center}\n"
        "@page{size:");
    out += len(document.pageSize.width()) + QLatin1Char(' ') + len(document.pageSize.height()) +
           QStringLiteral(";margin:0}\n@media print{body{background:none}.pagina{margin:0;box-shadow:none;"
                          "break-after:page}}\n</style>\n</head>\n<body>\n");
    for (const ReportPage &page : document.pages) {
        out += QStringLiteral("<div class=\"pagina\" style=\"width:%1;height:%2\">\n")
                   .arg(len(document.pageSize.width()), len(document.pageSize.height()));
        out += QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                              "viewBox=\"0 0 %3 %4\">\n")
                   .arg(len(document.pageSize.width()), len(document.pageSize.height()),
                        number(document.pageSize.width()), number(document.pageSize.height()));
        for (const ReportItem &i : page.items) {
            QString stroke;
            if (i.color.isValid()) {
                stroke = QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\"").arg(colorName(i.color), number(i.penWidth));
                if (i.penStyle == Qt::DashLine)
                    stroke += QStringLiteral(" stroke-dasharray=\"%1 %2\"")
                                  .arg(number(i.penWidth * 6), number(i.penWidth * 4));
            }
            switch (i.kind) {
            case ReportItem::Kind::Text:
                break;
            case ReportItem::Kind::Line:
                out += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\"%5/>\n")
                           .arg(number(i.line.x1()), number(i.line.y1()), number(i.line.x2()), number(i.line.y2()),
                                stroke);
                break;
            case ReportItem::Kind::Rect:
                out += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"%6/>\n")
                           .arg(number(i.rect.x()), number(i.rect.y()), number(i.rect.width()),
                                number(i.rect.height()), colorName(i.fill), stroke);
                break;
            case ReportItem::Kind::Polyline: {
                QStringList points;
                for (const QPointF &p : i.points)
                    points.append(number(p.x()) + QLatin1Char(',') + number(p.y()));
                out += QStringLiteral("<polyline points=\"%1\" fill=\"none\"%2/>\n").arg(points.join(QLatin1Char(' ')),
                                                                                        stroke);
                break;
            }
            case ReportItem::Kind::Marker:
                out += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\"%5/>\n")
                           .arg(number(i.rect.center().x()), number(i.rect.center().y()),
                                number(i.rect.width() / 2), colorName(i.fill), stroke);
                break;
            }
        }
        out += QStringLiteral("</svg>\n");
        for (const ReportItem &i : page.items) {
            if (i.kind != ReportItem::Kind::Text || i.text.isEmpty())
                continue;
            QString style = QStringLiteral("left:%1;top:%2;width:%3;height:%4;font-size:%5pt")
                                .arg(len(i.rect.x()), len(i.rect.y()), len(i.rect.width()), len(i.rect.height()),
                                     number(i.font.pointSize));
            if (i.font.bold)
                style += QStringLiteral(";font-weight:bold");
            if (i.font.italic)
                style += QStringLiteral(";font-style:italic");
            if (i.color != QColor(Qt::black))
                style += QStringLiteral(";color:") + colorName(i.color);
            QString cls = QStringLiteral("t");
            if (i.alignment & Qt::AlignRight)
                cls += QStringLiteral(" d");
            else if (i.alignment & Qt::AlignHCenter)
                cls += QStringLiteral(" c");
            out += QStringLiteral("<div class=\"%1\" style=\"%2\">%3</div>\n").arg(cls, style, i.text.toHtmlEscaped());
        }
        out += QStringLiteral("</div>\n");
    }
    out += QStringLiteral("</body>\n</html>\n");
    return out.toUtf8();
}

// ---------------------------------------------------------------------- RTF

namespace {

QByteArray rtfText(const QString &text)
{
    QByteArray out;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u >= 32 && u < 128) {
            out += char(u);
        } else if (u < 32) {
            continue;
        } else {
            const QByteArray b = toWin1252(QString(c));
            if (b.size() == 1 && b != "?")
                out += "\\'" + QByteArray::number(static_cast<unsigned char>(b[0]), 16).rightJustified(2, '0');
            else
                out += "\\u" + QByteArray::number(static_cast<qint16>(u)) + '?';
        }
    }
    return out;
}

// The items of one group, painted alone on a picture at the given resolution.
QByteArray groupPicture(const ReportDocument &document, const QList<const ReportItem *> &items, const QRectF &bounds,
                        int dpi, QSize *pixels)
{
    const double k = dpi / document.unitsPerInch;
    QImage image(qCeil(bounds.width() * k), qCeil(bounds.height() * k), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    ReportPage page;
    for (const ReportItem *i : items)
        page.items.append(*i);
    QPainter painter(&image);
    painter.translate(-bounds.left() * k, -bounds.top() * k);
    paintReportPage(painter, document, page);
    painter.end();
    *pixels = image.size();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace

// Room below a picture for the descent of the 1-point font of its line.
constexpr int kPictureDescent = 8;

QByteArray reportToRtf(const ReportDocument &document)
{
    const double twips = 1440 / document.unitsPerInch;
    auto twipsOf = [&](double v) { return qRound(v * twips); };
    auto tw = [&](double v) { return QByteArray::number(twipsOf(v)); };
    auto num = [](int v) { return QByteArray::number(v); };
    const QMarginsF m = document.margins;
    const double contentWidth = document.pageSize.width() - m.left() - m.right();
    const double tolerance = document.unitsPerInch * 0.01;

    QList<QColor> colors{Qt::black};
    auto colorIndex = [&](const QColor &c) {
        qsizetype i = colors.indexOf(c.rgb() == QColor(Qt::black).rgb() ? QColor(Qt::black) : c);
        if (i < 0) {
            colors.append(c);
            i = colors.size() - 1;
        }
        return i + 1;
    };

    // One line of texts as a paragraph of exactly its height, its texts at tab
    // stops where the layout put them, measured from the left edge origin.
    auto paragraph = [&](const ReportPage &page, const TextRow &row, double origin, int before,
                         const QByteArray &flags, bool shade) {
        QByteArray shading;
        const double middle = row.top + row.height / 2;
        if (shade)
            for (const ReportItem &i : page.items)
                if (i.kind == ReportItem::Kind::Rect && i.group.isEmpty() && i.fill.isValid() &&
                    !i.color.isValid() && i.rect.top() <= middle && i.rect.bottom() >= middle &&
                    i.rect.width() > contentWidth / 2)
                    shading = "\\cbpat" + num(colorIndex(i.fill));
        double indent = 0;
        for (const ReportItem *i : row.items)
            indent = std::min(indent, i->rect.left() - origin);
        QByteArray tabs, text;
        int lastStop = -1;
        bool first = true;
        for (const ReportItem *i : row.items) {
            const bool startsLine = first && !(i->alignment & (Qt::AlignRight | Qt::AlignHCenter)) &&
                                    std::fabs(i->rect.left() - origin - indent) < tolerance;
            first = false;
            if (!startsLine) {
                int stop = twipsOf(anchorOf(*i) - origin);
                stop = std::max(stop, lastStop + 1);
                lastStop = stop;
                if (i->alignment & Qt::AlignRight)
                    tabs += "\\tqr";
                else if (i->alignment & Qt::AlignHCenter)
                    tabs += "\\tqc";
                tabs += "\\tx" + num(stop);
                text += "\\tab";
            }
            text += "{\\fs" + num(qRound(i->font.pointSize * 2));
            if (i->font.bold)
                text += "\\b";
            if (i->font.italic)
                text += "\\i";
            text += "\\cf" + num(colorIndex(i->color)) + ' ' + rtfText(i->text) + '}';
        }
        return "\\pard\\plain" + flags + "\\f0\\sb" + num(before) + "\\sa0\\sl-" + tw(row.height) +
               "\\slmult0\\li" + tw(indent) + shading + tabs + ' ' + text;
    };

    auto border = [&](const char *side, const QColor &color, double width) {
        return QByteArray("\\clbrdr") + side + "\\brdrs\\brdrw" + num(std::clamp(twipsOf(width), 1, 75)) + "\\brdrcf" +
               num(colorIndex(color));
    };

    QByteArray body;
    for (int p = 0; p < document.pages.size(); ++p) {
        const ReportPage &page = document.pages[p];
        // Framed boxes (outlined rectangles with texts) become one-row tables,
        // split into cells by the vertical rules inside them; the rest of
        // the texts are lines of their own; each group of drawings (the chart)
        // is a picture. Each piece is placed at its layout position: the
        // space before it is measured from where the previous piece really
        // ends, every height being exact.
        struct Box {
            const ReportItem *frame;
            QList<const ReportItem *> rules;
            QList<const ReportItem *> texts;
        };
        QList<Box> boxes;
        for (const ReportItem &i : page.items)
            if (i.kind == ReportItem::Kind::Rect && i.group.isEmpty() && i.color.isValid())
                boxes.append({&i, {}, {}});
        QList<const ReportItem *> loose;
        for (const ReportItem &i : page.items) {
            if (!i.group.isEmpty())
                continue;
            if (i.kind == ReportItem::Kind::Text && !i.text.isEmpty()) {
                Box *owner = nullptr;
                for (Box &b : boxes)
                    if (b.frame->rect.contains(i.rect.center()))
                        owner = &b;
                if (owner)
                    owner->texts.append(&i);
                else
                    loose.append(&i);
            } else if (i.kind == ReportItem::Kind::Line && std::fabs(i.line.x1() - i.line.x2()) < tolerance) {
                for (Box &b : boxes)
                    if (i.line.x1() > b.frame->rect.left() + tolerance &&
                        i.line.x1() < b.frame->rect.right() - tolerance &&
                        b.frame->rect.contains(QRectF(i.line.p1(), i.line.p2()).normalized().center()))
                        b.rules.append(&i);
            }
        }
        boxes.removeIf([](const Box &b) { return b.texts.isEmpty(); });

        struct Piece {
            double top;
            const TextRow *row;
            QString group;
            QRectF bounds;
            const Box *box;
        };
        const QList<TextRow> rows = textRows(document, loose);
        QList<Piece> pieces;
        for (const TextRow &r : rows)
            pieces.append({r.top, &r, {}, {}, nullptr});
        for (const Box &b : boxes)
            pieces.append({b.frame->rect.top(), nullptr, {}, b.frame->rect, &b});
        QHash<QString, QList<const ReportItem *>> groups;
        QStringList groupOrder;
        for (const ReportItem &i : page.items) {
            if (i.group.isEmpty())
                continue;
            if (!groups.contains(i.group))
                groupOrder.append(i.group);
            groups[i.group].append(&i);
        }
        for (const QString &g : groupOrder) {
            QRectF bounds;
            for (const ReportItem *i : groups[g])
                bounds = bounds.united(boundsOf(*i));
            pieces.append({bounds.top(), nullptr, g, bounds, nullptr});
        }
        std::stable_sort(pieces.begin(), pieces.end(), [](const Piece &a, const Piece &b) { return a.top < b.top; });

        // Where the flow stands, in twips from the top of the sheet.
        int cursor = twipsOf(m.top());
        bool pageStarted = p == 0;
        auto startFlags = [&]() -> QByteArray {
            if (pageStarted)
                return {};
            pageStarted = true;
            return "\\pagebb";
        };
        for (const Piece &piece : pieces) {
            const int top = twipsOf(piece.top);
            const int gap = std::max(0, top - cursor);
            if (piece.row) {
                body += paragraph(page, *piece.row, m.left(), gap, startFlags(), true) + "\\par\n";
                cursor += gap + twipsOf(piece.row->height);
            } else if (piece.box) {
                const Box &b = *piece.box;
                const QRectF r = b.frame->rect;
                // The space above the box: tables have none of their own.
                if (!pageStarted || gap > 0) {
                    body += "\\pard\\plain" + startFlags() + "\\sb0\\sa0\\sl-" + num(std::max(gap, 1)) +
                            "\\slmult0\\fs2\\par\n";
                    cursor += std::max(gap, 1);
                }
                QList<double> edges{r.left()};
                QList<const ReportItem *> rules = b.rules;
                std::sort(rules.begin(), rules.end(),
                          [](const ReportItem *x, const ReportItem *y) { return x->line.x1() < y->line.x1(); });
                for (const ReportItem *rule : rules)
                    edges.append(rule->line.x1());
                edges.append(r.right());
                const int height = twipsOf(r.height());
                QByteArray row = "\\trowd\\trgaph0\\trleft" + tw(r.left() - m.left()) + "\\trrh-" + num(height) +
                                 "\\trpaddl0\\trpaddr0\\trpaddt0\\trpaddb0\\trpaddfl3\\trpaddfr3\\trpaddft3"
                                 "\\trpaddfb3";
                for (int c = 0; c + 1 < edges.size(); ++c) {
                    row += border("t", b.frame->color, b.frame->penWidth) +
                           border("b", b.frame->color, b.frame->penWidth);
                    row += c == 0 ? border("l", b.frame->color, b.frame->penWidth)
                                  : border("l", rules[c - 1]->color, rules[c - 1]->penWidth);
                    row += c + 2 == edges.size() ? border("r", b.frame->color, b.frame->penWidth)
                                                 : border("r", rules[c]->color, rules[c]->penWidth);
                    if (b.frame->fill.isValid())
                        row += "\\clcbpat" + num(colorIndex(b.frame->fill));
                    row += "\\cellx" + tw(edges[c + 1] - m.left());
                }
                body += row + "\n";
                for (int c = 0; c + 1 < edges.size(); ++c) {
                    QList<const ReportItem *> inCell;
                    for (const ReportItem *t : b.texts) {
                        const double x = t->rect.left() + tolerance;
                        if (x >= edges[c] && (x < edges[c + 1] || c + 2 == edges.size()))
                            inCell.append(t);
                    }
                    const QList<TextRow> cellRows = textRows(document, inCell);
                    int inside = twipsOf(r.top());
                    if (cellRows.isEmpty())
                        body += "\\pard\\plain\\intbl\\sb0\\sa0\\sl-20\\slmult0\\fs2";
                    for (int k = 0; k < cellRows.size(); ++k) {
                        const int before = std::max(0, twipsOf(cellRows[k].top) - inside);
                        if (k > 0)
                            body += "\\par\n";
                        body += paragraph(page, cellRows[k], edges[c], before, "\\intbl", false);
                        inside += before + twipsOf(cellRows[k].height);
                    }
                    body += "\\cell\n";
                }
                body += row + "\\row\n";
                cursor += height;
            } else {
                QSize pixels;
                const QByteArray png = groupPicture(document, groups[piece.group], piece.bounds, 200, &pixels);
                // At least the picture's height, in a tiny font: a line of exact height
                // would clip a picture below its baseline.
                const int height = twipsOf(piece.bounds.height()) + kPictureDescent;
                body += "\\pard\\plain" + startFlags() + "\\fs2\\sb" + num(gap) + "\\sa0\\sl" + num(height) +
                        "\\slmult0\\li" + tw(piece.bounds.left() - m.left()) + "{\\pict\\pngblip\\picw" +
                        num(pixels.width()) + "\\pich" + num(pixels.height()) + "\\picwgoal" +
                        tw(piece.bounds.width()) + "\\pichgoal" + tw(piece.bounds.height()) + "\n";
                const QByteArray hex = png.toHex();
                for (qsizetype i = 0; i < hex.size(); i += 128)
                    body += hex.mid(i, 128) + '\n';
                body += "}\\par\n";
                cursor += gap + height;
            }
        }
        if (!pageStarted)
            body += "\\pard\\plain\\pagebb\\par\n";
    }

    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1046\n"
                     "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\n{\\colortbl;";
    for (const QColor &c : colors)
        out += "\\red" + num(c.red()) + "\\green" + num(c.green()) + "\\blue" + num(c.blue()) + ';';
    out += "}\n{\\info{\\title " + rtfText(document.title) + "}}\n";
    out += "\\paperw" + tw(document.pageSize.width()) + "\\paperh" + tw(document.pageSize.height()) + "\\margl" +
           tw(m.left()) + "\\margr" + tw(m.right()) + "\\margt" + tw(m.top()) + "\\margb" +
           tw(document.unitsPerInch * 0.2) + "\\widowctrl0\n";
    out += body;
    out += "}\n";
    return out;
}

// ---------------------------------------------------------------- plain text

namespace {

// The text in code page 1252; a character it lacks becomes one that looks
// like it, or '?', so that the reader sees something stood there.
QByteArray textInWin1252(const QString &text)
{
    static const QHash<char16_t, QString> similar{
        {u'►', QStringLiteral(">")}, {u'◄', QStringLiteral("<")}, {u'▲', QStringLiteral("^")},
        {u'▼', QStringLiteral("v")}, {u'−', QStringLiteral("-")}, {u'‐', QStringLiteral("-")},
        {u'‑', QStringLiteral("-")}, {u'≤', QStringLiteral("<=")}, {u'≥', QStringLiteral(">=")},
        {u'≠', QStringLiteral("<>")}, {u'→', QStringLiteral("->")}, {u'←', QStringLiteral("<-")},
        {u'✓', QStringLiteral("v")}, {u'\u2009', QStringLiteral(" ")}, {u'\u202f', QStringLiteral(" ")}};
    QString shown;
    shown.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            shown += c;
        } else if (const auto it = similar.constFind(u); it != similar.constEnd()) {
            shown += *it;
        } else {
            shown += firstNotStorable(QString(c)) < 0 ? c : QLatin1Char('?');
        }
    }
    return toWin1252(shown);
}

} // namespace

QByteArray reportToText(const ReportDocument &document, double charactersPerInch, double linesPerInch)
{
    const double column = document.unitsPerInch / charactersPerInch;
    const double lineHeight = document.unitsPerInch / linesPerInch;
    QStringList pages;
    for (const ReportPage &page : document.pages) {
        QStringList lines;
        int last = -1;
        for (const TextRow &row : textRows(document, page, false)) {
            // Never two lines of the layout on one line of text.
            const int index = std::max(last + 1, int(std::lround(row.top / lineHeight)));
            last = index;
            while (lines.size() <= index)
                lines.append(QString());
            QString &line = lines[index];
            for (const ReportItem *i : row.items) {
                const int size = int(i->text.size());
                int at;
                if (i->alignment & Qt::AlignRight)
                    at = int(std::lround(i->rect.right() / column)) - size;
                else if (i->alignment & Qt::AlignHCenter)
                    at = int(std::lround(i->rect.center().x() / column - size / 2.0));
                else
                    at = int(std::lround(i->rect.left() / column));
                // Texts that would run into each other keep a blank between them.
                while (line.endsWith(QLatin1Char(' ')))
                    line.chop(1);
                if (!line.isEmpty())
                    at = std::max(at, int(line.size()) + 1);
                line = line.leftJustified(std::max(at, 0), QLatin1Char(' ')) + i->text;
            }
        }
        for (QString &l : lines)
            while (l.endsWith(QLatin1Char(' ')))
                l.chop(1);
        pages.append(lines.join(QStringLiteral("\r\n")));
    }
    return textInWin1252(pages.join(QStringLiteral("\r\n\f")) + QStringLiteral("\r\n"));
}

// ---------------------------------------------------------------- writers

void ReportWriter::write(const ReportDocument &document, const QString &fileName,
                           const ReportProgress &progress) const
{
    const QByteArray bytes = render(document, progress);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(QStringLiteral("Não foi possível gravar o arquivo %1: %2").arg(fileName, file.errorString()));
    file.write(bytes);
    if (!file.commit())
        throw AppError(QStringLiteral("Não foi possível gravar o arquivo %1: %2").arg(fileName, file.errorString()));
}

QString ReportWriter::defaultSuffix() const
{
    QString first = FileExtension.section(QLatin1Char(';'), 0, 0).trimmed();
    if (first.startsWith(QLatin1String("*.")))
        first.remove(0, 2);
    return first;
}

QString ReportWriter::fileFilter() const
{
    return DisplayName + QStringLiteral(" (") + QString(FileExtension).replace(QLatin1Char(';'), QLatin1Char(' ')) +
           QLatin1Char(')');
}

QByteArray PdfWriter::render(const ReportDocument &document, const ReportProgress &progress) const
{
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(MetafileDPI);
    writer.setTitle(document.title);
    writer.setPageSize(QPageSize(QSizeF(document.toInches(document.pageSize.width()) * 25.4,
                                        document.toInches(document.pageSize.height()) * 25.4),
                                 QPageSize::Millimeter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&writer))
        throw AppError(QStringLiteral("Não foi possível iniciar o documento PDF."));
    for (int i = 0; i < document.pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        if (progress)
            progress(i + 1);
        paintReportPage(painter, document, document.pages[i]);
    }
    painter.end();
    return pdf;
}

QByteArray HtmlWriter::render(const ReportDocument &document, const ReportProgress &progress) const
{
    if (progress)
        for (int i = 0; i < document.pages.size(); ++i)
            progress(i + 1);
    return reportToHtml(document);
}

QByteArray RtfWriter::render(const ReportDocument &document, const ReportProgress &progress) const
{
    if (progress)
        for (int i = 0; i < document.pages.size(); ++i)
            progress(i + 1);
    return reportToRtf(document);
}

QByteArray TextWriter::render(const ReportDocument &document, const ReportProgress &progress) const
{
    if (progress)
        for (int i = 0; i < document.pages.size(); ++i)
            progress(i + 1);
    return reportToText(document, CPI, LPI);
}
