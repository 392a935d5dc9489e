#include "sync/SyncCompare.h"

#include "db/DbError.h"

namespace qs {

namespace {

QString keyText(const QVector<QVariant>& key) {
    QStringList parts;
    for (const QVariant& v : key) parts << (v.isNull() ? QStringLiteral("(空)") : v.toString());
    return parts.join(QLatin1Char('/'));
}

}  // namespace

QVector<CompareCounts> ComparePasses(
    Connection& left, Connection& right, const QVector<ComparedPass>& passes, int tables,
    const std::function<void(ReplicationPass&, const PassPlan&)>& prepare, int keysShown) {
    QVector<CompareCounts> counts(tables);
    // One transaction per server for all the passes, so a later pass sees
    // what an earlier one would have written.
    left.beginTransaction();
    right.beginTransaction();
    try {
        for (const ComparedPass& p : passes) {
            CompareCounts& c = counts[p.table];
            const bool overwrite = p.plan.kind == PassPlan::Kind::Overwrite;
            ReplicationPass pass(p.fromLeft ? left : right, p.fromLeft ? right : left, p.plan);
            if (prepare) prepare(pass, p.plan);
            pass.setOutcomes([&](RowOutcome o, const QVector<QVariant>& key) {
                auto note = [&](int& n, QStringList& keys) {
                    ++n;
                    if (keys.size() < keysShown) keys << keyText(key);
                };
                if (o == RowOutcome::Created)
                    note(c.created, c.createdKeys);
                else if (o == RowOutcome::Written)
                    note(c.overwritten, c.overwrittenKeys);
                // The users' present rows are those their overwrite leaves alone.
                else if (o == RowOutcome::Present && (overwrite || p.plan.table != u"users"))
                    note(c.present, c.presentKeys);
            });
            const PassResult r = pass.run();
            if (r.interrupted) break;
        }
    } catch (const DbError&) {
        left.rollback();
        right.rollback();
        throw;
    }
    left.rollback();
    right.rollback();
    return counts;
}

}  // namespace qs
