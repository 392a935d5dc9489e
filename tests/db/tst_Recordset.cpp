#include <QDateTime>
#include <QTcpServer>
#include <QTest>

#include "db/DbError.h"
#include "db/Endpoints.h"
#include "db/Recordset.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace qs::test;
using namespace Qt::StringLiterals;

namespace {
const QString kSelectBank = u"select * from [timu] where mantype like "_s;
}

// The recordset on the embedded SQLite server and on a PostgreSQL server.
class tst_Recordset : public QObject {
    Q_OBJECT
private slots:
    void initTestCase_data() { AddBackendRows(); }
    void init() {
        QFETCH_GLOBAL(int, backend);
        OpenServerAndLocal(Backend(backend), folder_, conn_, local_);
    }
    void cleanup() { conn_.close(), local_.close(); }

    void walksRowsWithCaseInsensitiveFieldsAndNulls();
    void addNewMakesTheIdentityReadable();
    void updatesAndDeletesWhileWalkingAcrossChunks();
    void updatesByTextAndCompositeKeys();
    void likePatternsMatchOnlyThemselves();
    void errorNumbers();
    void silentServerFailsWithinTheTimeout();

private:
    int addQuestion(const QString& bank, const QString& question);
    int count(const QString& sql) { return conn_.scalar(sql).toInt(); }
    TempProgramFolder folder_;
    Connection conn_, local_;
};

int tst_Recordset::addQuestion(const QString& bank, const QString& question) {
    Recordset rs;
    rs.openForAppend(u"select * from timu"_s, conn_);
    rs.addNew();
    rs.setField(u"mantype"_s, bank);
    rs.setField(u"QUESTION"_s, question);
    rs.setField(u"Qtype"_s, u"单选题"_s);
    rs.setField(u"id2"_s, 0);
    rs.update();
    return rs.field(u"id"_s).toInt();
}

void tst_Recordset::walksRowsWithCaseInsensitiveFieldsAndNulls() {
    addQuestion(u"会计"_s, u"第一题"_s);
    addQuestion(u"会计"_s, u""_s);
    Recordset rs;
    rs.open(kSelectBank + u"'会计' order by id"_s, conn_);
    QCOMPARE(rs.recordCount(), 2);
    QVERIFY(!rs.eof());
    QCOMPARE(rs.text(u"question"_s), u"第一题"_s);
    QCOMPARE(rs.text(u"QUESTION"_s), u"第一题"_s);
    QVERIFY(rs.isNull(u"SA"_s));
    QCOMPARE(rs.text(u"SA"_s), QString());
    QCOMPARE(ErrorNumberOf([&] { rs.field(u"nosuchcolumn"_s); }), err::kItemNotFound);
    rs.moveNext();
    QVERIFY(!rs.isNull(u"question"_s));
    QCOMPARE(rs.text(u"question"_s), QString());
    rs.moveNext();
    QVERIFY(rs.eof());
    QCOMPARE(ErrorNumberOf([&] { rs.field(u"id"_s); }), err::kBofEof);

    // Read ahead together (one round trip on PostgreSQL), the rows carry the
    // values a recordset reads, and a select that fails leaves the others.
    rs.open(kSelectBank + u"'会计' order by id"_s, conn_);
    rs.setField(u"QJPG"_s, QByteArray("\xff\xd8\x00\x5c", 4));
    rs.update();
    const QString bank = u"select * from timu where mantype like '会计' order by id"_s;
    const QList<ReadRows> read =
        conn_.readAll({bank, u"select no_such_column from timu"_s, u"select count(*) from timu"_s});
    QCOMPARE(read.size(), 3);
    QCOMPARE(read[1].error ? read[1].error->number() : 0, err::kProviderFailure);
    QCOMPARE(read[2].rows.value(0).value(0).toInt(), 2);
    Recordset ahead;
    ahead.openRows(read[0]);
    rs.open(bank, conn_);
    for (; !rs.eof(); rs.moveNext(), ahead.moveNext())
        for (const QString& column : rs.columnNames())
            QCOMPARE(ahead.field(column), rs.field(column));
    QVERIFY(ahead.eof());
}

void tst_Recordset::addNewMakesTheIdentityReadable() {
    const int a = addQuestion(u"b"_s, u"q1"_s);
    const int b = addQuestion(u"b"_s, u"q2"_s);
    QVERIFY(a > 0);
    QCOMPARE(b, a + 1);
    Recordset rs;
    rs.open(u"select * from timu where id = "_s + QString::number(b), conn_);
    QCOMPARE(rs.text(u"question"_s), u"q2"_s);
    // stime takes the database default: the current time.
    const QString stime = rs.text(u"stime"_s);
    const QDateTime when = QDateTime::fromString(stime, u"yyyy-MM-dd HH:mm:ss"_s);
    QVERIFY2(when.isValid() && qAbs(when.secsTo(QDateTime::currentDateTime())) < 120,
             qPrintable(stime));
}

