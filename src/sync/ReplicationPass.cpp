// The batch loop of a pass: batches read, decided and written in turn, the
// titles and the stop rule, and the count of what is missing after a stop.
// Which rows a batch creates or changes is PassDecisions.cpp.

#include "sync/ReplicationPass.h"

#include <QSet>
#include <algorithm>
#include <limits>
#include <optional>

#include "db/ConnectionThread.h"
#include "db/DbError.h"
#include "db/Endpoints.h"
#include "sync/PassLookups.h"
#include "sync/PassWrites.h"
#include "sync/SourceRows.h"
#include "sync/VirtualRows.h"

namespace qs {

namespace {

// The columns a pass reads from its source, and where each part of a row is.
struct SourceColumns {
    QStringList all;
    QVector<int> keyAt, copiedAt;  // -1: not read
    int compareAt = -1;
};

int indexOf(const QStringList& list, const QString& column) {
    for (int i = 0; i < list.size(); ++i)
        if (list[i].compare(column, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

// keysOnly: what a lookup needs, for a walk that writes nothing.
SourceColumns sourceColumns(const PassPlan& plan, bool keysOnly) {
    SourceColumns s;
    s.all = plan.keyColumns;
    if (!keysOnly)
        for (const QString& c : plan.copiedColumns)
            if (indexOf(s.all, c) < 0) s.all << c;
    if (!plan.compareColumn.isEmpty() && indexOf(s.all, plan.compareColumn) < 0)
        s.all << plan.compareColumn;
    for (const QString& c : plan.keyColumns) s.keyAt << indexOf(s.all, c);
    for (const QString& c : plan.copiedColumns) s.copiedAt << indexOf(s.all, c);
    if (!plan.compareColumn.isEmpty()) s.compareAt = indexOf(s.all, plan.compareColumn);
    return s;
}

// The copied values are moved out of `values` (the key and compared ones first copied).
PassRow makeRow(const SourceColumns& s, QVector<QVariant>& values) {
    PassRow row;
    row.key.reserve(s.keyAt.size());
    row.values.reserve(s.copiedAt.size());
    for (int i : s.keyAt) row.key << values[i];
    if (s.compareAt >= 0) row.compared = values[s.compareAt];
    for (int i : s.copiedAt) row.values << (i < 0 ? QVariant() : std::move(values[i]));
    return row;
}

bool writes(RowOutcome o) {
    return o == RowOutcome::Created || o == RowOutcome::Written;
}

}  // namespace

ReplicationPass::ReplicationPass(Connection& source, Connection& target, PassPlan plan)
    : source_(source), target_(target), plan_(std::move(plan)) {
    lookups_ = std::make_unique<PassLookups>(target_, plan_);
    writes_ = std::make_unique<PassWrites>(target_, plan_, lookups_->addressColumn());
}

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

QVector<PassRow> ReplicationPass::virtualSourceRows() const {
    QVector<PassRow> rows;
    for (const VirtualRows::Row& v : dryRun_->created(source_, plan_.table)) {
        PassRow row;
        for (const QString& c : plan_.keyColumns) row.key << v.value(c.toLower());
        for (const QString& c : plan_.copiedColumns) row.values << v.value(c.toLower());
        if (!plan_.compareColumn.isEmpty()) row.compared = v.value(plan_.compareColumn.toLower());
        rows << row;
    }
    return rows;
}

PassResult ReplicationPass::run() {
    PassResult r;
    if (plan_.questionPass) *sameRun_ = 0;
    lookups_->setByText(byText_);
    writes_->setHeartbeat(heartbeat_);
    const SourceColumns columns = sourceColumns(plan_, false);
    // Batches start small, so that a pass the stop rule ends soon looks few
    // rows up, and grow up to the most one lookup takes: PostgreSQL's
    // equality join takes the most; the others' LIKE joins stay at 500 rows.
    const int most =
        qMax(1, target_.backend() == Backend::PostgreSql && !byText_ ? limits_.rows
                                                                     : qMin(limits_.rows, 500));
    int batchRows = qMin(most, 128);
    auto source = std::make_unique<SourceRows>(source_, plan_.sourceQuery, plan_.table, columns.all,
                                               2 * limits_.bytes, spares_);
    // While the source's first rows are on their way: every lookup and write
    // gives up as the working connection's commands do, and the target's
    // columns are known before the first write. A PostgreSQL source's own
    // connection sends nothing (its rows and their count come through the
    // reading thread's): no round trip to set its timeout.
    if (source_.backend() != Backend::PostgreSql)
        source_.setStatementTimeout(kServerTimeoutSeconds);
    target_.setStatementTimeout(kServerTimeoutSeconds);
    target_.tableColumns(plan_.table);
    target_.columnTypes(plan_.table);
    QVector<PassRow> extra = dryRun_ ? virtualSourceRows() : QVector<PassRow>();
    r.total = source->total() + int(extra.size());
    if (walked_) walked_(0, r.total);
    int rowsRead = 0;
    // The rows left (as counted when the pass began) shared out evenly at the most.
    auto shareOut = [&] {
        const int left = r.total - rowsRead;
        const int batches = qMax(1, (left + most - 1) / most);
        batchRows = qMax(1, (left + batches - 1) / batches);
    };
    auto read = [&] {
        QVector<PassRow> rows;
        QVector<QVector<QVariant>> batch = source->next(batchRows, limits_.bytes, heartbeat_);
        rows.reserve(batch.size());
        for (auto& values : batch) rows << makeRow(columns, values);
        rowsRead += int(rows.size());
        if (rows.isEmpty()) {
            rows = extra.mid(0, batchRows);
            extra.remove(0, rows.size());
        }
        // Each batch costs round trips of its own: past the first, they grow
        // fast, and at the most the rows left are shared out evenly (no small
        // batch at the end).
        if (8 * qint64(batchRows) < most / 2 || r.total - rowsRead <= 0)
            batchRows = qMin(most, 8 * batchRows);
        else
            shareOut();
        return rows;
    };
    // PostgreSQL's created rows: the next batch is looked up on a connection
    // of another thread while this one is loaded.
    std::unique_ptr<ConnectionThread> ahead;
    if (plan_.kind == PassPlan::Kind::Create && target_.canBulkInsert() && !dryRun_ && !byText_) {
        ahead = spares_ ? spares_->take(target_.connectionString(), kServerTimeoutSeconds)
                        : std::make_unique<ConnectionThread>(target_.connectionString(),
                                                             kServerTimeoutSeconds);
        ahead->run<void>([](Connection& c) { c.setStatementTimeout(kServerTimeoutSeconds); });
    }
    std::future<QVector<bool>> answer;
    // The decisions of the batch to come, made while the one before was loaded.
    std::optional<Decided> decided;
    QVector<PassRow> rows = read();
    // A first batch of which nothing is present has no stop to come soon: the
    // next batches are the largest at once. Decided before the next is read
    // (the source's rows keep coming on their own thread meanwhile).
    if (!rows.isEmpty()) {
        try {
            decided = decide(rows, 0, int(rows.size()));
            if (!decided->outcomes.contains(RowOutcome::Present)) shareOut();
        } catch (const DbError&) {
            decided.reset();  // handle() looks the batch up again, row by row where it must
        }
    }
    while (!rows.isEmpty()) {
        if (r.processed > 0 && stopRequested_ && stopRequested_()) {
            write(title_ + QStringLiteral(" - 已停止(已处理%1/%2)，重新同步可补齐其余的...")
                               .arg(r.processed)
                               .arg(r.total));
            r.interrupted = true;
            return r;
        }
        // meanwhile_ refers to this iteration's batches: it ends with it.
        struct Clear {
            std::function<void()>& f;
            ~Clear() { f = nullptr; }
        } clear{meanwhile_};
        const std::optional<Decided> made = std::move(decided);
        decided.reset();
        QVector<PassRow> next = read();
        if (ahead && !next.isEmpty()) {
            QVector<QVector<QVariant>> keys;
            for (const PassRow& row : next) keys << row.key;
            answer = ahead->run<QVector<bool>>(
                [keys, plan = plan_](Connection& c) { return PassLookups(c, plan).present(keys); });
            // The next batch's answer, asked while this one is loaded: its rows
            // meeting a row this batch creates are present too. Decided from
            // it while this batch is loaded.
            meanwhile_ = [&] {
                try {
                    QSet<QString> created;
                    for (int k : created_) created.insert(MatchKey(target_.dialect(), rows[k].key));
                    QVector<bool> known = WaitFor(answer, heartbeat_);
                    for (int k = 0; k < next.size(); ++k)
                        if (created.contains(MatchKey(target_.dialect(), next[k].key)))
                            known[k] = true;
                    decided = decideCreate(next, 0, int(next.size()), &known);
                } catch (const DbError&) {
                    ahead.reset();  // looked up on the pass's own connection from now on
                }
            };
        }
        created_.clear();
        for (int from = 0; from < rows.size();) {
            const Step step =
                handle(rows, from, int(rows.size()), r, made && from == 0 ? &*made : nullptr);
            if (step.stoppedAt < 0) {
                from = step.next;
                continue;
            }
            meanwhile_ = nullptr;
            // A look-up still running ends in its own time; the next pass's check
            // of the kept link waits behind it.
            if (ahead && spares_) spares_->giveBack(target_.connectionString(), std::move(ahead));
            ahead.reset();
            source.reset();
            try {
                r.missing = countMissing(rows, step, next, rowsRead, r);
            } catch (const DbError&) {
                r.missing = -1;
            }
            if (r.missing > 0)
                write(title_ + (plan_.kind == PassPlan::Kind::Rename
                                    ? QStringLiteral(" - 还有%1道题目的题库名称不同，再点一次同一"
                                                     "按钮会全部改齐，不会再因连续相同而中止")
                                    : QStringLiteral(" - 目标服务器还缺少%1道题目，再点一次同一"
                                                     "按钮会全部补齐，不会再因连续相同而中止"))
                                   .arg(r.missing));
            else if (r.missing < 0)
                write(title_ + QStringLiteral(" - 其余的题目没有核对，再点一次同一按钮会核对"
                                              "全部题目并补齐缺少的"));
            return r;
        }
        if (meanwhile_) std::exchange(meanwhile_, nullptr)();
        rows = std::move(next);
    }
    // Idle and sound: kept for the next pass.
    if (ahead && spares_) spares_->giveBack(target_.connectionString(), std::move(ahead));
    if (!plan_.finalText.isEmpty()) {
        const int shown = plan_.kind == PassPlan::Kind::Rename ? r.processed : r.count;
        write(plan_.finalText + QString::number(shown) + plan_.finalSuffix);
    }
    return r;
}

int ReplicationPass::countMissing(const QVector<PassRow>& rows, const Step& stop,
                                  const QVector<PassRow>& next, int rowsRead, PassResult& r) {
    // From here on nothing is written; what would be is kept apart (a pass
    // run without writing keeps it from the passes after it), so that a later
    // row meeting it counts as a whole pass would count it.
    VirtualRows walked = dryRun_ ? *dryRun_ : VirtualRows();
    struct Restore {
        ReplicationPass* pass;
        VirtualRows* dryRun;
        ~Restore() { pass->dryRun_ = dryRun, pass->counting_ = nullptr; }
    } restore{this, dryRun_};
    dryRun_ = &walked;
    int missing = 0;
    counting_ = &missing;
    const Decided& d = stop.decided;
    for (int k = stop.stoppedAt + 1; k < d.end; ++k) {
        const RowOutcome o = d.outcomes[k - stop.from];
        if (!writes(o)) continue;
        ++missing;
        remember(rows[k], o, d.addresses[k - stop.from]);
    }
    for (int from = d.end; from < rows.size();) from = handle(rows, from, int(rows.size()), r).next;
    for (int from = 0; from < next.size();) from = handle(next, from, int(next.size()), r).next;
    // The rest of the source, keys only: no pictures cross the link for this.
    const SourceColumns keys = sourceColumns(plan_, true);
    SourceRows source(source_, plan_.sourceQuery, plan_.table, keys.all, 32 << 20, nullptr, false);
    source.skip(rowsRead, heartbeat_);
    for (int counted = rowsRead;;) {
        if (stopRequested_ && stopRequested_()) return -1;
        QVector<PassRow> batch;
        for (auto& values : source.next(limits_.rows, limits_.bytes, heartbeat_))
            batch << makeRow(keys, values);
        if (batch.isEmpty()) break;
        for (int from = 0; from < batch.size();)
            from = handle(batch, from, int(batch.size()), r).next;
        counted += int(batch.size());
        if (walked_) walked_(counted, r.total);
    }
    return missing;
}

ReplicationPass::Decided ReplicationPass::decide(const QVector<PassRow>& rows, int from, int to) {
    return plan_.kind == PassPlan::Kind::Create ? decideCreate(rows, from, to, nullptr)
                                                : decideChange(rows, from, to);
}

ReplicationPass::Step ReplicationPass::handle(const QVector<PassRow>& rows, int from, int to,
                                              PassResult& r, const Decided* decided) {
    Step step;
    step.from = from;
    Decided& d = step.decided;
    try {
        d = decided ? *decided : decide(rows, from, to);
    } catch (const DbError&) {
        if (to - from == 1) {
            // The row's own lookup failed: the pass ends at it.
            if (!counting_) {
                ++r.processed;
                write(rowTitle(r));
            }
            throw;
        }
        // One row's lookup the server rejects, or a server gone: the rows are
        // looked up one at a time instead, so the rows before the failing one
        // are still written and the failure ends the pass at its own row.
        for (int k = from; k < to;) {
            const Step one = handle(rows, k, k + 1, r);
            if (one.stoppedAt >= 0) return one;
            k = one.next;
        }
        step.next = to;
        return step;
    }
    step.next = d.end;

    if (counting_) {
        for (int k = from; k < d.end; ++k) {
            const RowOutcome o = d.outcomes[k - from];
            if (!writes(o)) continue;
            ++*counting_;
            remember(rows[k], o, d.addresses[k - from]);
        }
        return step;
    }

    // The stop rule decides how far the decided rows go.
    int stopAt = -1;
    if (plan_.questionPass) {
        int same = *sameRun_;
        const int threshold = threshold_ ? threshold_() : 100;
        for (int k = from; k < d.end; ++k) {
            const RowOutcome o = d.outcomes[k - from];
            if (writes(o))
                same = 0;
            else if (o == RowOutcome::Present)
                ++same;
            if (!suspended_ && same > threshold) {
                stopAt = k;
                break;
            }
        }
    }
    const int last = stopAt >= 0 ? stopAt : d.end - 1;
    DbError failure(0, QString());
    int failedAt = -1;
    QVector<int> written;
    QStringList addresses;
    for (int k = from; k <= last; ++k) {
        if (!writes(d.outcomes[k - from])) continue;
        if (dryRun_) {
            remember(rows[k], d.outcomes[k - from], d.addresses[k - from]);
            continue;
        }
        written << k;
        addresses << d.addresses[k - from];
    }
    if (plan_.kind == PassPlan::Kind::Create) created_ += written;
    // The next batch is decided while this one is loaded, once what the
    // whole batch creates is known.
    const auto meanwhile = [this, whole = from == 0 && d.end == int(rows.size())] {
        if (meanwhile_ && whole) std::exchange(meanwhile_, nullptr)();
    };
    if (!written.isEmpty())
        failedAt = plan_.kind == PassPlan::Kind::Create
                       ? writes_->create(rows, written, &failure, meanwhile)
                       : writes_->change(rows, written, addresses, &failure);

    // The titles and counts, row by row.
    const int shown = failedAt >= 0 ? failedAt : last;
    for (int k = from; k <= shown; ++k) {
        ++r.processed;
        write(rowTitle(r));
        if (k == failedAt) throw failure;
        const RowOutcome o = d.outcomes[k - from];
        if (writes(o)) ++r.count;
        if (plan_.questionPass) {
            if (writes(o))
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
            step.stoppedAt = stopAt;
            return step;
        }
    }
    return step;
}

}  // namespace qs
