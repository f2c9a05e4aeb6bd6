#pragma once
// The lot register's work on the database, free of windows: saving a lot typed
// in the entry panel (a new one or a change), collapsing duplicate lots and
// deleting one lot. Each takes the data module and the message service, tells
// its user through the latter, and returns what the window shows next; a
// failure it does not handle is raised as an error for the window's general
// handler. Call from the UI thread only.

#include <QList>
#include <QString>

class MessageService;
class TDM;

// The lot of this supplier and lot is registered already.
extern const QString kLoteJaRegistrado;

// The whole list of lots read again from the database, from its first lot.
void AbreListaLotes(TDM &dm);

// A lot as the entry panel holds it: the weights already read as numbers.
struct LoteDoPainel {
    QString codigo;
    QString lote;
    // The capsule size of a new lot.
    QString tamanho;
    QList<double> pesos;
};

// The lot taken for change: its key as it was read.
struct LoteAnteriorDoPainel {
    QString codigo;
    QString lote;
    QString tamanho;
};

// Whether a capsule size is one the analysis can look a lot up by: one or two
// digits, as it reads them from a description.
bool TamanhoValido(const QString &tamanho);

enum class ResultadoSalvar {
    Gravado,          // stored, or the change found its row gone (both told)
    LoteJaExiste,     // a new lot whose supplier and lot are registered: nothing stored
    ChaveDeOutroLote, // a change to the supplier and lot of another lot: nothing stored
    Falhou,           // the database refused the statement (told with its reason)
    SemTamanho,       // a new lot without a capsule size: nothing stored
};

// "Salvar": a new lot (novo) or the change of the lot known by anterior; the
// duplicate check, the statement and its message.
ResultadoSalvar SalvaLote(TDM &dm, MessageService &mensagens, bool novo, const LoteDoPainel &lote,
                          const LoteAnteriorDoPainel &anterior);

// "Eliminar duplicações" over the list of PesoCaV (opened when closed): every
// group of lots of one supplier and lot collapsed into its first row, at most
// 51 groups a run, the result told. The group is read from the database in
// the transaction that collapses it, so that what another workstation
// changed or deleted since the list was read is what is kept. Returns the
// number of groups collapsed.
int EliminaDuplicacoes(TDM &dm, MessageService &mensagens);

// "Excluir este registro": asks for confirmation and deletes the lot of this
// supplier code, lot and capsule size; the list is read again. False when not
// confirmed.
bool ExcluiLote(TDM &dm, MessageService &mensagens, const QString &codigo, const QString &lote,
                const QString &tamanho);
