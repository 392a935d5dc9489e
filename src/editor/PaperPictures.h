#pragma once

#include <QImage>
#include <QSet>
#include <QString>
#include <QVector>
#include <array>

#include "question/PaperDocument.h"
#include "question/Question.h"
#include "question/QuestionImport.h"

namespace qs {

// The pictures of the paper a preview was read from, and the folder (CreateImportFolder) that
// holds their slot files, removed with this, once no row uses it.
struct PaperPictures {
    PaperPictures(QVector<PaperPicture> pictures, QString folder);
    ~PaperPictures();
    PaperPictures(const PaperPictures&) = delete;
    PaperPictures& operator=(const PaperPictures&) = delete;

    const QVector<PaperPicture> pictures;
    const QString folder;
    QSet<int> unreadable;  // the pictures Qt's image readers could not decode
};

// The slot files of one question (QuestionPictureFolder(folder, `question`)) as its slots now
// hold pictures (q.pictures): a slot whose pictures changed since they were `written` gets its
// file anew, or loses it; q's picture paths name the files there are. Pictures found that
// cannot be decoded join `pictures.unreadable`: true when any did, and the question should be
// read again. `*notSaved` tells whether a slot lacks its file; `*thumbnail` is the first
// file's picture, small.
bool WriteSlotFiles(ImportedQuestion& q, std::array<QVector<int>, kPictureSlots>& written,
                    int question, PaperPictures& pictures, bool* notSaved, QImage* thumbnail);

// A picture file read to fit `size` (in pixels), for showing; null when it cannot be read.
QImage SmallPicture(const QString& path, const QSize& size);

}  // namespace qs
