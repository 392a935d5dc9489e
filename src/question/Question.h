#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

namespace qs {

// The five question types, in the order of the editor's type boxes.
const QStringList& QuestionTypes();

// The question text as it is stored: ' becomes ‘, "A." to "D." lose their
// dot when any of them occurs, and every line feed and carriage return
// becomes one space.
QString NormaliseQuestionText(QString text);
// An option text as it is stored: line breaks removed, nothing in their place.
QString NormaliseOptionText(QString text);
// The question picture's path as it is looked up: "()" becomes "（   ）".
QString QuestionPicturePath(QString path);

// The picture columns, in the order they are filled.
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
const QString& PictureColumn(int slot);
// The option columns SA … SF, for i 0 … 5.
const QString& OptionColumn(int i);
// A text as the question columns store it: an empty box stores "", not NULL.
QVariant StoredText(const QString& text);

}  // namespace qs
