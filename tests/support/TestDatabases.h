#pragma once

#include <QString>
#include <QTemporaryDir>

#include "db/Connection.h"

namespace qs::test {

// A program folder in a temporary directory: config.txt, anguidb.mdb,
// sysimg/ and the embedded servers live under it.
class TempProgramFolder {
public:
    TempProgramFolder();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir dir_;
};

// The two PostgreSQL test servers started by tests/support/pg-test-servers.sh.
QString PgLeftEndpoint();
QString PgRightEndpoint();
bool PgAvailable();

// Points server connections at `backend`; embedded servers under `folder`.
void UseServerBackend(Backend backend, const QString& folder);

// Empties the six tables of a database (server or local), restarting ids.
void ResetDatabase(Connection& c);
// Opens a server connection to `endpoint` and empties its tables.
void ResetServer(const QString& endpoint);

// Points the server backend at `backend` with its embedded servers in
// `folder`, opens the test server (the PostgreSQL left server, or an embedded
// one) emptied, and the folder's local file; returns the server's endpoint.
QString OpenServerAndLocal(Backend backend, const TempProgramFolder& folder, Connection& server,
                           Connection& local);

// Backends a database test runs on, as Qt Test global data rows.
void AddBackendRows();  // rows "sqlite" and "postgresql" of column "backend"

}  // namespace qs::test
