#include <QTest>

#include "question/Question.h"
#include "sync/PassLookups.h"
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
    // A batch meets the target in one join; a NULL key, or one too long for
    // LIKE, keeps a lookup of its own. Earlier rows of the batch: the batch
    // joined with itself once.
    const QString longText(4001, u'长');
    QTest::newRow("batch presence")
        << PresenceQuery(ss, u"alltype"_s, {u"mantype"_s}, {{m}, {QVariant()}, {longText}})
        << u"select distinct v.k from (values (0, N'会计')) as v(k, c0) inner join alltype t on "
           "t.mantype like v.c0 union all select 1 as k where exists (select * from alltype "
           "where mantype is null) union all select 2 as k where exists (select * from alltype "
           "where (cast(mantype as nvarchar(max)) = N'"_s +
               longText + u"' and datalength(cast(mantype as nvarchar(max))) = datalength(N'"_s +
               longText + u"')))"_s;
    QTest::newRow("batch earlier matches")
        << EarlierMatchesQuery(ss, {u"mantype"_s}, {{m}, {QVariant()}, {u"5%"_s}})
        << u"with qs_batch as (select * from (values (0, N'会计', N'会计'), (1, cast(null as "
           "nvarchar(1)), cast(null as nvarchar(1))), (2, N'5%', N'5[%]')) as v(k, v0, p0)) "
           "select b.k, a.k from qs_batch a inner join qs_batch b on a.k < b.k and (b.p0 is not "
           "null and a.v0 like b.p0 or b.p0 is null and (b.v0 is null and a.v0 is null or b.v0 "
           "is not null and (a.v0 = b.v0 and datalength(a.v0) = datalength(b.v0))))"_s;
    // Twice the rows, twice the text: 500 rows' three lookups against 250 rows'.
    auto size = [&](int rows) {
        QVector<QVector<QVariant>> keys;
        for (int i = 0; i < rows; ++i) keys << QVector<QVariant>{m, u"第%1题"_s.arg(i % 100), t};
        const QStringList cols{u"mantype"_s, u"QUESTION"_s, u"Qtype"_s};
        return PresenceQuery(ss, u"timu"_s, cols, keys).size() +
               MatchesQuery(ss, u"timu"_s, cols, keys, {u"t.id"_s, u"t.mantype"_s}).size() +
               EarlierMatchesQuery(ss, cols, keys).size();
    };
    QTest::newRow("linear in the batch")
        << QString::number(qRound(10.0 * size(500) / size(250))) << u"20"_s;
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
