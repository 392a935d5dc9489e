#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include "db/Connection.h"
#include "sync/PassPlan.h"

namespace qs {

// The lookups of a pass: a batch of source rows' keys looked up on the target
// in one statement whose text grows with the batch and no faster. Rows whose
// keys are all there and fit a LIKE pattern meet the target in one join over
// the batch's values; a row with a NULL key or one too long for LIKE keeps a
// lookup of its own (SqlDialect::matches), so every row is found exactly as
// its own lookup would find it.

// True when every value of the key is there and fits a LIKE pattern.
bool JoinableKey(const SqlDialect& d, const QVector<QVariant>& key);

// "select k": the keys (by position) whose lookup finds a row of `table`.
QString PresenceQuery(const SqlDialect& d, const QString& table, const QStringList& keyColumns,
                      const QVector<QVector<QVariant>>& keys);
// "select k, <selected>": every row of `table` (named t) each key finds.
QString MatchesQuery(const SqlDialect& d, const QString& table, const QStringList& keyColumns,
                     const QVector<QVector<QVariant>>& keys, const QStringList& selected);
// "select k, j": the pairs j < k where the lookup of key k would find a row
// holding key j; the keys joined with themselves once.
QString EarlierMatchesQuery(const SqlDialect& d, const QStringList& keyColumns,
                            const QVector<QVector<QVariant>>& keys);

// A target row that a lookup found.
struct TargetMatch {
    QString address;        // what a write names the row by (SQL Server: its key values)
    QVector<qint64> order;  // where the row stands among the matches (first = lowest)
    QVariant compared;      // the pass's compared column
    int virtualRow = -1;    // a row only a pass run without writing has made
};

class PassLookups {
public:
    PassLookups(Connection& target, const PassPlan& plan) : target_(target), plan_(plan) {}

    // Each row with the lookup text of its own (the reference the joins are checked against).
    void setByText(bool byText) { byText_ = byText; }

    // For each key, whether the target holds a row its lookup finds.
    QVector<bool> present(const QVector<QVector<QVariant>>& keys);
    // For each key k, the keys j < k that its lookup would find once stored.
    QVector<QVector<int>> earlierMatches(const QVector<QVector<QVariant>>& keys);
    // For each key, every target row its lookup finds, the first first: by the
    // row key or the row's place in the table; on SQL Server, whose rows have
    // no address, by the compared column (a NULL first).
    QVector<QVector<TargetMatch>> matches(const QVector<QVector<QVariant>>& keys);

    // The column (or row address) a write names a matched row by; empty on SQL Server.
    QString addressColumn() const;
    // The matches of one key, sorted first first.
    void sortMatches(QVector<TargetMatch>& matches) const;

private:
    QVector<QVector<QVariant>> rows(const QString& sql, int columns);

    Connection& target_;
    const PassPlan& plan_;
    bool byText_ = false;
};

}  // namespace qs
