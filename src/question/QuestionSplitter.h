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
    // Its number is not the one after the question before: the numbering jumps, starts again
    // without a heading, or changes style.
    bool outOfSequence = false;
};

// Cuts a paper into questions. A question starts at a line that begins with its number:
// "1." "1．" "1、" "（1）" "(1)" or "第1题" (digits ASCII or full-width). Until a question has
// its answer or its options, only the next number, or one up to 9 further in the section's style,
// starts the next question, so a list "1、2、" or "（1）（2）" inside a question does not cut it;
// after that any number does (2 → 14, a new 1 after an unknown heading) and is marked out of
// sequence unless it is the next one. A heading line such as "二、多选题" ends the question before
// it, is dropped, and lets the numbering start again. A paper without such numbers is cut at blank
// lines. Line breaks may be "\r\n", "\n" or "\r". Runs in time linear in the text's length.
QVector<PaperQuestion> SplitQuestions(const QString& paper);

}  // namespace qs
