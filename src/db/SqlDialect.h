#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

namespace qs {

enum class Backend { SqlServer, PostgreSql, Sqlite };

// Everything that differs between the databases' SQL lives here; query texts
// are built from these pieces so the rest of the program is dialect-free.
class SqlDialect {
public:
    explicit SqlDialect(Backend backend = Backend::SqlServer) : backend_(backend) {}
    Backend backend() const { return backend_; }

    // A value as an SQL string literal: between single quotes, ' doubled, and
    // a Unicode literal N'…' on SQL Server.
    QString literal(const QString& value) const;
    // A value as a LIKE pattern that matches only itself: the literal with the
    // dialect's wildcards escaped (plus an ESCAPE clause where one is needed).
    // For a value without ', %, _, [ (and \ on PostgreSQL and SQLite) the text
    // is exactly the literal of the value.
    QString likeLiteral(const QString& value) const;
    // "<column> like <likeLiteral(value)>": the column holds exactly the value,
    // as the database's like compares (case-insensitively where it does so).
    // A value too long for the database's like patterns (SQLite: 50,000
    // bytes, SQL Server: 8,000) is compared with "=" under the same rule.
    QString matches(const QString& column, const QString& value) const;
    // A LIKE pattern that matches every text holding the value literally.
    QString likeContaining(const QString& value) const;
    // A table name as the system writes it in brackets, e.g. [timu].
    QString bracketed(const QString& table) const;

    // Any value as an SQL literal of its own kind: null, a number, a time at
    // its full precision, bytes, or a text literal. The server converts it to
    // the column's type as it would a bound value.
    QString valueLiteral(const QVariant& value) const;
    // The expression that names one row of a table without a key (empty on
    // SQL Server, where a row is reached as the first row of its lookup).
    QString rowAddress() const;
    // Texts joined into one: + on SQL Server, || elsewhere.
    QString concat(const QStringList& parts) const;
    // A text column as a value that string functions, + and comparisons take:
    // SQL Server refuses them on text and ntext columns (a database moved over
    // from an older engine often has them), so it is cast to nvarchar(max).
    QString asText(const QString& column) const;
    // True when `letter` occurs in the text expression, compared code point by
    // code point (SQL Server's usual collation would take a full-width Ａ for A).
    QString holdsLetter(const QString& text, QChar letter) const;
    // A NULL of the text columns' type, for a column of a derived table.
    QString nullText() const;
    // The update of `table`, named `alias` in `sets` and `where`, from the
    // rows of a derived table `joined` (with its own alias) that match `on`.
    QString updateJoined(const QString& table, const QString& alias, const QStringList& sets,
                         const QString& joined, const QString& on, const QString& where) const;

    // The insert of one row into `table`, its columns bound in order (none:
    // the defaults). With `returningId` the statement's first result row holds
    // the new identity `id`; on SQL Server it is read with scope_identity() in
    // the same batch, since `output` without `into` is refused on a table with
    // a trigger, and a trigger's own inserts do not change what it reads.
    QString insertRow(const QString& table, const QStringList& columns, bool returningId) const;

    // The statements that take the application lock `key` for the rest of the open transaction,
    // shared or exclusive, waiting at most `waitMs`. SQL Server: the last statement's one value
    // is sp_getapplock's answer, negative when not granted; PostgreSQL fails with a lock
    // timeout instead. None on SQLite, whose write transaction is the lock.
    QStringList applicationLock(const QByteArray& key, bool shared, int waitMs) const;
    // A savepoint, and going back to it: a failed statement then leaves a PostgreSQL
    // transaction usable. Empty elsewhere: a failed statement does not end the transaction.
    QString savepoint() const;
    QString releaseSavepoint() const;
    QString rollbackToSavepoint() const;

private:
    QString likePattern(const QString& value, bool anywhere) const;
    Backend backend_;
};

}  // namespace qs
