#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <array>
#include <functional>

#include "question/Question.h"
#include "question/QuestionSplitter.h"
#include "question/SheetReader.h"

namespace qs {

// One question of a paper as the batch import reads it: the question the writer will take, and
// what the paper leaves in doubt.
struct ImportedQuestion {
    int number = 0;               // the paper's number; 0 for text outside a numbered question
    bool outOfSequence = false;   // the number does not follow the one before (the splitter's)
    bool answerFound = false;     // the paper gives an answer line
    bool severalAnswers = false;  // it gives more than one: questions run together, perhaps
    QString unknownType;          // a sheet's 题型 that names no type (the type was guessed)
    Question question;            // without bank and adder
    // The paper's pictures (indices into its document's) each picture slot shows, once
    // PlacePictures has taken them out of the texts.
    std::array<QVector<int>, kPictureSlots> pictures;

    bool operator==(const ImportedQuestion&) const = default;
};

// Reads a question of a paper as `qtype`, or, when `qtype` is empty, as the type its text
// suggests: an answer of two or more letters is 多选题; an answer 正确/对/√ or 错误/错/×, or
// the two options 正确/错误, 对/错 or √/×, is 判断题; a question with options is 单选题; one
// without is 填空题.
//
// The text up to the first label ("答案：", "【解析】", "难度：" …) is the question and its
// options (A to F in order, the last such run). The answer is read from its label's line only:
// its leading option letters ("B" of "B。解析：A项错误", "C" of "C（A、B均不符合题意）"), in
// alphabetical order; for 判断题 the option that 正确/对/√ (A) or 错误/错/× (B) names, or the
// letter, mapped through the paper's own options when they are 正确/错误 the other way round.
// Fill-in and application questions take the answer "任意" and carry the paper's answer line in
// option A, or the question text when the paper gives none, as the editor does. The explanation
// (解析, 分析 … lines, and the lines after the answer line) goes into why0, "--" when there is
// none; 难度 into nandu: 困难 for 困难, 难, 较难, 偏难, 很难, 稍难, 高, 较高 or
// four stars and more, 普通 for anything else. Texts keep the paper's characters ("?" included):
// the writer stores them as AsStored() says; question and option texts lose their line breaks
// and surrounding blanks.
ImportedQuestion ReadQuestion(const PaperQuestion& piece, const QString& qtype = {});

// A row of a sheet read as `qtype`; when `qtype` is empty, as its 题型 cell names it ("单选题",
// "单选", "单项选择题" …), or, when that is empty or names no type, as its cells suggest, as for
// a paper. Its cells are the parts of a question the paper's labels mark: the answer cell is
// the answer line, read as a paper's is.
ImportedQuestion ReadQuestion(const SheetQuestion& row, const QString& qtype = {});

// A question read again as another type, keeping the operator's corrections: a field the
// operator changed (it differs from the source's reading) stays as he left it, unless the new
// type reads the source differently for it or decides it alone (the options of 判断题, options B
// to F and the answer of fill-in and application questions). Bank and adder stay. `read` reads
// the source as a type.
using QuestionReading = std::function<ImportedQuestion(const QString& qtype)>;
ImportedQuestion ReadAgainAs(const QuestionReading& read, const ImportedQuestion& current,
                             const QString& qtype);

// What to look at before adding the question, beyond the refusal of RefusalOf(): "没有题号",
// "题号不连续", "题目里没有文字", "没有找到答案" (while the answer is empty), "有多处答案",
// "答案X没有对应选项", "单选题只能有一个答案" / "判断题只能有一个答案", "题型“X”无法识别",
// and kUncheckedMarkFlag while a text holds an equation's or an unreadable picture's mark.
// Checks the question as it is now, so an edit is checked again.
QStringList PaperFlags(const ImportedQuestion& q);

// For each question, the index of an earlier one that the duplicate check takes for the same
// (bank, stored text and answer), or -1.
QVector<int> FindRepeats(const QVector<Question>& questions);

}  // namespace qs
