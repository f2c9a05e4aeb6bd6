#pragma once
// The data connection through which a report reads a client dataset: a report
// definition names the connection, the connection names the dataset.

#include "report/RegistroDaAnalise.h"

#include <QObject>

class ClientDataSet;

class ReportDataConnection : public QObject {
    Q_OBJECT
public:
    explicit ReportDataConnection(QObject *parent = nullptr) : QObject(parent) {}
    ClientDataSet *DataSet = nullptr;
    // How the analysis of the rows came about, for the report that prints it;
    // set with the rows.
    RegistroDaAnalise Registro;
};
