#include "sync/ReplicationPass.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <algorithm>

#include "db/DbError.h"
#include "sync/BatchLookup.h"
#include "sync/SourceRows.h"
#include "sync/SyncQueries.h"

namespace qs {

namespace {

// A time stamp as text that sorts as the time does, to the nanosecond:
// "yyyy-MM-dd HH:mm:ss.fffffffff"; empty when the value is no time.
QString timeKey(const QVariant& v) {
    if (v.isNull()) return {};
    if (v.metaType().id() == QMetaType::QDateTime) {
        const QDateTime t = v.toDateTime();
        if (!t.isValid()) return {};
        return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QStringLiteral("000000");
    }
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:[ "
                       "T](\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,9}))?)?)?$"));
    const auto m = re.match(v.toString().trimmed());
    if (!m.hasMatch()) return {};
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const int h = m.captured(4).toInt(), mi = m.captured(5).toInt(), s = m.captured(6).toInt();
    if (!date.isValid() || h > 23 || mi > 59 || s > 59) return {};
    QString fraction = m.captured(7);
    fraction = fraction.leftJustified(9, QLatin1Char('0'));
    return date.toString(QStringLiteral("yyyy-MM-dd")) +
           QStringLiteral(" %1:%2:%3.")
               .arg(h, 2, 10, QLatin1Char('0'))
               .arg(mi, 2, 10, QLatin1Char('0'))
               .arg(s, 2, 10, QLatin1Char('0')) +
           fraction;
}

bool sameValue(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull();
    return a.toString() == b.toString();
}

// The order of row addresses: numbers (ids, row ids) or PostgreSQL's "(page,item)".
QVector<qint64> addressOrder(const QString& a) {
    QVector<qint64> out;
    static const QRegularExpression digits(QStringLiteral("\\d+"));
    for (auto it = digits.globalMatch(a); it.hasNext();) out << it.next().captured().toLongLong();
    return out;
}

}  // namespace

bool IsLater(const QVariant& later, const QVariant& earlier) {
    const QString a = timeKey(later);
    const QString b = timeKey(earlier);
    return !a.isEmpty() && !b.isEmpty() && a > b;
}

ReplicationPass::ReplicationPass(Connection& source, Connection& target, PassPlan plan)
    : source_(source), target_(target), plan_(std::move(plan)) {}

ReplicationPass::~ReplicationPass() = default;

void ReplicationPass::setStopRule(int* sameRun, Threshold threshold, bool suspended) {
    sameRun_ = sameRun ? sameRun : &ownRun_;
    threshold_ = std::move(threshold);
    suspended_ = suspended;
}

void ReplicationPass::write(const QString& title) {
    title_ = title;
    if (progress_) progress_(title_);
}

QString ReplicationPass::rowTitle(const PassResult& r) const {
    QString title = QString::number(r.count) + QLatin1Char('/') + QString::number(r.processed);
    if (plan_.questionPass) title += QStringLiteral("/连续相同") + QString::number(*sameRun_);
    return title + plan_.progressText;
}

int ReplicationPass::rowsPerInsert() const {
    const int columns = qMax(1, int(plan_.copiedColumns.size()));
    // SQL Server takes at most 1,000 rows in one values list and 2,100
    // parameters per request (a few kept spare for the driver's own).
    if (target_.backend() == Backend::SqlServer) return qBound(1, 2000 / columns, 1000);
    return qBound(1, 30000 / columns, 500);
}

