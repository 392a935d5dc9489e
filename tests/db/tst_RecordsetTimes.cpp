#include <QDateTime>
#include <QTest>

#include "db/Recordset.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

// A time written through a recordset opened only to append is stored as the
// wall-clock time it shows, whatever the time zones of the client and server.
class tst_RecordsetTimes : public QObject {
    Q_OBJECT
private slots:
    void initTestCase_data() { AddBackendRows(); }
    void initTestCase() { UseClientTimeZone(); }
    void storesTheWallClockTime();

private:
    TempProgramFolder folder_;
};

void tst_RecordsetTimes::storesTheWallClockTime() {
    QFETCH_GLOBAL(int, backend);
    Connection c, local;
    OpenServerAndLocal(Backend(backend), folder_, c, local);
    Recordset rs;
    rs.openForAppend(u"select * from [rizi]  "_s, c);
    rs.addNew();
    rs.setField(u"stime"_s, QDateTime(QDate(2024, 3, 2), QTime(8, 30, 15)));
    rs.setField(u"body"_s, u"添加题目"_s);
    rs.update();
    rs.close();
    rs.open(u"select * from rizi"_s, c);
    QCOMPARE(rs.recordCount(), 1);
    QCOMPARE(rs.text(u"stime"_s), u"2024-03-02 08:30:15"_s);
}

QTEST_GUILESS_MAIN(tst_RecordsetTimes)
#include "tst_RecordsetTimes.moc"
