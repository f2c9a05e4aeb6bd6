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
    // Grows by one each time the connection is made, so that what is kept per
    // connection is known to be stale after a reconnection.
    int generation() const { return m_generation; }
    // Connects when not connected yet; raises the client's error on failure.
    fb::Connection &connection();
    void close();

    // Runs one statement committed on its own as it ends (in the connection's
    // auto-commit transaction); returns the rows affected. Statements with
    // parameters are kept prepared for the next call.
    qint64 execute(const QString &sql, const QList<QVariant> &params = {});

private:
    fb::Connection m_connection;
    int m_generation = 0;
};
