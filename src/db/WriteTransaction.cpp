#include "db/WriteTransaction.h"

#include <algorithm>

#include "db/DbError.h"

namespace qs {

WriteTransaction::WriteTransaction(Connection& c) : c_(c) {
    c_.beginTransaction();
    open_ = true;
}

WriteTransaction::WriteTransaction(Connection& c, const QVector<AppLock>& locks,
                                   const QList<Statement>& then, QList<ReadRows>* thenResults,
                                   const QString& busy)
    : c_(c) {
    // PostgreSQL's begin goes with the locks; SQLite's takes the write lock, and the ODBC
    // driver's turns its automatic commits off.
    const bool sendBegin = c_.backend() == Backend::PostgreSql;
    if (!sendBegin) {
        try {
            c_.beginTransaction();
        } catch (const LockNotGranted&) {
            // Not begun: nothing to undo.
            if (busy.isEmpty()) throw;
            throw LockNotGranted(busy);
        }
        open_ = true;
    }
    QList<Statement> statements;
    QVector<int> lockOf;  // per statement, the lock it takes part in (-1: none)
    if (sendBegin) {
        statements << Statement{QStringLiteral("begin"), {}};
        lockOf << -1;
    }
    for (int i = 0; i < locks.size(); ++i) {
        for (const QString& sql : c_.dialect().applicationLock(
                 locks[i].key, locks[i].shared, DbEnvironment::current().lockWaitMs)) {
            // The lock wait is set once for the transaction.
            if (std::any_of(statements.cbegin(), statements.cend(),
                            [&](const Statement& s) { return s.sql == sql; }))
                continue;
            statements << Statement{sql, {}};
            lockOf << i;
        }
    }
    const qsizetype first = statements.size();
    statements += then;
    const QList<ReadRows> results = c_.runInOrder(statements);
    // A constructor that throws runs no destructor.
    struct Undo {
        WriteTransaction* tx;
        ~Undo() {
            if (tx) tx->rollback();
        }
    } undo{this};
    for (qsizetype k = 0; k < first; ++k) {
        const ReadRows& r = results[k];
        const int lock = lockOf[k];
        if (r.error) {
            // PostgreSQL's lock_timeout.
            if (lock >= 0 && r.errorCode == u"55P03") throw LockNotGranted(locks[lock].refused);
            throw *r.error;
        }
        if (k == 0 && sendBegin) open_ = true;
        // SQL Server: sp_getapplock's answer, -1 timed out, -2 cancelled, -3 chosen as a
        // deadlock victim.
        if (lock >= 0 && !r.rows.isEmpty() && !r.rows[0].isEmpty() && !r.rows[0][0].isNull() &&
            r.rows[0][0].toInt() < 0)
            throw LockNotGranted(locks[lock].refused);
    }
    if (thenResults) *thenResults = results.mid(first);
    undo.tx = nullptr;
}

WriteTransaction::~WriteTransaction() {
    rollback();
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
