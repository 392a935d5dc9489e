#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "app/ProgramFolder.h"

using namespace qs;
using namespace Qt::StringLiterals;

// Where a portable copy and an installed copy keep their files, and whose
// servers.ini they read.
class tst_ProgramFolder : public QObject {
    Q_OBJECT
private slots:
    void choice_data();
    void choice();
};

void tst_ProgramFolder::choice_data() {
    // Folders are relative to a temporary directory unless absolute; "-" is none.
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("userData");
    QTest::addColumn<QStringList>("present");  // servers.ini files made beforehand
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("settings");
    const QString mine = u"data/qingsong-luru"_s;
    QTest::newRow("writable folder: portable")
        << u"bin"_s << u"data"_s << QStringList{u"etc"_s} << u"bin"_s << u"bin"_s;
    QTest::newRow("under /usr: per-user, office settings")
        << u"/usr/bin"_s << u"data"_s << QStringList{u"etc"_s} << mine << u"etc"_s;
    QTest::newRow("under /usr: the user's own servers.ini wins")
        << u"/usr/bin"_s << u"data"_s << QStringList{u"etc"_s, mine} << mine << mine;
    QTest::newRow("a folder no one can write, not even root")
        << u"/proc"_s << u"data/deeper"_s << QStringList{} << u"data/deeper/qingsong-luru"_s
        << u"etc"_s;
    QTest::newRow("per-user folder cannot be made")
        << u"/usr/bin"_s << u"file"_s << QStringList{} << u"-"_s << u"-"_s;
}

void tst_ProgramFolder::choice() {
    QFETCH(QString, executable);
    QFETCH(QString, userData);
    QFETCH(QStringList, present);
    QFETCH(QString, path);
    QFETCH(QString, settings);
    const QString mine = u"data/qingsong-luru"_s;
    QTemporaryDir tmp;
    auto at = [&](const QString& p) { return p.startsWith(u'/') ? p : tmp.filePath(p); };
    QVERIFY(QDir().mkpath(tmp.filePath(u"bin"_s)));
    QFile file(tmp.filePath(u"file"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (const QString& folder : present) {
        QVERIFY(QDir().mkpath(at(folder)));
        QFile ini(at(folder) + u"/servers.ini"_s);
        QVERIFY(ini.open(QIODevice::WriteOnly));
    }

    const ProgramFolder chosen = ChooseProgramFolder(at(executable), at(userData), at(u"etc"_s));
    if (path == u"-") {
        QCOMPARE(chosen.error,
                 u"无法创建个人文件夹 "_s + at(u"file/qingsong-luru"_s) +
                     u"，程序不能保存账号和本地题库。请检查这个文件夹的权限后重新启动。"_s);
        return;
    }
    QCOMPARE(chosen.error, QString());
    QCOMPARE(chosen.path, at(path));
    QCOMPARE(chosen.settingsFolder, at(settings));
    QVERIFY(QFileInfo(chosen.path).isDir());
    // A portable run leaves no per-user folder behind, and the probe no file.
    QCOMPARE(QFileInfo::exists(at(mine)), path == mine || present.contains(mine));
    QCOMPARE(QDir(at(u"bin"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

QTEST_GUILESS_MAIN(tst_ProgramFolder)
#include "tst_ProgramFolder.moc"
