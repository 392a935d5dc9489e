#include "app/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace qs {

namespace {

// Writable means a file can be made there: permission bits say yes to root
// even on folders such as /proc or a read-only mount.
bool CanWrite(const QString& folder) {
    QTemporaryFile probe(folder + QStringLiteral("/.write-test-XXXXXX"));
    return probe.open();
}

bool Portable(const QString& executableFolder) {
    const QString folder = QDir::cleanPath(executableFolder);
    if (folder == u"/usr" || folder.startsWith(u"/usr/")) return false;
    return CanWrite(folder);
}

}  // namespace

ProgramFolder ChooseProgramFolder(const QString& executableFolder, const QString& userDataFolder,
                                  const QString& officeSettingsFolder) {
    ProgramFolder chosen;
    if (Portable(executableFolder)) {
        chosen.path = QDir::cleanPath(executableFolder);
        chosen.settingsFolder = chosen.path;
        return chosen;
    }
    chosen.path = QDir::cleanPath(userDataFolder + QStringLiteral("/qingsong-luru"));
    if (userDataFolder.isEmpty() || !QDir().mkpath(chosen.path) || !CanWrite(chosen.path)) {
        chosen.error = QStringLiteral(
                           "无法创建个人文件夹 %1，程序不能保存账号和本地题库。"
                           "请检查这个文件夹的权限后重新启动。")
                           .arg(QDir::toNativeSeparators(chosen.path));
        return chosen;
    }
    chosen.settingsFolder = QFileInfo::exists(chosen.path + QStringLiteral("/servers.ini"))
                                ? chosen.path
                                : QDir::cleanPath(officeSettingsFolder);
    return chosen;
}

ProgramFolder ChooseProgramFolder() {
    return ChooseProgramFolder(
        QCoreApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
        QStringLiteral("/etc/qingsong-luru"));
}

}  // namespace qs
