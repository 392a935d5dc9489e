#include <QFile>
#include <QTest>

#include "db/Connection.h"
#include "db/Endpoints.h"
#include "db/SqlDialect.h"
#include "support/TestDatabases.h"

using namespace qs;

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
    QTest::newRow("plain") << ss << QStringLiteral("会计基础") << QStringLiteral("'会计基础'")
                           << QStringLiteral("'会计基础'");
    QTest::newRow("apostrophe") << ss << QStringLiteral("it's") << QStringLiteral("'it''s'")
                                << QStringLiteral("'it''s'");
    QTest::newRow("wildcards ss") << ss << QStringLiteral("1%_[") << QStringLiteral("'1%_['")
                                  << QStringLiteral("'1[%][_][[]'");
    QTest::newRow("wildcards pg") << pg << QStringLiteral("1%_\\") << QStringLiteral("'1%_\\'")
                                  << QStringLiteral("'1\\%\\_\\\\'");
    QTest::newRow("wildcards sqlite")
        << int(Backend::Sqlite) << QStringLiteral("a%'") << QStringLiteral("'a%'''")
        << QStringLiteral("'a\\%''' ESCAPE '\\'");
}

void tst_SqlDialect::texts() {
    QFETCH(int, backend);
    QFETCH(QString, value);
    QFETCH(QString, literal);
    QFETCH(QString, like);
    const SqlDialect d{Backend(backend)};
    QCOMPARE(d.literal(value), literal);
    QCOMPARE(d.likeLiteral(value), like);
    QCOMPARE(d.bracketed(QStringLiteral("timu")), Backend(backend) == Backend::PostgreSql
                                                      ? QStringLiteral("timu")
                                                      : QStringLiteral("[timu]"));
}

void tst_SqlDialect::localFileIsCreatedWithTheSchema() {
    test::TempProgramFolder folder;
    QVERIFY(!QFile::exists(folder.file(QStringLiteral("anguidb.mdb"))));
    Connection c;
    c.open(LocalConnectionString(folder.path()), 0, ado::adUseClient);
    QVERIFY(QFile::exists(folder.file(QStringLiteral("anguidb.mdb"))));
    for (const char* table : {"users", "alltype", "timu", "conf", "rizi", "buylist"})
        QCOMPARE(c.scalar(QStringLiteral("select count(*) from ") + QLatin1String(table)).toInt(),
                 0);
}

QTEST_GUILESS_MAIN(tst_SqlDialect)
#include "tst_SqlDialect.moc"
