#include <QDateTime>
#include <QTcpServer>
#include <QTest>

#include "db/DbError.h"
#include "db/Endpoints.h"
#include "db/Recordset.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace qs::test;

namespace {
const QString kSelectBank = QStringLiteral("select * from [timu] where mantype like ");
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
    void picturesRoundTrip();
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
    rs.openForAppend(QStringLiteral("select * from timu"), conn_);
    rs.addNew();
    rs.setField(QStringLiteral("mantype"), bank);
    rs.setField(QStringLiteral("QUESTION"), question);
    rs.setField(QStringLiteral("Qtype"), QStringLiteral("单选题"));
    rs.setField(QStringLiteral("id2"), 0);
    rs.update();
    return rs.field(QStringLiteral("id")).toInt();
}

void tst_Recordset::walksRowsWithCaseInsensitiveFieldsAndNulls() {
    addQuestion(QStringLiteral("会计"), QStringLiteral("第一题"));
    addQuestion(QStringLiteral("会计"), QStringLiteral(""));
    Recordset rs;
    rs.open(kSelectBank + QStringLiteral("'会计' order by id"), conn_);
    QCOMPARE(rs.recordCount(), 2);
    QVERIFY(!rs.eof());
    QCOMPARE(rs.text(QStringLiteral("question")), QStringLiteral("第一题"));
    QCOMPARE(rs.text(QStringLiteral("QUESTION")), QStringLiteral("第一题"));
    QVERIFY(rs.isNull(QStringLiteral("SA")));
    QCOMPARE(rs.text(QStringLiteral("SA")), QString());
    QCOMPARE(ErrorNumberOf([&] { rs.field(QStringLiteral("nosuchcolumn")); }), err::kItemNotFound);
    rs.moveNext();
    QVERIFY(!rs.isNull(QStringLiteral("question")));
    QCOMPARE(rs.text(QStringLiteral("question")), QString());
    rs.moveNext();
    QVERIFY(rs.eof());
    QCOMPARE(ErrorNumberOf([&] { rs.field(QStringLiteral("id")); }), err::kBofEof);
}

