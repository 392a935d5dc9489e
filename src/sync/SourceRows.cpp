#include "sync/SourceRows.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <optional>

#include "db/ConnectionThread.h"
#include "db/DbError.h"
#include "db/Endpoints.h"
#include "db/PgWire.h"

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

namespace {

// Only the columns the pass reads. PostgreSQL hands the pictures over as
// bytes and every other column as text: its binary form of times and numbers
// is not Qt's, and the text keeps a time's full precision.
QString ReadQuery(Connection& c, const QString& sourceQuery, const QString& table,
                  const QStringList& columns, QVector<unsigned>* types) {
    static const QRegularExpression star(QStringLiteral("^\\s*select\\s+\\*\\s+from\\s"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QSqlRecord rec = c.tableColumns(table);
    QStringList select;
    for (const QString& column : columns) {
        const int i = rec.indexOf(column);
        const bool bytes = i >= 0 && rec.field(i).metaType().id() == QMetaType::QByteArray;
        *types << PgTypeOf(bytes ? QMetaType::fromType<QByteArray>()
                                 : QMetaType::fromType<QString>());
        select << (c.backend() == Backend::PostgreSql && !bytes
                       ? column + QStringLiteral("::text as ") + column
                       : column);
    }
    QString sql = sourceQuery;
    sql.replace(star, QStringLiteral("select ") + select.join(QStringLiteral(", ")) +
                          QStringLiteral(" from "));
    return sql;
}

// The rows of `table`, counted under the working connection's statement
// timeout on a connection that then streams without one.
int CountRows(Connection& c, const QString& table) {
    const QString count = QStringLiteral("select count(*) from ") + table;
    if (c.backend() != Backend::PostgreSql) {
        c.setStatementTimeout(kServerTimeoutSeconds);
        const int n = c.scalar(count).toInt();
        c.setStatementTimeout(0);
        return n;
    }
    // PostgreSQL keeps the timeout for the session: set, count and unset in one round trip.
    const auto timeout = [](int seconds) {
        return QStringLiteral("select set_config('statement_timeout', '%1', false)")
            .arg(seconds * 1000);
    };
    const QList<ReadRows> answers = c.readAll({timeout(kServerTimeoutSeconds), count, timeout(0)});
    for (const ReadRows& a : answers)
        if (a.error) throw *a.error;
    return answers.value(1).rows.value(0).value(0).toInt();
}

}  // namespace

// The reading thread and the queue between it and the pass.
struct SourceRows::Reader {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::pair<QVector<QVariant>, qint64>> rows;  // and their bytes
    qint64 bytes = 0;
    qint64 capacity = 0;
    bool done = false;
    bool stop = false;
    std::optional<DbError> error;
    PgBinaryRows* running = nullptr;  // to cancel
    std::unique_ptr<ConnectionThread> link;
    std::future<void> finished;  // fails when the connection could not be opened
    std::future<int> counted;    // the source's rows, counted first when asked for

    // Rows read and not yet queued: they are queued a few dozen at a time.
    std::vector<std::pair<QVector<QVariant>, qint64>> chunk;
    qint64 chunkBytes = 0;

    // Queues the row (or, with `last`, what is left); waits for room; false
    // when the reading is to stop.
    bool push(QVector<QVariant>&& row, bool last = false) {
        if (!last) {
            const qint64 n = RowBytes(row);
            chunk.emplace_back(std::move(row), n);
            chunkBytes += n;
            if (chunk.size() < 64 && chunkBytes < (1 << 20)) return true;
        }
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return stop || bytes < capacity || rows.empty(); });
        if (stop) return false;
        for (auto& r : chunk) rows.push_back(std::move(r));
        bytes += chunkBytes;
        chunk.clear();
        chunkBytes = 0;
        changed.notify_all();
        return true;
    }

    // `query` gives the query's text and, on PostgreSQL, its columns' types.
    void read(Connection& c, const std::function<QString(QVector<unsigned>*)>& query) {
        QString sql;
        try {
            QVector<unsigned> types;
            sql = query(&types);
            if (c.backend() == Backend::PostgreSql) {
                PgBinaryRows stream(c, sql, types);
                {
                    std::lock_guard lock(mutex);
                    running = &stream;
                }
                QVector<QVariant> row;
                bool more = true;
                while (more && stream.next(row)) more = push(std::move(row));
                if (more) push({}, true);
                std::lock_guard lock(mutex);
                running = nullptr;
            } else {
                QSqlQuery q = c.query();
                if (!q.exec(sql)) c.raise(q.lastError(), sql);
                const int n = q.record().count();
                bool more = true;
                while (more && q.next()) {
                    QVector<QVariant> row(n);
                    for (int i = 0; i < n; ++i) row[i] = q.value(i);
                    more = push(std::move(row));
                }
                if (more && q.lastError().isValid()) c.raise(q.lastError(), sql);
                if (more) push({}, true);
            }
        } catch (const DbError& e) {
            // The rows read before the failure come first.
            push({}, true);
            std::lock_guard lock(mutex);
            running = nullptr;
            error = e;
        }
        std::lock_guard lock(mutex);
        done = true;
        changed.notify_all();
    }
};

