#include "sync/BatchLookup.h"

#include <QSqlError>
#include <QSqlQuery>

#include "db/DbError.h"

namespace qs {

namespace {

QVector<QVector<QVariant>> query(Connection& c, const QString& sql, int columns) {
    QSqlQuery q = c.query();
    if (!q.exec(sql)) c.raise(q.lastError(), sql);
    QVector<QVector<QVariant>> out;
    while (q.next()) {
        QVector<QVariant> row(columns);
        for (int i = 0; i < columns; ++i) row[i] = q.value(i);
        out << row;
    }
    if (q.lastError().isValid()) c.raise(q.lastError(), sql);
    return out;
}

// A key value as a column of a derived table, of the key columns' own type on
// SQL Server (nvarchar), so the lookup compares it as it compares the column.
QString keyValue(const SqlDialect& d, const QVariant& v) {
    return v.isNull() ? d.nullText() : d.literal(v.toString());
}

}  // namespace

QString PresenceQuery(const QStringList& lookups) {
    QStringList parts;
    for (int k = 0; k < lookups.size(); ++k)
        parts << QStringLiteral("select %1 as k where exists (%2)").arg(k).arg(lookups[k]);
    return parts.join(QStringLiteral(" union all "));
}

QVector<bool> FindPresent(Connection& target, const QStringList& lookups) {
    QVector<bool> present(lookups.size(), false);
    if (lookups.isEmpty()) return present;
    for (const auto& row : query(target, PresenceQuery(lookups), 1)) {
        const int k = row[0].toInt();
        if (k >= 0 && k < present.size()) present[k] = true;
    }
    return present;
}

QString EarlierMatchesQuery(const SqlDialect& d, const QString& table,
                            const QStringList& keyColumns, const QVector<QVector<QVariant>>& keys,
                            const QStringList& lookups, const QVector<int>& rows) {
    // Each lookup's own where clause runs against the key values of the batch,
    // given the table's name as an alias.
    QStringList batch;
    for (int k : rows) {
        QStringList columns{QString::number(k) + QStringLiteral(" as j")};
        for (int c = 0; c < keyColumns.size(); ++c)
            columns << keyValue(d, keys[k][c]) + QStringLiteral(" as ") + keyColumns[c];
        batch << QStringLiteral("select ") + columns.join(QStringLiteral(", "));
    }
    const QString prefix = QStringLiteral("select * from ") + table;
    QStringList parts;
    for (int n = 1; n < rows.size(); ++n) {
        const int k = rows[n];
        const QString& lookup = lookups[k];
        if (!lookup.startsWith(prefix, Qt::CaseInsensitive))
            throw DbError(err::kProviderFailure, QStringLiteral("无法识别的查询：") + lookup);
        parts << QStringLiteral("select %1 as k, j from (select * from qs_batch ").arg(k) + table +
                     lookup.mid(prefix.size()) + QStringLiteral(") m where j < %1").arg(k);
    }
    return QStringLiteral("with qs_batch as (") + batch.join(QStringLiteral(" union all ")) +
           QStringLiteral(") ") + parts.join(QStringLiteral(" union all "));
}

QVector<QVector<int>> FindEarlierMatches(Connection& target, const QString& table,
                                         const QStringList& keyColumns,
                                         const QVector<QVector<QVariant>>& keys,
                                         const QStringList& lookups, const QVector<int>& rows) {
    QVector<QVector<int>> earlier(lookups.size());
    if (rows.size() < 2) return earlier;
    const QString sql =
        EarlierMatchesQuery(target.dialect(), table, keyColumns, keys, lookups, rows);
    for (const auto& row : query(target, sql, 2)) {
        const int k = row[0].toInt();
        if (k >= 0 && k < earlier.size()) earlier[k] << row[1].toInt();
    }
    return earlier;
}

}  // namespace qs
