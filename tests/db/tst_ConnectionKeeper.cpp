#include <QTest>

#include "db/ConnectionKeeper.h"
#include "db/Endpoints.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// Connections kept between commands on a PostgreSQL server that ends their
// sessions: between two commands, or under a command's read or write.
class tst_ConnectionKeeper : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        UseServerBackend(Backend::PostgreSql, folder_.path());
        ResetServer(PgLeftEndpoint());
    }
    void sessionEnds_data();
    void sessionEnds();

private:
    TempProgramFolder folder_;
};

void tst_ConnectionKeeper::sessionEnds_data() {
    QTest::addColumn<bool>("endsBefore");  // between two commands
    QTest::addColumn<bool>("endsUnder");   // under the command, at its first run
    QTest::addColumn<bool>("writes");      // the command writes before that
    QTest::addColumn<bool>("leavesOpen");  // the command leaves its transaction open
    QTest::addColumn<int>("runs");
    QTest::addColumn<int>("opened");
    QTest::addColumn<int>("error");
    QTest::newRow("kept for the next command") << false << false << false << false << 1 << 1 << 0;
    QTest::newRow("ended between commands: opened afresh first")
        << true << false << false << false << 1 << 2 << 0;
    QTest::newRow("ended under a read: run again")
        << false << true << false << false << 2 << 2 << 0;
    QTest::newRow("ended under a write: not run again")
        << false << true << true << false << 1 << 1 << err::kDiskOrNetwork;
    // Its locks would hold up every other instance.
    QTest::newRow("transaction left open: rolled back")
        << false << false << true << true << 1 << 1 << 0;
}

void tst_ConnectionKeeper::sessionEnds() {
    QFETCH(bool, endsBefore);
    QFETCH(bool, endsUnder);
    QFETCH(bool, writes);
    QFETCH(bool, leavesOpen);
    QFETCH(int, runs);
    QFETCH(int, opened);
    QFETCH(int, error);
    Connection other;
    OpenServer(other, PgLeftEndpoint());
    other.execute(u"delete from conf"_s);
    ConnectionKeeper keeper;
    const QString cs = ServerConnectionString(PgLeftEndpoint());
    Connection& kept = keeper.connection(cs, 10);
    QCOMPARE(&keeper.connection(cs, 10), &kept);
    kept.setStatementTimeout(3);
    if (endsBefore) {
        other.scalar(u"select pg_terminate_backend("_s +
                     kept.scalar(u"select pg_backend_pid()"_s).toString() + u")"_s);
        QTRY_VERIFY(kept.linkBroken());
    }
    int ran = 0;
    int number = 0;
    try {
        keeper.use(cs, 10, ado::adUseServer, [&](Connection& c) {
            ++ran;
            if (leavesOpen) {
                c.beginTransaction();
                c.setStatementTimeout(7);
            }
            if (writes) c.execute(u"insert into conf (ver) values ('left open')"_s);
            if (endsUnder && ran == 1) c.scalar(u"select pg_terminate_backend(pg_backend_pid())"_s);
            return c.scalar(u"select count(*) from alltype"_s);
        });
    } catch (const DbError& e) {
        number = e.number();
    }
    QCOMPARE(ran, runs);
    QCOMPARE(keeper.opened(), opened);
    QCOMPARE(number, error);
    keeper.settle();
    QVERIFY(!keeper.connection(cs, 10).inTransaction());
    // The statement timeout is sent again where the session may not have it: a new session,
    // or a transaction that was rolled back.
    keeper.connection(cs, 10).setStatementTimeout(7);
    QCOMPARE(keeper.connection(cs, 10).scalar(u"show statement_timeout"_s).toString(), u"7s"_s);
    QCOMPARE(other.scalar(u"select count(*) from conf"_s).toInt(), writes && !leavesOpen ? 1 : 0);
}

QTEST_GUILESS_MAIN(tst_ConnectionKeeper)
#include "tst_ConnectionKeeper.moc"
