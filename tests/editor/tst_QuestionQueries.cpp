#include <QTest>

#include "editor/QuestionQueries.h"

using namespace qs;
using namespace Qt::StringLiterals;

// The browser's texts on SQL Server, where no test server runs: the bank and
// the searched text match only themselves, memo columns are ordered through
// a prefix, pictures are measured without being read.
class tst_QuestionQueries : public QObject {
    Q_OBJECT
private slots:
    void sqlServerListing() {
        const SqlDialect d{Backend::SqlServer};
        const QString like = u" like '%5[%]''%'"_s;
        QStringList search;
        for (const char* c : {"QUESTION", "SA", "SB", "SC", "SD", "SE", "SF", "why0"})
            search << QString::fromLatin1(c) + like;
        QCOMPARE(
            BrowseIdsQuery(d, {u"会%计"_s, u"单选题"_s, u"5%'"_s, BrowseColumn::Question, true}),
            u"select id from [timu] where mantype like '会[%]计' and Qtype like '单选题' and ("_s +
                search.join(u" or "_s) + u") order by substring(QUESTION, 1, 200) desc, id desc"_s);
        QStringList pictures;
        for (const char* c : {"QJPG", "AJPG", "BJPG", "CJPG", "DJPG", "EJPG", "FJPG", "WJPG"})
            pictures << u"datalength("_s + QString::fromLatin1(c) + u") > 0"_s;
        QCOMPARE(BrowseRowsQuery(d, {3, 5}),
                 u"select id, id2, Qtype, substring(QUESTION, 1, 60), answer, nandu, adder, stime, "
                 "case when "_s +
                     pictures.join(u" or "_s) +
                     u" then 1 else 0 end from [timu] where id in (3, 5)"_s);
    }
};

QTEST_GUILESS_MAIN(tst_QuestionQueries)
#include "tst_QuestionQueries.moc"
