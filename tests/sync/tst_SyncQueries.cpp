#include <QTest>

#include "question/Question.h"
#include "sync/BatchLookup.h"
#include "sync/SyncPasses.h"
#include "sync/SyncQueries.h"

using namespace qs;
using namespace Qt::StringLiterals;

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
    const QVariant u(u"张三"_s), m(u"会计"_s), q(u"题一"_s), t(u"单选题"_s);
    QTest::newRow("users") << UsersLookupQuery(ss, u)
                           << u"select * from users  where username like N'张三'"_s;
    QTest::newRow("questions right")
        << QuestionLookupQuery(ss, SyncDirection::Right, m, q, t)
        << u"select * from timu where mantype like N'会计' and QUESTION like N'题一' and Qtype "
           "like N'单选题' "_s;
    QTest::newRow("questions left")
        << QuestionLookupQuery(ss, SyncDirection::Left, m, q, t)
        << u"select * from timu  where mantype like N'会计' and QUESTION like N'题一' and Qtype "
           "like N'单选题'"_s;
    // Only the first match is renamed: the oldest, on every server.
    QTest::newRow("bank names") << BankNameLookupQuery(ss, q)
                                << u"select * from timu where QUESTION like N'题一' order by id"_s;
    QTest::newRow("banks") << BankListLookupQuery(ss, m)
                           << u"select * from alltype  where mantype like N'会计'"_s;
    QTest::newRow("purchases")
        << PurchaseLookupQuery(ss, m, u)
        << u"select * from buylist where mantype like N'会计' and username like N'张三' "_s;
    QTest::newRow("sources") << QStringList{QuestionSourceQuery(SyncDirection::Right),
                                            QuestionSourceQuery(SyncDirection::Left),
                                            UsersSourceQuery(), BankListSourceQuery()}
                                    .join(u'|')
                             << u"select * from timu order by id desc|select * from timu  "
                                "order by id desc|select * from users |select * from alltype "_s;
    QTest::newRow("sqlserver quoted")
        << UsersLookupQuery(ss, u"o'neil_50%"_s)
        << u"select * from users  where username like N'o''neil[_]50[%]'"_s;
    // Each row of a batch keeps its own lookup text; a NULL key matches NULL.
    const QStringList lookups = {BankListLookupQuery(ss, m), BankListLookupQuery(ss, QVariant()),
                                 BankListLookupQuery(ss, m)};
    QTest::newRow("batch earlier matches")
        << EarlierMatchesQuery(ss, u"alltype"_s, {u"mantype"_s}, {{m}, {QVariant()}, {m}}, lookups,
                               {0, 1, 2})
        << u"with qs_batch as (select 0 as j, N'会计' as mantype union all select 1 as j, "
           "cast(null as nvarchar(1)) as mantype union all select 2 as j, N'会计' as mantype) "
           "select 1 as k, j from (select * from qs_batch alltype  where mantype is null) m "
           "where j < 1 union all select 2 as k, j from (select * from qs_batch alltype  "
           "where mantype like N'会计') m where j < 2"_s;
}

void tst_SyncQueries::texts() {
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void tst_SyncQueries::columnCounts() {
    QCOMPARE(UserColumns().size(), 28);
    QCOMPARE(QuestionColumnNames().size(), 27);
    QCOMPARE(BankColumns().size(), 8);
    QCOMPARE(PurchaseColumns().size(), 6);
}

QTEST_GUILESS_MAIN(tst_SyncQueries)
#include "tst_SyncQueries.moc"
