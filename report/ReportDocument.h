#pragma once
// A report laid out once into pages of drawing primitives, then handed as it
// is to every writer (preview, printer, PDF, HTML, RTF, plain text). Positions
// and sizes are in page units, of which unitsPerInch make an inch, measured
// from the top left corner of the page.

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QList>
#include <QMarginsF>
#include <QPolygonF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <cmath>
#include <limits>

struct ReportFont {
    QString family = QStringLiteral("Arial");
    double pointSize = 9;
    bool bold = false;
    bool italic = false;
};

// The toolkit's font of a report font, for measuring and for painting.
QFont qtFont(const ReportFont &font);

struct ReportItem {
    enum class Kind { Text, Line, Rect, Polyline, Marker };
    Kind kind = Kind::Text;

    // Text: the box the text is aligned in, one line of text. Rect: the
    // rectangle. Marker: the box of the symbol, a disc.
    QRectF rect;
    QLineF line;      // Line
    QPolygonF points; // Polyline
    QString text;
    ReportFont font;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QColor color = Qt::black;       // text and outline; invalid: no outline
    QColor fill;                    // invalid: not filled
    double penWidth = 0.02;         // page units
    Qt::PenStyle penStyle = Qt::SolidLine;

    // What the item shows ("capsula.peso", "grafico.limite.superior", ...), for
    // the writers that keep structure and for checking a layout.
    QString role;
    // Items drawn together as one picture where a format has no drawing (RTF).
    QString group;
    // The figure a chart item stands for; NaN for the others.
    double value = std::numeric_limits<double>::quiet_NaN();
};

struct ReportPage {
    QList<ReportItem> items;
};

struct ReportDocument {
    QString title;
    double unitsPerInch = 2.54;
    QSizeF pageSize;     // page units
    QMarginsF margins;   // page units; the writers of flowing formats keep to them
    QList<ReportPage> pages;

    double toInches(double units) const { return units / unitsPerInch; }
};

// Small builders for the layouts.
inline ReportItem reportText(const QRectF &box, const QString &text, const ReportFont &font,
                             Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter, const QString &role = {},
                             const QColor &color = Qt::black)
{
    ReportItem i;
    i.kind = ReportItem::Kind::Text;
    i.rect = box;
    i.text = text;
    i.font = font;
    i.alignment = alignment;
    i.role = role;
    i.color = color;
    return i;
}

inline ReportItem reportLine(const QLineF &line, double width, const QColor &color = Qt::black,
                             Qt::PenStyle style = Qt::SolidLine, const QString &role = {})
{
    ReportItem i;
    i.kind = ReportItem::Kind::Line;
    i.line = line;
    i.penWidth = width;
    i.color = color;
    i.penStyle = style;
    i.role = role;
    return i;
}

inline ReportItem reportRect(const QRectF &rect, const QColor &fill, const QColor &outline = QColor(),
                             double width = 0.02, const QString &role = {})
{
    ReportItem i;
    i.kind = ReportItem::Kind::Rect;
    i.rect = rect;
    i.fill = fill;
    i.color = outline;
    i.penWidth = width;
    i.role = role;
    return i;
}
