#include "sync/PassWrites.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>

#include "sync/PassLookups.h"
#include "sync/SyncQueries.h"

namespace qs {

PassWrites::PassWrites(Connection& target, const PassPlan& plan, const QString& addressColumn)
    : target_(target), plan_(plan), address_(addressColumn) {}

PassWrites::~PassWrites() = default;

std::function<QVariant(int, int)> PassWrites::bulkValues(const QVector<PassRow>& rows,
                                                         const QVector<int>& which) const {
    const QSqlRecord rec = target_.tableColumns(plan_.table);
    QVector<QSqlField> fields;
    for (const QString& c : plan_.copiedColumns) {
        const int i = rec.indexOf(c);
        fields << (i < 0 ? QSqlField() : rec.field(i));
    }
    return [rows, which, fields, backend = target_.backend()](int row, int column) {
        return BindableValue(rows[which[row]].values[column], fields[column], backend);
    };
}

void PassWrites::insertRows(const QVector<PassRow>& rows, const QVector<int>& which) {
    const int n = which.size();
    auto& query = inserts_[n];
    QString sql;
    {
        QStringList marks(plan_.copiedColumns.size(), QStringLiteral("?"));
        const QString one = QLatin1Char('(') + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
        QStringList all(n, one);
        sql = QStringLiteral("insert into ") + plan_.table + QStringLiteral(" (") +
              plan_.copiedColumns.join(QStringLiteral(", ")) + QStringLiteral(") values ") +
              all.join(QStringLiteral(", "));
    }
    if (!query) {
        try {
            query = std::make_unique<QSqlQuery>(target_.prepared(sql));
        } catch (const DbError&) {
            inserts_.erase(n);
            throw;
        }
    }
    const QSqlRecord rec = target_.tableColumns(plan_.table);
    QVector<QSqlField> fields;
    for (const QString& c : plan_.copiedColumns) {
        const int i = rec.indexOf(c);
        fields << (i < 0 ? QSqlField() : rec.field(i));
    }
    int p = 0;
    for (int k : which)
        for (int i = 0; i < fields.size(); ++i)
            query->bindValue(p++, BindableValue(rows[k].values[i], fields[i], target_.backend()));
    if (!query->exec()) {
        const QSqlError e = query->lastError();
        inserts_.erase(n);
        target_.raise(e, sql);
    }
    query->finish();
}

int PassWrites::create(const QVector<PassRow>& rows, const QVector<int>& created, DbError* failure,
                       const std::function<void()>& meanwhile) {
    bool ran = false;
    auto runMeanwhile = [&] {
        if (meanwhile && !ran) meanwhile();
        ran = true;
    };
    // A server with a bulk load takes the batch's created rows in one.
    const bool bulk = target_.canBulkInsert();
    const int per = bulk ? qMax(1, int(created.size()))
                         : target_.dialect().rowsPerInsert(int(plan_.copiedColumns.size()));
    for (int g = 0; g < created.size(); g += per) {
        const QVector<int> group = created.mid(g, per);
        try {
            if (bulk && group.size() > 1 && meanwhile) {
                Connection::BulkLoad load = target_.startBulkInsert(
                    plan_.table, plan_.copiedColumns, int(group.size()), bulkValues(rows, group));
                runMeanwhile();
                load.finish(heartbeat_);
            } else if (bulk && group.size() > 1) {
                const auto value = bulkValues(rows, group);
                target_.bulkInsert(plan_.table, plan_.copiedColumns, int(group.size()),
                                   [&](int row, int column) {
                                       if (column == 0 && heartbeat_) heartbeat_();
                                       return value(row, column);
                                   });
            } else {
                runMeanwhile();
                insertRows(rows, group);
            }
        } catch (const DbError& e) {
            // Row by row, to store the rows before the refused one.
            if (group.size() == 1) {
                *failure = e;
                return group.first();
            }
            for (int k : group) {
                try {
                    insertRows(rows, {k});
                } catch (const DbError& one) {
                    *failure = one;
                    return k;
                }
            }
        }
    }
    runMeanwhile();
    return -1;
}

QStringList PassWrites::changedColumns() const {
    return plan_.kind == PassPlan::Kind::Overwrite ? plan_.copiedColumns
                                                   : QStringList{plan_.compareColumn};
}

QVector<QVariant> PassWrites::changedValues(const PassRow& row) const {
    return plan_.kind == PassPlan::Kind::Overwrite ? row.values : QVector<QVariant>{row.compared};
}

QString PassWrites::addressLiteral(const QString& address) const {
    // A row key or SQLite's rowid is a number; PostgreSQL's ctid a text.
    if (plan_.targetRowKey.isEmpty() && target_.backend() == Backend::PostgreSql)
        return target_.dialect().literal(address);
    return address;
}

QString PassWrites::changeStatement(const PassRow& row, const QString& address) const {
    const SqlDialect& d = target_.dialect();
    const QStringList columns = changedColumns();
    const QVector<QVariant> values = changedValues(row);
    QStringList sets;
    for (int i = 0; i < columns.size(); ++i)
        sets << columns[i] + QStringLiteral(" = ") + d.valueLiteral(values[i]);
    const QString set = QStringLiteral(" set ") + sets.join(QStringLiteral(", "));
    if (address_.isEmpty())
        return QStringLiteral("with qs_first as (select top (1) * from ") + plan_.table +
               QStringLiteral(" where ") + LookupCondition(d, plan_.keyColumns, row.key) +
               QStringLiteral(" order by ") + plan_.compareColumn +
               QStringLiteral(") update qs_first") + set;
    return QStringLiteral("update ") + plan_.table + set + QStringLiteral(" where ") + address_ +
           QStringLiteral(" = ") + addressLiteral(address);
}

QString PassWrites::changeBatchStatement(const QVector<PassRow>& rows, const QVector<int>& which,
                                         const QStringList& addresses) const {
    const SqlDialect& d = target_.dialect();
    const QStringList columns = changedColumns();
    QStringList values;
    if (!address_.isEmpty()) {
        QVector<QStringList> literals;
        for (int i = 0; i < which.size(); ++i) {
            QStringList row{addressLiteral(addresses[i])};
            for (const QVariant& v : changedValues(rows[which[i]])) row << d.valueLiteral(v);
            literals << row;
        }
        const QHash<QString, QString> known = target_.columnTypes(plan_.table);
        QStringList types{known.value(address_.toLower())};
        for (const QString& c : columns) types << known.value(c.toLower());
        return d.updateRows(plan_.table, address_, columns, literals, types);
    }
    // No row address (SQL Server): each row's first match, numbered in the
    // order of its own statement, through an updatable CTE.
    QStringList names{QStringLiteral("qs_k")}, on, selected, sets;
    for (int c = 0; c < plan_.keyColumns.size(); ++c) {
        names << QStringLiteral("qs_p%1").arg(c);
        on << d.joinMatches(QStringLiteral("t.") + plan_.keyColumns[c],
                            QStringLiteral("v.qs_p%1").arg(c));
    }
    for (int i = 0; i < columns.size(); ++i) {
        names << QStringLiteral("qs_c%1").arg(i);
        selected << QStringLiteral("t.") + columns[i];
        sets << columns[i] + QStringLiteral(" = qs_c%1").arg(i);
    }
    for (int i = 0; i < columns.size(); ++i) selected << QStringLiteral("v.qs_c%1").arg(i);
    for (int i = 0; i < which.size(); ++i) {
        const PassRow& r = rows[which[i]];
        QStringList row{QString::number(i)};
        for (const QVariant& k : r.key) row << d.joinKeyLiteral(k.toString());
        for (const QVariant& v : changedValues(r)) row << d.valueLiteral(v);
        values << QLatin1Char('(') + row.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    selected << QStringLiteral("row_number() over (partition by v.qs_k order by t.") +
                    plan_.compareColumn + QStringLiteral(") as qs_n");
    return QStringLiteral("with qs_first as (select ") + selected.join(QStringLiteral(", ")) +
           QStringLiteral(" from ") + plan_.table + QStringLiteral(" t inner join ") +
           d.valuesTable(values, QStringLiteral("v"), names) + QStringLiteral(" on ") +
           on.join(QStringLiteral(" and ")) + QStringLiteral(") update qs_first set ") +
           sets.join(QStringLiteral(", ")) + QStringLiteral(" where qs_n = 1");
}

int PassWrites::change(const QVector<PassRow>& rows, const QVector<int>& which,
                       const QStringList& addresses, DbError* failure) {
    if (which.isEmpty()) return -1;
    // The statements in order, each with its rows: one for the batch; without
    // a row address, the rows whose key does not join each one of their own.
    struct Statement {
        QString sql;
        QVector<int> rows;  // positions in `which`
    };
    QVector<Statement> statements;
    {
        QVector<int> joined;
        for (int i = 0; i < which.size(); ++i) {
            if (!address_.isEmpty() || JoinableKey(target_.dialect(), rows[which[i]].key))
                joined << i;
            else
                statements << Statement{changeStatement(rows[which[i]], addresses[i]), {i}};
        }
        if (!joined.isEmpty()) {
            QVector<int> w;
            QStringList a;
            for (int i : joined) w << which[i], a << addresses[i];
            statements.prepend(Statement{changeBatchStatement(rows, w, a), joined});
        }
    }
    for (const Statement& s : statements) {
        try {
            target_.execute(s.sql);
            continue;
        } catch (const DbError& e) {
            if (s.rows.size() == 1) {
                *failure = e;
                return which[s.rows.first()];
            }
        }
        // Row by row, to write the rows before the refused one.
        for (int i : s.rows) {
            try {
                target_.execute(changeStatement(rows[which[i]], addresses[i]));
            } catch (const DbError& one) {
                *failure = one;
                return which[i];
            }
        }
    }
    return -1;
}

}  // namespace qs
