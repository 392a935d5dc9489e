#include <QTest>

#include "question/QuestionImport.h"
#include "question/QuestionSplitter.h"

using namespace qs;
using namespace Qt::StringLiterals;

// Cutting a paper into questions, and reading each with a type; the batch import's window test
// runs a whole mixed paper through both.
class tst_QuestionSplitter : public QObject {
    Q_OBJECT
    static QStringList pieces(const QString& paper) {
        QStringList out;
        for (const PaperQuestion& q : SplitQuestions(paper))
            out << QString::number(q.number) + (q.outOfSequence ? u"!|"_s : u"|"_s) + q.text;
        return out;
    }
    // Number, type, question, options, answer, difficulty, explanation, flags and refusal.
    static QString read(const ImportedQuestion& q) {
        Question k = q.question;
        QStringList options(k.options.begin(), k.options.end());
        while (!options.isEmpty() && options.last().isEmpty()) options.removeLast();
        k.bank = u"题库"_s;
        QStringList flags = PaperFlags(q) << RefusalText(RefusalOf(k));
        flags.removeAll(QString());
        return QStringList{QString::number(q.number),
                           k.qtype,
                           k.question,
                           options.join(u'/'),
                           k.answer,
                           k.nandu,
                           k.why0,
                           flags.join(u"；"_s)}
            .join(u'|');
    }

private slots:
    void split_data() {
        QTest::addColumn<QString>("paper");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("only blanks") << u" \r\n\u3000\n\t"_s << QStringList();
        QTest::newRow("every spelling, lines joined by CR LF")
            << u"1. 甲\n乙\r\n2、丙\r３．丁\n一、二\n（4）戊\n(5)己\n二、三\n第6题：庚\n第7题辛"_s
            << QStringList{u"1|甲\r\n乙"_s, u"2|丙"_s, u"3|丁"_s, u"4|戊"_s,
                           u"5|己"_s,       u"6|庚"_s, u"7|辛"_s};
        QTest::newRow("a style of its own is a new part of the question")
            << u"1. 案例\n（1）问一\n（2）问二\n2. 下一题"_s
            << QStringList{u"1|案例\r\n（1）问一\r\n（2）问二"_s, u"2|下一题"_s};
        QTest::newRow("a list inside a question does not cut it, a number repeated is flagged")
            << u"5. 说法：\n1、快\n2、慢\nA. 1 B. 2\n6、第六个\n6. 下一题"_s
            << QStringList{u"5|说法：\r\n1、快\r\n2、慢\r\nA. 1 B. 2"_s,
                           u"6!|第六个\r\n6. 下一题"_s};
        QTest::newRow("numbers restarting or jumping far before any answer are flagged")
            << u"1. 甲\n2. 乙\n1. 丙\n2. 丁\n3. 戊\n二、填空\n1. 己\n15. 庚"_s
            << QStringList{u"1|甲"_s, u"2!|乙\r\n1. 丙\r\n2. 丁\r\n3. 戊"_s, u"1!|己\r\n15. 庚"_s};
        QTest::newRow("gaps up to nine before the answer")
            << u"1. 甲\n10. 乙\n20. 丙"_s << QStringList{u"1|甲"_s, u"10!|乙\r\n20. 丙"_s};
        QTest::newRow("after the answer any number starts a question")
            << u"1. 甲 答案：A\n2. 乙\n答案：B\n14. 丙 答案：C\n多选题\n1. 丁 答案：D"_s
            << QStringList{u"1|甲 答案：A"_s, u"2|乙\r\n答案：B"_s, u"14!|丙 答案：C\r\n多选题"_s,
                           u"1!|丁 答案：D"_s};
        QTest::newRow("after the options another style starts a question")
            << u"1. 甲？A.x B.y\n（2）乙？\nA.x\nB.y\n(5) 丙\n答案：\n（1）第一问"_s
            << QStringList{u"1|甲？A.x B.y"_s, u"2|乙？\r\nA.x\r\nB.y"_s,
                           u"5!|丙\r\n答案：\r\n（1）第一问"_s};
        QTest::newRow("decimals and years are no numbers")
            << u"1. 长度\n1.5米\n2019.10.1\n2. 下一题"_s
            << QStringList{u"1|长度\r\n1.5米\r\n2019.10.1"_s, u"2|下一题"_s};
        QTest::newRow("headings restart and are dropped")
            << u"试卷标题\n一、单选题\n1. 甲\n2. 乙\n二、多选题（每题2分）\n（1）丙\n（2）丁"_s
            << QStringList{u"0|试卷标题"_s, u"1|甲"_s, u"2|乙"_s, u"1|丙"_s, u"2|丁"_s};
        QTest::newRow("a long line starting 一、 is text")
            << u"1. 甲\n一、这一行很长，不是标题，而是题目里的一句话，所以它留在第一题里面，和上面一行连在一起继续说下去"_s
            << QStringList{
                   u"1|甲\r\n一、这一行很长，不是标题，而是题目里的一句话，所以它留在第一题里面，和上面一行连在一起继续说下去"_s};
        QTest::newRow("no numbers: blank lines")
            << u"甲\nA.1\n\n\n  \n乙\r\n\r\n丙"_s
            << QStringList{u"1|甲\r\nA.1"_s, u"2|乙"_s, u"3|丙"_s};
        QTest::newRow("zero is no number") << u"0.\n\n乙"_s << QStringList{u"1|0."_s, u"2|乙"_s};
        QTest::newRow("number without text") << u"1.\n2. 乙"_s << QStringList{u"1|"_s, u"2|乙"_s};
        QTest::newRow("five digits are no number")
            << u"12345. 甲\n\n乙"_s << QStringList{u"1|12345. 甲"_s, u"2|乙"_s};
    }
    void split() {
        QFETCH(QString, paper);
        QFETCH(QStringList, expected);
        QCOMPARE(pieces(paper), expected);
    }

