#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVector>

struct pg_conn;
struct pg_cancel;

namespace qs {

class Connection;

// PostgreSQL's binary forms, through the libpq connection behind Qt's driver:
// pictures cross the link as their bytes, not as hex text twice their size.

// Appends one value of a binary COPY to `out` for a column of type `oid`
// (text and character types, bytea, integers, floats, bool, timestamp,
// date); false, appending nothing, when the value or the type has no binary
// form here (the load then goes as text).
bool AppendBinaryCopyValue(QByteArray& out, const QVariant& value, unsigned oid);
// Whether a column of type `oid` has a binary form here.
bool HasBinaryCopyForm(unsigned oid);
// The type a column of `metaType` reads as in PgBinaryRows: bytea for bytes, else text.
unsigned PgTypeOf(QMetaType metaType);

// The rows of one query read in binary, one at a time, on a connection that
// runs nothing else meanwhile: the query's binary COPY, which carries each row
// in one message (no result of its own per row). `types` names each column's
// type (PgTypeOf): text, character, bytea, integer, float or bool (cast the
// others to text). Throws DbError.
class PgBinaryRows {
public:
    PgBinaryRows(Connection& connection, const QString& sql, const QVector<unsigned>& types);
    // Cancels the query if rows are left unread.
    ~PgBinaryRows();
    PgBinaryRows(const PgBinaryRows&) = delete;
    PgBinaryRows& operator=(const PgBinaryRows&) = delete;

    // The next row; false at the end.
    bool next(QVector<QVariant>& row);
    // Asks the server to end the query; safe from any thread while next()
    // waits for a row (which then fails or ends).
    void cancel();

private:
    void fail(const QByteArray& message);
    // Reads what is left of the copy and its results: the first error, if any.
    QByteArray drain();

    Connection& connection_;
    QString sql_;
    QVector<unsigned> types_;
    pg_conn* pg_ = nullptr;
    pg_cancel* cancel_ = nullptr;
    bool done_ = false;
    bool copying_ = false;  // rows of the copy may be left to read
    bool header_ = true;    // the first row comes after the COPY's header
};

}  // namespace qs
