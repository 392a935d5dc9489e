#include <QTest>

#include "bank/EditorQueries.h"
#include "bank/QuestionQueries.h"
#include "question/Question.h"

using namespace qs;
using namespace Qt::StringLiterals;

// With the SQL Server dialect and plain values the editor's query texts are
// the system's own, byte for byte; special characters are escaped, never pasted.
// The texts a submission stores are normalised as the operator sees them (the
// editor's submit test stores ‹It's A.B.› and a CR LF join as the operator types them).
class tst_EditorQueries : public QObject {
    Q_OBJECT
private slots:
    void texts_data() {
        const SqlDialect ss(Backend::SqlServer);
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("duplicate")
            << DuplicateQuery(ss, u"驾驶员题库"_s, u"红灯亮时应当怎样?"_s, u"A"_s)
            << u"select * from [timu] where mantype like N'驾驶员题库' and QUESTION like N'红灯亮时应当怎样?' and answer like N'A'"_s;
        QTest::newRow("duplicate escaped")
            << DuplicateQuery(ss, u"50%题库"_s, u"a_b[c]"_s, u"It's"_s)
            << u"select * from [timu] where mantype like N'50[%]题库' and QUESTION like N'a[_]b[[]c]' and answer like N'It''s'"_s;
        // What production sends: the submission's and the renumbering's numbering of one bank
        // and type, the deletions and the statistics.
        const QString cond = BankTypeCondition(ss, u"会计基础"_s, u"单选题"_s);
        QTest::newRow("bank and type")
            << cond << u"mantype like N'会计基础' and Qtype like N'单选题'"_s;
        const QString numbered =
            u"from [timu] t inner join (select id, case when rn > 32767 then 32767 else rn end "
            "as n from (select id, row_number() over (order by id) as rn from [timu] where "_s +
            cond + u") x) r on t.id = r.id"_s;
        QTest::newRow("submission numbers") << NumberRowsStatement(ss, cond)
                                            << u"update t set id2 = r.n "_s + numbered +
                                                   u" where (t.id2 is null or t.id2 <> r.n)"_s;
        QTest::newRow("count group")
            << CountWhere(ss, cond) << u"select count(*) from [timu] where "_s + cond;
        QTest::newRow("bank question ids")
            << BankQuestionIdsQuery(ss, u"会计基础"_s)
            << u"select id from [timu] where mantype like N'会计基础' order by id"_s;
        QTest::newRow("delete questions")
            << DeleteBankQuestionsStatement(ss, u"50%题库"_s, 3, 9)
            << u"delete from [timu] where id >= 3 and id <= 9 and mantype like N'50[%]题库'"_s;
        QTest::newRow("delete bank rows")
            << DeleteBankRowsStatement(ss, u"会计基础"_s)
            << u"delete from [alltype] where mantype like N'会计基础'"_s;
        // The statistics count by the deletions' rule, so they agree on a bank's rows.
        QTest::newRow("count") << CountBankQuestionsStatement(ss, u"O'Neil"_s)
                               << u"select count(*) from timu where mantype like N'O''Neil'"_s;
        // Texts too long for a like pattern are compared with "=" under the same rule.
        const QString longText(4001, u'长');
        QTest::newRow("long, SQL Server")
            << SqlDialect(Backend::SqlServer).matches(u"QUESTION"_s, longText)
            << u"(cast(QUESTION as nvarchar(max)) = N'"_s + longText +
                   u"' and datalength(cast(QUESTION as nvarchar(max))) = datalength(N'"_s +
                   longText + u"'))"_s;
        QTest::newRow("long, SQLite")
            << SqlDialect(Backend::Sqlite).matches(u"QUESTION"_s, QString(16667, u'长'))
            << u"QUESTION = '"_s + QString(16667, u'长') + u"' collate nocase"_s;
        QTest::newRow("not long, SQLite")
            << SqlDialect(Backend::Sqlite).matches(u"QUESTION"_s, QString(16666, u'长'))
            << u"QUESTION like '"_s + QString(16666, u'长') + u"'"_s;
        QTest::newRow("log") << LogQuery(ss) << u"select * from [rizi]  "_s;
        // A batch: its rows in the order given, the new ids read back without an output clause
        // of its own (refused on a table with a trigger).
        const QStringList cols{u"mantype"_s, u"QUESTION"_s};
        QTest::newRow("batch insert")
            << InsertRowsStatement(ss, u"timu"_s, cols, 2, true)
            << u"set nocount on; declare @ids table (id bigint); insert into [timu] (mantype, QUESTION) output inserted.id into @ids select mantype, QUESTION from (values (0, ?, ?), (1, ?, ?)) v (qs_row, mantype, QUESTION) order by qs_row; select id from @ids order by id"_s;
        QTest::newRow("batch insert, no ids")
            << InsertRowsStatement(ss, u"rizi"_s, cols, 2, false)
            << u"insert into [rizi] (mantype, QUESTION) values (?, ?), (?, ?)"_s;
        QTest::newRow("batch insert, PostgreSQL")
            << InsertRowsStatement(SqlDialect(Backend::PostgreSql), u"timu"_s, cols, 1, true)
            << u"insert into timu (mantype, QUESTION) values (?, ?) returning id"_s;
        const SqlDialect pg(Backend::PostgreSql);
        QTest::newRow("batch lookup")
            << DuplicateLookupQuery(pg, {DuplicateQuery(pg, u"会计"_s, u"甲"_s, u"A"_s),
                                         DuplicateQuery(pg, u"会计"_s, u"乙"_s, u"B"_s)})
            << u"select case when (mantype like '会计' and QUESTION like '甲' and answer like 'A') then 0 when (mantype like '会计' and QUESTION like '乙' and answer like 'B') then 1 end as k, id, id2 from timu where (mantype like '会计' and QUESTION like '甲' and answer like 'A') or (mantype like '会计' and QUESTION like '乙' and answer like 'B')"_s;
        // The answer and the explanation are cast, so text and ntext columns take it.
        NumberingChanges all;
        all.normaliseAnswer = all.keepTrueFalseWords = all.appendSpaceToWhy0 = true;
        QString letters;
        for (QChar c : u"ABCDEF"_s)
            letters += (c == u'A' ? u""_s : u" + "_s) +
                       u"case when charindex(N'%1', upper(coalesce(cast(t.answer as "
                       "nvarchar(max)), N'')) collate Latin1_General_BIN2) > 0 then N'%1' else "
                       "N'' end"_s.arg(c);
        QTest::newRow("renumber set-based")
            << NumberRowsStatement(ss, BankTypeCondition(ss, u"会计"_s, u"判断题"_s), all)
            << u"update t set id2 = r.n, answer = case when cast(t.answer as nvarchar(max)) in "
               "(N'正确', N'错误') then cast(t.answer as nvarchar(max)) else "_s +
                   letters +
                   u" end, why0 = coalesce(cast(t.why0 as nvarchar(max)), N'') + N' ' from "
                   "[timu] t inner join (select id, case when rn > 32767 then 32767 else rn end "
                   "as n from (select id, row_number() over (order by id) as rn from [timu] where "
                   "mantype like N'会计' and Qtype like N'判断题') x) r on t.id = r.id"_s;
        // The question browser: memo columns ordered through a prefix, pictures
        // measured without being read.
        QStringList search, pictures;
        for (const char* c : {"QUESTION", "SA", "SB", "SC", "SD", "SE", "SF", "why0"})
            search << QString::fromLatin1(c) + u" like N'%5[%]''%'"_s;
        for (const char* c : {"QJPG", "AJPG", "BJPG", "CJPG", "DJPG", "EJPG", "FJPG", "WJPG"})
            pictures << u"datalength("_s + QString::fromLatin1(c) + u") > 0"_s;
        QTest::newRow("browse, searched literally")
            << BrowseIdsQuery(ss, {u"会%计"_s, u"单选题"_s, u"5%'"_s, BrowseColumn::Question, true})
            << u"select id from [timu] where mantype like N'会[%]计' and Qtype like N'单选题' and ("_s +
                   search.join(u" or "_s) +
                   u") order by substring(QUESTION, 1, 200) desc, id desc"_s;
        QTest::newRow("browse rows")
            << BrowseRowsQuery(ss, {3, 5})
            << u"select id, id2, Qtype, substring(QUESTION, 1, 60), answer, nandu, adder, stime, "
               "case when "_s +
                   pictures.join(u" or "_s) +
                   u" then 1 else 0 end from [timu] where id in (3, 5)"_s;

        QTest::newRow("E. alone keeps its dot")
            << NormaliseQuestionText(u"见E.项"_s) << u"见E.项"_s;
        QTest::newRow("one dotted letter undots all")
            << NormaliseQuestionText(u"A.或E. D."_s) << u"A或E. D"_s;
        QTest::newRow("option line breaks vanish")
            << NormaliseOptionText(u"甲\r\n乙\n丙\r"_s) << u"甲乙丙"_s;
        QTest::newRow("question picture brackets")
            << QuestionPicturePath(u"D:\\img\\q().jpg"_s) << u"D:\\img\\q（   ）.jpg"_s;
        QTest::newRow("full-width brackets too")
            << QuestionPicturePath(u"q（）（）.jpg"_s) << u"q（   ）（   ）.jpg"_s;
    }
    void texts() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }
};

QTEST_GUILESS_MAIN(tst_EditorQueries)
#include "tst_EditorQueries.moc"
