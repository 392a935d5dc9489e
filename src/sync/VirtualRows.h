#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include "db/SqlDialect.h"

namespace qs {

class Connection;

// What passes run without writing would have written, server by server and
// table by table, so that a later lookup of the same run (of this pass or a
// later one) meets it as it would meet the rows written: the rows created,
// with their columns, and the compared value a change gave a target row.
class VirtualRows {
public:
    // A row created, its values by lower-case column name.
    using Row = QHash<QString, QVariant>;

    QVector<Row> created(const Connection& server, const QString& table) const;
    void create(const Connection& server, const QString& table, const Row& row);

    // A change: the compared value it gave a row, and when (rows created and
    // changed are numbered in the order they were, so that where a change
    // moves a row to the end of the table, as PostgreSQL's does, its place
    // among the matches can follow).
    struct Change {
        QVariant compared;
        qint64 when = 0;
    };
    const Change* changed(const Connection& server, const QString& table,
                          const QString& address) const;
    void change(const Connection& server, const QString& table, const QString& address,
                const QVariant& compared);
    // A created row changed in turn: its new values.
    void update(const Connection& server, const QString& table, int row, const Row& values);
    // When a created row was created or last changed.
    qint64 when(const Connection& server, const QString& table, int row) const;

    // The created rows of `table` whose key columns could match `key` on that
    // server: on PostgreSQL and SQLite exactly those its rule matches, on SQL
    // Server every row whose loose key (below) is the same.
    QVector<int> candidates(const Connection& server, const QString& table,
                            const QStringList& keyColumns, const QVector<QVariant>& key) const;

private:
    struct Table {
        QVector<Row> rows;
        QVector<qint64> when;
        QHash<QString, Change> changed;
        // The rows by MatchKey of the key columns last asked for.
        QStringList indexed;
        QMultiHash<QString, int> index;
    };
    static QVector<QVariant> keyOf(const Row& row, const QStringList& keyColumns);
    static QString name(const Connection& server, const QString& table);
    mutable QHash<QString, Table> tables_;
    qint64 next_ = 0;
};

// A form of a key that any two keys SQL Server's usual collations could take
// for each other share: compatibility forms decomposed, accents and case
// dropped, and only letters and digits kept (the collation may ignore the
// rest), CJK ideographs only where code page 936 defines them. Two keys with
// different loose keys never match; two with the same are asked of the server.
QString LooseKey(const QVector<QVariant>& key);

// A key's form under a database whose rule the program applies itself
// (SqlDialect::matchForm), or its loose key where only the server knows.
QString MatchKey(const SqlDialect& d, const QVector<QVariant>& key);

}  // namespace qs
