// Which rows of a batch a pass creates or changes, from the batch's lookups
// (and, for a pass that writes nothing, from what it would have written).

#include <QSet>
#include <algorithm>
#include <limits>

#include "sync/PassLookups.h"
#include "sync/ReplicationPass.h"
#include "sync/VirtualRows.h"

namespace qs {

namespace {

const QString kVirtual = QStringLiteral("virtual:");

}  // namespace

void ReplicationPass::remember(const PassRow& row, RowOutcome outcome, const QString& address) {
    VirtualRows::Row values;
    for (int i = 0; i < plan_.keyColumns.size(); ++i)
        values.insert(plan_.keyColumns[i].toLower(), row.key[i]);
    for (int i = 0; i < plan_.copiedColumns.size(); ++i)
        if (!row.values[i].isNull() || !values.contains(plan_.copiedColumns[i].toLower()))
            values.insert(plan_.copiedColumns[i].toLower(), row.values[i]);
    if (!plan_.compareColumn.isEmpty()) values.insert(plan_.compareColumn.toLower(), row.compared);
    if (outcome == RowOutcome::Created)
        dryRun_->create(target_, plan_.table, values);
    else if (address.startsWith(kVirtual))
        dryRun_->update(target_, plan_.table, address.mid(kVirtual.size()).toInt(), values);
    else
        dryRun_->change(target_, plan_.table, address, row.compared);
}

ReplicationPass::Decided ReplicationPass::decideCreate(const QVector<PassRow>& rows, int from,
                                                       int to, const QVector<bool>* known) {
    QVector<QVector<QVariant>> keys;
    for (int k = from; k < to; ++k) keys << rows[k].key;
    QVector<bool> present = known ? *known : lookups_->present(keys);
    // The rows created before: of this batch, and when nothing is written,
    // of earlier batches and passes. Each entry is a batch row (>= 0) or a
    // row not written (-1 - its index).
    QVector<QVector<QVariant>> entries;
    QVector<int> entryRow;
    if (dryRun_) {
        QSet<int> candidates;
        for (int k = 0; k < keys.size(); ++k)
            if (!present[k])
                for (int c : dryRun_->candidates(target_, plan_.table, plan_.keyColumns, keys[k]))
                    candidates.insert(c);
        QList<int> sorted(candidates.begin(), candidates.end());
        std::sort(sorted.begin(), sorted.end());
        const QVector<VirtualRows::Row> made = dryRun_->created(target_, plan_.table);
        for (int c : sorted) {
            QVector<QVariant> key;
            for (const QString& column : plan_.keyColumns) key << made[c].value(column.toLower());
            entries << key;
            entryRow << -1 - c;
        }
    }
    for (int k = 0; k < keys.size(); ++k)
        if (!present[k]) entries << keys[k], entryRow << k;
    const QVector<QVector<int>> matched = lookups_->earlierMatches(entries);
    QVector<QVector<int>> earlier(keys.size());
    for (int e = 0; e < entries.size(); ++e) {
        const int k = entryRow[e];
        if (k < 0) continue;
        for (int j : matched[e]) {
            if (entryRow[j] < 0)
                present[k] = true;
            else
                earlier[k] << entryRow[j];
        }
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
        d.addresses << QString();
    }
    return d;
}

ReplicationPass::Decided ReplicationPass::decideChange(const QVector<PassRow>& rows, int from,
                                                       int to) {
    QVector<QVector<QVariant>> keys;
    for (int k = from; k < to; ++k) keys << rows[k].key;
    QVector<QVector<TargetMatch>> matches = lookups_->matches(keys);
    if (dryRun_) {
        // The target as the changes and rows not written would have left it.
        // PostgreSQL writes a changed row anew, after the rows there are
        // (where a row address, not a key, names the first match).
        const bool moves = plan_.targetRowKey.isEmpty() && target_.backend() == Backend::PostgreSql;
        for (auto& m : matches) {
            for (TargetMatch& one : m) {
                const VirtualRows::Change* c = dryRun_->changed(target_, plan_.table, one.address);
                if (!c) continue;
                one.compared = c->compared;
                if (moves) one.order = {std::numeric_limits<qint64>::max(), c->when};
            }
            if (moves) lookups_->sortMatches(m);
        }
        const QVector<VirtualRows::Row> made = dryRun_->created(target_, plan_.table);
        QSet<int> candidates;
        for (const auto& key : keys)
            for (int c : dryRun_->candidates(target_, plan_.table, plan_.keyColumns, key))
                candidates.insert(c);
        if (!candidates.isEmpty()) {
            QList<int> sorted(candidates.begin(), candidates.end());
            std::sort(sorted.begin(), sorted.end());
            QVector<QVector<QVariant>> entries;
            for (int c : sorted) {
                QVector<QVariant> key;
                for (const QString& column : plan_.keyColumns)
                    key << made[c].value(column.toLower());
                entries << key;
            }
            entries += keys;
            const QVector<QVector<int>> matched = lookups_->earlierMatches(entries);
            for (int k = 0; k < keys.size(); ++k) {
                for (int j : matched[sorted.size() + k]) {
                    if (j >= sorted.size()) continue;
                    const int c = sorted[j];
                    TargetMatch one;
                    one.address = kVirtual + QString::number(c);
                    one.order = {std::numeric_limits<qint64>::max(),
                                 dryRun_->when(target_, plan_.table, c)};
                    one.compared = made[c].value(plan_.compareColumn.toLower());
                    one.virtualRow = c;
                    matches[k] << one;
                }
                lookups_->sortMatches(matches[k]);
            }
        }
    }

    Decided d;
    d.end = to;
    QSet<QString> changed;
    for (int k = from; k < to; ++k) {
        const QVector<TargetMatch>& m = matches[k - from];
        // A row meeting a target row this batch changes before it is looked
        // up again after that change.
        if (k > from && std::any_of(m.begin(), m.end(), [&](const TargetMatch& one) {
                return changed.contains(one.address);
            })) {
            d.end = k;
            break;
        }
        if (m.isEmpty()) {
            d.outcomes << RowOutcome::NotFound;
            d.addresses << QString();
            continue;
        }
        const TargetMatch& first = m.first();
        const bool change = plan_.kind == PassPlan::Kind::Overwrite
                                ? IsLater(rows[k].compared, first.compared)
                                : !(rows[k].compared.isNull() || first.compared.isNull()
                                        ? rows[k].compared.isNull() == first.compared.isNull()
                                        : rows[k].compared.toString() == first.compared.toString());
        if (!change) {
            d.outcomes << RowOutcome::Present;
            d.addresses << QString();
            continue;
        }
        changed.insert(first.address);
        d.outcomes << RowOutcome::Written;
        d.addresses << first.address;
    }
    return d;
}

}  // namespace qs
