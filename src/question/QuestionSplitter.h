#pragma once

#include <QString>
#include <QVector>

namespace qs {

// One question cut out of a whole paper, ready for the paste parser.
struct PaperQuestion {
    // The paper's own number ("3" of "3、"), or the piece's place when the paper has no
    // numbers; 0 for text that stands before the first numbered question.
    int number = 0;
    // The question without its number, lines joined by "\r\n", surrounding blanks trimmed.
    QString text;
};

// Cuts a paper into questions. A question starts at a line that begins with its number:
// "1." "1．" "1、" "（1）" "(1)" or "第1题" (digits ASCII or full-width), each number greater
// than the one before by at most 9, so a list "1、2、" inside a question does not cut it. A
// heading line such as "二、多选题" ends the question before it, is dropped, and lets the
// numbering start again. A paper without such numbers is cut at blank lines. Line breaks may be
// "\r\n", "\n" or "\r". Runs in time linear in the text's length.
QVector<PaperQuestion> SplitQuestions(const QString& paper);

}  // namespace qs
