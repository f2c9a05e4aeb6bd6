#pragma once
// The data module: the one connection to the suite's database, every dataset
// the windows and the report use, and the ad-hoc query service. Created once at
// start-up, after the configuration has been read; it does not connect until a
// dataset is first opened. Call from the UI thread only.

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/SqlConnection.h"
#include "data/dataset/SqlDataSet.h"
#include "data/dataset/SqlQuery.h"
#include "data/Historico.h"

#include <QObject>
#include <QScopedValueRollback>

#include <functional>
#include <optional>
#include <utility>

class TDM : public QObject {
    Q_OBJECT
public:
    explicit TDM(QObject *parent = nullptr);
    ~TDM() override;

    SqlConnection sqlcon1;
    SqlQuery SQLQuery1;

    // Weighings of filled capsules, detail of the current formula.
    SqlDataSet sql_PesoMed;
    DataSetProvider dsp_PesoMed;
    ClientDataSet *cds_PesoMed;
    DataSource *ds_PesoMed;
    // Analysis result of the current formula.
    SqlDataSet sql_RPesoMed;
    DataSetProvider dsp_RPesoMed;
    ClientDataSet *cds_RPesoMed;
    DataSource *ds_RPesoMed;
    // Empty-capsule lots.
    SqlDataSet SQLDSPesoCaVaz;
    DataSetProvider DSPPesoCaVaz;
    ClientDataSet *PesoCaV;
    DataSource *DSPesoCaV;
    // Orders with capsule formulas.
    SqlDataSet sql_Pedidos;
    DataSetProvider dsp_Pedidos;
    ClientDataSet *cds_Pedidos;
    DataSource *ds_Pedidos;
    // Formulas of the current order.
    SqlDataSet sql_Pediform;
    DataSetProvider dsp_Pediform;
    ClientDataSet *cds_Pediform;
    DataSource *ds_Pediform;
    // Components of the current formula.
    SqlDataSet sqlds_Compedid;
    DataSetProvider dsp_Compedid;
    ClientDataSet *cds_Compedid;
    DataSource *ds_Compedid;
    // Components of one formula, for the theoretical weight.
    SqlDataSet SQLDSC;
    DataSetProvider DSPC;
    ClientDataSet *CDSC;
    // Supplier look-ups and the supplier picker.
    SqlDataSet SQLDS_Fornec;
    DataSetProvider DSP_Fornec;
    ClientDataSet *Forneced;
    DataSource *DS_Forneced;
    SqlDataSet SQLDS_OpForn;
    DataSetProvider DSP_OpForn;
    ClientDataSet *OpForn;
    DataSource *DSOpForn;
    // Stock lots, for the lot picker.
    SqlDataSet SQLDS_Estlote;
    DataSetProvider DSP_EstLote;
    ClientDataSet *EstLote;
    DataSource *DSEstLote;
    // The detailed weight report of one formula: its weighings joined with the
    // result record and the order, one row per capsule; the statement is set
    // for each report.
    SqlDataSet sqlds_RelPesoMed{&sqlcon1};
    DataSetProvider dsp_RelPesoMed{&sqlds_RelPesoMed, UpdateMode::WhereKeyOnly};
    ClientDataSet *cds_RelPesomed;
    // Ad-hoc SELECT whose rows are read by name.
    SqlDataSet sqlds_Generico;
    DataSetProvider dsp_Generico;
    ClientDataSet *cds_Generico;

    // Points the connection at the client library and at the database.
    void DataModuleCreate();

    // Runs one SELECT and leaves its rows in cds_Generico, on the first row.
    void ConsultaGenerica(const QString &sql);
    // Runs one SELECT through SQLQuery1; the caller reads its first row and closes it.
    void ConsultaRapida(const QString &sql);
    // Executes one statement on the connection, committed on its own; returns the rows affected.
    qint64 ExecutaComando(const QString &sql);
    // Executes the statements in one transaction: all of them, or on a failure
    // none, the error raised. Returns the rows affected by each.
    QList<qint64> ExecutaComandos(const QStringList &sqls);

