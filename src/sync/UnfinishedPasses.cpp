#include "sync/UnfinishedPasses.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace qs {

namespace {

QSet<QString>& inMemory() {
    static QSet<QString> passes;
    return passes;
}

}  // namespace

UnfinishedPasses::UnfinishedPasses(const QString& programFolder)
    : file_(programFolder.isEmpty() ? QString() : QDir(programFolder).filePath(fileName())) {}

QString UnfinishedPasses::fileName() {
    return QStringLiteral("未完成的同步.txt");
}

bool UnfinishedPasses::contains(const QString& pass) const {
    return read().contains(pass);
}

void UnfinishedPasses::mark(const QString& pass) {
    QSet<QString> passes = read();
    if (passes.contains(pass)) return;
    passes.insert(pass);
    write(passes);
}

void UnfinishedPasses::clear(const QString& pass) {
    QSet<QString> passes = read();
    if (!passes.remove(pass)) return;
    write(passes);
}

QSet<QString> UnfinishedPasses::read() const {
    if (file_.isEmpty()) return inMemory();
    QSet<QString> passes;
    QFile f(file_);
    if (f.open(QIODevice::ReadOnly))
        for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')))
            if (!line.trimmed().isEmpty()) passes.insert(line.trimmed());
    return passes;
}

void UnfinishedPasses::write(const QSet<QString>& passes) const {
    if (file_.isEmpty()) {
        inMemory() = passes;
        return;
    }
    QStringList lines(passes.begin(), passes.end());
    lines.sort();
    QSaveFile f(file_);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
        f.commit();
    }
}

}  // namespace qs
