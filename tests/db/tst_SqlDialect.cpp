#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include "db/Connection.h"
#include "db/Endpoints.h"
#include "db/SqlDialect.h"
#include "support/SqlServerStandIn.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace Qt::StringLiterals;

class tst_SqlDialect : public QObject {
    Q_OBJECT
private slots:
    void texts_data();
    void texts();
    void noConnectionMakesADatabaseFile();
    void sqlServerStandInAnswersAsSqlServer_data();
    void sqlServerStandInAnswersAsSqlServer();
    void sqlServerBatchEndsAtItsFailure();
};

void tst_SqlDialect::texts_data() {
    QTest::addColumn<int>("backend");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("literal");
    QTest::addColumn<QString>("like");
    const int ss = int(Backend::SqlServer), pg = int(Backend::PostgreSql);
    // A plain value gives exactly the system's own text.
    QTest::newRow("plain") << ss << u"会计基础"_s << u"N'会计基础'"_s << u"N'会计基础'"_s;
    QTest::newRow("apostrophe") << ss << u"it's"_s << u"N'it''s'"_s << u"N'it''s'"_s;
    QTest::newRow("wildcards ss") << ss << u"1%_["_s << u"N'1%_['"_s << u"N'1[%][_][[]'"_s;
    QTest::newRow("wildcards pg") << pg << u"1%_\\"_s << u"'1%_\\'"_s << u"'1\\%\\_\\\\'"_s;
    QTest::newRow("wildcards sqlite")
        << int(Backend::Sqlite) << u"a%'"_s << u"'a%'''"_s << u"'a\\%''' ESCAPE '\\'"_s;
}

void tst_SqlDialect::texts() {
    QFETCH(int, backend);
    QFETCH(QString, value);
    QFETCH(QString, literal);
    QFETCH(QString, like);
    const SqlDialect d{Backend(backend)};
    QCOMPARE(d.literal(value), literal);
    QCOMPARE(d.likeLiteral(value), like);
    QCOMPARE(d.bracketed(u"timu"_s),
             Backend(backend) == Backend::PostgreSql ? u"timu"_s : u"[timu]"_s);
}

// A missing or empty local file, or an endpoint without its embedded server, is refused
// naming the file or the endpoint; only an explicit creation makes a database file.
void tst_SqlDialect::noConnectionMakesADatabaseFile() {
    test::TempProgramFolder folder;
    DbEnvironment env;
    env.serverBackend = Backend::Sqlite;
    env.embeddedServerFolder = folder.file(u"servers"_s);
    DbEnvironment::configure(env);
    const QString file = folder.file(u"anguidb.mdb"_s);
    Connection c;
    for (bool empty : {false, true}) {
        if (empty) folder.write(u"anguidb.mdb"_s, QByteArray());
        try {
            c.open(LocalConnectionString(folder.path()), 0, ado::adUseClient);
            QFAIL("opened");
        } catch (const DbError& e) {
            QCOMPARE(e.text(),
                     (empty ? u"本地数据库文件是空的："_s : u"找不到本地数据库文件："_s) + file);
        }
        QCOMPARE(QFileInfo(file).size(), 0);
    }
    try {
        c.open(ServerConnectionString(u"srv 1"_s), 1);
        QFAIL("opened");
    } catch (const DbError& e) {
        QVERIFY2(e.text().contains(u"srv 1"_s), qPrintable(e.text()));
    }
    QVERIFY(QDir(folder.file(u"servers"_s)).isEmpty());

    CreateDatabaseFile(file);
    c.open(LocalConnectionString(folder.path()), 0, ado::adUseClient);
    for (const char* table : {"users", "alltype", "timu", "conf", "rizi", "buylist"})
        QCOMPARE(c.scalar(u"select count(*) from "_s + QLatin1String(table)).toInt(), 0);
}

