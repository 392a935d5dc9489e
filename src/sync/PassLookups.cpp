#include "sync/PassLookups.h"

#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

#include "sync/SyncQueries.h"
#include "sync/TimeStamps.h"
#include "sync/VirtualRows.h"

namespace qs {

namespace {

QString valueLiteral(const SqlDialect& d, const QVariant& v) {
    return v.isNull() ? d.nullText() : d.literal(v.toString());
}

// The order of row addresses: numbers (ids, row ids) or PostgreSQL's "(page,item)".
QVector<qint64> addressOrder(const QString& a) {
    QVector<qint64> out;
    static const QRegularExpression digits(QStringLiteral("\\d+"));
    for (auto it = digits.globalMatch(a); it.hasNext();) out << it.next().captured().toLongLong();
    return out;
}

// The joinable keys in one derived table v(k, c0, c1, …) and the join's
// condition on t; the others one part each, made by `own`.
QStringList joinedParts(const SqlDialect& d, const QString& table, const QStringList& keyColumns,
                        const QVector<QVector<QVariant>>& keys, const QString& joinedSelect,
                        const std::function<QString(int k)>& own) {
    QStringList parts, values, names{QStringLiteral("k")}, on;
    for (int c = 0; c < keyColumns.size(); ++c) {
        names << QStringLiteral("c%1").arg(c);
        on << d.joinMatches(QStringLiteral("t.") + keyColumns[c], QStringLiteral("v.c%1").arg(c));
    }
    // PostgreSQL compares the texts themselves: they travel as arrays.
    const bool arrays = d.backend() == Backend::PostgreSql;
    QStringList numbers;
    QVector<QStringList> texts(keyColumns.size());
    for (int k = 0; k < keys.size(); ++k) {
        if (!JoinableKey(d, keys[k])) {
            parts << own(k);
            continue;
        }
        if (arrays) {
            numbers << QString::number(k);
            for (int c = 0; c < keys[k].size(); ++c) texts[c] << keys[k][c].toString();
            continue;
        }
        QStringList row{QString::number(k)};
        for (const QVariant& v : keys[k]) row << d.joinKeyLiteral(v.toString());
        values << QLatin1Char('(') + row.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    if (!values.isEmpty() || !numbers.isEmpty())
        parts.prepend(QStringLiteral("select ") + joinedSelect + QStringLiteral(" from ") +
                      (arrays ? d.arraysTable(numbers, texts, QStringLiteral("v"), names)
                              : d.valuesTable(values, QStringLiteral("v"), names)) +
                      QStringLiteral(" inner join ") + table + QStringLiteral(" t on ") +
                      on.join(QStringLiteral(" and ")));
    return parts;
}

}  // namespace

bool JoinableKey(const SqlDialect& d, const QVector<QVariant>& key) {
    return std::all_of(key.begin(), key.end(),
                       [&d](const QVariant& v) { return !v.isNull() && d.likeFits(v.toString()); });
}

QString PresenceQuery(const SqlDialect& d, const QString& table, const QStringList& keyColumns,
                      const QVector<QVector<QVariant>>& keys) {
    return joinedParts(
               d, table, keyColumns, keys, QStringLiteral("distinct v.k"),
               [&](int k) -> QString {
                   return QStringLiteral("select %1 as k where exists (select * from ").arg(k) +
                          table + QStringLiteral(" where ") +
                          LookupCondition(d, keyColumns, keys[k]) + QLatin1Char(')');
               })
        .join(QStringLiteral(" union all "));
}

QString MatchesQuery(const SqlDialect& d, const QString& table, const QStringList& keyColumns,
                     const QVector<QVector<QVariant>>& keys, const QStringList& selected) {
    const QString list = selected.join(QStringLiteral(", "));
    return joinedParts(d, table, keyColumns, keys, QStringLiteral("v.k, ") + list,
                       [&](int k) -> QString {
                           QString part = QStringLiteral("select %1 as k, ").arg(k) + list +
                                          QStringLiteral(" from ") + table +
                                          QStringLiteral(" t where ");
                           return part + LookupCondition(d, keyColumns, keys[k]);
                       })
        .join(QStringLiteral(" union all "));
}

QString EarlierMatchesQuery(const SqlDialect& d, const QStringList& keyColumns,
                            const QVector<QVector<QVariant>>& keys) {
    // PostgreSQL compares values; the others a value with a pattern, NULL for
    // a value that is NULL or too long for one.
    const bool patterns = d.backend() != Backend::PostgreSql;
    QStringList names{QStringLiteral("k")}, on{QStringLiteral("a.k < b.k")}, values;
    for (int c = 0; c < keyColumns.size(); ++c) {
        const QString v = QStringLiteral("v%1").arg(c), p = QStringLiteral("p%1").arg(c);
        names << v;
        if (patterns) names << p;
        on << d.entryMatches(QStringLiteral("a.") + v, QStringLiteral("b.") + v,
                             QStringLiteral("b.") + p);
    }
    for (int k = 0; k < keys.size(); ++k) {
        QStringList row{QString::number(k)};
        for (const QVariant& v : keys[k]) {
            row << valueLiteral(d, v);
            if (patterns)
                row << (!v.isNull() && d.likeFits(v.toString()) ? d.patternLiteral(v.toString())
                                                                : d.nullText());
        }
        values << QLatin1Char('(') + row.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    return QStringLiteral("with qs_batch as (select * from ") +
           d.valuesTable(values, QStringLiteral("v"), names) +
           QStringLiteral(") select b.k, a.k from qs_batch a inner join qs_batch b on ") +
           on.join(QStringLiteral(" and "));
}

QVector<QVector<QVariant>> PassLookups::rows(const QString& sql, int columns) {
    QSqlQuery q = target_.run(sql);
    QVector<QVector<QVariant>> out;
    while (q.next()) {
        QVector<QVariant> row(columns);
        for (int i = 0; i < columns; ++i) row[i] = q.value(i);
        out << row;
    }
    if (q.lastError().isValid()) target_.raise(q.lastError(), sql);
    return out;
}

QVector<bool> PassLookups::present(const QVector<QVector<QVariant>>& keys) {
    QVector<bool> found(keys.size(), false);
    if (keys.isEmpty()) return found;
    const SqlDialect& d = target_.dialect();
    QString sql;
    if (byText_) {
        QStringList parts;
        for (int k = 0; k < keys.size(); ++k)
            parts << QStringLiteral("select %1 as k where exists (%2)")
                         .arg(k)
                         .arg(plan_.lookup(d, keys[k]));
        sql = parts.join(QStringLiteral(" union all "));
    } else {
        sql = PresenceQuery(d, plan_.table, plan_.keyColumns, keys);
    }
    for (const auto& row : rows(sql, 1)) {
        const int k = row[0].toInt();
        if (k >= 0 && k < found.size()) found[k] = true;
    }
    return found;
}

QVector<QVector<int>> PassLookups::earlierMatches(const QVector<QVector<QVariant>>& keys) {
    QVector<QVector<int>> earlier(keys.size());
    if (keys.size() < 2) return earlier;
    const SqlDialect& d = target_.dialect();
    if (d.matchForm(QString())) {
        // The program applies this database's rule itself: one pass over the keys.
        QHash<QString, QVector<int>> same;
        for (int k = 0; k < keys.size(); ++k) {
            QVector<int>& before = same[MatchKey(d, keys[k])];
            earlier[k] = before;
            before << k;
        }
        return earlier;
    }
    for (const auto& row : rows(EarlierMatchesQuery(d, plan_.keyColumns, keys), 2)) {
        const int k = row[0].toInt(), j = row[1].toInt();
        if (k >= 0 && k < keys.size() && j >= 0 && j < k) earlier[k] << j;
    }
    for (auto& e : earlier) std::sort(e.begin(), e.end());
    return earlier;
}

QString PassLookups::addressColumn() const {
    if (!plan_.targetRowKey.isEmpty()) return plan_.targetRowKey.first();
    return target_.dialect().rowAddress();
}

void PassLookups::sortMatches(QVector<TargetMatch>& m) const {
    if (!addressColumn().isEmpty()) {
        std::stable_sort(m.begin(), m.end(), [](const TargetMatch& a, const TargetMatch& b) {
            return a.order < b.order;
        });
        return;
    }
    std::stable_sort(m.begin(), m.end(), [](const TargetMatch& a, const TargetMatch& b) {
        return TimeKey(a.compared) < TimeKey(b.compared);
    });
}

QVector<QVector<TargetMatch>> PassLookups::matches(const QVector<QVector<QVariant>>& keys) {
    QVector<QVector<TargetMatch>> found(keys.size());
    if (keys.isEmpty()) return found;
    const SqlDialect& d = target_.dialect();
    const bool pg = target_.backend() == Backend::PostgreSql;
    // The row's address, or on SQL Server its key values, which tell apart
    // the rows a batch may meet twice.
    QStringList selected;
    const QString address = addressColumn();
    if (!address.isEmpty())
        selected << QStringLiteral("t.") + address +
                        (pg && plan_.targetRowKey.isEmpty() ? QStringLiteral("::text") : QString());
    else
        for (const QString& c : plan_.keyColumns) selected << QStringLiteral("t.") + c;
    selected << QStringLiteral("t.") + plan_.compareColumn +
                    (pg ? QStringLiteral("::text") : QString());
    QString sql;
    if (byText_) {
        QStringList parts;
        for (int k = 0; k < keys.size(); ++k)
            parts << QStringLiteral("select %1 as k, ").arg(k) +
                         selected.join(QStringLiteral(", ")) + QStringLiteral(" from ") +
                         plan_.table + QStringLiteral(" t where ") +
                         LookupCondition(d, plan_.keyColumns, keys[k]);
        sql = parts.join(QStringLiteral(" union all "));
    } else {
        sql = MatchesQuery(d, plan_.table, plan_.keyColumns, keys, selected);
    }
    const int n = int(selected.size());
    for (const auto& row : rows(sql, n + 1)) {
        const int k = row[0].toInt();
        if (k < 0 || k >= found.size()) continue;
        QStringList identity;
        for (int i = 1; i < n; ++i) identity << row[i].toString();
        TargetMatch m;
        m.address = identity.join(QChar(0x1f));
        m.order = addressOrder(m.address);
        m.compared = row[n];
        found[k] << m;
    }
    for (auto& m : found) sortMatches(m);
    return found;
}

}  // namespace qs
