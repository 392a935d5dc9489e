#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <array>

namespace qs {

// The five question types, in the order of the editor's type boxes.
const QStringList& QuestionTypes();

// The picture slots of a question, in the order they are filled.
enum SubmitPicture {
    kQuestionPicture,
    kPictureA,
    kPictureB,
    kPictureC,
    kPictureD,
    kPictureE,
    kPictureF,
    kExplanationPicture,
    kPictureSlots
};
// The picture column of a slot: QJPG, AJPG … FJPG, WJPG.
const QString& PictureColumn(int slot);
// The JPEG file of a slot in a picture folder: qjpg.jpg, ajpg.jpg … wjpg.jpg.
QString PictureFileName(int slot);

// The texts an operator writes into a question, one per column.
enum class QuestionField {
    Bank,
    Type,
    Text,
    OptionA,
    OptionB,
    OptionC,
    OptionD,
    OptionE,
    OptionF,
    Answer,
    Nandu,
    Why0,
    Adder,
};
constexpr int kQuestionFields = int(QuestionField::Adder) + 1;

// One question as plain data: what a window shows, a paper holds and the writer stores.
struct Question {
    QString bank;                    // mantype
    QString qtype;                   // Qtype: one of QuestionTypes(), or empty
    QString question;                // QUESTION
    std::array<QString, 6> options;  // SA … SF
    QString answer;
    QString nandu;
    QString why0;
    QString adder;
    // The JPEG file of each picture slot; empty when the slot has no picture.
    std::array<QString, kPictureSlots> picturePaths;

    QString& field(QuestionField f);
    const QString& field(QuestionField f) const;
    bool operator==(const Question&) const = default;
};

// Every column of timu the tool knows, declared once, in the order the synchronisation copies
// them. A new column of every question is one row of this table (and, for a column the
// operator writes, one QuestionField).
struct QuestionColumn {
    enum class Kind {
        Field,       // a QuestionField: written by every writer, read by every loader
        Picture,     // a picture slot's bytes
        Number,      // id2, the sequence number within the bank and type
        CopiedOnly,  // kept for the quiz application: only the synchronisation copies it
    };
    QString name;
    Kind kind;
    int index = 0;  // the QuestionField or the picture slot
};
const QVector<QuestionColumn>& QuestionColumns();
// The column of a field: mantype, Qtype, QUESTION, SA … SF, answer, nandu, why0, adder.
const QString& FieldColumn(QuestionField f);
// The option columns SA … SF, for i 0 … 5.
const QString& OptionColumn(int i);
// Every column's name, in the table's order.
QStringList QuestionColumnNames();

// The question text as it is stored: ' becomes ‘, "A." to "D." lose their
// dot when any of them occurs, and every line feed and carriage return
// becomes one space.
QString NormaliseQuestionText(QString text);
// An option text as it is stored: line breaks removed, nothing in their place.
QString NormaliseOptionText(QString text);
// The question as it is stored: its text and its options normalised, and the question
// picture's path as it is looked up.
Question AsStored(Question q);
// The question text the duplicate check compares: as stored, without apostrophes.
QString LookupText(const QString& question);
// The question picture's path as it is looked up: "()" becomes "（   ）".
QString QuestionPicturePath(QString path);

// A text as the question columns store it: an empty box stores "", not NULL.
QVariant StoredText(const QString& text);
// The value a field's column stores: its text, except a type that was not chosen (NULL).
QVariant StoredValue(const Question& q, QuestionField f);

// Fill-in and application questions carry their answer as text; the others as option letters.
bool TakesTextAnswer(const QString& qtype);

// Why a question may not be added, in the order the editor checks: its first refusal, or
// None. One rule for the editor, the question window and the batch import.
enum class Refusal { None, NoBank, NoQuestion, NoAnswer, NoOptionA, NoOptionB };
Refusal RefusalOf(const Question& q);
// "题库不能为空", "题目不能为空", "答案不能为空", "选项A不能为空", "选项B不能为空".
QString RefusalText(Refusal r);

}  // namespace qs
