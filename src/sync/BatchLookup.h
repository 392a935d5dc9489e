#pragma once

#include <QStringList>
#include <QVariant>
#include <QVector>

#include "db/Connection.h"

namespace qs {

// Looks up a batch of source rows in one round trip each, with the same
// lookup texts a row-by-row pass sends, so a row counts as present exactly
// when its own lookup would find it.

// The texts of the two batch queries below.
QString PresenceQuery(const QStringList& lookups);
QString EarlierMatchesQuery(const SqlDialect& d, const QString& table,
                            const QStringList& keyColumns, const QVector<QVector<QVariant>>& keys,
                            const QStringList& lookups, const QVector<int>& rows);

// For each lookup text ("select * from <table> where …"), whether it finds a row.
QVector<bool> FindPresent(Connection& target, const QStringList& lookups);

// For rows that are to be created in this order, which earlier ones each
// later one's lookup would find once they are stored: for every k, the j < k
// whose key values satisfy lookups[k] (same where clause, evaluated by the
// target server on the key values of row j). Only rows in `rows` take part.
QVector<QVector<int>> FindEarlierMatches(Connection& target, const QString& table,
                                         const QStringList& keyColumns,
                                         const QVector<QVector<QVariant>>& keys,
                                         const QStringList& lookups, const QVector<int>& rows);

}  // namespace qs
