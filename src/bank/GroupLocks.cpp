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

// Takes the locks in the order of their keys (a QMap's), naming the group of one refused.
void take(WriteTransaction& tx, const QMap<QByteArray, QuestionGroup>& locks, bool shared) {
    for (auto it = locks.cbegin(); it != locks.cend(); ++it) {
        try {
            tx.lock(it.key(), shared);
        } catch (const LockNotGranted&) {
            throw LockNotGranted(LockRefusedText(it->bank, it->type));
        }
    }
}

}  // namespace

QString LockRefusedText(const QString& bank, const QString& type) {
    const int seconds = (DbEnvironment::current().lockWaitMs + 999) / 1000;
    return QStringLiteral("题库【") + bank + QStringLiteral("】") + type +
           QStringLiteral("正在被另一个录入程序写入，等了 ") + QString::number(seconds) +
           QStringLiteral(" 秒还没有轮到，这次没有写入任何内容。请稍后再试。");
}

void LockGroups(WriteTransaction& tx, const QSet<QuestionGroup>& groups) {
    QMap<QByteArray, QuestionGroup> banks, locks;
    for (const QuestionGroup& g : groups) {
        banks.insert(key(QStringLiteral("bank"), g.bank), {g.bank, {}});
        locks.insert(key(QStringLiteral("group"), g.bank, g.type), g);
    }
    take(tx, banks, true);
    take(tx, locks, false);
}

void LockBank(WriteTransaction& tx, const QString& bank) {
    take(tx, {{key(QStringLiteral("bank"), bank), QuestionGroup{bank, {}}}}, false);
}

namespace {

// Begins, naming `named` when another instance keeps the database's write lock.
std::unique_ptr<WriteTransaction> Begin(Connection& server, const QuestionGroup& named) {
    try {
        return std::make_unique<WriteTransaction>(server);
    } catch (const LockNotGranted&) {
        throw LockNotGranted(LockRefusedText(named.bank, named.type));
    }
}

}  // namespace

std::unique_ptr<WriteTransaction> BeginLocked(Connection& server,
                                              const QSet<QuestionGroup>& groups) {
    auto tx = Begin(server, groups.isEmpty() ? QuestionGroup{} : *groups.cbegin());
    LockGroups(*tx, groups);
    return tx;
}

std::unique_ptr<WriteTransaction> BeginLockedBank(Connection& server, const QString& bank) {
    auto tx = Begin(server, {bank, {}});
    LockBank(*tx, bank);
    return tx;
}

}  // namespace qs
