#pragma once
// The 83 lines of the help panel: the weighing rules and this module's procedures.

#include <QStringList>

const QStringList &LinhasAjuda();
