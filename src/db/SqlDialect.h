#pragma once

#include <QString>
#include <QVariant>

namespace qs {

enum class Backend { SqlServer, PostgreSql, Sqlite };

// Everything that differs between the databases' SQL lives here; query texts
// are built from these pieces so the rest of the program is dialect-free.
class SqlDialect {
public:
    explicit SqlDialect(Backend backend = Backend::SqlServer) : backend_(backend) {}
    Backend backend() const { return backend_; }

    // A value as an SQL string literal: between single quotes, ' doubled.
    QString literal(const QString& value) const;
    // A value as a LIKE pattern that matches only itself: the literal with the
    // dialect's wildcards escaped (plus an ESCAPE clause where one is needed).
    // For a value without ', %, _, [ (and \ on PostgreSQL and SQLite) the text
    // is exactly '<value>'.
    QString likeLiteral(const QString& value) const;
    // A table name as the system writes it in brackets, e.g. [timu].
    QString bracketed(const QString& table) const;

    // Any value as an SQL literal of its own kind: null, a number, a time at
    // its full precision, bytes, or a text literal. The server converts it to
    // the column's type as it would a bound value.
    QString valueLiteral(const QVariant& value) const;
    // The expression that names one row of a table without a key (empty on
    // SQL Server, where a row is reached as the first row of its lookup).
    QString rowAddress() const;

private:
    Backend backend_;
};

}  // namespace qs
