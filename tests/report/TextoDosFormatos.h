#pragma once
// The text a reader sees in a report file of each format: PDF through
// pdftotext (keeping the lines of the page), HTML without its markup, RTF
// through a small reader of its text, plain text as it is (code page 1252). Pages are separated
// by form feeds in PDF, RTF and plain text.

#include <QByteArray>
#include <QString>

namespace TextoDosFormatos {

// format: "PDF", "HTML", "RTF" or "TXT".
QString texto(const QString &formato, const QString &arquivo);
QString deHtml(const QByteArray &html);
QString deRtf(const QByteArray &rtf);
// Whether the braces of an RTF file are balanced and it starts as RTF does.
bool rtfBemFormado(const QByteArray &rtf);
// The number of pages of a PDF (pdfinfo); -1 when it cannot be read.
int paginasPdf(const QString &arquivo);
// One field of pdfinfo ("Title", "Producer", ...).
QString infoPdf(const QString &arquivo, const QString &campo);

} // namespace TextoDosFormatos
