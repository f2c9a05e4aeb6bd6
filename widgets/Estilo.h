#pragma once
// The look of the program's coloured buttons and texts, in one place.

#include <QColor>
#include <QString>

class QPushButton;
class QWidget;

// Draws the text of a label, a data-bound text or a button in the given colour.
void CorDoTexto(QWidget *w, const QColor &cor);

// A push button with bold text of the given pixel size in the given colour.
QPushButton *BotaoColorido(const QString &texto, const QColor &cor, QWidget *pai, int pixels = 12);
