// Times the paste parser on pasted texts of about one megabyte, in shapes an operator produces
// (a whole exam paper, one long stem) and in shapes that maximise the work of every
// replacement and marker search. Each shape is parsed several times; prints min and median.
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <algorithm>
#include <cstdio>

#include "question/QuestionParser.h"

using namespace qs;
using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kSize = 1024 * 1024;  // UTF-16 code units: over 1 MB in any encoding
constexpr int kRuns = 7;

QString Repeat(const QString& unit) {
    QString text;
    text.reserve(kSize + unit.size());
    while (text.size() < kSize) text += unit;
    text.truncate(kSize);
    return text;
}

struct Shape {
    const char* name;
    QString text;
    ParserTypeFlags types;
    ParserFields before;
};

}  // namespace

int main() {
    const ParserFields empty;
    const ParserFields picture{u"题目如图2026/12/8 10:00:00"_s, u"A.旧"_s, {}, {}, {}, {}, {}, {}};
    const QString paper =
        u"1. 下列关于安全生产的说法，哪项是正确的？\r\nA、生产经营单位可以不设安全员\r\n"
        u"B、从业人员有权拒绝违章指挥\r\nC、安全培训可以免除\r\nD、事故可以迟报\r\n"
        u"参考答案：B\r\n解析：依据第五十一条。\r\n\r\n"_s;
    const QList<Shape> shapes = {
        {"exam paper, single choice", Repeat(paper), {.Check1 = true}, empty},
        {"exam paper, true/false", Repeat(paper), {.Check3 = true}, empty},
        {"exam paper, picture stem", Repeat(paper), {}, picture},
        {"one long stem, no capitals",
         Repeat(u"这是一段很长的题干，没有选项？为什么?\r\n"_s),
         {.Check4 = true},
         empty},
        {"English text",
         Repeat(u"Which of these isn't a Bird? A. Bat B. Bee C. Cat "_s),
         {},
         empty},
        {"markers only", Repeat(u"A.B.C.D.E.F.G."_s), {}, empty},
        {"every marker spelling", Repeat(u"A、B，C,D。E．F..?'"_s), {}, empty},
        {"answer keywords everywhere", Repeat(u"参考答案AB正确答案笞案CD此题答案"_s), {}, empty},
        {"line breaks", Repeat(u"A.\r\n\r\nB.\r\n"_s), {.Check5 = true}, empty},
        {"option A without its end", u"A."_s + Repeat(u"选项文字\r\n"_s), {}, empty},
    };

    std::printf("%-30s %10s %10s   (%lld UTF-16 code units, %d runs)\n", "shape", "min ms",
                "median ms", static_cast<long long>(kSize), kRuns);
    qsizetype sink = 0;
    for (const Shape& shape : shapes) {
        QList<double> times;
        for (int run = 0; run < kRuns; ++run) {
            QElapsedTimer timer;
            timer.start();
            const ParserFields f = ParsePastedQuestion(shape.text, shape.before, shape.types);
            times.append(timer.nsecsElapsed() / 1e6);
            sink += f.timu.size() + f.SA.size() + f.SF.size() + f.answer.size();
        }
        std::sort(times.begin(), times.end());
        std::printf("%-30s %10.2f %10.2f\n", shape.name, times.first(), times[kRuns / 2]);
    }
    std::printf("(checksum %lld)\n", static_cast<long long>(sink));
    return 0;
}