    // Highest identifier read by the last before-insert rule of either table,
    // for its after-insert rule; only those rules set it.
    qint64 UltimoId() const { return m_ultimoId; }

    // While an object of this type lives, posts and deletes of weighings and
    // result records stay in the change logs instead of being written one by
    // one; GravaJuntos writes them. The mode ends with the object, however the
    // scope is left.
    class GravacaoAdiada {
    public:
        explicit GravacaoAdiada(TDM &dm) : m_modo(dm.m_gravacaoAdiada, true) {}
        Q_DISABLE_COPY_MOVE(GravacaoAdiada)

    private:
        QScopedValueRollback<bool> m_modo;
    };
    bool GravandoAdiado() const { return m_gravacaoAdiada; }
    // Writes the pending changes of the datasets in one transaction: all or
    // none. On a refusal nothing is written, the changes stay pending and the
    // error names the reason.
    // antesDeConfirmar runs in the same transaction after the writes and may
    // refuse with an error, which undoes them.
    void GravaJuntos(const QList<ClientDataSet *> &conjuntos,
                     const std::function<void(fb::Transaction &)> &antesDeConfirmar = {});

    // Puts cds_RPesoMed on the result record of the formula, looking in the
    // database when this workstation holds none for it (another one may have
    // stored it since), so that a formula never gets a second one. False when
    // the formula has none.
    bool LocalizaResultado(const QString &estacao, qint64 npedido, qint64 nformula);
    // Whether the database holds a result record of the formula.
    bool ResultadoGuardado(const QString &estacao, qint64 npedido, qint64 nformula);

    // Weighings posted on this workstation whose write-back failed (a lost
    // connection, a refusal) are written now, before anything is numbered
    // after them; a new one whose capsule number another workstation stored
    // meanwhile takes the next free number first. The weighings are then read
    // again, on the same row. When they cannot be written they stay pending
    // and the error says which one and why.
    void GravaPesagensPendentes();

    // Record rules of the weighings and the result record.
    void cds_PesoMedBeforeInsert(ClientDataSet &ds);
    void cds_PesoMedAfterInsert(ClientDataSet &ds);
    void cds_PesoMedAfterPost(ClientDataSet &ds);
    void cds_PesoMedAfterDelete(ClientDataSet &ds);
    void cds_RPesoMedBeforeInsert(ClientDataSet &ds);
    void cds_RPesoMedAfterInsert(ClientDataSet &ds);
    void cds_RPesoMedAfterPostDelete(ClientDataSet &ds);
    void cds_RPesoMedBeforeScroll(ClientDataSet &ds);
    void cds_RPesoMedAfterScroll(ClientDataSet &ds);

    // Record rules of the empty-capsule lots.
    void PesoCaVAfterInsert(ClientDataSet &ds);
    void PesoCaVBeforePost(ClientDataSet &ds);
    void PesoCaVAfterPost(ClientDataSet &ds);
    void PesoCaVAfterDelete(ClientDataSet &ds);
    void PesoCaVAfterScroll(ClientDataSet &ds);
    void PesoCaVPostError(ClientDataSet &ds, const AppError &error, DataAction &action);

    // Closes the order list; AbrePedidos opens it again on the statement given.
    void FechaPedidos();
    void AbrePedidos(const QString &comando);

    // The capsule number a new weighing of the formula gets: one more than
    // the highest stored.
    qint64 ProximoNumeroCapsula(const QString &estacao, qint64 npedido, qint64 nformula);

