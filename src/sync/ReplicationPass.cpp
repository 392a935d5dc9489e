#include "sync/ReplicationPass.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>

#include "db/DbError.h"
#include "db/Recordset.h"
#include "sync/BatchLookup.h"

namespace qs {

namespace {

// Source rows looked up together by passes that only create rows: one chunk
// of the source recordset, a few megabytes even with pictures.
constexpr int kBatchRows = 40;

QDateTime asTime(const QVariant& v) {
    if (v.isNull()) return {};
    if (v.metaType().id() == QMetaType::QDateTime) return v.toDateTime();
    const QString text = v.toString().trimmed();
    for (const QString& format :
         {QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"), QStringLiteral("yyyy-MM-dd HH:mm:ss"),
          QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"), QStringLiteral("yyyy-MM-ddTHH:mm:ss"),
          QStringLiteral("yyyy-MM-dd")}) {
        const QDateTime t = QDateTime::fromString(text, format);
        if (t.isValid()) return t;
    }
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

bool sameValue(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull();
    return a.toString() == b.toString();
}

}  // namespace

bool IsLater(const QVariant& later, const QVariant& earlier) {
    const QDateTime a = asTime(later);
    const QDateTime b = asTime(earlier);
    return a.isValid() && b.isValid() && a > b;
}

ReplicationPass::ReplicationPass(Connection& source, Connection& target, PassPlan plan)
    : source_(source), target_(target), plan_(std::move(plan)) {}

void ReplicationPass::setStopRule(int* sameRun, Threshold threshold) {
    sameRun_ = sameRun ? sameRun : &ownRun_;
    threshold_ = std::move(threshold);
}

void ReplicationPass::write(const QString& title) {
    title_ = title;
    if (progress_) progress_(title_);
}

ReplicationPass::Found ReplicationPass::lookUp(const QString& sql) {
    QSqlQuery q = target_.query();
    if (!q.exec(sql)) target_.raise(q.lastError(), sql);
    Found found;
    if (q.next()) {
        found.any = true;
        const QSqlRecord rec = q.record();
        if (!plan_.compareColumn.isEmpty()) {
            const int i = rec.indexOf(plan_.compareColumn);
            if (i < 0)
                throw DbError(err::kItemNotFound,
                              QStringLiteral("在对应所需名称或序数的集合中，未找到项目：") +
                                  plan_.compareColumn);
            found.compared = q.value(i);
        }
        for (const QString& k : plan_.targetRowKey) {
            const int i = rec.indexOf(k);
            if (i < 0)
                throw DbError(err::kItemNotFound,
                              QStringLiteral("在对应所需名称或序数的集合中，未找到项目：") + k);
            found.rowKey << q.value(i);
        }
    } else if (q.lastError().isValid()) {
        target_.raise(q.lastError(), sql);
    }
    q.finish();
    return found;
}

QVariant ReplicationPass::bindable(const QString& column, const QVariant& value) {
    const QSqlRecord rec = target_.tableColumns(plan_.table);
    const int i = rec.indexOf(column);
    return BindableValue(value, i < 0 ? QSqlField() : rec.field(i), target_.backend());
}

void ReplicationPass::insertRow(const QVector<QVariant>& values) {
    if (!insert_) {
        insertSql_ = target_.dialect().insertRow(plan_.table, plan_.copiedColumns, false);
        insert_ = std::make_unique<QSqlQuery>(target_.query());
        if (!insert_->prepare(insertSql_)) target_.raise(insert_->lastError(), insertSql_);
    }
    for (int i = 0; i < values.size(); ++i)
        insert_->bindValue(i, bindable(plan_.copiedColumns[i], values[i]));
    if (!insert_->exec()) target_.raise(insert_->lastError(), insertSql_);
    insert_->finish();
}

void ReplicationPass::writeRow(const Found& found, const QStringList& columns,
                               const QVector<QVariant>& values) {
    QStringList sets;
    for (const QString& c : columns) sets << c + QStringLiteral(" = ?");
    QStringList where;
    for (int i = 0; i < plan_.targetRowKey.size(); ++i) {
        const QString& k = plan_.targetRowKey[i];
        where << (found.rowKey[i].isNull() ? k + QStringLiteral(" is null")
                                           : k + QStringLiteral(" = ?"));
    }
    const QString sql = QStringLiteral("update ") + plan_.table + QStringLiteral(" set ") +
                        sets.join(QStringLiteral(", ")) + QStringLiteral(" where ") +
                        where.join(QStringLiteral(" and "));
    QSqlQuery q = target_.query();
    if (!q.prepare(sql)) target_.raise(q.lastError(), sql);
    int n = 0;
    for (int i = 0; i < columns.size(); ++i) q.bindValue(n++, bindable(columns[i], values[i]));
    for (const QVariant& k : found.rowKey)
        if (!k.isNull()) q.bindValue(n++, k);
    if (!q.exec()) target_.raise(q.lastError(), sql);
}

PassResult ReplicationPass::run() {
    PassResult r;
    if (plan_.questionPass) *sameRun_ = 0;
    const SqlDialect& dialect = target_.dialect();
    // Read-only and keyed: the source streams in small chunks, so neither a
    // large table nor its pictures are held whole.
    Recordset rs;
    rs.open(plan_.sourceQuery, source_, ado::adOpenKeyset, ado::adLockReadOnly);
    // Passes that only create rows look a batch of rows up at once; passes
    // that change target rows look each row up just before they change it.
    const bool batched = plan_.kind == PassPlan::Kind::Create;
    const int batchSize = batched ? kBatchRows : 1;
    QVector<QVector<QVariant>> keys;
    QVector<QVector<QVariant>> values;
    QVector<QVariant> compared;
    while (!rs.eof()) {
        keys.clear();
        values.clear();
        compared.clear();
        QStringList lookups;
        while (!rs.eof() && keys.size() < batchSize) {
            QVector<QVariant> key(plan_.keyColumns.size());
            for (int i = 0; i < key.size(); ++i) key[i] = rs.field(plan_.keyColumns[i]);
            QVector<QVariant> row(plan_.copiedColumns.size());
            for (int i = 0; i < row.size(); ++i) row[i] = rs.field(plan_.copiedColumns[i]);
            compared << (plan_.compareColumn.isEmpty() ? QVariant()
                                                       : rs.field(plan_.compareColumn));
            lookups << plan_.lookup(dialect, key);
            keys << std::move(key);
            values << std::move(row);
            rs.moveNext();
        }
        QVector<bool> presentAtStart;
        QVector<QVector<int>> earlier;
        bool batchLooked = false;
        if (batched) {
            try {
                presentAtStart = FindPresent(target_, lookups);
                QVector<int> absent;
                for (int k = 0; k < keys.size(); ++k)
                    if (!presentAtStart[k]) absent << k;
                earlier = FindEarlierMatches(target_, plan_.table, plan_.keyColumns, keys, lookups,
                                             absent);
                batchLooked = true;
            } catch (const DbError&) {
                // One row's lookup the server rejects, or a server gone: the
                // batch's rows are looked up one at a time instead, so the rows
                // before the failing one are still created and the failure
                // ends the pass at its own row, under that row's title.
            }
        }
        QVector<bool> created(keys.size(), false);

        for (int k = 0; k < keys.size(); ++k) {
            ++r.processed;
            QString title =
                QString::number(r.count) + QLatin1Char('/') + QString::number(r.processed);
            if (plan_.questionPass)
                title += QStringLiteral("/连续相同") + QString::number(*sameRun_);
            write(title + plan_.progressText);

            bool present = false;  // present and left unchanged
            bool written = false;
            if (batched) {
                // Present on the target, or among the rows this batch created.
                bool found = false;
                if (batchLooked) {
                    found = presentAtStart[k];
                    for (int j : earlier[k]) found = found || created[j];
                } else {
                    found = lookUp(lookups[k]).any;
                }
                if (!found) {
                    insertRow(values[k]);
                    written = created[k] = true;
                } else {
                    present = true;
                }
            } else {
                const Found found = lookUp(lookups[k]);
                if (plan_.kind == PassPlan::Kind::Overwrite) {
                    if (found.any && IsLater(compared[k], found.compared)) {
                        writeRow(found, plan_.copiedColumns, values[k]);
                        written = true;
                    } else if (found.any) {
                        present = true;
                    }
                } else if (found.any) {
                    if (!sameValue(compared[k], found.compared)) {
                        writeRow(found, {plan_.compareColumn}, {compared[k]});
                        written = true;
                    } else {
                        present = true;
                    }
                }
            }
            if (written) ++r.count;

            if (plan_.questionPass) {
                if (written)
                    *sameRun_ = 0;
                else if (present)
                    ++*sameRun_;
                const int threshold = threshold_ ? threshold_() : 100;
                if (*sameRun_ > threshold) {
                    QString stop =
                        title_ + QStringLiteral(" - 连续相同") + QString::number(*sameRun_);
                    if (plan_.kind == PassPlan::Kind::Rename)
                        stop += QStringLiteral("，共搜索:") + QString::number(r.processed);
                    write(stop + QStringLiteral("，程序已自动中止..."));
                    r.stopped = true;
                    return r;
                }
            }
        }
    }
    rs.close();
    if (!plan_.finalText.isEmpty()) {
        const int shown = plan_.kind == PassPlan::Kind::Rename ? r.processed : r.count;
        write(plan_.finalText + QString::number(shown) + plan_.finalSuffix);
    }
    return r;
}

}  // namespace qs
