#include "question/QuestionSplitter.h"

#include <QStringView>
#include <array>

#include "question/PaperMarks.h"

namespace qs {

namespace {

using paper::IsBlank;

// Before its answer or options, a question's number grows by at most this much to the next one:
// a deleted question leaves a gap, a year or a count at the start of a line inside a question
// does not cut it.
constexpr int kLargestStep = 9;
constexpr int kMostDigits = 4;
// A heading is a short line; a longer one is a question that happens to start "一、".
constexpr qsizetype kLongestHeading = 40;

enum class Style { None, Plain, Parenthesised, Spelled };

struct Line {
    qsizetype start = 0;
    qsizetype end = 0;  // without its line break
    bool blank = true;
    bool heading = false;
    Style style = Style::None;
    int number = 0;
    qsizetype content = 0;  // where the text after the number starts
};

int DigitValue(QChar c) {
    if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
    if (c >= u'０' && c <= u'９') return c.unicode() - u'０';
    return -1;
}

// Reads 1 to kMostDigits digits at `at`; the position after them, or -1.
qsizetype ReadNumber(QStringView s, qsizetype at, int& number) {
    number = 0;
    qsizetype i = at;
    while (i < s.size() && DigitValue(s[i]) >= 0) {
        if (i - at == kMostDigits) return -1;
        number = number * 10 + DigitValue(s[i]);
        ++i;
    }
    return i == at ? -1 : i;
}

void ReadNumberMark(QStringView s, qsizetype at, Line& line) {
    int n = 0;
    const QChar c = s[at];
    if (DigitValue(c) >= 0) {
        const qsizetype after = ReadNumber(s, at, n);
        if (after < 0 || after >= s.size()) return;
        const QChar sep = s[after];
        if (sep == u'.' || sep == u'．') {
            // "1.5米" is a number inside the text, not a question number.
            if (after + 1 < s.size() && DigitValue(s[after + 1]) >= 0) return;
        } else if (sep != u'、') {
            return;
        }
        line.style = Style::Plain;
        line.content = after + 1;
    } else if (c == u'（' || c == u'(') {
        const qsizetype after = ReadNumber(s, at + 1, n);
        if (after < 0 || after >= s.size() || (s[after] != u'）' && s[after] != u')')) return;
        line.style = Style::Parenthesised;
        line.content = after + 1;
    } else if (c == u'第') {
        const qsizetype after = ReadNumber(s, at + 1, n);
        if (after < 0 || after >= s.size() || s[after] != u'题') return;
        qsizetype content = after + 1;
        if (content < s.size()) {
            const QChar sep = s[content];
            if (sep == u'、' || sep == u'.' || sep == u'．' || sep == u'：' || sep == u':')
                ++content;
        }
        line.style = Style::Spelled;
        line.content = content;
    } else {
        return;
    }
    // Papers count from 1; "0." is text, and 0 stays the mark of text outside any question.
    if (n == 0) {
        line.style = Style::None;
        return;
    }
    line.number = n;
}

bool IsHeading(QStringView s, qsizetype at, qsizetype trimmedLength) {
    static const QStringView numerals = u"一二三四五六七八九十";
    qsizetype i = at;
    while (i < s.size() && i - at < 3 && numerals.contains(s[i])) ++i;
    if (i == at || i >= s.size()) return false;
    const QChar sep = s[i];
    return (sep == u'、' || sep == u'.' || sep == u'．') && trimmedLength <= kLongestHeading;
}

QVector<Line> ReadLines(QStringView s) {
    QVector<Line> lines;
    qsizetype start = 0;
    while (start <= s.size()) {
        qsizetype end = start;
        while (end < s.size() && s[end] != u'\n' && s[end] != u'\r') ++end;
        Line line;
        line.start = start;
        line.end = end;
        qsizetype first = start;
        while (first < end && IsBlank(s[first])) ++first;
        qsizetype last = end;
        while (last > first && IsBlank(s[last - 1])) --last;
        line.blank = first == end;
        if (!line.blank) {
            const QStringView text = s.first(end);
            line.heading = IsHeading(text, first, last - first);
            if (!line.heading) ReadNumberMark(text, first, line);
        }
        lines << line;
        if (end == s.size()) break;
        start = end + (s[end] == u'\r' && end + 1 < s.size() && s[end + 1] == u'\n' ? 2 : 1);
    }
    return lines;
}

// Joins lines [from, to) into one question, the first from `firstColumn` on.
QString Join(QStringView s, const QVector<Line>& lines, int from, int to, qsizetype firstColumn) {
    QString text;
    for (int i = from; i < to; ++i) {
        if (i > from) text += QStringLiteral("\r\n");
        const qsizetype begin = i == from ? firstColumn : lines[i].start;
        text += s.sliced(begin, lines[i].end - begin);
    }
    return paper::Trimmed(text).toString();
}

// Whether a line completes the question it belongs to: it gives the answer, or options from B on.
bool Completes(QStringView line, bool questionStart) {
    const QVector<paper::Mark> marks = paper::FindMarks(line, questionStart);
    for (qsizetype m = 0; m < marks.size(); ++m) {
        const qsizetype end = m + 1 < marks.size() ? marks[m + 1].start : line.size();
        if (marks[m].kind == paper::Mark::Answer &&
            !paper::Trimmed(line.sliced(marks[m].content, end - marks[m].content)).isEmpty())
            return true;
    }
    for (const paper::OptionMark& o : paper::FindOptionMarks(line))
        if (o.letter == 1) return true;
    return false;
}

}  // namespace

QVector<PaperQuestion> SplitQuestions(const QString& paper) {
    const QStringView s(paper);
    const QVector<Line> lines = ReadLines(s);

    // Which numbered lines start a question. A numbered line that does not start one is a list
    // inside the question ("1、快" "2、慢" before the options); a question whose answer or
    // options have come is complete, and any number after it starts the next question.
    QVector<bool> starts(lines.size(), false);
    QVector<bool> outOfSequence(lines.size(), false);
    bool anyStart = false;
    int previous = -1;  // -1: a new section, any number may start it
    Style style = Style::None;
    bool complete = false;
    std::array<int, 4> list{};  // per style, the last number of a list inside the question
    // A number of the section's own style that does not start a question stays in the question
    // before it. A list counting from 1 followed by the question's options or answer is part of
    // the question; any other such number may be a question whose numbering restarted or jumped,
    // so its question is flagged, never merged unseen.
    int current = -1;       // the line that starts the question being read
    bool openList = false;  // a list counting from 1 with no options or answer after it yet
    const auto closeQuestion = [&] {
        if (openList && current >= 0) outOfSequence[current] = true;
        openList = false;
    };
    for (int i = 0; i < lines.size(); ++i) {
        const Line& l = lines[i];
        if (l.heading) {
            closeQuestion();
            current = -1;
            previous = -1;
            style = Style::None;
            continue;
        }
        if (l.style != Style::None) {
            // Within a section the numbers keep the style of its first one: "（2）" inside
            // question 1 of a "1." paper is a part of that question until the question is
            // complete. "1." and "1、" count as one style.
            const bool sameStyle = style == Style::None || style == l.style;
            const bool next = l.number == previous + 1;
            int& listed = list[size_t(l.style)];
            const bool continuesList = listed > 0 && l.number == listed + 1;
            bool start = previous < 0, jump = false;
            if (!start && (!continuesList || (complete && sameStyle))) {
                const bool gap = l.number > previous && l.number <= previous + kLargestStep;
                start = next || complete || (sameStyle && gap);
                jump = start && !next;
            }
            if (start) {
                closeQuestion();
                starts[i] = anyStart = true;
                outOfSequence[i] = jump;
                current = i;
                previous = l.number;
                if (style == Style::None) style = l.style;
                complete = false;
                list = {};
            } else {
                if (sameStyle && (l.number == 1 || continuesList))
                    openList = true;
                else if (sameStyle && current >= 0)
                    outOfSequence[current] = true;
                listed = l.number;
            }
        }
        if (!l.blank && previous >= 0) {
            const qsizetype from = starts[i] ? l.content : l.start;
            if (Completes(s.sliced(from, l.end - from), starts[i])) {
                complete = true;
                openList = false;
            }
        }
    }
    closeQuestion();

    QVector<PaperQuestion> out;
    if (!anyStart) {
        // No numbers: blank lines (and headings) separate the questions.
        int from = -1;
        for (int i = 0; i <= lines.size(); ++i) {
            const bool ends = i == lines.size() || lines[i].blank || lines[i].heading;
            if (ends && from >= 0) {
                out << PaperQuestion{int(out.size()) + 1,
                                     Join(s, lines, from, i, lines[from].start), false};
                from = -1;
            } else if (!ends && from < 0) {
                from = i;
            }
        }
        return out;
    }

    // Text outside any numbered question (before the first, or after a heading) is kept as a
    // question of number 0, so nothing pasted disappears unseen.
    int from = -1;
    for (int i = 0; i <= lines.size(); ++i) {
        const bool ends = i == lines.size() || lines[i].heading || starts[i];
        if (!ends) {
            if (from < 0 && !lines[i].blank) from = i;
            continue;
        }
        if (from >= 0) {
            const bool numbered = starts[from];
            const QString text =
                Join(s, lines, from, i, numbered ? lines[from].content : lines[from].start);
            if (numbered || !text.isEmpty())
                out << PaperQuestion{numbered ? lines[from].number : 0, text,
                                     numbered && outOfSequence[from]};
        }
        from = i < lines.size() && starts[i] ? i : -1;
    }
    return out;
}

}  // namespace qs
