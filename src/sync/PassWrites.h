#pragma once

#include <QSqlQuery>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

#include "db/Connection.h"
#include "db/DbError.h"
#include "sync/PassPlan.h"

namespace qs {

// The writes of a pass, each a single statement that is stored whole or
// refused whole: created rows in one bulk load (PostgreSQL) or in multi-row
// inserts with bound values (the others: SQL Server takes 2,100 parameters
// and 1,000 rows a statement), changed rows in one update joined to the
// batch's values. A refused statement is written again row by row, so the
// pass ends at the refused row with every row before it stored.
class PassWrites {
public:
    // addressColumn: what names a changed target row (PassLookups::addressColumn).
    PassWrites(Connection& target, const PassPlan& plan, const QString& addressColumn);
    ~PassWrites();

    // Called between rows of a bulk load, to keep the window painted.
    void setHeartbeat(std::function<void()> beat) { heartbeat_ = std::move(beat); }

    // Stores rows `which` of `rows`; the first row not stored (its refusal in
    // *failure), or -1. `meanwhile`, if set, runs once on the calling thread
    // while a bulk load is on its way (or before the rows are stored, when
    // there is none); it must not use the target or throw.
    int create(const QVector<PassRow>& rows, const QVector<int>& which, DbError* failure,
               const std::function<void()>& meanwhile = {});
    // Writes row which[i] over the target row named addresses[i] (its
    // compared column, or every copied column); the first row not written,
    // or -1.
    int change(const QVector<PassRow>& rows, const QVector<int>& which,
               const QStringList& addresses, DbError* failure);

    // One row's change on its own; without an address (SQL Server), the first
    // row its lookup finds, the earliest by the compared column.
    QString changeStatement(const PassRow& row, const QString& address) const;
    // The batch's changes in one statement (SQL Server: only rows whose key
    // joins, see JoinableKey).
    QString changeBatchStatement(const QVector<PassRow>& rows, const QVector<int>& which,
                                 const QStringList& addresses) const;

private:
    QStringList changedColumns() const;
    QVector<QVariant> changedValues(const PassRow& row) const;
    QString addressLiteral(const QString& address) const;
    void insertRows(const QVector<PassRow>& rows, const QVector<int>& which);
    // Each value of rows `which` as the bulk load takes it.
    std::function<QVariant(int, int)> bulkValues(const QVector<PassRow>& rows,
                                                 const QVector<int>& which) const;

    Connection& target_;
    const PassPlan& plan_;
    QString address_;
    std::function<void()> heartbeat_;
    std::map<int, std::unique_ptr<QSqlQuery>> inserts_;  // by rows per statement
};

}  // namespace qs
