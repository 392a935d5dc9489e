#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QTcpServer>
#include <QTest>

#include "db/DbError.h"
#include "db/Endpoints.h"
#include "db/Recordset.h"
#include "support/TestDatabases.h"

using namespace qs;

// The SQL Server path through the FreeTDS ODBC driver, as far as it can be
// exercised without a SQL Server: the driver loads under the name the
// connection string uses, the endpoint of the string is the one dialled, and
// unreachable or silent servers fail within the connect timeout.
class tst_FreeTds : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void closedPortFailsQuickly();
    void silentListenerFailsWithinTheTimeout();
    void recordsetOnTheFailedConnectionLeaves3704();

private:
    test::TempProgramFolder folder_;
};

void tst_FreeTds::initTestCase() {
    QVERIFY(QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")));
    test::UseServerBackend(Backend::SqlServer, folder_.path());
}

void tst_FreeTds::closedPortFailsQuickly() {
    QTcpServer probe;  // find a free port, then close it
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();

    Connection c;
    QElapsedTimer t;
    t.start();
    try {
        c.open(ServerConnectionString(QStringLiteral("127.0.0.1,%1").arg(port)), 10,
               ado::adUseServer);
        QFAIL("a closed port must not connect");
    } catch (const DbError& e) {
        QCOMPARE(e.number(), err::kProviderFailure);
        // The driver manager found the driver registered as "SQL Server":
        // the failure comes from FreeTDS itself.
        QVERIFY2(!e.text().contains(QStringLiteral("Data source name not found")), qPrintable(e.text()));
        QVERIFY2(e.text().contains(QStringLiteral("FreeTDS")), qPrintable(e.text()));
    }
    QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
    QVERIFY(!c.isOpen());
}

void tst_FreeTds::silentListenerFailsWithinTheTimeout() {
    // The kernel completes the handshake for a listening socket, and the
    // server never answers the login: the driver must give up on its own.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    const int timeout = 3;
    Connection c;
    QElapsedTimer t;
    t.start();
    try {
        c.open(ServerConnectionString(QStringLiteral("127.0.0.1,%1").arg(silent.serverPort())),
               timeout, ado::adUseServer);
        QFAIL("a silent server must not connect");
    } catch (const DbError& e) {
        QCOMPARE(e.number(), err::kProviderFailure);
    }
    QVERIFY2(t.elapsed() < (timeout + 2) * 1000, qPrintable(QString::number(t.elapsed())));
    // The endpoint of the connection string is the one that was dialled.
    QVERIFY(silent.waitForNewConnection(1000) || silent.hasPendingConnections());
}

void tst_FreeTds::recordsetOnTheFailedConnectionLeaves3704() {
    ResumeNext steps;
    Connection c;
    Recordset rs;
    int count = 0;
    steps([&] { c.open(ServerConnectionString(QStringLiteral("127.0.0.1,1")), 10, ado::adUseServer); });
    steps([&] { rs.open(QStringLiteral("select * from alltype"), c, ado::adOpenKeyset, ado::adLockPessimistic); });
    steps([&] { count = rs.recordCount(); });
    QCOMPARE(steps.lastErrorNumber(), err::kClosedObject);
    QCOMPARE(count, 0);
}

QTEST_GUILESS_MAIN(tst_FreeTds)
#include "tst_FreeTds.moc"
