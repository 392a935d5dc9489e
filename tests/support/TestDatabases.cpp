#include "support/TestDatabases.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTest>
#include <ctime>

#include "db/DbError.h"
#include "db/Endpoints.h"
#include "db/Recordset.h"
#include "support/SqlServerStandIn.h"

namespace qs::test {

TempProgramFolder::TempProgramFolder() {
    QDir(dir_.path()).mkpath(QStringLiteral("servers"));
}

void TempProgramFolder::write(const QString& name, const QByteArray& bytes) const {
    QFile f(file(name));
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(f.fileName()));
    f.write(bytes);
}

QString PgLeftEndpoint() {
    const QString e = qEnvironmentVariable("QS_PG_LEFT");
    return e.isEmpty() ? QStringLiteral("127.0.0.1,55432") : e;
}

QString PgRightEndpoint() {
    const QString e = qEnvironmentVariable("QS_PG_RIGHT");
    return e.isEmpty() ? QStringLiteral("127.0.0.1,55433") : e;
}

bool PgAvailable() {
    const HostPort hp = SplitEndpoint(PgLeftEndpoint());
    QTcpSocket s;
    s.connectToHost(hp.host, quint16(hp.port));
    return s.waitForConnected(2000);
}

void UseServerBackend(Backend backend, const QString& folder) {
    DbEnvironment env;
    env.serverBackend = backend;
    env.embeddedServerFolder = folder + QStringLiteral("/servers");
    DbEnvironment::configure(env);
}

void OpenServer(Connection& c, const QString& endpoint) {
    const DbEnvironment env = DbEnvironment::current();
    if (env.serverBackend != Backend::SqlServer) {
        c.open(ServerConnectionString(endpoint), 10, ado::adUseServer);
        return;
    }
    SqlServerStandIn::prepareFile(endpoint);
    DbEnvironment embedded = env;
    embedded.serverBackend = Backend::Sqlite;
    DbEnvironment::configure(embedded);
    try {
        c.open(ServerConnectionString(endpoint), 10, ado::adUseServer);
    } catch (...) {
        DbEnvironment::configure(env);
        throw;
    }
    DbEnvironment::configure(env);
}

QString SqlServerFaults() {
    return SqlServerStandIn::takeFaults().join(u'\n');
}

void ResetDatabase(Connection& c) {
    const QStringList tables = {QStringLiteral("users"), QStringLiteral("alltype"),
                                QStringLiteral("timu"),  QStringLiteral("conf"),
                                QStringLiteral("rizi"),  QStringLiteral("buylist")};
    if (c.backend() == Backend::PostgreSql) {
        c.execute(QStringLiteral("truncate ") + tables.join(u',') +
                  QStringLiteral(" restart identity"));
        return;
    }
    for (const QString& t : tables) c.execute(QStringLiteral("delete from ") + t);
    if (c.backend() != Backend::PostgreSql) {
        try {
            c.execute(QStringLiteral("delete from sqlite_sequence"));
        } catch (const DbError&) {
        }
    }
}

void ResetServer(const QString& endpoint) {
    Connection c;
    OpenServer(c, endpoint);
    ResetDatabase(c);
}

QString OpenServerAndLocal(Backend backend, const TempProgramFolder& folder, Connection& server,
                           Connection& local) {
    UseServerBackend(backend, folder.path());
    const QString endpoint =
        backend == Backend::PostgreSql ? PgLeftEndpoint() : QStringLiteral("embedded,1");
    OpenServer(server, endpoint);
    ResetDatabase(server);
    local.open(LocalConnectionString(folder.path()), 0, ado::adUseClient);
    return endpoint;
}

void AddBackendRows(bool withSqlServer) {
    QTest::addColumn<int>("backend");
    QTest::newRow("sqlite") << int(Backend::Sqlite);
    QTest::newRow("postgresql") << int(Backend::PostgreSql);
    if (!withSqlServer) return;
    SqlServerStandIn::install();
    QTest::newRow("sqlserver") << int(Backend::SqlServer);
}

void AddServerRows() {
    SqlServerStandIn::install();
    QTest::addColumn<int>("backend");
    QTest::newRow("postgresql") << int(Backend::PostgreSql);
    QTest::newRow("sqlserver") << int(Backend::SqlServer);
}

void UseClientTimeZone() {
    qputenv("TZ", "Asia/Shanghai");
    tzset();
}

FailedOpen OpenExpectingFailure(const QString& connectionString, int timeoutSeconds) {
    FailedOpen result;
    QElapsedTimer t;
    t.start();
    try {
        Connection c;
        c.open(connectionString, timeoutSeconds, ado::adUseServer);
    } catch (const DbError& e) {
        result.number = e.number();
        result.text = e.text();
    }
    result.ms = t.elapsed();
    return result;
}

QList<int> UnreachableServerSteps(const QString& connectionString) {
    Connection c;
    Recordset rs;
    int count = 0;
    QList<int> errors;
    errors << ErrorNumberOf([&] { c.open(connectionString, 10, ado::adUseServer); })
           << ErrorNumberOf([&] {
                  rs.open(QStringLiteral("select * from alltype"), c, ado::adOpenKeyset,
                          ado::adLockPessimistic);
              })
           << ErrorNumberOf([&] { count = rs.recordCount(); });
    return errors << count;
}

}  // namespace qs::test
