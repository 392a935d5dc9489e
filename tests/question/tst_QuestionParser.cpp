#include <QTest>

#include "question/QuestionParser.h"

using namespace qs;
using namespace Qt::StringLiterals;

// The rows name only the fields that matter to them; GCC 12 warns about every field a C++20
// designated initialiser leaves to its default.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

Q_DECLARE_METATYPE(qs::ParserFields)
Q_DECLARE_METATYPE(qs::ParserTypeFlags)

namespace {

QStringList Describe(const ParserFields& f) {
    return {u"timu="_s + f.timu, u"SA="_s + f.SA, u"SB="_s + f.SB, u"SC="_s + f.SC,
            u"SD="_s + f.SD,     u"SE="_s + f.SE, u"SF="_s + f.SF, u"answer="_s + f.answer};
}

const ParserTypeFlags kNoType;
const ParserTypeFlags kSingle{.Check1 = true};
const ParserTypeFlags kTrueFalse{.Check3 = true};
const ParserTypeFlags kFillIn{.Check4 = true};
const ParserTypeFlags kApplication{.Check5 = true};

}  // namespace

class tst_QuestionParser : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<ParserFields>("before");
        QTest::addColumn<ParserTypeFlags>("types");
        QTest::addColumn<ParserFields>("expected");

        // The everyday cases run through the editor's paste test, double-click and all.
        QTest::newRow("multiple choice answer comes out sorted")
            << u"哪些是偶数？\r\nA．2\r\nB．3\r\nC．5\r\nD．4\r\n正确答案：DA"_s << ParserFields{}
            << kNoType
            << ParserFields{u"哪些是偶数？"_s, u"2"_s, u"3"_s, u"5"_s, u"4"_s, {}, {}, u"AD"_s};
        // An empty clipboard leaves everything, even with flags whose tail would rewrite the boxes.
        const ParserFields kept{u"题目如图 1"_s, {}, u"B."_s, {}, {}, {}, {}, {}};
        const ParserTypeFlags trueFalseFillIn{.Check3 = true, .Check4 = true};
        QTest::newRow("null clipboard") << QString() << kept << trueFalseFillIn << kept;
        QTest::newRow("empty clipboard") << u""_s << kept << trueFalseFillIn << kept;
        // Markers and normalisation.
        QTest::newRow("every marker spelling")
            << u"题A..甲B．乙C。丙D，丁E,戊F、己"_s << ParserFields{} << kNoType
            << ParserFields{u"题"_s, u"甲"_s, u"乙"_s, u"丙"_s, u"丁"_s, u"戊"_s, u"己"_s, {}};
        QTest::newRow("three dots become two") << u"题A...甲"_s << ParserFields{} << kNoType
                                               << ParserFields{.timu = u"题"_s, .SA = u".甲"_s};
        QTest::newRow("lower-case letter is no marker")
            << u"问a.小A.大"_s << ParserFields{} << kNoType
            << ParserFields{.timu = u"问a.小"_s, .SA = u"大"_s};
        QTest::newRow("own marker again ends the option")
            << u"哪个？A.选A.项B.乙"_s << ParserFields{} << kNoType
            << ParserFields{.timu = u"哪个？"_s, .SA = u"选"_s, .SB = u"乙"_s};
        QTest::newRow("options out of order")
            << u"题B.乙A.甲"_s << ParserFields{} << kNoType
            << ParserFields{.timu = u"题B.乙"_s, .SA = u"甲"_s, .SB = u"乙A甲"_s};
        QTest::newRow("option F ends at G, no stem without A")
            << u"Big题F.甲G.乙"_s << ParserFields{} << kNoType << ParserFields{.SF = u"甲"_s};
        QTest::newRow("marker at the very end empties the box")
            << u"题A."_s << ParserFields{.SA = u"旧"_s} << kNoType
            << ParserFields{.timu = u"题"_s, .SA = QString()};
        QTest::newRow("only CR LF is a line break")
            << u"题\n干\r\nA.甲\n\r\nB.乙"_s << ParserFields{} << kNoType
            << ParserFields{.timu = u"题\n干"_s, .SA = u"甲\n"_s, .SB = u"乙"_s};
        QTest::newRow("question marks vanish, full-width ones stay")
            << u"什么?？A.是?B.否"_s << ParserFields{} << kNoType
            << ParserFields{.timu = u"什么？"_s, .SA = u"是"_s, .SB = u"否"_s};
        QTest::newRow("plain branch turns question marks into spaces")
            << u"什么?？"_s << ParserFields{} << kNoType << ParserFields{.timu = u"什么 ？"_s};
        QTest::newRow("apostrophes become typographic")
            << u"It's A.x'y"_s << ParserFields{} << kNoType << ParserFields{u"It’s "_s, u"x’y"_s};
        QTest::newRow("characters outside the basic plane")
            << u"𠀀A.𠀁B.𠀂"_s << ParserFields{} << kNoType
            << ParserFields{.timu = u"𠀀"_s, .SA = u"𠀁"_s, .SB = u"𠀂"_s};
        QTest::newRow("dots go also from boxes the import did not fill")
            << u"题A.甲B.乙"_s << ParserFields{.SE = u"E.旧"_s, .SF = u"见A.项"_s} << kNoType
            << ParserFields{u"题"_s, u"甲"_s, u"乙"_s, {}, {}, u"E旧"_s, u"见A项"_s, {}};

        // Branch choice and the stem.
        QTest::newRow("a capital B alone takes the option branch")
            << u"Beijing is big?"_s << ParserFields{} << kFillIn << ParserFields{};
        QTest::newRow("capitals C to F alone stay plain")
            << u"CDEF?好"_s << ParserFields{} << kNoType << ParserFields{.timu = u"CDEF 好"_s};
        QTest::newRow("a stem already in the box is kept")
            << u"新题A.x"_s << ParserFields{.timu = u"已有"_s} << kNoType
            << ParserFields{.timu = u"已有"_s, .SA = u"x"_s};
        QTest::newRow("application question copies the stem into option A")
            << u"简述原因。答案：略"_s << ParserFields{.answer = u"任意"_s} << kApplication
            << ParserFields{.timu = u"简述原因。答案：略"_s,
                            .SA = u"简述原因。答案：略"_s,
                            .answer = u"任意"_s};
        QTest::newRow("application question keeps a filled option A")
            << u"简述"_s << ParserFields{.SA = u"参考"_s} << kApplication
            << ParserFields{.timu = u"简述"_s, .SA = u"参考"_s};
        QTest::newRow("true/false stem is the whole pre-passed text")
            << u"It's? A.对 B.错\r\n答案：B"_s << ParserFields{} << kTrueFalse
            << ParserFields{.timu = u"It’s? A对 B错\r\n答案：B"_s,
                            .SA = u"正确"_s,
                            .SB = u"错误"_s,
                            .answer = u"B"_s};

        // The answer.
        QTest::newRow("single choice without a letter ends empty")
            << u"对吗？A.对B.错\r\n答案：正确"_s << ParserFields{.answer = u"B"_s} << kSingle
            << ParserFields{.timu = u"对吗？"_s, .SA = u"对"_s, .SB = u"错"_s, .answer = QString()};
        QTest::newRow("fill-in keeps the first letter, lower case counts")
            << u"填A.x\r\n答案：dc"_s << ParserFields{} << kFillIn
            << ParserFields{.timu = u"填"_s, .SA = u"x"_s, .answer = u"C"_s};
        QTest::newRow("keyword inside the stem cuts everything after it")
            << u"本题答案在哪？A.这B.那\r\n答案：A"_s << ParserFields{} << kNoType
            << ParserFields{.answer = u"AB"_s};
        QTest::newRow("second keyword ends the answer")
            << u"题A.x\r\n答案：A 解析……答案二：C"_s << ParserFields{} << kNoType
            << ParserFields{.timu = u"题"_s, .SA = u"x"_s, .answer = u"A"_s};
        for (const QString& keyword :
             {u"参考答案"_s, u"标准答案"_s, u"本题答案"_s, u"此题答案"_s, u"笞案"_s}) {
            QTest::addRow("keyword %s", qPrintable(keyword))
                << u"题A.x\r\n"_s + keyword + u"：B"_s << ParserFields{} << kNoType
                << ParserFields{.timu = u"题"_s, .SA = u"x"_s, .answer = u"B"_s};
        }
    }

    void parse() {
        QFETCH(QString, clipboard);
        QFETCH(ParserFields, before);
        QFETCH(ParserTypeFlags, types);
        QFETCH(ParserFields, expected);
        QCOMPARE(Describe(ParsePastedQuestion(clipboard, before, types)), Describe(expected));
    }
};

QTEST_APPLESS_MAIN(tst_QuestionParser)
#include "tst_QuestionParser.moc"
