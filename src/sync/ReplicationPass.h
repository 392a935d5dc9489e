#pragma once

#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
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
    // Columns that identify the matched target row when it is written.
    QStringList targetRowKey;
    QString progressText;
    // The final title: finalText, the count, finalSuffix. No final title when finalText is empty.
    QString finalText;
    QString finalSuffix;
    // Question passes show the run of present rows in their titles and obey the stop rule.
    bool questionPass = false;
};

struct PassResult {
    int processed = 0;
    int count = 0;  // created, overwritten or changed rows
    bool stopped = false;
};

// One pass over the source rows: each is looked up on the target and created
// (or overwritten, or renamed) there as the pass's kind says. Nothing is
// deleted and no transaction wraps the rows: every written row is stored on
// its own, so a failure leaves the rows written so far and a re-run finds them.
// Passes that only create rows look their rows up a batch at a time with the
// rows' own lookup texts, taking the rows created earlier in the batch into
// account, so each row comes out created or present exactly as a lookup of
// its own just before it would have found; a batch the server rejects is
// looked up row by row, so a failure ends the pass at the row it belongs to.
// Throws DbError; the last title written stays readable through title().
class ReplicationPass {
public:
    using Progress = std::function<void(const QString& title)>;
    using Threshold = std::function<int()>;

    ReplicationPass(Connection& source, Connection& target, PassPlan plan);

    // Called with every title the pass writes.
    void setProgress(Progress progress) { progress_ = std::move(progress); }
    // Question passes: the counter of consecutive present rows (set to 0 when
    // the pass starts) and the threshold, read afresh after every lookup.
    void setStopRule(int* sameRun, Threshold threshold);

    PassResult run();
    const QString& title() const { return title_; }

private:
    struct Found {
        bool any = false;
        QVariant compared;
        QVector<QVariant> rowKey;
    };
    void write(const QString& title);
    Found lookUp(const QString& sql);
    void insertRow(const QVector<QVariant>& values);
    void writeRow(const Found& found, const QStringList& columns, const QVector<QVariant>& values);
    QVariant bindable(const QString& column, const QVariant& value);

    Connection& source_;
    Connection& target_;
    PassPlan plan_;
    Progress progress_;
    int ownRun_ = 0;
    int* sameRun_ = &ownRun_;
    Threshold threshold_;
    QString title_;
    QString insertSql_;
    std::unique_ptr<QSqlQuery> insert_;
};

// True when `later` is a strictly later time stamp than `earlier`; a NULL or
// unreadable stamp on either side is never later.
bool IsLater(const QVariant& later, const QVariant& earlier);

}  // namespace qs
