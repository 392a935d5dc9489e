#pragma once

#include <QStringList>
#include <QVector>

#include "sync/ReplicationPass.h"

namespace qs {

// What a pass would do, counted row by row, with the first few keys of each.
struct CompareCounts {
    int created = 0, overwritten = 0, present = 0;
    QStringList createdKeys, overwrittenKeys, presentKeys;
};

// One pass of a compare: its plan, which way it runs, and which counts it feeds.
struct ComparedPass {
    PassPlan plan;
    bool fromLeft = true;
    int table = 0;  // index into the counts ComparePasses returns
};

// Runs the passes without writing anything, not even for a moment: each pass
// only looks its rows up (ReplicationPass::setDryRun), every lookup one
// statement of its own, so the compare holds no lock on either server beyond
// one statement. What an earlier row or pass would have written is kept in
// memory for the later ones to meet, so the numbers are the passes' own.
// `prepare` sets up each pass (titles, stop rule) before it runs. Throws DbError.
QVector<CompareCounts> ComparePasses(
    Connection& left, Connection& right, const QVector<ComparedPass>& passes, int tables,
    const std::function<void(ReplicationPass&, const PassPlan&)>& prepare, int keysShown = 5);

}  // namespace qs