SourceRows::SourceRows(Connection& source, const QString& sourceQuery, const QString& table,
                       const QStringList& columns, qint64 readAhead, SpareConnections* spares,
                       bool counted)
    : source_(source), columns_(columns), spares_(spares) {
    if (source.backend() == Backend::Sqlite) {
        walk_ = std::make_unique<Recordset>();
        walk_->open(sourceQuery, source, ado::adOpenKeyset, ado::adLockReadOnly);
        total_ = walk_->recordCount();
        return;
    }
    reader_ = std::make_unique<Reader>();
    reader_->capacity = readAhead;
    Reader* reader = reader_.get();
    reader_->link = spares ? spares->take(source.connectionString(), kServerTimeoutSeconds)
                           : std::make_unique<ConnectionThread>(source.connectionString(),
                                                                kServerTimeoutSeconds);
    // The reading thread counts the rows and learns the table's columns
    // itself, while the pass's own connections get ready.
    auto count = std::make_shared<std::promise<int>>();
    if (counted) reader_->counted = count->get_future();
    reader_->finished = reader_->link->run<void>(
        [reader, sourceQuery, table, columns, count, counted](Connection& c) {
            if (counted) {
                try {
                    count->set_value(CountRows(c, table));
                } catch (const DbError&) {
                    count->set_exception(std::current_exception());
                }
            }
            reader->read(c, [&](QVector<unsigned>* types) {
                return ReadQuery(c, sourceQuery, table, columns, types);
            });
        });
}

int SourceRows::total() {
    if (total_ >= 0) return total_;
    Q_ASSERT(reader_->counted.valid());
    if (!reader_->counted.valid()) return 0;
    while (reader_->counted.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        // The reading never began: its connection could not be opened.
        if (reader_->finished.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
            reader_->finished.get();
    }
    total_ = reader_->counted.get();
    return total_;
}

SourceRows::~SourceRows() {
    if (!reader_) return;
    if (spares_ && done_) {
        bool sound = false;
        {
            std::lock_guard lock(reader_->mutex);
            sound = reader_->done && !reader_->error;
        }
        // Every row was read: the link is idle, and kept for the next command.
        if (sound && reader_->finished.valid()) {
            try {
                reader_->finished.get();
                spares_->giveBack(source_.connectionString(), std::move(reader_->link));
                return;
            } catch (const DbError&) {
                // Not sound after all: closed below.
            }
        }
    }
    {
        std::lock_guard lock(reader_->mutex);
        reader_->stop = true;
        if (reader_->running) reader_->running->cancel();
        reader_->changed.notify_all();
    }
    reader_->link.reset();
}

QVector<QVector<QVariant>> SourceRows::next(int maxRows, qint64 maxBytes,
                                            const std::function<void()>& eachRow) {
    QVector<QVector<QVariant>> batch;
    qint64 bytes = 0;
    const int n = columns_.size();
    while (!done_ && batch.size() < maxRows && bytes < maxBytes) {
        if (walk_) {
            if (walk_->eof()) {
                done_ = true;
                break;
            }
            QVector<QVariant> row(n);
            for (int i = 0; i < n; ++i) row[i] = walk_->field(columns_[i]);
            walk_->moveNext();
            bytes += RowBytes(row);
            batch << std::move(row);
            if (eachRow) eachRow();
            continue;
        }
        // As many queued rows as the batch takes, at one go.
        std::unique_lock lock(reader_->mutex);
        const bool ready = reader_->changed.wait_for(lock, std::chrono::milliseconds(50), [&] {
            return !reader_->rows.empty() || reader_->done;
        });
        int taken = 0;
        if (ready && reader_->rows.empty()) {
            done_ = true;
            if (reader_->error) throw *reader_->error;
        }
        // The reading never began: its connection could not be opened.
        if (!ready &&
            reader_->finished.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
            done_ = true;
            lock.unlock();
            reader_->finished.get();
        }
        while (!reader_->rows.empty() && batch.size() < maxRows && bytes < maxBytes) {
            batch << std::move(reader_->rows.front().first);
            bytes += reader_->rows.front().second;
            reader_->bytes -= reader_->rows.front().second;
            reader_->rows.pop_front();
            ++taken;
        }
        reader_->changed.notify_all();
        lock.unlock();
        // Awaited rows keep the window painted all the same.
        if (eachRow)
            for (int i = 0; i < qMax(1, taken); ++i) eachRow();
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