    // The history of the database (db/historico.sql). The operator
    // ("Manipulador") and the source of the next weighing's weight are kept
    // here and travel with the writes that follow; nothing is sent when they
    // are set.
    void DefineOperador(const QString &operador);
    QString Operador() const { return m_estacao.operador; }
    // The whole workstation as the history records it (the operating-system
    // user and the computer name are the machine's unless set here).
    void DefineEstacao(const Historico::Estacao &estacao);
    // The source of the weight of the next weighing written; typed unless set.
    // Taken by that write, then back to typed.
    void DefineOrigemPeso(const Historico::OrigemPeso &origem) { m_origemPeso = origem; }
    const Historico::OrigemPeso &OrigemPeso() const { return m_origemPeso; }
    Historico::OrigemPeso TomaOrigemPeso() { return std::exchange(m_origemPeso, {}); }
    // Whether the connected database keeps the history; asked once per
    // connection, with the workstation's variables, unless a write told it.
    bool TemHistorico();
    // The variables the next write of a weighing (pesagem) or of the result
    // record sends with its changes: the workstation's, once per connection
    // and again after the operator changed, and the weight's source of a
    // weighing (taken).
    QList<ContextVariable> ContextoDaEscrita(bool pesagem);

signals:
    // The verdict of the result row now current (its RESULTADO), for the
    // window that colours it.
    void ColoreVeredito(const QString &resultado);
    // A new lot row was started: the lot registry's grid goes to its first column.
    void PrimeiraColunaLotes();

private:
    Historico::Estacao m_estacao;
    Historico::OrigemPeso m_origemPeso;
    std::optional<bool> m_temHistorico;
    // The connection (its generation) that has the workstation's variables
    // and the history's presence as they are now; 0 for none.
    int m_conexaoComEstacao = 0;
    int m_conexaoComHistorico = 0;
    // The highest capsule number of the formula read with the identifier by
    // the before-insert rule, for the after-insert rule of the same row.
    QString m_chaveUltimaCapsula;
    qint64 m_ultimaCapsula = 0;
    // The highest result identifier, read with the look-up that found no
    // result record of a formula, for the before-insert rule of the result
    // record appended right after it.
    std::optional<qint64> m_maiorIdResultado;
    qint64 m_ultimoId = 0;
    bool m_gravacaoAdiada = false;
    void CriaConjuntos();
    void LigaRegras();
    // A new row refused because its identifier was taken meanwhile by another
    // workstation gets the next free identifier (and capsule number) and is
    // written again, a few times; true when it was finally written.
    bool RegravaComNovaChave(ClientDataSet &ds, const QString &campoId, const QString &tabela);
    bool m_renumerando = false;
    void LigaRegrasLotes();
    // Writes the change log back; a refused change stays pending and is reported.
    void GravaAlteracoes(ClientDataSet &ds, const QString &oQue, const QString &conselho);
    // The weights of the lot being edited as they were when it went into edit mode.
    QList<QVariant> m_pesosLidos;
};

// Raises the error the user is shown when a text to be stored holds a
// character the database's code page cannot hold.
void VerificaTextoGuardavel(const QString &texto);

// The message of a lot the database refused to store, typically one that
// repeats another's supplier, lot and capsule size.
extern const QString kChaveDuplicadaLote;
// The average of a lot's twenty weights: their sum over 20, an empty weight
// counting 0, kept with the three decimals of the column.
double MediaDosPesos(const QList<std::optional<double>> &pesos);

// The text key of a formula: station, order number with at least six digits,
// formula number.
QString ChaveFormula(const QString &estacao, qint64 npedido, qint64 nformula);
// The current weighing of the dataset as the pharmacist knows it: its
// capsule number and weight, "cápsula 2 (175,5)".
QString DescricaoPesagem(ClientDataSet &ds);

extern TDM *DM;

// The columns of the supplier table and of the empty-capsule lot table, in
// the order the statements name them.
extern const QString ColunasFornecedor;
extern const QString ColunasPesCaVaz;
// The column list of the supplier table that supplier look-ups put after
// "Select ": the supplier table's columns.
extern const QString &CamposFornecedor;

// The location of the database on the configured server.
QString LocalBancoDados(const QString &servidor);
