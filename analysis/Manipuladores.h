#pragma once
// The operators ("Manipulador") typed at this workstation, the last one
// first, kept in the user's settings (pesomed/Manipuladores.ini in the
// user's configuration folder); and the capsule count of a formula, which
// the sampling rule compares with the sample. No widgets.

#include <QString>
#include <QStringList>

class ClientDataSet;

QStringList ManipuladoresUsados();
// Puts the name first in the list; an empty name is not kept.
void LembraManipulador(const QString &nome);

// The capsules of the formula whose components the dataset holds: the
// quantity of its capsule component, rounded as the theoretical weight
// rounds it; 0 when it has none. The cursor does not move.
int CapsulasDaFormula(const ClientDataSet &componentes);
