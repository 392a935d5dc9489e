#pragma once

#include <QString>
#include <QTemporaryDir>

#include "db/Connection.h"
#include "db/DbError.h"

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

// The test's own connection to a server. On the SQL Server stand-in it is the
// SQLite file the stand-in runs on, so the test's statements are neither
// translated nor recorded (and are written as for the embedded servers).
void OpenServer(Connection& c, const QString& endpoint);

// The faults of the statements the program sent to the SQL Server stand-in
// since the last call, one per line; empty when all is well (or on the other
// backends).
QString SqlServerFaults();

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
// Rows "sqlite" and "postgresql" of column "backend", and "sqlserver" when
// asked for: SQL Server is then the recording stand-in for the whole test
// program (support/SqlServerStandIn.h).
void AddBackendRows(bool withSqlServer = false);
// Rows "postgresql" and "sqlserver" (the stand-in, as above) of column "backend".
void AddServerRows();

// Sets the client's time zone to UTC+8 (Asia/Shanghai), away from the test
// servers' own, so that a time moved between zones shows in the tests.
void UseClientTimeZone();

// What a connection attempt that must fail raised (number 0: it connected)
// and how long it took.
struct FailedOpen {
    int number = 0;
    QString text;
    qint64 ms = 0;
};
FailedOpen OpenExpectingFailure(const QString& connectionString, int timeoutSeconds);

// The error number `step` raises as a DbError; 0 when it raises none.
template <class F>
int ErrorNumberOf(F&& step) {
    try {
        step();
    } catch (const DbError& e) {
        return e.number();
    }
    return 0;
}

// The login's error-tolerant steps on a server it cannot reach: open the
// connection, open a recordset on it, read its record count. Each step's
// error number (0: it succeeded), then the count read.
QList<int> UnreachableServerSteps(const QString& connectionString);

}  // namespace qs::test
