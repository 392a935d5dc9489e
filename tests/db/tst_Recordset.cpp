#include <QDateTime>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QFile>
#include <QTest>

#include "db/DbError.h"
#include "db/Endpoints.h"
#include "db/Recordset.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace qs::test;

// The recordset on the embedded SQLite server and on a PostgreSQL server.
class tst_Recordset : public QObject {
    Q_OBJECT
private slots:
    void initTestCase_data() { AddBackendRows(); }
    void init();
    void cleanup() { conn_.close(); }

    void walksRowsWithCaseInsensitiveFieldsAndNulls();
    void addNewMakesTheIdentityReadable();
    void updatesAndDeletesWhileWalkingAcrossChunks();
    void updatesByTextAndCompositeKeys();
    void picturesRoundTrip();
    void literalsAndLikePatternsMatchOnlyThemselves();
    void errorNumbers();
    void appendOnlyReadsNothing();
    void silentServerFailsWithinTheTimeout();

private:
    int addQuestion(const QString& bank, const QString& question, const QString& type = QStringLiteral("单选题"));
    TempProgramFolder folder_;
    Connection conn_;
};

void tst_Recordset::init() {
    QFETCH_GLOBAL(int, backend);
    UseServerBackend(Backend(backend), folder_.path());
    const QString endpoint = Backend(backend) == Backend::PostgreSql ? PgLeftEndpoint()
                                                                     : QStringLiteral("embedded,1");
    conn_.open(ServerConnectionString(endpoint), 10, ado::adUseServer);
    ResetDatabase(conn_);
}

int tst_Recordset::addQuestion(const QString& bank, const QString& question, const QString& type) {
    Recordset rs;
    rs.openForAppend(QStringLiteral("select * from timu"), conn_);
    rs.addNew();
    rs.setField(QStringLiteral("mantype"), bank);
    rs.setField(QStringLiteral("QUESTION"), question);
    rs.setField(QStringLiteral("Qtype"), type);
    rs.setField(QStringLiteral("id2"), 0);
    rs.update();
    return rs.field(QStringLiteral("id")).toInt();
}

