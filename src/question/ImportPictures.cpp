#include "question/ImportPictures.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>

#include "question/Question.h"

namespace qs {

QString CreateImportFolder(const QString& programFolder, QString* error) {
    const QString sysimg = programFolder + QStringLiteral("/sysimg");
    // sysimg first: the folder is made in it.
    const bool made = QDir().mkpath(sysimg);
    QTemporaryDir folder(sysimg + QStringLiteral("/import-XXXXXX"));
    if (!made || !folder.isValid()) {
        *error = QStringLiteral("无法在 ") + sysimg +
                 QStringLiteral(" 里建立存放导入图片的文件夹，请检查 sysimg 文件夹是否可以写入。");
        return {};
    }
    folder.setAutoRemove(false);
    return folder.path();
}

QString QuestionPictureFolder(const QString& importFolder, int question) {
    return importFolder + QLatin1Char('/') + QString::number(question);
}

void PlacePictures(ImportedQuestion& q, const PaperQuestion& piece,
                   const QVector<PaperPicture>& pictures, const QSet<int>& unreadable) {
    Question& k = q.question;
    for (QVector<int>& slot : q.pictures) slot.clear();
    const QString mark = PictureMark(0).left(1);
    if (!piece.text.contains(mark)) return;
    const bool optionRepeatsQuestion = TakesTextAnswer(k.qtype) && k.options[0] == k.question;
    QString* const boxes[kPictureSlots] = {&k.question,   &k.options[0], &k.options[1],
                                           &k.options[2], &k.options[3], &k.options[4],
                                           &k.options[5], &k.why0};
    QSet<int> placed;
    for (int slot = 0; slot < kPictureSlots; ++slot) {
        QString& text = *boxes[slot];
        if (!text.contains(mark)) continue;
        for (int p : unreadable) text.replace(PictureMark(p), kUnreadablePictureMark.toString());
        const MarkedText taken = TakePictureMarks(text);
        text = taken.text;
        for (int p : taken.pictures)
            if (p < pictures.size() && !placed.contains(p)) {
                q.pictures[slot] << p;
                placed.insert(p);
            }
    }
    for (int p : TakePictureMarks(piece.text).pictures)
        if (p < pictures.size() && !placed.contains(p) && !unreadable.contains(p)) {
            q.pictures[kExplanationPicture] << p;
            placed.insert(p);
        }

    if (k.question.isEmpty() && !q.pictures[kQuestionPicture].isEmpty()) {
        QCryptographicHash md5(QCryptographicHash::Md5);
        for (int p : q.pictures[kQuestionPicture]) md5.addData(pictures[p].bytes);
        k.question =
            QStringLiteral("题目如图#") + QString::fromLatin1(md5.result().toHex().left(8));
    }
    for (int i = 0; i < 6; ++i)
        if (k.options[size_t(i)].isEmpty() && !q.pictures[kPictureA + i].isEmpty())
            k.options[size_t(i)] = QStringLiteral("如右图") + QString::number(i + 1);
    if ((k.why0.isEmpty() || k.why0 == u"--") && !q.pictures[kExplanationPicture].isEmpty())
        k.why0 = QStringLiteral("备注如图");
    if (optionRepeatsQuestion) k.options[0] = k.question;
}

}  // namespace qs
