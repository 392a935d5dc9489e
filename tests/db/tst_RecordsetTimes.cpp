#include <QDateTime>
#include <QTest>

#include <ctime>

#include "db/Endpoints.h"
#include "db/Recordset.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace qs::test;

// A time written through a recordset is stored as the wall-clock time it
// shows, whatever the time zones of the client and of the server.
class tst_RecordsetTimes : public QObject {
    Q_OBJECT
private slots:
    void initTestCase_data() { AddBackendRows(); }
    void initTestCase() {
        qputenv("TZ", "Asia/Shanghai");
        tzset();
    }
    void storesTheWallClockTime();

private:
    TempProgramFolder folder_;
};

void tst_RecordsetTimes::storesTheWallClockTime() {
    QFETCH_GLOBAL(int, backend);
    UseServerBackend(Backend(backend), folder_.path());
    const QString endpoint = Backend(backend) == Backend::PostgreSql ? PgLeftEndpoint()
                                                                     : QStringLiteral("embedded,1");
    Connection c;
    c.open(ServerConnectionString(endpoint), 10, ado::adUseServer);
    ResetDatabase(c);
    const QDateTime when(QDate(2024, 3, 2), QTime(8, 30, 15));
    Recordset rs;
    rs.openForAppend(QStringLiteral("select * from rizi"), c);
    rs.addNew();
    rs.setField(QStringLiteral("stime"), when);
    rs.setField(QStringLiteral("body"), QStringLiteral("added"));
    rs.update();
    rs.close();
    rs.open(QStringLiteral("select * from rizi"), c);
    QCOMPARE(rs.text(QStringLiteral("stime")), QStringLiteral("2024-03-02 08:30:15"));
}

QTEST_GUILESS_MAIN(tst_RecordsetTimes)
#include "tst_RecordsetTimes.moc"
