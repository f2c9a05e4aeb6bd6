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

// Reads the components of the formula (CDSC), the supplier (Forneced) and the
// lot (PesoCaV); on a normal return those are closed and the lot register's
// statement lists every lot again.
PesoTeorico CalcularPesoTeorico(TDM &dm, MessageService &mensagens, const QString &estacao, qint64 npedido,
                                qint64 nformula);
