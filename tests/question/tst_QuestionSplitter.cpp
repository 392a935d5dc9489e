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
            out << QString::number(q.number) + u'|' + q.text;
        return out;
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
        QTest::newRow("a list inside a question does not cut it")
            << u"5. 说法：\n1、快\n2、慢\n6、第六个\n6. 下一题"_s
            << QStringList{u"5|说法：\r\n1、快\r\n2、慢"_s, u"6|第六个\r\n6. 下一题"_s};
        QTest::newRow("gaps up to nine")
            << u"1. 甲\n10. 乙\n20. 丙"_s << QStringList{u"1|甲"_s, u"10|乙\r\n20. 丙"_s};
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
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("type");          // empty: guessed
        QTest::addColumn<QStringList>("expected");  // type, question, A, B, C, answer, faults
        // The guess reads the answer's leading letters; the parser, as in the editor, every
        // letter after the keyword, of which a single-choice question keeps the first.
        QTest::newRow("one letter: single choice")
            << u"问？\r\nA.甲\r\nB.乙\r\n答案：B。解析：A项错误"_s << QString()
            << QStringList{u"单选题"_s, u"问？"_s, u"甲"_s, u"乙"_s, {}, u"A"_s, {}};
        QTest::newRow("letters apart: multiple choice")
            << u"问A.甲B.乙C.丙答案：c、a"_s << QString()
            << QStringList{u"多选题"_s, u"问"_s, u"甲"_s, u"乙"_s, u"丙"_s, u"AC"_s, {}};
        QTest::newRow("true/false by its answer, answer 错误 is B")
            << u"鱼会飞。\r\n答案：错误"_s << QString()
            << QStringList{u"判断题"_s, u"鱼会飞。"_s, u"正确"_s, u"错误"_s, {}, u"B"_s, {}};
        QTest::newRow("true/false by its options")
            << u"水是湿的 A.对 B.错 答案：A"_s << QString()
            << QStringList{u"判断题"_s, u"水是湿的 "_s, u"正确"_s, u"错误"_s, {}, u"A"_s, {}};
        QTest::newRow("true/false without a known answer")
            << u"鱼会飞。答案：不知道"_s << u"判断题"_s
            << QStringList{u"判断题"_s, u"鱼会飞。"_s, u"正确"_s, u"错误"_s, {}, {}, u"没有答案"_s};
        QTest::newRow("no options: fill-in answers anything")
            << u"首都是____?"_s << QString()
            << QStringList{u"填空题"_s, u"首都是____ "_s, u"首都是____ "_s, {}, {}, u"任意"_s, {}};
        QTest::newRow("chosen type: single keeps one letter")
            << u"问A.甲B.乙答案：AB"_s << u"单选题"_s
            << QStringList{u"单选题"_s, u"问"_s, u"甲"_s, u"乙"_s, {}, u"A"_s, {}};
        QTest::newRow("answer letter without option")
            << u"问A.甲B.乙答案：D"_s << QString()
            << QStringList{u"单选题"_s,           u"问"_s, u"甲"_s, u"乙"_s, {}, u"D"_s,
                           u"答案D没有对应选项"_s};
        QTest::newRow("no question, no answer")
            << u"A.甲B.乙"_s << QString()
            << QStringList{u"单选题"_s, {}, u"甲"_s, u"乙"_s, {}, {}, u"题目为空；没有答案"_s};
        QTest::newRow("option B missing")
            << u"问A.甲答案：A"_s << QString()
            << QStringList{u"单选题"_s, u"问"_s, u"甲"_s, {}, {}, u"A"_s, u"选项B为空"_s};
    }
    void import() {
        QFETCH(QString, text);
        QFETCH(QString, type);
        QFETCH(QStringList, expected);
        const PaperQuestion piece{1, text};
        const ImportedQuestion q =
            ImportQuestion(piece, type.isEmpty() ? GuessQuestionType(text) : type);
        QCOMPARE((QStringList{q.qtype, q.question, q.options[0], q.options[1], q.options[2],
                              q.answer, QuestionFaults(q).join(u"；"_s)}),
                 expected);
    }

    void repeatsCompareTheStoredText() {
        const auto q = [](const QString& text, const QString& answer) {
            ImportedQuestion i;
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
