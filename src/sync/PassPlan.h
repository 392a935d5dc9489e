#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>

#include "db/SqlDialect.h"

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
    int rows = 10000;
    qint64 bytes = 16 << 20;
};

struct PassResult {
    int processed = 0;
    int count = 0;             // created, overwritten or changed rows
    int total = 0;             // source rows to walk
    bool stopped = false;      // the stop rule ended the pass
    bool interrupted = false;  // the operator ended it between batches
    // After the stop rule ended the pass: the source rows it left that a
    // whole pass would still create or change (-1: not counted).
    int missing = -1;
};

// What became of one source row.
enum class RowOutcome { Created, Written, Present, NotFound };

// One source row of a pass: its key, the values it writes, the value compared.
struct PassRow {
    QVector<QVariant> key;
    QVector<QVariant> values;
    QVariant compared;
};

}  // namespace qs
