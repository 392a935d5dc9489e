#include "question/ImportPictures.h"

#include <QDir>
#include <QTemporaryDir>

#include "question/Question.h"

namespace qs {

QString CreateImportFolder(const QString& programFolder, QString* error) {
    const QString sysimg = programFolder + QStringLiteral("/sysimg");
    QTemporaryDir folder(sysimg + QStringLiteral("/import-XXXXXX"));
    if (!QDir().mkpath(sysimg) || !folder.isValid()) {
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


}  // namespace qs