void tst_Recordset::walksRowsWithCaseInsensitiveFieldsAndNulls() {
    addQuestion(QStringLiteral("会计"), QStringLiteral("第一题"));
    addQuestion(QStringLiteral("会计"), QStringLiteral(""));
    Recordset rs;
    rs.open(QStringLiteral("select * from [timu] where mantype like '会计' order by id"), conn_);
    QCOMPARE(rs.recordCount(), 2);
    QVERIFY(!rs.eof());
    QCOMPARE(rs.text(QStringLiteral("question")), QStringLiteral("第一题"));
    QCOMPARE(rs.text(QStringLiteral("QUESTION")), QStringLiteral("第一题"));
    QVERIFY(rs.isNull(QStringLiteral("SA")));
    QCOMPARE(rs.text(QStringLiteral("SA")), QString());
    rs.moveNext();
    QVERIFY(!rs.isNull(QStringLiteral("question")));
    QCOMPARE(rs.text(QStringLiteral("question")), QString());
    rs.moveNext();
    QVERIFY(rs.eof());
    try {
        rs.field(QStringLiteral("id"));
        QFAIL("a field past the end must fail");
    } catch (const DbError& e) {
        QCOMPARE(e.number(), err::kBofEof);
    }
    try {
        Recordset r2;
        r2.open(QStringLiteral("select * from timu"), conn_);
        r2.field(QStringLiteral("nosuchcolumn"));
        QFAIL("an unknown column must fail");
    } catch (const DbError& e) {
        QCOMPARE(e.number(), err::kItemNotFound);
    }
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
    const QDateTime stime = QDateTime::fromString(rs.text(QStringLiteral("stime")),
                                                  QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    QVERIFY2(stime.isValid(), qPrintable(rs.text(QStringLiteral("stime"))));
    QVERIFY(qAbs(stime.secsTo(QDateTime::currentDateTime())) < 120);
}

void tst_Recordset::updatesAndDeletesWhileWalkingAcrossChunks() {
    conn_.beginTransaction();
    for (int i = 0; i < 130; ++i) addQuestion(QStringLiteral("bank"), QString::number(i));
    addQuestion(QStringLiteral("other"), QStringLiteral("x"));
    conn_.commit();
    {
        Recordset rs;
        rs.open(QStringLiteral("select * from [timu] where mantype like 'bank' order by id"), conn_,
                ado::adOpenKeyset, ado::adLockOptimistic);
        QCOMPARE(rs.recordCount(), 130);
        int n = 0;
        while (!rs.eof()) {
            ++n;
            QCOMPARE(rs.text(QStringLiteral("QUESTION")), QString::number(n - 1));
            if (n % 3 == 0) {
                rs.deleteCurrent();
            } else {
                rs.setField(QStringLiteral("id2"), n);
                rs.update();
                QCOMPARE(rs.field(QStringLiteral("id2")).toInt(), n);
            }
            rs.moveNext();
        }
        QCOMPARE(n, 130);
    }
    Recordset check;
    check.open(QStringLiteral("select * from timu where mantype like 'bank' order by id desc"), conn_);
    QCOMPARE(check.recordCount(), 130 - 43);
    QCOMPARE(check.field(QStringLiteral("id2")).toInt(), 130);
    QCOMPARE(conn_.scalar(QStringLiteral("select count(*) from timu where mantype = 'other'")).toInt(), 1);
}

void tst_Recordset::updatesByTextAndCompositeKeys() {
    for (const QString& name : {QStringLiteral("O'Brien"), QStringLiteral("张三")}) {
        Recordset rs;
        rs.openForAppend(QStringLiteral("select * from users"), conn_);
        rs.addNew();
        rs.setField(QStringLiteral("username"), name);
        rs.setField(QStringLiteral("userpass"), QString());
        rs.update();
    }
    {
        Recordset rs;
        rs.open(QStringLiteral("select * from users where username=") +
                    conn_.dialect().literal(QStringLiteral("O'Brien")) + QStringLiteral(" "),
                conn_, ado::adOpenStatic, ado::adLockOptimistic);
        QCOMPARE(rs.recordCount(), 1);
        rs.setField(QStringLiteral("userpass"), QStringLiteral("digest"));
        rs.update();
    }
    QCOMPARE(conn_.scalar(QStringLiteral("select userpass from users where username = '张三'")).toString(),
             QString());
    QCOMPARE(conn_.scalar(QStringLiteral("select userpass from users where username = 'O''Brien'")).toString(),
             QStringLiteral("digest"));

    // Purchases are keyed by bank and user together; a NULL bank is a key too.
    conn_.execute(QStringLiteral("insert into buylist (username, mantype, buynum) values "
                                 "('u1','b1',1), ('u2','b1',2), ('u1','b2',3), ('u1',NULL,4)"));
    Recordset rs;
    rs.open(QStringLiteral("select * from buylist where username like 'u1'"), conn_);
    QCOMPARE(rs.recordCount(), 3);
    while (!rs.eof()) {
        rs.setField(QStringLiteral("buynum"), rs.field(QStringLiteral("buynum")).toInt() * 10);
        rs.update();
        rs.moveNext();
    }
    QCOMPARE(conn_.scalar(QStringLiteral("select sum(buynum) from buylist")).toInt(), 10 + 2 + 30 + 40);
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

void tst_Recordset::literalsAndLikePatternsMatchOnlyThemselves() {
    const QStringList banks = {QStringLiteral("100%合格"), QStringLiteral("100a合格"),
                               QStringLiteral("a_b"), QStringLiteral("axb"),
                               QStringLiteral("it's"), QStringLiteral("[x]"),
                               QStringLiteral("back\\slash"), QStringLiteral("backXslash")};
    for (const QString& b : banks) addQuestion(b, QStringLiteral("q"));
    for (const QString& b : banks) {
        Recordset rs;
        rs.open(QStringLiteral("select * from [timu] where mantype like ") +
                    conn_.dialect().likeLiteral(b) + QStringLiteral(" order by id"),
                conn_);
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rs.text(QStringLiteral("mantype")), b);
    }
}

void tst_Recordset::errorNumbers() {
    // A connection that failed to open, a recordset opened on it, its count:
    // the login's failure message expects 3704 as the last error.
    ResumeNext steps;
    Connection broken;
    QFETCH_GLOBAL(int, backend);
    const QString cs = Backend(backend) == Backend::PostgreSql
                           ? ServerConnectionString(QStringLiteral("127.0.0.1,1"))
                           : LocalConnectionString(folder_.path() + QStringLiteral("/missing-folder"));
    Recordset rs;
    QVERIFY(!steps([&] { broken.open(cs, 10, ado::adUseServer); }));
    QCOMPARE(steps.lastErrorNumber(), err::kProviderFailure);
    QVERIFY(!steps([&] { rs.open(QStringLiteral("select * from alltype"), broken); }));
    QCOMPARE(steps.lastErrorNumber(), err::kConnectionUnusable);
    int count = 0;
    QVERIFY(!steps([&] { count = rs.recordCount(); }));
    QCOMPARE(steps.lastErrorNumber(), err::kClosedObject);
    QCOMPARE(count, 0);
    QCOMPARE(steps.failures(), 3);

    // SQL the database rejects.
    try {
        Recordset bad;
        bad.open(QStringLiteral("select * from timu where no_such_column = 1"), conn_);
        QFAIL("must fail");
    } catch (const DbError& e) {
        QCOMPARE(e.number(), err::kProviderFailure);
        QVERIFY(!e.text().isEmpty());
    }
}

void tst_Recordset::appendOnlyReadsNothing() {
    Recordset rs;
    rs.openForAppend(QStringLiteral("select * from [rizi]  "), conn_);
    rs.addNew();
    rs.setField(QStringLiteral("stime"), QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    rs.setField(QStringLiteral("username"), QStringLiteral("张三"));
    rs.setField(QStringLiteral("body"), QStringLiteral("添加题目"));
    rs.update();
    QVERIFY(rs.field(QStringLiteral("id")).toInt() > 0);
    Recordset check;
    check.open(QStringLiteral("select * from rizi"), conn_);
    QCOMPARE(check.recordCount(), 1);
    QCOMPARE(check.text(QStringLiteral("stime")), QStringLiteral("2026-01-02 03:04:05"));
}

void tst_Recordset::silentServerFailsWithinTheTimeout() {
    QFETCH_GLOBAL(int, backend);
    if (Backend(backend) != Backend::PostgreSql) QSKIP("an embedded server has no network");
    // A listening socket that never answers: the connect timeout must end the wait.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    Connection c;
    QElapsedTimer t;
    t.start();
    try {
        c.open(ServerConnectionString(QStringLiteral("127.0.0.1,%1").arg(silent.serverPort())), 3,
               ado::adUseServer);
        QFAIL("a silent server must not connect");
    } catch (const DbError& e) {
        QCOMPARE(e.number(), err::kProviderFailure);
    }
    QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
}

QTEST_GUILESS_MAIN(tst_Recordset)
#include "tst_Recordset.moc"
