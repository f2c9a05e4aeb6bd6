#pragma once
// The theoretical weight of one filled capsule of a formula: the formula's
// components, the capsule supplier's code and the empty-capsule lot's average
// weight, read through the data module. Free of widgets; what the user must be
// told goes through the message service given. Call from the UI thread only.

#include <QString>

class MessageService;
class TDM;

struct PesoTeorico {
    // In the calculation unit; 0 after telling the user why it cannot be obtained.
    double valor = 0;
    // The empty-capsule lot's average weight and the capsule component's
    // description, when the formula names them.
    double pesoCapsulaVazia = 0;
    QString descricaoCapsula;
    // A short note for the analysis window's message line; empty when there is none.
    QString aviso;
};

// Reads the components of the formula, then for its capsules the supplier
// and the lot together, each a statement prepared once per connection; on a
// normal return the lot register's dataset is closed and its statement lists
// every lot again.
PesoTeorico CalcularPesoTeorico(TDM &dm, MessageService &mensagens, const QString &estacao, qint64 npedido,
                                qint64 nformula);
