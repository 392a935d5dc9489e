#pragma once

#include <QString>
#include <QStringView>
#include <QVector>

// The labels and option markers of a question in a paper, shared by the splitter (which needs to
// know where a question is complete) and the reader.
namespace qs::paper {

// A label that starts a part of a question: "答案：", "【解析】", "难度：" …
struct Mark {
    enum Kind { Answer, Explanation, Difficulty };
    Kind kind = Answer;
    qsizetype start = 0;    // where the label starts
    qsizetype content = 0;  // where the text it labels starts, blanks skipped
};

// The labels in `text`, left to right. A label counts when it is bracketed ("【答案】"), followed
// by a colon ("答案：", "分析:"), or, for the answer, explanation and difficulty labels, starts a
// line ("答案 B"), except the question's first line when `questionStart`. "分析", "详解" and
// "解答" always need a colon or brackets and must not follow a Chinese character, so "请分析："
// stays in the question.
QVector<Mark> FindMarks(QStringView text, bool questionStart = true);

// An option marker: a capital A to F (also full-width) followed by "." "．" "。" "，" "," "、"
// or enclosed in "()" "（）". Not after a Latin letter, a digit or a dot ("U.S.A." is no marker).
struct OptionMark {
    int letter = 0;  // 0 for A … 5 for F
    qsizetype start = 0;
    qsizetype content = 0;  // just after the marker
    bool boundary = false;  // at a line start or after a blank or punctuation
};
QVector<OptionMark> FindOptionMarks(QStringView text);

// The options of a question: the longest run of markers A, B, C … in order (later runs win a
// tie, so "A、B两地……？A.10 B.20" keeps the last run); runs whose markers stand at boundaries
// first, so "维生素B、C" inside option A does not cut it. Empty when there is no "A" marker.
QVector<OptionMark> OptionRun(QStringView text);

bool IsBlank(QChar c);
// `text` without blanks at either end (spaces, tabs, full-width spaces, line breaks).
QStringView Trimmed(QStringView text);

}  // namespace qs::paper
