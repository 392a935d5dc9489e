// Several statements in one round trip on SQL Server: one T-SQL batch in
// which each statement's parts are followed by a check of @@error that ends
// the batch at the first failure, and each statement but the last by a marker
// result, so that every result read is known to belong to its statement.

#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/SqlDialect.h"

namespace qs {

namespace {

// The marker's one column: a result of this name ends a statement's results.
const QString kDone = QStringLiteral("qs_done");
// SQL Server takes 2,100 parameters a request; a few are kept for the driver.
constexpr qsizetype kMostValues = 2000;

// The statements of a text, cut at the semicolons outside quotes, brackets
// and parentheses; blank ones dropped.
QStringList TopLevelParts(const QString& sql) {
    QStringList parts;
    qsizetype start = 0;
    const auto cut = [&](qsizetype end) {
        const QString part = sql.mid(start, end - start).trimmed();
        if (!part.isEmpty()) parts << part;
        start = end + 1;
    };
    ForEachUnquoted(sql, true, [&](qsizetype i, QChar c, int depth) {
        if (c == u';' && depth == 0) cut(i);
    });
    cut(sql.size());
    return parts;
}

// The variables a statement declares (lower case): a batch declares each once.
QSet<QString> Declared(const QStringList& parts) {
    static const QRegularExpression declare(QStringLiteral("^declare\\s+(@\\w+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    QSet<QString> names;
    for (const QString& p : parts)
        if (const auto m = declare.match(p); m.hasMatch()) names.insert(m.captured(1).toLower());
    return names;
}

}  // namespace

QList<ReadRows> Connection::runAsBatches(const QList<Statement>& statements) {
    QList<ReadRows> out;
    QList<Statement> batch;
    QList<QStringList> batchParts;
    QSet<QString> declared;
    qsizetype values = 0;
    auto flush = [&] {
        if (batch.isEmpty()) return;
        const bool failedBefore = !out.isEmpty() && out.last().error.has_value();
        if (failedBefore)
            for (const Statement& s : batch) out << notRun(s.sql);
        else
            out += runBatch(batch, batchParts);
        batch.clear();
        batchParts.clear();
        declared.clear();
        values = 0;
    };
    for (const Statement& s : statements) {
        const QStringList parts = TopLevelParts(s.sql);
        const QSet<QString> names = Declared(parts);
        if (declared.intersects(names) || values + s.values.size() > kMostValues) flush();
        batch << s;
        batchParts << parts;
        declared.unite(names);
        values += s.values.size();
    }
    flush();
    return out;
}

QList<ReadRows> Connection::runBatch(const QList<Statement>& statements,
                                     const QList<QStringList>& parts) {
    if (statements.size() == 1) return {runOne(statements[0])};
    Statement joined{QStringLiteral("set nocount on;\n"), {}};
    for (qsizetype k = 0; k < statements.size(); ++k) {
        for (const QString& p : parts[k])
            joined.sql += p + QStringLiteral(";\nif @@error <> 0 return;\n");
        if (k + 1 < statements.size()) joined.sql += QStringLiteral("select 1 as ") + kDone + u";\n";
        joined.values += statements[k].values;
    }
    QList<ReadRows> out(statements.size());
    qsizetype k = 0;  // the statement whose results are being read
    QSqlQuery q = readQuery();
    std::optional<QSqlError> failure;
    try {
        send(q, joined);
        do {
            if (!q.isSelect()) continue;
            const QSqlRecord columns = q.record();
            if (columns.count() == 1 && columns.fieldName(0) == kDone) {
                while (q.next()) {
                }
                k = qMin(k + 1, statements.size() - 1);
                continue;
            }
            readResult(q, out[k]);
            if (q.lastError().isValid()) break;
        } while (q.nextResult());
        if (q.lastError().isValid()) failure = q.lastError();
    } catch (const DbError&) {
        failure = q.lastError();
    }
    if (failure) {
        ReadRows& r = out[k];
        r = ReadRows{};
        r.errorCode = failure->nativeErrorCode();
        try {
            raise(*failure, statements[k].sql);
        } catch (const DbError& e) {
            r.error = e;
        }
        for (qsizetype later = k + 1; later < statements.size(); ++later)
            out[later] = notRun(statements[later].sql);
    } else if (k + 1 < statements.size()) {
        // The batch ended before its last statement without an error: nothing says they ran.
        for (qsizetype later = k + 1; later < statements.size(); ++later) {
            out[later] = ReadRows{};
            out[later].error = DbError(err::kProviderFailure,
                                       QStringLiteral("服务器没有执行这条语句：") +
                                           statements[later].sql.left(300));
        }
    }
    return out;
}

}  // namespace qs
