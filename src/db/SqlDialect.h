#pragma once

#include <QString>

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
    // "<column> like <likeLiteral(value)>": the column holds exactly the value,
    // as the database's like compares (case-insensitively where it does so).
    // A value too long for the database's like patterns (SQLite: 50,000
    // bytes, SQL Server: 8,000) is compared with "=" under the same rule.
    QString matches(const QString& column, const QString& value) const;
    // A table name as the system writes it in brackets, e.g. [timu].
    QString bracketed(const QString& table) const;

private:
    Backend backend_;
};

}  // namespace qs
