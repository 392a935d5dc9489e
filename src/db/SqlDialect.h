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
    // A LIKE pattern that matches every text holding the value literally.
    QString likeContaining(const QString& value) const;
    // A table name as the system writes it in brackets, e.g. [timu].
    QString bracketed(const QString& table) const;

private:
    QString likePattern(const QString& value, bool anywhere) const;
    Backend backend_;
};

}  // namespace qs
