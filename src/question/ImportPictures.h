#pragma once

#include <QString>

namespace qs {

// Where a batch import puts the pictures of its questions: a folder of its own under sysimg,
// so two instances importing from one program folder never write each other's files, and in it
// one folder per question holding the editor's slot files (PictureFileName). Null, with a
// message, when the folder cannot be made.
QString CreateImportFolder(const QString& programFolder, QString* error);
QString QuestionPictureFolder(const QString& importFolder, int question);

// The file of a picture slot, as the editor names it: qjpg.jpg, ajpg.jpg … fjpg.jpg, wjpg.jpg
// (slot as in Question.h's SubmitPicture).

}  // namespace qs
