#include <QTest>

#include "editor/EditorQueries.h"
#include "editor/QuestionQueries.h"
#include "editor/Renumbering.h"
#include "editor/Submission.h"

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
        QTest::newRow("submit group")
            << SubmitGroupQuery(ss, u"会计基础"_s, u"单选题"_s)
            << u"select * from [timu] where mantype like N'会计基础' and Qtype like N'单选题' order by id"_s;
        QTest::newRow("submit group, no type")
            << SubmitGroupQuery(ss, u"会计基础"_s, QString())
            << u"select * from [timu] where mantype like N'会计基础' and Qtype like N'' order by id"_s;
        const QStringList types = Renumbering::types();
        for (const QString& t : types)
            QTest::newRow(qPrintable(u"renumber "_s + t))
                << RenumberTypeQuery(ss, u"会计基础"_s, t)
                << u"select * from  [timu] where mantype like N'会计基础' and  Qtype like N'"_s +
                       t + u"'   order by id "_s;
        QTest::newRow("bank questions")
            << BankQuestionsQuery(ss, u"会计基础"_s)
            << u"select * from [timu] where mantype like N'会计基础' order by id"_s;
        QTest::newRow("bank rows") << BankRowsQuery(ss, u"会计基础"_s)
                                   << u"select * from [alltype] where mantype like N'会计基础'"_s;
        QTest::newRow("count") << CountQuestionsQuery(ss, u"会计基础"_s)
                               << u"select * from timu where mantype=N'会计基础'  "_s;
        QTest::newRow("count with apostrophe")
            << CountQuestionsQuery(ss, u"O'Neil"_s)
            << u"select * from timu where mantype=N'O''Neil'  "_s;
        QTest::newRow("log") << LogQuery(ss) << u"select * from [rizi]  "_s;
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
               "case when "_s + pictures.join(u" or "_s) +
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
