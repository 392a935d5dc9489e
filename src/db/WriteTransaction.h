#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>
#include <functional>

#include "db/Connection.h"

namespace qs {

// An application lock: a key (any bytes; a digest) taken shared or exclusive, and what the
// operator is told when another instance keeps it past the lock wait.
struct AppLock {
    QByteArray key;
    bool shared = false;
    QString refused;
};

// One transaction that writes, under locks every running instance of the tool honours. On
// SQLite (an embedded server or the local file, which two instances in one program folder
// share) the transaction itself is the lock: it takes the write lock when it begins. On
// PostgreSQL and SQL Server the writer names what it works on: application locks held until
// the transaction ends. A lock not given within the lock wait throws LockNotGranted; the
// transaction is rolled back when dropped uncommitted.
class WriteTransaction {
public:
    // Begins now.
    explicit WriteTransaction(Connection& c);
    // Begins, takes `locks` in order, then runs `then`: each statement of it sees what was
    // committed before the locks were given. In one round trip on PostgreSQL and SQL Server. `then`'s
    // results go to `thenResults` (its failures are the caller's to judge). `busy` is what
    // LockNotGranted says when the database's own write lock is not given (SQLite).
    WriteTransaction(Connection& c, const QVector<AppLock>& locks, const QList<Statement>& then,
                     QList<ReadRows>* thenResults, const QString& busy);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    Connection& connection() const { return c_; }

    // Runs `step`; a failure (kept in `error`) leaves the transaction usable.
    bool attempt(const std::function<void()>& step, QString* error);
    // Throws CommitUnknown when the answer was lost, DbError when it was refused.
    void commit();
    void rollback();

private:
    Connection& c_;
    bool open_ = false;
};

}  // namespace qs
