#pragma once
// The running program for window tests: the configuration beside the test
// executable, the main window, the data module on the test database, the
// report module and the lot registry, as start-up creates them, with the main
// window shown and active. Messages go to whatever recorder the test installed.

#include <QString>
#include <Qt>

class DBGrid;

namespace TestPrograma {

// database: where the data module connects; empty for the test database.
void inicia(const QString &database = QString());
void encerra();

// A key to the widget with the focus (the active window when none has it).
void tecla(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Typed one key at a time, each to the widget then holding the focus, as a
// cell editor takes over after the first key.
void digita(const QString &texto);

// A click with the mouse into the empty area of a grid below its rows, as a
// user starts typing in a grid.
void clicaAbaixoDasLinhas(DBGrid *grade);
// A click with the mouse on a cell of a grid.
void clicaNaCelula(DBGrid *grade, int linha, int coluna);

} // namespace TestPrograma