void tst_Recordset::addNewMakesTheIdentityReadable() {
    const int a = addQuestion(QStringLiteral("b"), QStringLiteral("q1"));
    const int b = addQuestion(QStringLiteral("b"), QStringLiteral("q2"));
    QVERIFY(a > 0);
    QCOMPARE(b, a + 1);
    Recordset rs;
    rs.open(QStringLiteral("select * from timu where id = ") + QString::number(b), conn_);
    QCOMPARE(rs.text(QStringLiteral("question")), QStringLiteral("q2"));
    // stime takes the database default: the current time.
    const QString stime = rs.text(QStringLiteral("stime"));
    const QDateTime when = QDateTime::fromString(stime, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    QVERIFY2(when.isValid() && qAbs(when.secsTo(QDateTime::currentDateTime())) < 120,
             qPrintable(stime));
}

void tst_Recordset::updatesAndDeletesWhileWalkingAcrossChunks() {
    conn_.beginTransaction();
    for (int i = 0; i < 130; ++i) addQuestion(QStringLiteral("bank"), QString::number(i));
    addQuestion(QStringLiteral("other"), QStringLiteral("x"));
    conn_.commit();
    {
        Recordset rs;
        rs.open(kSelectBank + QStringLiteral("'bank' order by id"), conn_, ado::adOpenKeyset,
                ado::adLockOptimistic);
        QCOMPARE(rs.recordCount(), 130);
        int n = 0;
        for (; !rs.eof(); rs.moveNext()) {
            QCOMPARE(rs.text(QStringLiteral("QUESTION")), QString::number(n++));
            if (n % 3 == 0) {
                rs.deleteCurrent();
                continue;
            }
            rs.setField(QStringLiteral("id2"), n);
            rs.update();
            QCOMPARE(rs.field(QStringLiteral("id2")).toInt(), n);
        }
        QCOMPARE(n, 130);
    }
    Recordset check;
    check.open(kSelectBank + QStringLiteral("'bank' order by id desc"), conn_);
    QCOMPARE(check.recordCount(), 130 - 43);
    QCOMPARE(check.field(QStringLiteral("id2")).toInt(), 130);
    QCOMPARE(count(QStringLiteral("select count(*) from timu where mantype = 'other'")), 1);
}

void tst_Recordset::updatesByTextAndCompositeKeys() {
    conn_.execute(
        QStringLiteral("insert into users (username, userpass) values "
                       "('O''Brien', ''), ('张三', '')"));
    {
        Recordset rs;
        rs.open(QStringLiteral("select * from users where username=") +
                    conn_.dialect().literal(QStringLiteral("O'Brien")) + QStringLiteral(" "),
                conn_, ado::adOpenStatic, ado::adLockOptimistic);
        QCOMPARE(rs.recordCount(), 1);
        rs.setField(QStringLiteral("userpass"), QStringLiteral("digest"));
        rs.update();
    }
    QCOMPARE(count(QStringLiteral("select count(*) from users where userpass = ''")), 1);
    QCOMPARE(count(QStringLiteral(
                 "select count(*) from users where username = 'O''Brien' and userpass = 'digest'")),
             1);

    // Purchases are keyed by bank and user together; a NULL bank is a key too.
    conn_.execute(
        QStringLiteral("insert into buylist (username, mantype, buynum) values "
                       "('u1','b1',1), ('u2','b1',2), ('u1','b2',3), ('u1',NULL,4)"));
    Recordset rs;
    rs.open(QStringLiteral("select * from buylist where username like 'u1'"), conn_);
    QCOMPARE(rs.recordCount(), 3);
    for (; !rs.eof(); rs.moveNext()) {
        rs.setField(QStringLiteral("buynum"), rs.field(QStringLiteral("buynum")).toInt() * 10);
        rs.update();
    }
    QCOMPARE(count(QStringLiteral("select sum(buynum) from buylist")), 10 + 2 + 30 + 40);
}

void tst_Recordset::picturesRoundTrip() {
    QByteArray picture(300 * 1024, '\0');
    for (int i = 0; i < picture.size(); ++i) picture[i] = char((i * 7919) & 0xff);
    const int id = addQuestion(QStringLiteral("p"), QStringLiteral("q"));
    {
        Recordset rs;
        rs.open(QStringLiteral("select * from timu where id = ") + QString::number(id), conn_);
        rs.setField(QStringLiteral("QJPG"), picture);
        rs.setField(QStringLiteral("AJPG"), QVariant());
        rs.update();
    }
    Recordset rs;
    rs.open(QStringLiteral("select * from timu"), conn_);
    QCOMPARE(rs.field(QStringLiteral("qjpg")).toByteArray(), picture);
    QVERIFY(rs.isNull(QStringLiteral("AJPG")));
}

void tst_Recordset::likePatternsMatchOnlyThemselves() {
    const QStringList banks = {QStringLiteral("100%合格"),    QStringLiteral("100a合格"),
                               QStringLiteral("a_b"),         QStringLiteral("axb"),
                               QStringLiteral("it's"),        QStringLiteral("[x]"),
                               QStringLiteral("back\\slash"), QStringLiteral("backXslash")};
    for (const QString& b : banks) addQuestion(b, QStringLiteral("q"));
    for (const QString& b : banks) {
        Recordset rs;
        rs.open(kSelectBank + conn_.dialect().likeLiteral(b), conn_);
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rs.text(QStringLiteral("mantype")), b);
    }
}

void tst_Recordset::errorNumbers() {
    // The login's failure message expects 3704 as the last error.
    QFETCH_GLOBAL(int, backend);
    const QString unreachable =
        Backend(backend) == Backend::PostgreSql
            ? ServerConnectionString(QStringLiteral("127.0.0.1,1"))
            : LocalConnectionString(folder_.path() + QStringLiteral("/missing-folder"));
    QCOMPARE(UnreachableServerSteps(unreachable),
             (QList<int>{err::kProviderFailure, err::kConnectionUnusable, err::kClosedObject, 0}));
    // SQL the database rejects: the driver's own text comes with the number.
    ResumeNext step;
    Recordset bad;
    step([&] { bad.open(QStringLiteral("select * from timu where no_such_column = 1"), conn_); });
    QCOMPARE(step.lastErrorNumber(), err::kProviderFailure);
    QVERIFY(!step.lastErrorText().isEmpty());
}

void tst_Recordset::silentServerFailsWithinTheTimeout() {
    QFETCH_GLOBAL(int, backend);
    if (Backend(backend) != Backend::PostgreSql) QSKIP("an embedded server has no network");
    QTcpServer silent;  // accepts and never answers
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    const FailedOpen f = OpenExpectingFailure(
        ServerConnectionString(QStringLiteral("127.0.0.1,%1").arg(silent.serverPort())), 3);
    QCOMPARE(f.number, err::kProviderFailure);
    QVERIFY2(f.ms < 5000, qPrintable(QString::number(f.ms)));
}

QTEST_GUILESS_MAIN(tst_Recordset)
#include "tst_Recordset.moc"
