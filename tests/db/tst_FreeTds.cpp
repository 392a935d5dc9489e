#include <QSqlDatabase>
#include <QTcpServer>
#include <QTest>

#include "db/Endpoints.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// The SQL Server path through the FreeTDS ODBC driver, as far as it can be
// exercised without a SQL Server: the driver loads under the name the
// connection string uses, the endpoint of the string is the one dialled, and
// unreachable or silent servers fail within the connect timeout.
class tst_FreeTds : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(QSqlDatabase::isDriverAvailable(u"QODBC"_s));
        UseServerBackend(Backend::SqlServer, folder_.path());
    }
    void unreachableServerFailsInTime_data();
    void unreachableServerFailsInTime();
    void recordsetOnTheFailedConnectionLeaves3704() {
        QCOMPARE(
            UnreachableServerSteps(ServerConnectionString(u"127.0.0.1,1"_s)),
            (QList<int>{err::kProviderFailure, err::kConnectionUnusable, err::kClosedObject, 0}));
    }

private:
    TempProgramFolder folder_;
};

void tst_FreeTds::unreachableServerFailsInTime_data() {
    QTest::addColumn<bool>("listening");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<int>("withinMs");
    QTest::newRow("closed port fails quickly") << false << 10 << 5000;
    // The kernel completes the handshake and the server never answers the
    // login: the driver must give up on its own.
    QTest::newRow("silent listener fails within the timeout") << true << 3 << 5000;
}

void tst_FreeTds::unreachableServerFailsInTime() {
    QFETCH(bool, listening);
    QFETCH(int, timeout);
    QFETCH(int, withinMs);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const quint16 port = server.serverPort();
    if (!listening) server.close();
    const FailedOpen f =
        OpenExpectingFailure(ServerConnectionString(u"127.0.0.1,%1"_s.arg(port)), timeout);
    QCOMPARE(f.number, err::kProviderFailure);
    // Found under the driver name "SQL Server": the failure is FreeTDS's own.
    QVERIFY2(f.text.contains(u"FreeTDS"_s) && !f.text.contains(u"Data source name not found"_s),
             qPrintable(f.text));
    QVERIFY2(f.ms < withinMs, qPrintable(QString::number(f.ms)));
    // The endpoint of the connection string is the one that was dialled.
    if (listening) QVERIFY(server.waitForNewConnection(1000) || server.hasPendingConnections());
}

QTEST_GUILESS_MAIN(tst_FreeTds)
#include "tst_FreeTds.moc"