void tst_Recordset::updatesAndDeletesWhileWalkingAcrossChunks() {
    const QByteArray picture("\xff\xd8\x00\x01jpeg\x00", 9);
    conn_.beginTransaction();
    for (int i = 0; i < 130; ++i) addQuestion(u"bank"_s, QString::number(i));
    addQuestion(u"other"_s, u"x"_s);
    conn_.commit();
    {
        Recordset rs;
        rs.open(kSelectBank + u"'bank' order by id"_s, conn_, ado::adOpenKeyset,
                ado::adLockOptimistic);
        QCOMPARE(rs.recordCount(), 130);
        int n = 0;
        for (; !rs.eof(); rs.moveNext()) {
            QCOMPARE(rs.text(u"QUESTION"_s), QString::number(n++));
            if (n % 3 == 0) {
                rs.deleteCurrent();
                continue;
            }
            rs.setField(u"id2"_s, n);
            rs.setField(u"QJPG"_s, QByteArray(picture + QByteArray::number(n)));
            rs.update();
            QCOMPARE(rs.field(u"id2"_s).toInt(), n);
        }
        QCOMPARE(n, 130);
    }
    Recordset check;
    check.open(kSelectBank + u"'bank' order by id desc"_s, conn_);
    QCOMPARE(check.recordCount(), 130 - 43);
    QCOMPARE(check.field(u"id2"_s).toInt(), 130);
    QCOMPARE(check.field(u"qjpg"_s).toByteArray(), QByteArray(picture + "130"));
    QVERIFY(check.isNull(u"AJPG"_s));
    QCOMPARE(count(u"select count(*) from timu where mantype = 'other'"_s), 1);
}

void tst_Recordset::updatesByTextAndCompositeKeys() {
    conn_.execute(
        u"insert into users (username, userpass) values "
        "('O''Brien', ''), ('张三', '')"_s);
    {
        Recordset rs;
        rs.open(u"select * from users where username="_s + conn_.dialect().literal(u"O'Brien"_s) +
                    u" "_s,
                conn_, ado::adOpenStatic, ado::adLockOptimistic);
        QCOMPARE(rs.recordCount(), 1);
        rs.setField(u"userpass"_s, u"digest"_s);
        rs.update();
    }
    QCOMPARE(count(u"select count(*) from users where userpass = ''"_s), 1);
    QCOMPARE(
        count(u"select count(*) from users where username = 'O''Brien' and userpass = 'digest'"_s),
        1);

    // Purchases are keyed by bank and user together; a NULL bank is a key too.
    conn_.execute(
        u"insert into buylist (username, mantype, buynum) values "
        "('u1','b1',1), ('u2','b1',2), ('u1','b2',3), ('u1',NULL,4)"_s);
    Recordset rs;
    rs.open(u"select * from buylist where username like 'u1'"_s, conn_);
    QCOMPARE(rs.recordCount(), 3);
    for (; !rs.eof(); rs.moveNext()) {
        rs.setField(u"buynum"_s, rs.field(u"buynum"_s).toInt() * 10);
        rs.update();
    }
    QCOMPARE(count(u"select sum(buynum) from buylist"_s), 10 + 2 + 30 + 40);
}

void tst_Recordset::likePatternsMatchOnlyThemselves() {
    const QStringList banks = {u"100%合格"_s, u"100a合格"_s, u"a_b"_s,         u"axb"_s,
                               u"it's"_s,     u"[x]"_s,      u"back\\slash"_s, u"backXslash"_s};
    for (const QString& b : banks) addQuestion(b, u"q"_s);
    for (const QString& b : banks) {
        Recordset rs;
        rs.open(kSelectBank + conn_.dialect().likeLiteral(b), conn_);
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rs.text(u"mantype"_s), b);
    }
}

void tst_Recordset::errorNumbers() {
    // The login's failure message expects 3704 as the last error.
    QFETCH_GLOBAL(int, backend);
    const QString unreachable = Backend(backend) == Backend::PostgreSql
                                    ? ServerConnectionString(u"127.0.0.1,1"_s)
                                    : LocalConnectionString(folder_.path() + u"/missing-folder"_s);
    QCOMPARE(UnreachableServerSteps(unreachable),
             (QList<int>{err::kProviderFailure, err::kConnectionUnusable, err::kClosedObject, 0}));
    // SQL the database rejects: the driver's own text comes with the number.
    ResumeNext step;
    Recordset bad;
    step([&] { bad.open(u"select * from timu where no_such_column = 1"_s, conn_); });
    QCOMPARE(step.lastErrorNumber(), err::kProviderFailure);
    QVERIFY(!step.lastErrorText().isEmpty());
}

void tst_Recordset::silentServerFailsWithinTheTimeout() {
    QFETCH_GLOBAL(int, backend);
    if (Backend(backend) != Backend::PostgreSql) QSKIP("an embedded server has no network");
    QTcpServer silent;  // accepts and never answers
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    const FailedOpen f =
        OpenExpectingFailure(ServerConnectionString(u"127.0.0.1,%1"_s.arg(silent.serverPort())), 3);
    QCOMPARE(f.number, err::kProviderFailure);
    QVERIFY2(f.ms < 5000, qPrintable(QString::number(f.ms)));
}

QTEST_GUILESS_MAIN(tst_Recordset)
#include "tst_Recordset.moc"
