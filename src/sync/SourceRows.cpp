#include "sync/SourceRows.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <limits>

#include "db/DbError.h"

namespace qs {

qint64 RowBytes(const QVector<QVariant>& row) {
    qint64 n = 16 * row.size();
    for (const QVariant& v : row) {
        if (v.metaType().id() == QMetaType::QByteArray)
            n += v.toByteArray().size();
        else if (v.metaType().id() == QMetaType::QString)
            n += 2 * v.toString().size();
    }
    return n;
}

SourceRows::SourceRows(Connection& source, const QString& sourceQuery, const QString& table,
                       const QStringList& columns)
    : source_(source), columns_(columns) {
    if (source.backend() == Backend::Sqlite) {
        walk_ = std::make_unique<Recordset>();
        walk_->open(sourceQuery, source, ado::adOpenKeyset, ado::adLockReadOnly);
        total_ = walk_->recordCount();
        return;
    }
    total_ = source.scalar(QStringLiteral("select count(*) from ") + table).toInt();
    // Only the columns the pass reads; PostgreSQL times as text, since the
    // driver rounds them to the millisecond.
    static const QRegularExpression star(QStringLiteral("^\\s*select\\s+\\*\\s+from\\s"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QSqlRecord rec = source.tableColumns(table);
    QStringList select;
    for (const QString& c : columns) {
        const int i = rec.indexOf(c);
        const bool time = i >= 0 && rec.field(i).metaType().id() == QMetaType::QDateTime;
        select << (time && source.backend() == Backend::PostgreSql
                       ? c + QStringLiteral("::text as ") + c
                       : c);
    }
    streamSql_ = sourceQuery;
    streamSql_.replace(star, QStringLiteral("select ") + select.join(QStringLiteral(", ")) +
                                 QStringLiteral(" from "));
    stream_ = std::make_unique<QSqlQuery>(source.query());
    if (!stream_->exec(streamSql_)) source.raise(stream_->lastError(), streamSql_);
}

SourceRows::~SourceRows() = default;

QVector<QVector<QVariant>> SourceRows::next(int maxRows, qint64 maxBytes,
                                            const std::function<void()>& eachRow) {
    QVector<QVector<QVariant>> batch;
    qint64 bytes = 0;
    const int n = columns_.size();
    while (!done_ && batch.size() < maxRows && bytes < maxBytes) {
        QVector<QVariant> row(n);
        if (walk_) {
            if (walk_->eof()) {
                done_ = true;
                break;
            }
            for (int i = 0; i < n; ++i) row[i] = walk_->field(columns_[i]);
            walk_->moveNext();
        } else {
            if (!stream_->next()) {
                if (stream_->lastError().isValid()) source_.raise(stream_->lastError(), streamSql_);
                done_ = true;
                stream_->finish();
                break;
            }
            for (int i = 0; i < n; ++i) row[i] = stream_->value(i);
        }
        bytes += RowBytes(row);
        batch << std::move(row);
        if (eachRow) eachRow();
    }
    return batch;
}

void SourceRows::skip(int rows, const std::function<void()>& eachRow) {
    for (int left = rows; left > 0;) {
        const int n =
            int(next(qMin(left, 500), std::numeric_limits<qint64>::max(), eachRow).size());
        if (n == 0) break;
        left -= n;
    }
}

}  // namespace qs