PassResult ReplicationPass::run() {
    PassResult r;
    if (plan_.questionPass) *sameRun_ = 0;
    QStringList columns = plan_.keyColumns;
    for (const QString& c : plan_.copiedColumns)
        if (!columns.contains(c, Qt::CaseInsensitive)) columns << c;
    if (!plan_.compareColumn.isEmpty() &&
        !columns.contains(plan_.compareColumn, Qt::CaseInsensitive))
        columns << plan_.compareColumn;
    auto at = [&](const QString& c) { return int(columns.indexOf(c)); };
    QVector<int> keyAt, copiedAt;
    for (const QString& c : plan_.keyColumns) keyAt << at(c);
    for (const QString& c : plan_.copiedColumns) {
        int i = -1;
        for (int j = 0; j < columns.size() && i < 0; ++j)
            if (columns[j].compare(c, Qt::CaseInsensitive) == 0) i = j;
        copiedAt << i;
    }
    int compareAt = -1;
    for (int j = 0; j < columns.size() && !plan_.compareColumn.isEmpty(); ++j)
        if (columns[j].compare(plan_.compareColumn, Qt::CaseInsensitive) == 0) compareAt = j;

    // Batches start small, so that a pass the stop rule ends soon looks few
    // rows up, and double up to the most one lookup takes: a text per row
    // (not one join) keeps its statements to 500 rows.
    const int most = qMax(1, equalityLookups() ? limits_.rows : qMin(limits_.rows, 500));
    int batchRows = qMin(most, 128);
    SourceRows source(source_, plan_.sourceQuery, plan_.table, columns);
    r.total = source.total();
    if (walked_) walked_(0, r.total);
    for (;;) {
        if (r.processed > 0 && stopRequested_ && stopRequested_()) {
            write(title_ + QStringLiteral(" - 已停止(已处理%1/%2)，重新同步可补齐其余的...")
                               .arg(r.processed)
                               .arg(r.total));
            r.interrupted = true;
            return r;
        }
        const QVector<QVector<QVariant>> batch = source.next(batchRows, limits_.bytes, heartbeat_);
        if (batch.isEmpty()) break;
        batchRows = qMin(most, 2 * batchRows);
        QVector<Row> rows;
        rows.reserve(batch.size());
        for (const auto& values : batch) {
            Row row;
            for (int i : keyAt) row.key << values[i];
            for (int i : copiedAt) row.values << values[i];
            if (compareAt >= 0) row.compared = values[compareAt];
            rows << std::move(row);
        }
        for (int from = 0; from < rows.size();) {
            from = handle(rows, from, rows.size(), r);
            if (from < 0) return r;
        }
    }
    if (!plan_.finalText.isEmpty()) {
        const int shown = plan_.kind == PassPlan::Kind::Rename ? r.processed : r.count;
        write(plan_.finalText + QString::number(shown) + plan_.finalSuffix);
    }
    return r;
}

int ReplicationPass::handle(const QVector<Row>& rows, int from, int to, PassResult& r) {
    Decided d;
    try {
        d = plan_.kind == PassPlan::Kind::Create ? decideCreate(rows, from, to)
                                                 : decideChange(rows, from, to);
    } catch (const DbError&) {
        if (to - from == 1) {
            // The row's own lookup failed: the pass ends at it.
            ++r.processed;
            write(rowTitle(r));
            throw;
        }
        // One row's lookup the server rejects, or a server gone: the rows are
        // looked up one at a time instead, so the rows before the failing one
        // are still written and the failure ends the pass at its own row.
        for (int k = from; k < to;) {
            k = handle(rows, k, k + 1, r);
            if (k < 0) return -1;
        }
        return to;
    }

    // The stop rule decides how far the decided rows go.
    int stopAt = -1;
    if (plan_.questionPass) {
        int same = *sameRun_;
        for (int k = from; k < d.end; ++k) {
            const RowOutcome o = d.outcomes[k - from];
            if (o == RowOutcome::Created || o == RowOutcome::Written)
                same = 0;
            else if (o == RowOutcome::Present)
                ++same;
            const int threshold = threshold_ ? threshold_() : 100;
            if (!suspended_ && same > threshold) {
                stopAt = k;
                break;
            }
        }
    }
    const int last = stopAt >= 0 ? stopAt : d.end - 1;
    DbError failure(0, QString());
    const int failedAt = writeRows(rows, from, last, d, &failure);

    // The titles and counts, row by row.
    const int shown = failedAt >= 0 ? failedAt : last;
    for (int k = from; k <= shown; ++k) {
        ++r.processed;
        write(rowTitle(r));
        if (k == failedAt) throw failure;
        const RowOutcome o = d.outcomes[k - from];
        if (o == RowOutcome::Created || o == RowOutcome::Written) ++r.count;
        if (plan_.questionPass) {
            if (o == RowOutcome::Created || o == RowOutcome::Written)
                *sameRun_ = 0;
            else if (o == RowOutcome::Present)
                ++*sameRun_;
        }
        if (outcomes_) outcomes_(o, rows[k].key);
        if (walked_) walked_(r.processed, r.total);
        if (k == stopAt) {
            QString stop = title_ + QStringLiteral(" - 连续相同") + QString::number(*sameRun_);
            if (plan_.kind == PassPlan::Kind::Rename)
                stop += QStringLiteral("，共搜索:") + QString::number(r.processed);
            write(stop + QStringLiteral("，程序已自动中止..."));
            r.stopped = true;
            return -1;
        }
    }
    return d.end;
}

