#include <QFile>
#include <QTest>

#include "db/Connection.h"
#include "db/Endpoints.h"
#include "db/SqlDialect.h"
#include "support/TestDatabases.h"

using namespace qs;
using namespace Qt::StringLiterals;

class tst_SqlDialect : public QObject {
    Q_OBJECT
private slots:
    void texts_data();
    void texts();
    void localFileIsCreatedWithTheSchema();
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

void tst_SqlDialect::localFileIsCreatedWithTheSchema() {
    test::TempProgramFolder folder;
    QVERIFY(!QFile::exists(folder.file(u"anguidb.mdb"_s)));
    Connection c;
    c.open(LocalConnectionString(folder.path()), 0, ado::adUseClient);
    QVERIFY(QFile::exists(folder.file(u"anguidb.mdb"_s)));
    for (const char* table : {"users", "alltype", "timu", "conf", "rizi", "buylist"})
        QCOMPARE(c.scalar(u"select count(*) from "_s + QLatin1String(table)).toInt(), 0);
}

QTEST_GUILESS_MAIN(tst_SqlDialect)
#include "tst_SqlDialect.moc"
