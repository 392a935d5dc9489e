#include <QTest>

#include "sync/BatchLookup.h"
#include "sync/SyncPasses.h"
#include "sync/SyncQueries.h"

using namespace qs;

// The lookup texts: the window's own texts for plain values on SQL Server, and
// values that would break or widen the match are quoted to match only themselves.
class tst_SyncQueries : public QObject {
    Q_OBJECT
private slots:
    void texts_data();
    void texts();
    void columnCounts();
};

void tst_SyncQueries::texts_data() {
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    const SqlDialect ss(Backend::SqlServer);
    const SqlDialect pg(Backend::PostgreSql);
    const QVariant u(QStringLiteral("张三")), m(QStringLiteral("会计")), q(QStringLiteral("题一")),
        t(QStringLiteral("单选题"));
    QTest::newRow("users") << UsersLookupQuery(ss, u)
                           << QStringLiteral("select * from users  where username like '张三'");
    QTest::newRow("questions right")
        << QuestionLookupQuery(ss, SyncDirection::Right, m, q, t)
        << QStringLiteral(
               "select * from timu where mantype like '会计' and QUESTION like '题一' and Qtype "
               "like '单选题' ");
    QTest::newRow("questions left")
        << QuestionLookupQuery(ss, SyncDirection::Left, m, q, t)
        << QStringLiteral(
               "select * from timu  where mantype like '会计' and QUESTION like '题一' and Qtype "
               "like '单选题'");
    QTest::newRow("bank names") << BankNameLookupQuery(ss, q)
                                << QStringLiteral("select * from timu where QUESTION like '题一' ");
    QTest::newRow("bank names, oldest first elsewhere")
        << BankNameLookupQuery(pg, q)
        << QStringLiteral("select * from timu where QUESTION like '题一' order by id");
    QTest::newRow("banks") << BankListLookupQuery(ss, m)
                           << QStringLiteral("select * from alltype  where mantype like '会计'");
    QTest::newRow("purchases")
        << PurchaseLookupQuery(ss, m, u)
        << QStringLiteral(
               "select * from buylist where mantype like '会计' and username like '张三' ");
    QTest::newRow("sources") << QStringList{QuestionSourceQuery(SyncDirection::Right),
                                            QuestionSourceQuery(SyncDirection::Left),
                                            UsersSourceQuery(), BankListSourceQuery()}
                                    .join(u'|')
                             << QStringLiteral(
                                    "select * from timu order by id desc|select * from timu  "
                                    "order by id desc|select * from users |select * from alltype ");
    QTest::newRow("sqlserver quoted")
        << UsersLookupQuery(ss, QStringLiteral("o'neil_50%"))
        << QStringLiteral("select * from users  where username like 'o''neil[_]50[%]'");
    // Each row of a batch keeps its own lookup text; a NULL key matches NULL.
    const QStringList lookups = {BankListLookupQuery(ss, m), BankListLookupQuery(ss, QVariant()),
                                 BankListLookupQuery(ss, m)};
    QTest::newRow("batch earlier matches")
        << EarlierMatchesQuery(ss, QStringLiteral("alltype"), {QStringLiteral("mantype")},
                               {{m}, {QVariant()}, {m}}, lookups, {0, 1, 2})
        << QStringLiteral(
               "with qs_batch as (select 0 as j, N'会计' as mantype union all select 1 as j, "
               "cast(null as nvarchar(1)) as mantype union all select 2 as j, N'会计' as mantype) "
               "select 1 as k, j from (select * from qs_batch alltype  where mantype is null) m "
               "where j < 1 union all select 2 as k, j from (select * from qs_batch alltype  "
               "where mantype like '会计') m where j < 2");
    QTest::newRow("null key") << QuestionLookupQuery(ss, SyncDirection::Right, m, q, QVariant())
                              << QStringLiteral(
                                     "select * from timu where mantype like '会计' and QUESTION "
                                     "like '题一' and Qtype is null ");
}

void tst_SyncQueries::texts() {
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void tst_SyncQueries::columnCounts() {
    QCOMPARE(UserColumns().size(), 28);
    QCOMPARE(QuestionColumns().size(), 27);
    QCOMPARE(BankColumns().size(), 8);
    QCOMPARE(PurchaseColumns().size(), 6);
}

QTEST_GUILESS_MAIN(tst_SyncQueries)
#include "tst_SyncQueries.moc"
