#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include "db/SqlDialect.h"

namespace qs {

// Which way rows flow: right copies the left server to the right server.
enum class SyncDirection { Right, Left };

// The query texts of the synchronisation window, one function per query.
// Key values are written with the dialect's literal LIKE patterns, so a value
// holding ', % or _ matches only itself; a NULL key matches a NULL key. For
// plain values the SQL Server text is the window's own text.

// One comparison of a lookup's where clause: "<column> like '<value>'" (for
// a value too long for LIKE, "=" under the same rule: SqlDialect::matches),
// or "<column> is null" for a NULL value.
QString KeyCondition(const SqlDialect& d, const QString& column, const QVariant& value);
// The where clause of a lookup: the key columns' conditions joined by "and".
QString LookupCondition(const SqlDialect& d, const QStringList& keyColumns,
                        const QVector<QVariant>& key);

QString UsersSourceQuery();
QString UsersLookupQuery(const SqlDialect& d, const QVariant& username);

QString QuestionSourceQuery(SyncDirection direction);
QString QuestionLookupQuery(const SqlDialect& d, SyncDirection direction, const QVariant& mantype,
                            const QVariant& question, const QVariant& qtype);
QString BankNameLookupQuery(const SqlDialect& d, const QVariant& question);

QString BankListSourceQuery();
QString BankListLookupQuery(const SqlDialect& d, const QVariant& mantype);

QString PurchaseSourceQuery();
QString PurchaseLookupQuery(const SqlDialect& d, const QVariant& mantype, const QVariant& username);

}  // namespace qs
