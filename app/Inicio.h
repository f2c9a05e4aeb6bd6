#pragma once
// The program's start-up and end, shared by the program and its tools: the
// application title, the workstation conventions and the message boxes, then
// the long-lived objects in their order — main window (which reads the
// configuration), data module, report module, hidden lot registry.

#include <optional>

class QIcon;
class QObject;

// The program's own icon (a capsule on a balance) at every size it carries.
QIcon IconePrograma();

// Creates the long-lived objects; the exit status when the program must end
// here (no configuration file). owner keeps the data and report modules.
std::optional<int> IniciaPrograma(QObject *owner);
// Destroys what IniciaPrograma created, windows first.
void EncerraPrograma();