// What SQL Server (a Chinese_PRC_CI_AS database, through FreeTDS) answers,
// and so the stand-in the tests run the SQL Server path on: the first row's
// first value, "ok" for no row, "error N" for its refusal number N, and after
// "|" a failure met only by reading on to the next result.
void tst_SqlDialect::sqlServerStandInAnswersAsSqlServer_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("answer");
    auto row = [](const char* name, const QString& sql, const QString& answer) {
        QTest::newRow(name) << sql << answer;
    };
    auto holds = [](const char16_t* condition) -> QString {
        return u"select case when "_s + QString::fromUtf16(condition) + u" then 1 else 0 end"_s;
    };
    const QString wide(256, u'长'), longPattern(4001, u'长');
    row("= ignores case", holds(u"N'Bob' = N'bob'"), u"1"_s);
    row("= ignores trailing blanks", holds(u"N'carl ' = N'carl'"), u"1"_s);
    row("= ignores width", holds(u"N'ＡＢＣ' = N'abc'"), u"1"_s);
    row("like keeps trailing blanks", holds(u"N'carl ' like N'carl'"), u"0"_s);
    row("charindex ignores case", u"select charindex(N'b', N'ABC')"_s, u"2"_s);
    row("a text cast to int", u"select cast(N'abc' as int)"_s, u"error 245"_s);
    row("a text beside + and a number", u"select N'x' + 1"_s, u"error 245"_s);
    row("nvarchar(10) cuts", u"select cast(N'一二三四五六七八九十十一' as nvarchar(10))"_s,
        u"一二三四五六七八九十"_s);
    row("wider than nvarchar(255)", u"insert into users (username) values (N'"_s + wide + u"')"_s,
        u"error 8152"_s);
    row("ntext =", u"select count(*) from timu where answer = N'A'"_s, u"error 402"_s);
    row("ntext order by", u"select id from timu order by why0"_s, u"error 306"_s);
    row("ntext distinct", u"select distinct answer from timu"_s, u"error 421"_s);
    row("like pattern over 8,000 bytes",
        u"select count(*) from timu where QUESTION like N'"_s + longPattern + u"'"_s,
        u"error 8152"_s);
    // A search for a text longer than that takes its longest start that fits.
    row("containing search over 8,000 bytes",
        u"select count(*) from timu where QUESTION like "_s +
            SqlDialect(Backend::SqlServer).likeContaining(QString(17000, u'题')),
        u"0"_s);
    row("2,101 parameters",
        u"select count(*) from timu where id in ("_s + QStringList(2101, u"?"_s).join(u',') +
            u")"_s,
        u"error 8003"_s);
    row("1,001 rows in an insert's values",
        u"insert into alltype (download) values "_s + QStringList(1001, u"(1)"_s).join(u','),
        u"error 10738"_s);
    row("1,001 rows in a derived table",
        u"select count(*) from (values "_s + QStringList(1001, u"(1)"_s).join(u',') +
            u") as v(n)"_s,
        u"1001"_s);
    row("limit", u"select * from users limit 1"_s, u"error 102"_s);
    row("a later statement refused",
        u"update users set userpass = N'x'; insert into users (username) values (N'"_s + wide +
            u"')"_s,
        u"ok|error 8152"_s);
}

void tst_SqlDialect::sqlServerStandInAnswersAsSqlServer() {
    QFETCH(QString, sql);
    QFETCH(QString, answer);
    test::TempProgramFolder folder;
    test::SqlServerStandIn::install();
    test::UseServerBackend(Backend::SqlServer, folder.path());
    Connection c;
    c.open(ServerConnectionString(u"stand-in,1433"_s), 10);
    QSqlQuery q = c.query();
    const bool ran = q.prepare(sql) && [&] {
        for (int i = sql.count(u'?'); i > 0; --i) q.addBindValue(1);
        return q.exec();
    }();
    QString given = ran ? (q.next() ? q.value(0).toString() : u"ok"_s)
                        : u"error "_s + q.lastError().nativeErrorCode();
    if (ran && !q.nextResult() && q.lastError().isValid())
        given += u"|error "_s + q.lastError().nativeErrorCode();
    QCOMPARE(given, answer);
}

// Statements run in order go to SQL Server as one batch that ends at the first
// failure: the failing one carries its error, those after it did not run (and
// wrote nothing); selects read together each stand alone.
void tst_SqlDialect::sqlServerBatchEndsAtItsFailure() {
    test::TempProgramFolder folder;
    test::SqlServerStandIn::install();
    test::UseServerBackend(Backend::SqlServer, folder.path());
    Connection c;
    c.open(ServerConnectionString(u"stand-in,1433"_s), 10);
    const int sent = test::SqlServerStandIn::statementCount();
    const QString wide(256, u'长');
    const QList<ReadRows> done = c.runInOrder(
        {{u"insert into users (username) values (?); select count(*) from users"_s, {u"甲"_s}},
         {u"insert into users (username) values (?)"_s, {wide}},
         {u"insert into users (username) values (N'乙')"_s, {}}});
    QCOMPARE(test::SqlServerStandIn::statementCount() - sent, 1);
    QCOMPARE(done[0].rows.value(0).value(0).toInt(), 1);
    QCOMPARE(done[1].errorCode, u"8152"_s);
    QVERIFY(done[1].error && done[1].error->text().contains(u"insert into users"_s));
    QVERIFY(done[2].error && done[2].error->text().startsWith(u"前面的语句出错，没有执行"_s));
    QCOMPARE(c.scalar(u"select count(*) from users"_s).toInt(), 1);
    const QList<ReadRows> read = c.readAll(
        {u"select 1"_s, u"select no_such_column from users"_s, u"select 2"_s});
    QCOMPARE(read.size(), 3);
    QVERIFY(!read[0].error && read[1].error && !read[2].error);
    QCOMPARE(read[2].rows.value(0).value(0).toInt(), 2);
    QCOMPARE(test::SqlServerFaults(), QString());
}

QTEST_GUILESS_MAIN(tst_SqlDialect)
#include "tst_SqlDialect.moc"
