#include "db/WriteTransaction.h"

#include <QSqlError>
#include <QSqlQuery>

#include "db/DbError.h"

namespace qs {

WriteTransaction::WriteTransaction(Connection& c) : c_(c) {
    c_.beginTransaction();
    open_ = true;
}

WriteTransaction::~WriteTransaction() {
    rollback();
}

void WriteTransaction::lock(const QByteArray& key, bool shared) {
    const QStringList statements =
        c_.dialect().applicationLock(key, shared, DbEnvironment::current().lockWaitMs);
    for (const QString& sql : statements) {
        QSqlQuery q = c_.query();
        if (!q.exec(sql)) {
            // PostgreSQL's lock_timeout.
            if (q.lastError().nativeErrorCode() == u"55P03")
                throw LockNotGranted(q.lastError().text());
            c_.raise(q.lastError(), sql);
        }
        // SQL Server: -1 timed out, -2 cancelled, -3 chosen as a deadlock victim.
        if (q.next() && !q.value(0).isNull() && q.value(0).toInt() < 0)
            throw LockNotGranted(QStringLiteral("sp_getapplock ") + q.value(0).toString());
        while (q.next()) {
        }
    }
}

bool WriteTransaction::attempt(const std::function<void()>& step, QString* error) {
    const SqlDialect& d = c_.dialect();
    try {
        if (!d.savepoint().isEmpty()) c_.execute(d.savepoint());
    } catch (const DbError& e) {
        if (error) *error = e.text();
        return false;
    }
    try {
        step();
        if (!d.releaseSavepoint().isEmpty()) c_.execute(d.releaseSavepoint());
        return true;
    } catch (const DbError& e) {
        if (error) *error = e.text();
        if (!d.rollbackToSavepoint().isEmpty()) c_.execute(d.rollbackToSavepoint());
        return false;
    }
}

void WriteTransaction::commit() {
    open_ = false;
    c_.commit();
}

void WriteTransaction::rollback() {
    if (!open_) return;
    open_ = false;
    if (c_.isOpen()) c_.rollback();
}

}  // namespace qs
