#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <array>

#include "question/QuestionSplitter.h"

namespace qs {

// One question of a paper as the batch import shows and submits it.
struct ImportedQuestion {
    int number = 0;
    QString qtype;  // one of the five type names
    QString question;
    std::array<QString, 6> options;  // SA .. SF
    QString answer;
};

// The type a question's own text suggests: an answer of two or more letters is 多选题; options
// or an answer of 正确/错误/对/错/√/× is 判断题; a question without options is 填空题; otherwise
// 单选题.
QString GuessQuestionType(const QString& text);

// Reads one question as the editor's paste does with that type's box ticked on an emptied
// window (so fill-in and application questions start from the answer "任意"). A true/false
// question is read without its answer line, and its answer is the option the answer names
// (正确, 对, √ or A: "A"; 错误, 错, × or B: "B"), not always "A".
ImportedQuestion ImportQuestion(const PaperQuestion& piece, const QString& qtype);

// What keeps a question from being added as it stands: "题目为空", "没有答案",
// "答案C没有对应选项", "选项A为空", "选项B为空" (not for fill-in and application questions).
QStringList QuestionFaults(const ImportedQuestion& q);

// The question text and answer the duplicate check compares, as the submit stores them.
QString StoredQuestionText(const QString& question);

// For each question, the index of an earlier one with the same stored text and answer, or -1.
QVector<int> FindRepeats(const QVector<ImportedQuestion>& questions);

}  // namespace qs
