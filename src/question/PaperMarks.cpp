#include "question/PaperMarks.h"

#include <algorithm>
#include <array>

namespace qs::paper {

namespace {

struct Label {
    QStringView word;
    Mark::Kind kind;
    bool strict;  // needs a colon or brackets, and no Chinese character before it
};

// Longer spellings first: at one place the first that counts wins.
constexpr Label kLabels[] = {
    {u"参考答案", Mark::Answer, false},      {u"正确答案", Mark::Answer, false},
    {u"标准答案", Mark::Answer, false},      {u"本题答案", Mark::Answer, false},
    {u"此题答案", Mark::Answer, false},      {u"答案解析", Mark::Explanation, false},
    {u"试题解析", Mark::Explanation, false}, {u"答案", Mark::Answer, false},
    {u"笞案", Mark::Answer, false},          {u"解析", Mark::Explanation, false},
    {u"难度", Mark::Difficulty, false},      {u"分析", Mark::Explanation, true},
    {u"详解", Mark::Explanation, true},      {u"解答", Mark::Explanation, true},
};

bool IsBreak(QChar c) {
    return c == u'\r' || c == u'\n';
}

QChar Closing(QChar open) {
    switch (open.unicode()) {
        case u'【':
            return u'】';
        case u'[':
            return u']';
        case u'〖':
            return u'〗';
        case u'（':
            return u'）';
        case u'(':
            return u')';
        default:
            return {};
    }
}

bool IsColon(QChar c) {
    return c == u'：' || c == u':';
}

qsizetype SkipBlanks(QStringView s, qsizetype i) {
    while (i < s.size() && IsBlank(s[i]) && !IsBreak(s[i])) ++i;
    return i;
}

// Where the labelled text starts when `label` at `at` counts as a label, else -1.
qsizetype LabelContent(QStringView s, qsizetype at, const Label& label, bool lineStart,
                       bool firstLine, qsizetype* start) {
    const qsizetype after = at + label.word.size();
    *start = at;
    if (at > 0 && after < s.size() && !Closing(s[at - 1]).isNull() &&
        s[after] == Closing(s[at - 1])) {
        *start = at - 1;
        qsizetype i = SkipBlanks(s, after + 1);
        if (i < s.size() && IsColon(s[i])) i = SkipBlanks(s, i + 1);
        return i;
    }
    if (label.strict && !lineStart && at > 0 && s[at - 1].isLetterOrNumber()) return -1;
    const qsizetype colon = SkipBlanks(s, after);
    if (colon < s.size() && IsColon(s[colon])) return SkipBlanks(s, colon + 1);
    if (!label.strict && lineStart && !firstLine) return colon;
    return -1;
}

int OptionLetter(QChar c) {
    if (c >= u'A' && c <= u'F') return c.unicode() - u'A';
    if (c >= u'Ａ' && c <= u'Ｆ') return c.unicode() - u'Ａ';
    return -1;
}

bool IsOptionSeparator(QChar c) {
    return c == u'.' || c == u'．' || c == u'。' || c == u'，' || c == u',' || c == u'、';
}

// A character that makes a following capital part of a word: "U.S.A.", "3A.", "BA."
bool IsWordCharacter(QChar c) {
    return (c.unicode() < 128 && (c.isLetterOrNumber() || c == u'.')) ||
           (c >= u'Ａ' && c <= u'ｚ') || (c >= u'０' && c <= u'９');
}

using Run = QVector<OptionMark>;

Run LongestRun(const QVector<OptionMark>& marks, bool boundaryOnly) {
    // The markers of each letter, in text order, so each step of a run is a binary search.
    std::array<QVector<OptionMark>, 6> byLetter;
    for (const OptionMark& m : marks)
        if (!boundaryOnly || m.boundary) byLetter[size_t(m.letter)] << m;
    Run best;
    for (const OptionMark& a : byLetter[0]) {
        Run run{a};
        for (size_t letter = 1; letter < byLetter.size(); ++letter) {
            const QVector<OptionMark>& list = byLetter[letter];
            const qsizetype from = run.last().content;
            const auto next = std::lower_bound(
                list.begin(), list.end(), from,
                [](const OptionMark& m, qsizetype position) { return m.start < position; });
            if (next == list.end()) break;
            run << *next;
        }
        if (run.size() >= best.size()) best = run;
    }
    return best;
}

}  // namespace

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\u3000' || c == u'\u00A0' || IsBreak(c) || c.isSpace();
}

QStringView Trimmed(QStringView text) {
    qsizetype first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.sliced(first, last - first);
}

QVector<Mark> FindMarks(QStringView s, bool questionStart) {
    QVector<Mark> marks;
    bool lineStart = true;
    bool firstLine = questionStart;
    for (qsizetype i = 0; i < s.size();) {
        const QChar c = s[i];
        if (IsBreak(c)) {
            lineStart = true;
            firstLine = false;
            ++i;
            continue;
        }
        if (IsBlank(c)) {
            ++i;
            continue;
        }
        qsizetype content = -1, start = i;
        Mark::Kind kind = Mark::Answer;
        for (const Label& label : kLabels) {
            if (!s.sliced(i).startsWith(label.word)) continue;
            content = LabelContent(s, i, label, lineStart, firstLine, &start);
            if (content >= 0) {
                kind = label.kind;
                break;
            }
        }
        lineStart = false;
        if (content >= 0) {
            marks << Mark{kind, start, content};
            i = content;
        } else {
            ++i;
        }
    }
    return marks;
}

QVector<OptionMark> FindOptionMarks(QStringView s) {
    QVector<OptionMark> marks;
    for (qsizetype i = 0; i + 1 < s.size(); ++i) {
        const int letter = OptionLetter(s[i]);
        if (letter < 0) continue;
        const bool bracketed =
            i > 0 && !Closing(s[i - 1]).isNull() && s[i + 1] == Closing(s[i - 1]);
        if (!bracketed && !IsOptionSeparator(s[i + 1])) continue;
        const qsizetype start = bracketed ? i - 1 : i;
        if (start > 0 && IsWordCharacter(s[start - 1])) continue;
        const bool boundary =
            start == 0 || IsBlank(s[start - 1]) || !s[start - 1].isLetterOrNumber();
        marks << OptionMark{letter, start, i + 2, boundary};
    }
    return marks;
}

QVector<OptionMark> OptionRun(QStringView text) {
    const QVector<OptionMark> marks = FindOptionMarks(text);
    Run run = LongestRun(marks, true);
    if (run.size() < 2) run = LongestRun(marks, false);
    return run;
}

}  // namespace qs::paper