    void import_data() {
        QTest::addColumn<QString>("paper");
        QTest::addColumn<QString>("type");          // empty: guessed
        QTest::addColumn<QStringList>("expected");  // read()
        QTest::newRow("the answer line's letters only, explanation kept")
            << u"问？\r\nA.甲\r\nB.乙\r\n答案：B。解析：A项错误，C项也错误。"_s << QString()
            << QStringList{u"1|单选题|问？|甲/乙|B|普通|A项错误，C项也错误。|"_s};
        QTest::newRow("letters before the explanation: multiple choice")
            << u"问A.甲B.乙C.丙D.丁答案：BD / 解析：A错误，C错误。"_s << QString()
            << QStringList{u"1|多选题|问|甲/乙/丙/丁|BD|普通|A错误，C错误。|"_s};
        QTest::newRow("text after the letters is explanation")
            << u"问？\nA. 维生素B、C\nB. 乙\nC. 丙\n【答案】C（A、B均不符合题意）\n难度：较难\n分析：丙对"_s
            << QString()
            << QStringList{
                   u"1|单选题|问？|维生素B、C/乙/丙|C|困难|（A、B均不符合题意）\r\n丙对|"_s};
        QTest::newRow("true/false by its answer, answer 错误 is B")
            << u"鱼会飞?\r\n答案：错误"_s << QString()
            << QStringList{u"1|判断题|鱼会飞?|正确/错误|B|普通|--|"_s};
        QTest::newRow("true/false by its options, A is the paper's option")
            << u"水是干的 A.错误 B.正确 答案：A"_s << QString()
            << QStringList{u"1|判断题|水是干的|正确/错误|B|普通|--|"_s};
        QTest::newRow("true/false without a known answer")
            << u"鱼会飞。答案：不知道"_s << u"判断题"_s
            << QStringList{u"1|判断题|鱼会飞。|正确/错误||普通|不知道|答案不能为空"_s};
        QTest::newRow("fill-in: the answer in option A, the question without it")
            << u"首都是____?\n答案：北京\n见课本\n解析：京城"_s << QString()
            << QStringList{u"1|填空题|首都是____?|北京|任意|普通|见课本\r\n京城|"_s};
        QTest::newRow("fill-in without an answer carries its question")
            << u"首都是____?"_s << u"应用题"_s
            << QStringList{u"1|应用题|首都是____?|首都是____?|任意|普通|--|"_s};
        QTest::newRow("chosen type: single takes one letter")
            << u"问A.甲B.乙答案：AB"_s << u"单选题"_s
            << QStringList{u"1|单选题|问|甲/乙|AB|普通|--|单选题只能有一个答案"_s};
        QTest::newRow("answer letter without option")
            << u"问A.甲B.乙答案：D"_s << QString()
            << QStringList{u"1|单选题|问|甲/乙|D|普通|--|答案D没有对应选项"_s};
        QTest::newRow("no question, no answer")
            << u"A.甲B.乙"_s << QString()
            << QStringList{u"1|单选题||甲/乙||普通|--|没有找到答案；题目不能为空"_s};
        QTest::newRow("option B missing")
            << u"问A.甲答案：A"_s << QString()
            << QStringList{u"1|单选题|问|甲|A|普通|--|选项B不能为空"_s};
        QTest::newRow("junk and text outside the numbers")
            << u"%%%%\n\n试卷\n1. 问？A、B两地 A.甲 B.乙 答案：A\n答案：B\n2. %%"_s << QString()
            << QStringList{u"0|填空题|%%%%试卷|%%%%试卷|任意|普通|--|没有题号"_s,
                           u"1|单选题|问？A、B两地|甲/乙|A|普通|答案：B|有多处答案"_s,
                           u"2|填空题|%%|%%|任意|普通|--|题目里没有文字"_s};
    }
    void import() {
        QFETCH(QString, paper);
        QFETCH(QString, type);
        QFETCH(QStringList, expected);
        QStringList questions;
        for (const PaperQuestion& piece : SplitQuestions(paper))
            questions << read(ReadQuestion(piece, type));
        QCOMPARE(questions, expected);
    }

    void repeatsCompareTheStoredText() {
        const auto q = [](const QString& text, const QString& answer) {
            Question i;
            i.question = text;
            i.answer = answer;
            return i;
        };
        QCOMPARE(FindRepeats({q(u"It's A.甲"_s, u"A"_s), q(u"It‘s A甲"_s, u"A"_s),
                              q(u"It‘s A甲"_s, u"B"_s), q(u"行一\r\n行二"_s, u"A"_s),
                              q(u"行一\n\r行二"_s, u"A"_s)}),
                 (QVector<int>{-1, 0, -1, -1, 3}));
    }
};

QTEST_GUILESS_MAIN(tst_QuestionSplitter)
#include "tst_QuestionSplitter.moc"
