#pragma once

#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>

#include "db/Connection.h"
#include "db/Recordset.h"

namespace qs {

class SpareConnections;

// The source rows of a pass, in the order of its source query, handed out in
// batches bounded by a number of rows and of bytes, so memory stays flat
// however large the table or its pictures.
//
// A network server is read by a thread of its own, on a connection of its own
// (connections belong to the thread that opens them), which streams the rows
// ahead into a queue of at most `readAhead` bytes while the pass writes the
// batch before: reading the source and writing the target overlap.
// PostgreSQL's rows come in binary form (pictures as their bytes, every other
// column as text, so times keep their full precision). An embedded server is
// walked a keyed chunk at a time on the pass's own connection, since its file
// may also be the target's and an open read would lock writers out.
class SourceRows {
public:
    // `columns`: the columns handed out, in this order. The reading thread
    // comes from `spares` when given, and goes back to it when every row was
    // read; with `counted` it counts the rows first.
    SourceRows(Connection& source, const QString& sourceQuery, const QString& table,
               const QStringList& columns, qint64 readAhead = 32 << 20,
               SpareConnections* spares = nullptr, bool counted = true);
    // Stops the reading thread, cancelling the query.
    ~SourceRows();

    // Rows to walk, counted when the pass began (not with `counted` false).
    // Throws DbError.
    int total();
    // The next batch; empty at the end. `eachRow`, if set, is called after
    // every row handed out, and while rows are awaited. Throws DbError (a
    // failure of the reading thread when its row is reached).
    QVector<QVector<QVariant>> next(int maxRows, qint64 maxBytes,
                                    const std::function<void()>& eachRow = {});
    // Passes over the next `rows` rows.
    void skip(int rows, const std::function<void()>& eachRow = {});

private:
    struct Reader;

    Connection& source_;
    QStringList columns_;
    int total_ = -1;
    std::unique_ptr<Recordset> walk_;
    std::unique_ptr<Reader> reader_;
    SpareConnections* spares_ = nullptr;
    bool done_ = false;
};

// About how many bytes a row holds in memory.
qint64 RowBytes(const QVector<QVariant>& row);

}  // namespace qs
