#include <QTest>

#include "editor/EditorQueries.h"
#include "editor/Renumbering.h"
#include "editor/Submission.h"

using namespace qs;
using namespace Qt::StringLiterals;

// With the SQL Server dialect and plain values the editor's query texts are
// the system's own, byte for byte; special characters are escaped, never pasted.
// The texts a submission stores are normalised as the operator sees them.
class tst_EditorQueries : public QObject {
    Q_OBJECT
private slots:
    void systemTexts_data();
    void systemTexts();
    void storedTexts_data();
    void storedTexts();
};

void tst_EditorQueries::systemTexts_data() {
    const SqlDialect ss(Backend::SqlServer);
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("duplicate")
        << DuplicateQuery(ss, u"驾驶员题库"_s, u"红灯亮时应当怎样?"_s, u"A"_s)
        << u"select * from [timu] where mantype like '驾驶员题库' and QUESTION like '红灯亮时应当怎样?' and answer like 'A'"_s;
    QTest::newRow("duplicate escaped")
        << DuplicateQuery(ss, u"50%题库"_s, u"a_b[c]"_s, u"It's"_s)
        << u"select * from [timu] where mantype like '50[%]题库' and QUESTION like 'a[_]b[[]c]' and answer like 'It''s'"_s;
    QTest::newRow("submit group")
        << SubmitGroupQuery(ss, u"会计基础"_s, u"单选题"_s)
        << u"select * from [timu] where mantype like '会计基础' and Qtype like '单选题' order by id"_s;
    QTest::newRow("submit group, no type")
        << SubmitGroupQuery(ss, u"会计基础"_s, QString())
        << u"select * from [timu] where mantype like '会计基础' and Qtype like '' order by id"_s;
    const QStringList types = Renumbering::types();
    for (const QString& t : types)
        QTest::newRow(qPrintable(u"renumber "_s + t))
            << RenumberTypeQuery(ss, u"会计基础"_s, t)
            << u"select * from  [timu] where mantype like '会计基础' and  Qtype like '"_s + t +
                   u"'   order by id "_s;
    QTest::newRow("bank questions")
        << BankQuestionsQuery(ss, u"会计基础"_s)
        << u"select * from [timu] where mantype like '会计基础' order by id"_s;
    QTest::newRow("bank rows") << BankRowsQuery(ss, u"会计基础"_s)
                               << u"select * from [alltype] where mantype like '会计基础'"_s;
    QTest::newRow("count") << CountQuestionsQuery(ss, u"会计基础"_s)
                           << u"select * from timu where mantype='会计基础'  "_s;
    QTest::newRow("count with apostrophe") << CountQuestionsQuery(ss, u"O'Neil"_s)
                                           << u"select * from timu where mantype='O''Neil'  "_s;
    QTest::newRow("log") << LogQuery(ss) << u"select * from [rizi]  "_s;
}

void tst_EditorQueries::systemTexts() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

void tst_EditorQueries::storedTexts_data() {
    QTest::addColumn<int>("kind");  // 0 question, 1 option, 2 picture path
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("stored");
    // The editor's submit test stores ‹It's A.B.› and a CR LF join as the operator types them.
    QTest::newRow("E. alone keeps its dot") << 0 << u"见E.项"_s << u"见E.项"_s;
    QTest::newRow("one dotted letter undots all") << 0 << u"A.或E. D."_s << u"A或E. D"_s;
    QTest::newRow("option line breaks vanish") << 1 << u"甲\r\n乙\n丙\r"_s << u"甲乙丙"_s;
    QTest::newRow("question picture brackets")
        << 2 << u"D:\\img\\q().jpg"_s << u"D:\\img\\q（   ）.jpg"_s;
    QTest::newRow("full-width brackets too") << 2 << u"q（）（）.jpg"_s << u"q（   ）（   ）.jpg"_s;
}

void tst_EditorQueries::storedTexts() {
    QFETCH(int, kind);
    QFETCH(QString, input);
    QFETCH(QString, stored);
    const QString out = kind == 0   ? NormaliseQuestionText(input)
                        : kind == 1 ? NormaliseOptionText(input)
                                    : QuestionPicturePath(input);
    QCOMPARE(out, stored);
}

QTEST_GUILESS_MAIN(tst_EditorQueries)
#include "tst_EditorQueries.moc"
