#pragma once

#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <map>
#include <memory>

#include "db/Connection.h"

namespace qs {

// What one replication pass copies, and the texts it writes.
struct PassPlan {
    enum class Kind {
        Create,     // create the rows the target lacks
        Overwrite,  // overwrite the first matching target row when the source's stime is later
        Rename,     // give the first matching target row the source's compareColumn value
    };
    Kind kind = Kind::Create;
    QString table;
    QString sourceQuery;
    // The lookup text for one source row, given its key values in keyColumns order.
    std::function<QString(const SqlDialect&, const QVector<QVariant>&)> lookup;
    QStringList keyColumns;
    // Columns written to a created or overwritten row, in this order (Rename: the one column).
    QStringList copiedColumns;
    // Overwrite: the time stamp compared; Rename: the column compared and written.
    QString compareColumn;
    // The column that identifies the matched target row when it is written and
    // orders the matches (first = lowest); empty: the database's own row address.
    QStringList targetRowKey;
    QString progressText;
    // The final title: finalText, the count, finalSuffix. No final title when finalText is empty.
    QString finalText;
    QString finalSuffix;
    // Question passes show the run of present rows in their titles and obey the stop rule.
    bool questionPass = false;
};

// How much a pass handles per batch at most: source rows, and bytes of them.
struct PassLimits {
    int rows = 2000;
    qint64 bytes = 16 << 20;
};

struct PassResult {
    int processed = 0;
    int count = 0;             // created, overwritten or changed rows
    int total = 0;             // source rows to walk
    bool stopped = false;      // the stop rule ended the pass
    bool interrupted = false;  // the operator ended it between batches
};

// What became of one source row.
enum class RowOutcome { Created, Written, Present, NotFound };

// One pass over the source rows: each is looked up on the target and created
// (or overwritten, or renamed) there as the pass's kind says. The rows go a
// batch at a time: one query looks the whole batch up, one statement writes
// hundreds of created rows, one text carries the batch's overwrites. Every row
// still comes out exactly as a lookup of its own just before it would have
// found: rows created or changed earlier in the batch are taken into account
// (a batch is cut short where a row meets a target row the batch already
// changed, and the rest looked up afresh). A batch lookup the server rejects is
// redone row by row, and a rejected write statement row by row, so a failure
// ends the pass at its own row under that row's title, with every row before
// it written. Nothing is deleted and no transaction wraps the rows, so a
// failure or a stop leaves the rows written so far and a re-run finds them.
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
    void setLookupByText(bool byText) { lookupByText_ = byText; }

    PassResult run();
    const QString& title() const { return title_; }

private:
    struct Row {
        QVector<QVariant> key;
        QVector<QVariant> values;
        QVariant compared;
    };
    struct Decided {
        int end = 0;  // rows decided: [from, end)
        QVector<RowOutcome> outcomes;
        QVector<QString> statements;  // Overwrite and Rename: the write of each row, or empty
    };
    void write(const QString& title);
    QString rowTitle(const PassResult& r) const;
    // Handles rows [from, to) of a batch; the row after the last one handled,
    // or -1 when the stop rule ended the pass.
    int handle(const QVector<Row>& rows, int from, int to, PassResult& r);
    bool equalityLookups() const;
    // "select <select> from (values <keys of rows `which`>) v join <table> t on <keys equal>".
    QString equalityJoin(const QVector<Row>& rows, int from, const QVector<int>& which,
                         const QString& select) const;
    Decided decideCreate(const QVector<Row>& rows, int from, int to);
    Decided decideChange(const QVector<Row>& rows, int from, int to);
    // Writes the decided rows up to `last`; the first row whose write failed, or -1.
    int writeRows(const QVector<Row>& rows, int from, int last, const Decided& d,
                  class DbError* failure);
    void insertRows(const QVector<Row>& rows, const QVector<int>& which);
    void bulkInsertRows(const QVector<Row>& rows, const QVector<int>& which);
    void runStatements(const QStringList& statements);
    QString changeStatement(const Row& row, const QString& address) const;
    int rowsPerInsert() const;

    Connection& source_;
    Connection& target_;
    PassPlan plan_;
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
    bool lookupByText_ = false;
    QString title_;
    std::map<int, std::unique_ptr<QSqlQuery>> inserts_;  // by rows per statement
};

// True when `later` is a strictly later time stamp than `earlier`, compared at
// full precision; a NULL or unreadable stamp on either side is never later.
bool IsLater(const QVariant& later, const QVariant& earlier);

}  // namespace qs
