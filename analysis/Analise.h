#pragma once
// The analysis of the current formula's weighings: statistics and verdict,
// the marks of each capsule, and their write-back with the result record in
// one transaction, refused when another workstation changed the weighings
// meanwhile. Free of widgets; what the user must be told goes through the
// message service given. Call from the UI thread only.

#include <QString>

#include <optional>

class MessageService;
class TDM;

struct ResultadoDaAnalise {
    // Whether the analysis was stored (the window then colours the verdict).
    bool gravada = false;
    // The theoretical weight's note for the message line, when it was computed.
    std::optional<QString> aviso;
};

// Analyses the weighings of cds_PesoMed against the theoretical weight of the
// formula current in cds_Compedid and stores the result. A refusal the user
// was told about returns with gravada false; a failure to write raises an
// AppError after the datasets went back to what is stored.
ResultadoDaAnalise AnalisarCapsulas(TDM &dm, MessageService &mensagens);
