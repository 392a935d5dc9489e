#pragma once

#include <QSet>
#include <QString>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>

#include "db/Connection.h"
#include "sync/PassPlan.h"
#include "sync/TimeStamps.h"

namespace qs {

class PassLookups;
class PassWrites;
class VirtualRows;
class DbError;
class SpareConnections;

// One pass over the source rows: each is looked up on the target and created
// (or overwritten, or renamed) there as the pass's kind says. The batch loop,
// the titles and the stop rule are ReplicationPass.cpp; which rows a batch
// creates or changes PassDecisions.cpp; the lookups are PassLookups, the
// writes PassWrites, the source SourceRows, time stamps TimeStamps.
//
// The rows go a batch at a time: one statement looks the whole batch up, one
// statement writes its created or changed rows. Every row still comes out
// exactly as a lookup of its own just before it would have found: rows created
// or changed earlier in the batch are taken into account (a batch is cut short
// where a row meets a target row the batch already changed, and the rest
// looked up afresh). A batch lookup the server rejects is redone row by row,
// and a refused write row by row, so a failure ends the pass at its own row
// under that row's title, with every row before it written. Nothing is deleted
// and no transaction wraps the rows, so a failure or a stop leaves the rows
// written so far and a re-run finds them.
//
// On PostgreSQL, the created rows' next batch is looked up on a second
// connection while the batch before it is loaded (the rows that batch creates
// taken into account when the answer is read).
//
// When the stop rule ends a question pass, the pass walks on without writing
// (its keys only) to count the rows the target still lacks, and says so in
// its title. Run without writing (setDryRun), the pass only looks up: what it
// would have written is kept in a VirtualRows, so its later lookups, and
// those of later passes given the same VirtualRows, meet it as they would
// meet the written rows.
// Throws DbError; the last title written stays readable through title().
class ReplicationPass {
public:
    using Progress = std::function<void(const QString& title)>;
    using Walked = std::function<void(int processed, int total)>;
    using Threshold = std::function<int()>;
    using StopRequested = std::function<bool()>;
    using Outcomes = std::function<void(RowOutcome, const QVector<QVariant>& key)>;

    ReplicationPass(Connection& source, Connection& target, PassPlan plan);
    ~ReplicationPass();

    // Called with every title the pass writes.
    void setProgress(Progress progress) { progress_ = std::move(progress); }
    // Called with the rows walked so far of the rows to walk.
    void setWalked(Walked walked) { walked_ = std::move(walked); }
    // Question passes: the counter of consecutive present rows (set to 0 when
    // the pass starts) and the threshold, read afresh after every row. A
    // suspended rule counts but never ends the pass (the re-run of a pass
    // that ended early, whose first rows are all present).
    void setStopRule(int* sameRun, Threshold threshold, bool suspended = false);
    // Asked between batches; true ends the pass there.
    void setStopRequest(StopRequested stop) { stopRequested_ = std::move(stop); }
    // Called between rows while a batch is read or bulk loaded (a batch of
    // pictures through a slow link takes seconds), to keep the window painted.
    void setHeartbeat(std::function<void()> beat) { heartbeat_ = std::move(beat); }
    // Called with every row's outcome and key.
    void setOutcomes(Outcomes outcomes) { outcomes_ = std::move(outcomes); }
    void setLimits(PassLimits limits) { limits_ = limits; }
    // Looks every row up with its own lookup text, even where one join would
    // do (the reference the joins are checked against).
    void setLookupByText(bool byText) { byText_ = byText; }
    // Writes nothing: what the pass would write goes to `rows` instead, and
    // the source rows it holds for this pass's source server and table are
    // walked after the real ones.
    void setDryRun(VirtualRows* rows) { dryRun_ = rows; }
    // Where the pass takes the connections of the threads that read its
    // source and look its next batch up (else it opens them itself).
    void setSpareConnections(SpareConnections* spares) { spares_ = spares; }

    PassResult run();
    const QString& title() const { return title_; }

private:
    struct Decided {
        int end = 0;  // rows decided: [from, end)
        QVector<RowOutcome> outcomes;
        QStringList addresses;  // Written: the target row it changes
    };
    // How far handle() got: the next row, or the row the stop rule ended at.
    struct Step {
        int from = 0;
        int next = 0;
        int stoppedAt = -1;
        Decided decided;
    };
    void write(const QString& title);
    QString rowTitle(const PassResult& r) const;
    // `decided`: the decisions of [from, to), made already.
    Step handle(const QVector<PassRow>& rows, int from, int to, PassResult& r,
                const Decided* decided = nullptr);
    Decided decideCreate(const QVector<PassRow>& rows, int from, int to,
                         const QVector<bool>* known);
    Decided decideChange(const QVector<PassRow>& rows, int from, int to);
    // The one or the other, as the pass's kind says (looked up now).
    Decided decide(const QVector<PassRow>& rows, int from, int to);
    // Keeps in the VirtualRows what a row not written would have written.
    void remember(const PassRow& row, RowOutcome outcome, const QString& address);
    // After the stop rule: the rows the pass leaves that it would still write.
    // `next`: the batch read after `rows`.
    int countMissing(const QVector<PassRow>& rows, const Step& stop, const QVector<PassRow>& next,
                     int rowsRead, PassResult& r);
    QVector<PassRow> virtualSourceRows() const;

    Connection& source_;
    Connection& target_;
    PassPlan plan_;
    std::unique_ptr<PassLookups> lookups_;
    std::unique_ptr<PassWrites> writes_;
    PassLimits limits_;
    Progress progress_;
    Walked walked_;
    StopRequested stopRequested_;
    std::function<void()> heartbeat_;
    Outcomes outcomes_;
    int ownRun_ = 0;
    int* sameRun_ = &ownRun_;
    Threshold threshold_;
    bool suspended_ = false;
    bool byText_ = false;
    VirtualRows* dryRun_ = nullptr;
    SpareConnections* spares_ = nullptr;
    int* counting_ = nullptr;  // after the stop rule: rows still missing, counted here
    QVector<int> created_;     // the rows the batch being loaded creates
    // Work on the next batch, run while this one is loaded (then cleared).
    std::function<void()> meanwhile_;
    QString title_;
};

}  // namespace qs
