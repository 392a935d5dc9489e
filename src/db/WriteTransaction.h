#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "db/Connection.h"

namespace qs {

// One transaction that writes, under locks every running instance of the tool honours. On
// SQLite (an embedded server or the local file, which two instances in one program folder
// share) the transaction itself is the lock: it takes the write lock when it begins. On
// PostgreSQL and SQL Server the writer names what it works on with lock(): an application
// lock held until the transaction ends. A lock not given within the lock wait throws
// LockNotGranted; the transaction is rolled back when dropped uncommitted.
class WriteTransaction {
public:
    explicit WriteTransaction(Connection& c);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    Connection& connection() const { return c_; }

    // Takes the application lock `key` (any bytes; a digest) shared or exclusive.
    void lock(const QByteArray& key, bool shared);
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
