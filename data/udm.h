#pragma once
// The data module: the one connection to the suite's database, every dataset
// the windows and the report use, and the ad-hoc query service. Created once at
// start-up, after the configuration has been read; it does not connect until a
// dataset is first opened. Call from the UI thread only.

#include "data/dataset/SqlConnection.h"
#include "data/dataset/SqlQuery.h"

#include <QObject>

class TDM : public QObject {
    Q_OBJECT
public:
    explicit TDM(QObject *parent = nullptr);
    ~TDM() override;

    SqlConnection sqlcon1;
    SqlQuery SQLQuery1;

    // Points the connection at the client library and at the database.
    void DataModuleCreate();

    // Runs one SELECT through SQLQuery1; the caller reads its first row and closes it.
    void ConsultaRapida(const QString &sql);
    // Executes one statement on the connection, committed on its own; returns the rows affected.
    qint64 ExecutaComando(const QString &sql);
};

extern TDM *DM;

// The location of the database on the configured server.
QString LocalBancoDados(const QString &servidor);
