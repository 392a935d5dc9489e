#include "sync/SyncCompare.h"

#include "sync/VirtualRows.h"

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
    VirtualRows written;
    for (const ComparedPass& p : passes) {
        CompareCounts& c = counts[p.table];
        const bool overwrite = p.plan.kind == PassPlan::Kind::Overwrite;
        ReplicationPass pass(p.fromLeft ? left : right, p.fromLeft ? right : left, p.plan);
        if (prepare) prepare(pass, p.plan);
        pass.setDryRun(&written);
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
        if (pass.run().interrupted) break;
    }
    return counts;
}

}  // namespace qs
