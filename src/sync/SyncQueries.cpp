#include "sync/SyncQueries.h"

namespace qs {

namespace {

// The first piece of a question pass's source query; its lookups start with it.
QString questionBase(SyncDirection direction) {
    return direction == SyncDirection::Right ? QStringLiteral("select * from timu")
                                             : QStringLiteral("select * from timu ");
}

}  // namespace

QString KeyCondition(const SqlDialect& d, const QString& column, const QVariant& value) {
    if (value.isNull()) return column + QStringLiteral(" is null");
    return d.matches(column, value.toString());
}

QString LookupCondition(const SqlDialect& d, const QStringList& keyColumns,
                        const QVector<QVariant>& key) {
    QStringList parts;
    for (int i = 0; i < keyColumns.size(); ++i) parts << KeyCondition(d, keyColumns[i], key[i]);
    return parts.join(QStringLiteral(" and "));
}

QString UsersSourceQuery() {
    return QStringLiteral("select * from users ");
}

QString UsersLookupQuery(const SqlDialect& d, const QVariant& username) {
    return UsersSourceQuery() + QStringLiteral(" where ") +
           KeyCondition(d, QStringLiteral("username"), username);
}

QString QuestionSourceQuery(SyncDirection direction) {
    return questionBase(direction) + QStringLiteral(" order by id desc");
}

QString QuestionLookupQuery(const SqlDialect& d, SyncDirection direction, const QVariant& mantype,
                            const QVariant& question, const QVariant& qtype) {
    QString sql = questionBase(direction) + QStringLiteral(" where ") +
                  KeyCondition(d, QStringLiteral("mantype"), mantype) + QStringLiteral(" and ") +
                  KeyCondition(d, QStringLiteral("QUESTION"), question) + QStringLiteral(" and ") +
                  KeyCondition(d, QStringLiteral("Qtype"), qtype);
    if (direction == SyncDirection::Right) sql += QLatin1Char(' ');
    return sql;
}

QString BankNameLookupQuery(const SqlDialect& d, const QVariant& question) {
    // Only the first match is renamed: the oldest question, asked for by its
    // id, since no server promises an order of its own (an update moves a row
    // to the end of some servers' order, and a re-run would rename another).
    return QStringLiteral("select * from timu where ") +
           KeyCondition(d, QStringLiteral("QUESTION"), question) + QStringLiteral(" order by id");
}

QString BankListSourceQuery() {
    return QStringLiteral("select * from alltype ");
}

QString BankListLookupQuery(const SqlDialect& d, const QVariant& mantype) {
    return BankListSourceQuery() + QStringLiteral(" where ") +
           KeyCondition(d, QStringLiteral("mantype"), mantype);
}

QString PurchaseSourceQuery() {
    return QStringLiteral("select * from buylist");
}

QString PurchaseLookupQuery(const SqlDialect& d, const QVariant& mantype,
                            const QVariant& username) {
    return PurchaseSourceQuery() + QStringLiteral(" where ") +
           KeyCondition(d, QStringLiteral("mantype"), mantype) + QStringLiteral(" and ") +
           KeyCondition(d, QStringLiteral("username"), username) + QLatin1Char(' ');
}

}  // namespace qs
