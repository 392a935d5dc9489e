#include "bank/GroupLocks.h"

#include <QCryptographicHash>
#include <QMap>

#include "db/DbError.h"

namespace qs {

namespace {

QString folded(const QString& name) {
    QString s = name.normalized(QString::NormalizationForm_KC).toCaseFolded();
    while (!s.isEmpty() && s.back().isSpace()) s.chop(1);
    return s;
}

QByteArray key(const QString& kind, const QString& bank, const QString& type = {}) {
    const QString named = kind + QChar(0) + folded(bank) + QChar(0) + folded(type);
    return QCryptographicHash::hash(named.toUtf8(), QCryptographicHash::Sha256);
}

}  // namespace

QString LockRefusedText(const QString& bank, const QString& type) {
    const int seconds = (DbEnvironment::current().lockWaitMs + 999) / 1000;
    return QStringLiteral("题库【") + bank + QStringLiteral("】") + type +
           QStringLiteral("正在被另一个录入程序写入，等了 ") + QString::number(seconds) +
           QStringLiteral(" 秒还没有轮到，这次没有写入任何内容。请稍后再试。");
}

std::unique_ptr<WriteTransaction> BeginLocked(Connection& server, const QSet<QuestionGroup>& groups,
                                              const QList<Statement>& then,
                                              QList<ReadRows>* thenResults) {
    // Each kind in the order of its keys (a QMap's).
    QMap<QByteArray, QuestionGroup> banks, locks;
    for (const QuestionGroup& g : groups) {
        banks.insert(key(QStringLiteral("bank"), g.bank), {g.bank, {}});
        locks.insert(key(QStringLiteral("group"), g.bank, g.type), g);
    }
    QVector<AppLock> all;
    for (auto it = banks.cbegin(); it != banks.cend(); ++it)
        all.append({it.key(), true, LockRefusedText(it->bank, it->type)});
    for (auto it = locks.cbegin(); it != locks.cend(); ++it)
        all.append({it.key(), false, LockRefusedText(it->bank, it->type)});
    const QuestionGroup named = groups.isEmpty() ? QuestionGroup{} : *groups.cbegin();
    return std::make_unique<WriteTransaction>(server, all, then, thenResults,
                                              LockRefusedText(named.bank, named.type));
}

std::unique_ptr<WriteTransaction> BeginLockedBank(Connection& server, const QString& bank) {
    const QString refused = LockRefusedText(bank, {});
    return std::make_unique<WriteTransaction>(
        server, QVector<AppLock>{{key(QStringLiteral("bank"), bank), false, refused}},
        QList<Statement>{}, nullptr, refused);
}

}  // namespace qs
