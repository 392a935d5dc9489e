#pragma once

#include <QSet>
#include <QString>
#include <memory>

#include "db/WriteTransaction.h"

namespace qs {

// A bank and type: the questions numbered together.
struct QuestionGroup {
    QString bank;
    QString type;
    bool operator==(const QuestionGroup&) const = default;
};
inline size_t qHash(const QuestionGroup& g, size_t seed = 0) {
    return qHashMulti(seed, g.bank, g.type);
}

// The locks on the server under which one command writes questions. A lock is named by a
// digest of the names folded as the server may compare them (width, letter case, trailing
// blanks: SQL Server's collation takes "Tax" and "tax" for one bank), so every instance names
// one group alike. Work on groups takes the locks of their banks shared, then the groups'
// locks, each in one fixed order; work on a whole bank takes the bank's lock exclusively. So
// two commands never wait for each other in a circle. A lock not given within the lock wait
// throws LockNotGranted with a message naming the bank and type.
//
// A transaction on the server begun under the locks of `groups`, then `then` run (each of its
// statements sees what was committed before the locks were given; its results go to
// `thenResults`), in one round trip on PostgreSQL and SQL Server. On SQLite the beginning is the
// lock.
std::unique_ptr<WriteTransaction> BeginLocked(Connection& server, const QSet<QuestionGroup>& groups,
                                              const QList<Statement>& then = {},
                                              QList<ReadRows>* thenResults = nullptr);
std::unique_ptr<WriteTransaction> BeginLockedBank(Connection& server, const QString& bank);

// "题库【会计】单选题正在被另一个录入程序写入…"; an empty type names the whole bank.
QString LockRefusedText(const QString& bank, const QString& type);

}  // namespace qs
