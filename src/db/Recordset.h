#pragma once

#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <deque>
#include <memory>

#include "db/Connection.h"

namespace qs {

// What the handlers need of a cursor. A query "select * from <table> …" on a
// table with a key (timu and alltype: id; users: username; buylist: mantype
// and username) reads the keys first and then the rows in small key-ordered
// chunks, so a walk over a large table streams, and rows can be updated or
// deleted while being walked on every backend (no statement stays open).
// Other queries are read whole when first needed.
class Recordset {
public:
    Recordset() = default;
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Throws DbError: 3709 when the connection is not open, the driver's
    // error (-2147467259) when the query fails.
    void open(const QString& sql, Connection& connection, int cursorType = ado::adOpenKeyset,
              int lockType = ado::adLockOptimistic);
    // Opens a recordset only for adding rows: no row is read (a log table
    // opened just to append to it is never read whole).
    void openForAppend(const QString& sql, Connection& connection);
    void close();
    bool isOpen() const { return open_; }

    // All of these throw 3704 on a closed recordset.
    bool eof() const;
    void moveNext();
    int recordCount() const;
    // Case-insensitive; NULL is a null QVariant. Throws 3265 for an unknown
    // column and 3021 without a current row.
    QVariant field(const QString& name) const;
    // The value as text; NULL gives an empty text.
    QString text(const QString& name) const;
    bool isNull(const QString& name) const;
    // Sets a column of the current or the new row; written by update().
    void setField(const QString& name, const QVariant& value);
    // Starts a new row; update() inserts the columns set since, and the new
    // row then becomes the current row with its identity `id` readable.
    void addNew();
    // Writes the pending changes of the current row (by its table's key) or
    // inserts the new row. Nothing pending: nothing happens.
    void update();
    // Deletes the current row at once; the cursor stays on the deleted row
    // until moveNext().
    void deleteCurrent();

    const QString& table() const { return table_; }
    QStringList columnNames() const;

private:
    struct Row {
        QVector<QVariant> values;
        bool deleted = false;
    };
    void requireOpen() const;
    void requireRow() const;
    int columnIndex(const QString& name) const;
    void loadChunk() const;
    QString keyCondition(const QVector<QVariant>& key) const;
    void insertPending();
    void updateCurrent();

    Connection* conn_ = nullptr;
    bool open_ = false;
    QString sql_;
    QString table_;     // lower case, without brackets
    QString tableSql_;  // the table as written in the query
    QString tail_;      // the query after the table name
    QStringList keyColumns_;
    QSqlRecord columns_;

    // Keyed walking.
    mutable bool loaded_ = false;
    mutable QVector<QVector<QVariant>> keys_;
    mutable int keyPos_ = 0;        // index of the current row in keys_
    mutable int chunkStart_ = 0;    // keys_ index of rows_[0]
    mutable std::deque<Row> rows_;  // a window of rows around keyPos_
    // Unkeyed: every row in rows_, keyPos_ indexes it.
    bool keyed_ = false;

    // Pending edits.
    bool adding_ = false;
    QVector<QVariant> pending_;
    QVector<bool> pendingSet_;
};

}  // namespace qs
