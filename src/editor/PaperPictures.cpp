#include "editor/PaperPictures.h"

#include <QDir>
#include <QFile>
#include <QImageReader>

#include "question/ImportPictures.h"
#include "widgets/PictureFiles.h"

namespace qs {

namespace {

constexpr int kThumbnailSide = 64;

}  // namespace

PaperPictures::PaperPictures(QVector<PaperPicture> pictures, QString folder)
    : pictures(std::move(pictures)), folder(std::move(folder)) {}

PaperPictures::~PaperPictures() {
    // The rows are gone: what was submitted is in the databases.
    if (!folder.isEmpty()) QDir(folder).removeRecursively();
}

bool WriteSlotFiles(ImportedQuestion& q, std::array<QVector<int>, kPictureSlots>& written,
                    int question, PaperPictures& pictures, bool* notSaved, QImage* thumbnail) {
    const QString folder = QuestionPictureFolder(pictures.folder, question);
    bool foundUnreadable = false, changed = false;
    *notSaved = false;
    for (int slot = 0; slot < kPictureSlots; ++slot) {
        const QVector<int>& want = q.pictures[size_t(slot)];
        const QString file = folder + QLatin1Char('/') + PictureFileName(slot);
        if (want != written[size_t(slot)]) {
            changed = true;
            QFile::remove(file);
            written[size_t(slot)].clear();
            QVector<PaperPicture> these;
            for (int p : want) these << pictures.pictures[p];
            QVector<int> bad;
            if (!want.isEmpty() && QDir().mkpath(folder) && SaveSlotPicture(these, file, &bad))
                written[size_t(slot)] = want;
            for (int b : bad) pictures.unreadable.insert(want[b]);
            foundUnreadable = foundUnreadable || !bad.isEmpty();
        }
        const bool saved = !want.isEmpty() && written[size_t(slot)] == want;
        q.question.picturePaths[size_t(slot)] = saved ? file : QString();
        *notSaved = *notSaved || (!want.isEmpty() && !saved);
    }
    if (changed || thumbnail->isNull()) {
        *thumbnail = QImage();
        for (const QString& path : q.question.picturePaths)
            if (!path.isEmpty()) {
                *thumbnail = SmallPicture(path, QSize(kThumbnailSide, kThumbnailSide));
                break;
            }
    }
    return foundUnreadable;
}

QImage SmallPicture(const QString& path, const QSize& size) {
    QImageReader reader(path);
    const QSize full = reader.size();
    // A JPEG decodes straight to the smaller size.
    if (full.isValid() && (full.width() > size.width() || full.height() > size.height()))
        reader.setScaledSize(full.scaled(size, Qt::KeepAspectRatio));
    return reader.read();
}

}  // namespace qs
