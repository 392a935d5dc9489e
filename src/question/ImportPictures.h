#pragma once

#include <QSet>
#include <QString>
#include <QVector>

#include "question/PaperDocument.h"
#include "question/QuestionImport.h"

namespace qs {

// Where a batch import puts the pictures of its questions: a folder of its own under sysimg,
// so two instances importing from one program folder never write each other's files, and in it
// one folder per question holding the editor's slot files (PictureFileName). Null, with a
// message, when the folder cannot be made.
QString CreateImportFolder(const QString& programFolder, QString* error);
QString QuestionPictureFolder(const QString& importFolder, int question);

// Takes the picture marks out of a question's texts into its picture slots: each picture goes
// to the slot of the box it stands in (the question's, option A's … F's, the explanation's),
// to the first when several boxes hold it (a fill-in question's option A repeats its
// question), and a picture of the piece that no box holds (one in the answer line, in the
// options of a 判断题) to the explanation's. A picture in `unreadable` stays where it stood as
// kUnreadablePictureMark. A box left with nothing but pictures gets the editor's placeholder:
// "如右图N" for option N, "备注如图" for the explanation (also for "--"), and for the question
// "题目如图#" followed by the first eight hexadecimal digits of the MD5 of its pictures' bytes,
// so two questions that are only a picture stay apart in the duplicate check while the same
// paper imported again is found there.
void PlacePictures(ImportedQuestion& q, const PaperQuestion& piece,
                   const QVector<PaperPicture>& pictures, const QSet<int>& unreadable);

}  // namespace qs
