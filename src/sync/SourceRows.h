#pragma once

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>

#include "db/Connection.h"
#include "db/Recordset.h"

namespace qs {

// The source rows of a pass, in the order of its source query, handed out in
// batches bounded by a number of rows and of bytes, so memory stays flat
// however large the table or its pictures. A network server streams the rows
// through one open query on the source connection; an embedded server is
// walked a keyed chunk at a time, since its file may also be the target's and
// an open read would lock writers out. Times come at the server's full
// precision (as text where the driver would round them).
class SourceRows {
public:
    // `columns`: the columns handed out, in this order.
    SourceRows(Connection& source, const QString& sourceQuery, const QString& table,
               const QStringList& columns);
    ~SourceRows();

    // Rows to walk, counted when the pass starts.
    int total() const { return total_; }
    // The next batch; empty at the end. `eachRow`, if set, is called after
    // every row read. Throws DbError.
    QVector<QVector<QVariant>> next(int maxRows, qint64 maxBytes,
                                    const std::function<void()>& eachRow = {});
    // Passes over the next `rows` rows.
    void skip(int rows, const std::function<void()>& eachRow = {});

private:
    Connection& source_;
    QStringList columns_;
    int total_ = 0;
    std::unique_ptr<Recordset> walk_;
    std::unique_ptr<QSqlQuery> stream_;
    QString streamSql_;
    bool done_ = false;
};

// About how many bytes a row holds in memory.
qint64 RowBytes(const QVector<QVariant>& row);

}  // namespace qs