bool ReplicationPass::equalityLookups() const {
    // PostgreSQL's LIKE with a pattern that matches only itself is plain
    // equality (case and all), so a batch is looked up by one join.
    return target_.backend() == Backend::PostgreSql && !lookupByText_;
}

QString ReplicationPass::equalityJoin(const QVector<Row>& rows, int from, const QVector<int>& which,
                                      const QString& select) const {
    const SqlDialect& dialect = target_.dialect();
    QStringList values, names{QStringLiteral("k")}, on;
    for (int c = 0; c < plan_.keyColumns.size(); ++c) {
        names << QStringLiteral("c%1").arg(c);
        on << QStringLiteral("t.") + plan_.keyColumns[c] + QStringLiteral(" = v.c%1").arg(c);
    }
    for (int k : which) {
        QStringList row{QString::number(k - from)};
        for (const QVariant& v : rows[k].key) row << dialect.literal(v.toString());
        values << QLatin1Char('(') + row.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    return QStringLiteral("select ") + select + QStringLiteral(" from (values ") +
           values.join(QStringLiteral(", ")) + QStringLiteral(") as v(") +
           names.join(QStringLiteral(", ")) + QStringLiteral(") join ") + plan_.table +
           QStringLiteral(" t on ") + on.join(QStringLiteral(" and "));
}

ReplicationPass::Decided ReplicationPass::decideCreate(const QVector<Row>& rows, int from, int to) {
    const SqlDialect& dialect = target_.dialect();
    QStringList lookups;
    QVector<QVector<QVariant>> keys;
    for (int k = from; k < to; ++k) {
        lookups << plan_.lookup(dialect, rows[k].key);
        keys << rows[k].key;
    }
    QVector<bool> present(keys.size(), false);
    QVector<QVector<int>> earlier(keys.size());
    if (equalityLookups()) {
        // Rows with a NULL key keep their own lookup ("is null").
        QVector<int> plain;
        QStringList parts;
        for (int k = from; k < to; ++k) {
            if (std::none_of(rows[k].key.begin(), rows[k].key.end(),
                             [](const QVariant& v) { return v.isNull(); }))
                plain << k;
            else
                parts << QStringLiteral("select %1 as k where exists (%2)")
                             .arg(k - from)
                             .arg(lookups[k - from]);
        }
        if (!plain.isEmpty())
            parts.prepend(equalityJoin(rows, from, plain, QStringLiteral("distinct v.k")));
        const QString sql = parts.join(QStringLiteral(" union all "));
        QSqlQuery q = target_.query();
        if (!q.exec(sql)) target_.raise(q.lastError(), sql);
        while (q.next()) {
            const int k = q.value(0).toInt();
            if (k >= 0 && k < present.size()) present[k] = true;
        }
        if (q.lastError().isValid()) target_.raise(q.lastError(), sql);
        // An earlier row of the batch matches when every key value is the same.
        QHash<QString, QVector<int>> same;
        for (int k = 0; k < keys.size(); ++k) {
            QString id;
            for (const QVariant& v : keys[k])
                id += v.isNull() ? QStringLiteral("\x01N") : QStringLiteral("\x01V") + v.toString();
            QVector<int>& before = same[id];
            earlier[k] = before;
            before << k;
        }
    } else {
        present = FindPresent(target_, lookups);
        QVector<int> absent;
        for (int k = 0; k < keys.size(); ++k)
            if (!present[k]) absent << k;
        earlier = FindEarlierMatches(target_, plan_.table, plan_.keyColumns, keys, lookups, absent);
    }
    Decided d;
    d.end = to;
    QVector<bool> created(keys.size(), false);
    for (int k = 0; k < keys.size(); ++k) {
        // Present on the target, or among the rows this batch creates before it.
        bool found = present[k];
        for (int j : earlier[k]) found = found || created[j];
        created[k] = !found;
        d.outcomes << (found ? RowOutcome::Present : RowOutcome::Created);
    }
    return d;
}

ReplicationPass::Decided ReplicationPass::decideChange(const QVector<Row>& rows, int from, int to) {
    const SqlDialect& dialect = target_.dialect();
    const Backend backend = target_.backend();
    const bool ownKey = !plan_.targetRowKey.isEmpty();
    QString address = ownKey ? plan_.targetRowKey.first() : dialect.rowAddress();
    const bool addressed = !address.isEmpty();
    if (!addressed)
        address = QStringLiteral("0");
    else if (backend == Backend::PostgreSql && !ownKey)
        address += QStringLiteral("::text");
    const QString compared = backend == Backend::PostgreSql
                                 ? plan_.compareColumn + QStringLiteral("::text")
                                 : plan_.compareColumn;
    // Every match of every row, so that a row meeting a target row this batch
    // changes before it can be looked up again after that change.
    QStringList parts;
    QVector<int> plain;
    for (int k = from; k < to; ++k) {
        if (equalityLookups() && std::none_of(rows[k].key.begin(), rows[k].key.end(),
                                              [](const QVariant& v) { return v.isNull(); })) {
            plain << k;
            continue;
        }
        parts << QStringLiteral("select %1 as k, ").arg(k - from) + address +
                     QStringLiteral(" as a, ") + compared + QStringLiteral(" as c from ") +
                     plan_.table + QStringLiteral(" where ") +
                     LookupCondition(dialect, plan_.keyColumns, rows[k].key);
    }
    if (!plain.isEmpty())
        parts.prepend(equalityJoin(rows, from, plain,
                                   QStringLiteral("v.k, t.") + address +
                                       QStringLiteral(" as a, t.") + compared +
                                       QStringLiteral(" as c")));
    const QString sql = parts.join(QStringLiteral(" union all "));
    struct Match {
        QString address;
        QVector<qint64> order;
        QVariant compared;
    };
    QVector<QVector<Match>> matches(to - from);
    {
        QSqlQuery q = target_.query();
        if (!q.exec(sql)) target_.raise(q.lastError(), sql);
        while (q.next()) {
            const int k = q.value(0).toInt();
            if (k < 0 || k >= matches.size()) continue;
            Match m{q.value(1).toString(), {}, q.value(2)};
            m.order = addressOrder(m.address);
            matches[k] << m;
        }
        if (q.lastError().isValid()) target_.raise(q.lastError(), sql);
    }
    // The first match is the one a lookup of its own returns first: by id, or
    // by the row's place in the table.
    if (addressed)
        for (auto& m : matches)
            std::stable_sort(m.begin(), m.end(),
                             [](const Match& a, const Match& b) { return a.order < b.order; });

    Decided d;
    d.end = to;
    QSet<QString> changed;
    for (int k = from; k < to; ++k) {
        const QVector<Match>& m = matches[k - from];
        if (k > from) {
            bool meetsChanged = false;
            if (!addressed) meetsChanged = !changed.isEmpty() && !m.isEmpty();
            for (const Match& one : m) meetsChanged = meetsChanged || changed.contains(one.address);
            if (meetsChanged) {
                d.end = k;
                break;
            }
        }
        if (m.isEmpty()) {
            d.outcomes << RowOutcome::NotFound;
            d.statements << QString();
            continue;
        }
        const Match& first = m.first();
        const bool change = plan_.kind == PassPlan::Kind::Overwrite
                                ? IsLater(rows[k].compared, first.compared)
                                : !sameValue(rows[k].compared, first.compared);
        if (!change) {
            d.outcomes << RowOutcome::Present;
            d.statements << QString();
            continue;
        }
        changed.insert(addressed ? first.address : QString::number(k));
        d.outcomes << RowOutcome::Written;
        d.statements << changeStatement(rows[k], addressed ? first.address : QString());
    }
    return d;
}

QString ReplicationPass::changeStatement(const Row& row, const QString& address) const {
    const SqlDialect& dialect = target_.dialect();
    QStringList sets;
    if (plan_.kind == PassPlan::Kind::Overwrite) {
        for (int i = 0; i < plan_.copiedColumns.size(); ++i)
            sets << plan_.copiedColumns[i] + QStringLiteral(" = ") +
                        dialect.valueLiteral(row.values[i]);
    } else {
        sets << plan_.compareColumn + QStringLiteral(" = ") + dialect.valueLiteral(row.compared);
    }
    const QString set = QStringLiteral(" set ") + sets.join(QStringLiteral(", "));
    if (address.isEmpty()) {
        // No row address on this server: the first row of the lookup itself.
        return QStringLiteral("with qs_first as (select top (1) * from ") + plan_.table +
               QStringLiteral(" where ") + LookupCondition(dialect, plan_.keyColumns, row.key) +
               QStringLiteral(") update qs_first") + set;
    }
    QString where;
    if (!plan_.targetRowKey.isEmpty())
        where = plan_.targetRowKey.first() + QStringLiteral(" = ") + address;
    else if (target_.backend() == Backend::PostgreSql)
        where = dialect.rowAddress() + QStringLiteral(" = ") + dialect.literal(address);
    else
        where = dialect.rowAddress() + QStringLiteral(" = ") + address;
    return QStringLiteral("update ") + plan_.table + set + QStringLiteral(" where ") + where;
}

void ReplicationPass::runStatements(const QStringList& statements) {
    if (statements.isEmpty()) return;
    // The embedded server runs one statement per call; the network servers
    // take the batch's statements in one round trip.
    const bool oneByOne = target_.backend() == Backend::Sqlite;
    const QStringList texts =
        oneByOne ? statements : QStringList{statements.join(QStringLiteral(";\n"))};
    for (const QString& sql : texts) {
        QSqlQuery q = target_.query();
        if (!q.exec(sql)) target_.raise(q.lastError(), sql);
    }
}

void ReplicationPass::bulkInsertRows(const QVector<Row>& rows, const QVector<int>& which) {
    const QSqlRecord rec = target_.tableColumns(plan_.table);
    QVector<QSqlField> fields;
    for (const QString& c : plan_.copiedColumns) {
        const int i = rec.indexOf(c);
        fields << (i < 0 ? QSqlField() : rec.field(i));
    }
    const Backend backend = target_.backend();
    target_.bulkInsert(
        plan_.table, plan_.copiedColumns, int(which.size()), [&](int row, int column) {
            if (column == 0 && heartbeat_) heartbeat_();
            return BindableValue(rows[which[row]].values[column], fields[column], backend);
        });
}

void ReplicationPass::insertRows(const QVector<Row>& rows, const QVector<int>& which) {
    const int n = which.size();
    auto& query = inserts_[n];
    QString sql;
    {
        QStringList marks(plan_.copiedColumns.size(), QStringLiteral("?"));
        const QString one = QLatin1Char('(') + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
        QStringList all(n, one);
        sql = QStringLiteral("insert into ") + plan_.table + QStringLiteral(" (") +
              plan_.copiedColumns.join(QStringLiteral(", ")) + QStringLiteral(") values ") +
              all.join(QStringLiteral(", "));
    }
    if (!query) {
        query = std::make_unique<QSqlQuery>(target_.query());
        if (!query->prepare(sql)) {
            const QSqlError e = query->lastError();
            query.reset();
            target_.raise(e, sql);
        }
    }
    const QSqlRecord rec = target_.tableColumns(plan_.table);
    QVector<QSqlField> fields;
    for (const QString& c : plan_.copiedColumns) {
        const int i = rec.indexOf(c);
        fields << (i < 0 ? QSqlField() : rec.field(i));
    }
    int p = 0;
    for (int k : which)
        for (int i = 0; i < fields.size(); ++i)
            query->bindValue(p++, BindableValue(rows[k].values[i], fields[i], target_.backend()));
    if (!query->exec()) {
        const QSqlError e = query->lastError();
        inserts_.erase(n);
        target_.raise(e, sql);
    }
    query->finish();
}

int ReplicationPass::writeRows(const QVector<Row>& rows, int from, int last, const Decided& d,
                               DbError* failure) {
    if (plan_.kind == PassPlan::Kind::Create) {
        QVector<int> created;
        for (int k = from; k <= last; ++k)
            if (d.outcomes[k - from] == RowOutcome::Created) created << k;
        // A server with a bulk load takes the batch's created rows in one.
        const bool bulk = target_.canBulkInsert();
        const int per = bulk ? qMax(1, int(created.size())) : rowsPerInsert();
        for (int g = 0; g < created.size(); g += per) {
            const QVector<int> group = created.mid(g, per);
            try {
                if (bulk && group.size() > 1)
                    bulkInsertRows(rows, group);
                else
                    insertRows(rows, group);
            } catch (const DbError& e) {
                // Row by row, to store the rows before the refused one.
                if (group.size() == 1) {
                    *failure = e;
                    return group.first();
                }
                for (int k : group) {
                    try {
                        insertRows(rows, {k});
                    } catch (const DbError& one) {
                        *failure = one;
                        return k;
                    }
                }
            }
        }
        return -1;
    }
    QStringList statements;
    QVector<int> statementRow;
    for (int k = from; k <= last; ++k)
        if (!d.statements[k - from].isEmpty()) {
            statements << d.statements[k - from];
            statementRow << k;
        }
    try {
        runStatements(statements);
    } catch (const DbError& e) {
        if (statements.size() == 1) {
            *failure = e;
            return statementRow.first();
        }
        for (int i = 0; i < statements.size(); ++i) {
            try {
                runStatements({statements[i]});
            } catch (const DbError& one) {
                *failure = one;
                return statementRow[i];
            }
        }
    }
    return -1;
}

}  // namespace qs
