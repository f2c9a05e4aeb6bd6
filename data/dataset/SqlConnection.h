#pragma once
// The database connection component: stored properties and "name=value"
// parameters as the data module keeps them, connected on first use.
// Call from the UI thread only.

#include "data/firebird/FbClient.h"

#include <QString>
#include <QStringList>

#include <memory>

class SqlConnection {
public:
    QString ConnectionName;
    QString VendorLib;
    // "name=value" lines; the connection reads Database, User_Name, Password,
    // RoleName, ServerCharSet and SQLDialect, and ignores the others.
    QStringList Params;

    // Value of the parameter line named name (case-insensitive), empty when absent.
    QString param(const QString &name) const;
    // Replaces the value of the parameter named name in place, or appends the line.
    void setParam(const QString &name, const QString &value);

    // The client library actually loaded on this platform for VendorLib: the
    // Windows name on Windows, the fbclient of the same folder elsewhere.
    QString clientLibraryPath() const;
    // Where the client library's name came from, added to the message when the
    // library cannot be loaded (set by the data module).
    QString ClientLibrarySource;

    bool connected() const { return m_connection.isOpen(); }
    // Connects when not connected yet; raises the client's error on failure.
    fb::Connection &connection();
    void close();

    // Runs one statement in a transaction of its own, committed at once;
    // returns the rows affected. Statements with parameters are kept prepared
    // for the next call.
    qint64 execute(const QString &sql, const QList<QVariant> &params = {});

private:
    fb::Connection m_connection;
};
