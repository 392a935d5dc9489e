#include "db/SqlDialect.h"

#include <QDateTime>
#include <QtEndian>

namespace qs {

QString SqlDialect::literal(const QString& value) const {
    QString v = value;
    v.replace(QLatin1Char('\''), QStringLiteral("''"));
    // SQL Server converts a plain literal to the database's code page before
    // comparing it: a character outside that page would never match.
    const QString quoted = QLatin1Char('\'') + v + QLatin1Char('\'');
    return backend_ == Backend::SqlServer ? QLatin1Char('N') + quoted : quoted;
}

QString SqlDialect::likeLiteral(const QString& value) const {
    return likePattern(value, false);
}

QString SqlDialect::likeContaining(const QString& value) const {
    bool escaped = false;
    if (patternFits(escapedPattern(value, true, &escaped))) return likePattern(value, true);
    // Halve the start until its pattern fits, then grow it back by halves:
    // escapes make the pattern longer than the value by an amount that varies.
    qsizetype fits = 0, tooLong = value.size();
    while (tooLong - fits > 1) {
        const qsizetype mid = (fits + tooLong) / 2;
        if (patternFits(escapedPattern(value.left(mid), true, &escaped)))
            fits = mid;
        else
            tooLong = mid;
    }
    // Never split a surrogate pair.
    if (fits > 0 && value[fits - 1].isHighSurrogate()) --fits;
    return likePattern(value.left(fits), true);
}

QString SqlDialect::escapedPattern(const QString& value, bool anywhere, bool* escaped) const {
    QString v;
    v.reserve(value.size() + 8);
    *escaped = false;
    for (QChar c : value) {
        switch (backend_) {
            case Backend::SqlServer:
                if (c == u'%' || c == u'_' || c == u'[') {
                    v += QLatin1Char('[') + c + QLatin1Char(']');
                    continue;
                }
                break;
            case Backend::PostgreSql:
            case Backend::Sqlite:
                if (c == u'%' || c == u'_' || c == u'\\') {
                    v += QLatin1Char('\\');
                    *escaped = true;
                }
                break;
        }
        v += c;
    }
    if (anywhere) v = QLatin1Char('%') + v + QLatin1Char('%');
    return v;
}

bool SqlDialect::patternFits(const QString& pattern) const {
    switch (backend_) {
        case Backend::SqlServer:
            return pattern.size() <= 4000;  // 8,000 bytes of nvarchar
        case Backend::Sqlite:
            return pattern.size() <= 50000 / 3 || pattern.toUtf8().size() <= 50000;
        case Backend::PostgreSql:
            break;
    }
    return true;
}

QString SqlDialect::likePattern(const QString& value, bool anywhere) const {
    bool escaped = false;
    QString text = literal(escapedPattern(value, anywhere, &escaped));
    // PostgreSQL escapes with a backslash by default; SQLite needs the clause.
    if (escaped && backend_ == Backend::Sqlite) text += QStringLiteral(" ESCAPE '\\'");
    return text;
}

QString SqlDialect::patternLiteral(const QString& value) const {
    bool escaped = false;
    return literal(escapedPattern(value, false, &escaped));
}

int SqlDialect::rowsPerInsert(int boundPerRow) const {
    const int bound = qMax(1, boundPerRow);
    if (backend_ == Backend::SqlServer) return qBound(1, 2000 / bound, 1000);
    return qBound(1, 30000 / bound, 500);
}

bool SqlDialect::likeFits(const QString& value) const {
    // An escaped pattern is at most twice (SQL Server: three times) the value,
    // a character at most three bytes of UTF-8.
    if (backend_ == Backend::PostgreSql || value.size() * 9 <= 4000) return true;
    bool escaped = false;
    return patternFits(escapedPattern(value, false, &escaped));
}

QString SqlDialect::likeColumn(const QString& column, const QString& pattern) const {
    return column + QStringLiteral(" like ") + pattern +
           (backend_ == Backend::Sqlite ? QStringLiteral(" escape '\\'") : QString());
}

QString SqlDialect::equalsAsMatched(const QString& a, const QString& b) const {
    switch (backend_) {
        case Backend::Sqlite:
            // like folds ASCII case only, as the NOCASE collation does.
            return a + QStringLiteral(" = ") + b + QStringLiteral(" collate nocase");
        case Backend::SqlServer:
            return QStringLiteral("(") + a + QStringLiteral(" = ") + b +
                   QStringLiteral(" and datalength(") + a + QStringLiteral(") = datalength(") + b +
                   QStringLiteral("))");
        case Backend::PostgreSql:
            break;
    }
    return a + QStringLiteral(" = ") + b;
}

QString SqlDialect::matches(const QString& column, const QString& value) const {
    if (likeFits(value)) return column + QStringLiteral(" like ") + likeLiteral(value);
    // The cast lets old ntext columns compare.
    return equalsAsMatched(asText(column), literal(value));
}

std::optional<QString> SqlDialect::matchForm(const QString& value) const {
    switch (backend_) {
        case Backend::PostgreSql:
            return value;
        case Backend::Sqlite: {
            QString folded = value;
            for (QChar& c : folded)
                if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + 32);
            return folded;
        }
        case Backend::SqlServer:
            break;
    }
    return std::nullopt;
}

QString SqlDialect::joinKeyLiteral(const QString& value) const {
    return backend_ == Backend::PostgreSql ? literal(value) : patternLiteral(value);
}

QString SqlDialect::joinMatches(const QString& column, const QString& key) const {
    return backend_ == Backend::PostgreSql ? column + QStringLiteral(" = ") + key
                                           : likeColumn(column, key);
}

QString SqlDialect::entryMatches(const QString& a, const QString& b,
                                 const QString& bPattern) const {
    if (backend_ == Backend::PostgreSql) return a + QStringLiteral(" is not distinct from ") + b;
    return QStringLiteral("(") + bPattern + QStringLiteral(" is not null and ") +
           likeColumn(a, bPattern) + QStringLiteral(" or ") + bPattern +
           QStringLiteral(" is null and (") + b + QStringLiteral(" is null and ") + a +
           QStringLiteral(" is null or ") + b + QStringLiteral(" is not null and ") +
           equalsAsMatched(a, b) + QStringLiteral("))");
}

QString SqlDialect::bracketed(const QString& table) const {
    if (backend_ == Backend::PostgreSql) return table;
    return QLatin1Char('[') + table + QLatin1Char(']');
}

QString SqlDialect::valueLiteral(const QVariant& value) const {
    if (value.isNull()) return QStringLiteral("null");
    switch (value.metaType().id()) {
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
            return value.toString();
        case QMetaType::Double:
        case QMetaType::Float:
            return QString::number(value.toDouble(), 'g', 17);
        case QMetaType::QDateTime: {
            const QDateTime t = value.toDateTime();
            return literal(t.toString(backend_ == Backend::SqlServer
                                          ? QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")
                                          : QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
        }
        case QMetaType::QByteArray: {
            const QString hex = QString::fromLatin1(value.toByteArray().toHex());
            switch (backend_) {
                case Backend::SqlServer:
                    return QStringLiteral("0x") + hex;
                case Backend::PostgreSql:
                    return QStringLiteral("'\\x") + hex + QStringLiteral("'::bytea");
                case Backend::Sqlite:
                    return QStringLiteral("X'") + hex + QLatin1Char('\'');
            }
            break;
        }
        default:
            break;
    }
    return literal(value.toString());
}

QString SqlDialect::rowAddress() const {
    switch (backend_) {
        case Backend::PostgreSql:
            return QStringLiteral("ctid");
        case Backend::Sqlite:
            return QStringLiteral("rowid");
        case Backend::SqlServer:
            break;
    }
    return {};
}

QString SqlDialect::concat(const QStringList& parts) const {
    return parts.join(backend_ == Backend::SqlServer ? QStringLiteral(" + ")
                                                     : QStringLiteral(" || "));
}

QString SqlDialect::asText(const QString& column) const {
    if (backend_ != Backend::SqlServer) return column;
    return QStringLiteral("cast(") + column + QStringLiteral(" as nvarchar(max))");
}

QString SqlDialect::holdsLetter(const QString& text, QChar letter) const {
    const QString l = literal(letter);
    switch (backend_) {
        case Backend::SqlServer:
            return QStringLiteral("charindex(") + l + QStringLiteral(", ") + text +
                   QStringLiteral(" collate Latin1_General_BIN2) > 0");
        case Backend::PostgreSql:
            return QStringLiteral("strpos(") + text + QStringLiteral(", ") + l +
                   QStringLiteral(") > 0");
        case Backend::Sqlite:
            break;
    }
    return QStringLiteral("instr(") + text + QStringLiteral(", ") + l + QStringLiteral(") > 0");
}

QString SqlDialect::nullText() const {
    return backend_ == Backend::SqlServer ? QStringLiteral("cast(null as nvarchar(1))")
                                          : QStringLiteral("null");
}

QString SqlDialect::updateJoined(const QString& table, const QString& alias,
                                 const QStringList& sets, const QString& joined, const QString& on,
                                 const QString& where) const {
    const QString assignments = sets.join(QStringLiteral(", "));
    QString sql;
    if (backend_ == Backend::SqlServer) {
        sql = QStringLiteral("update ") + alias + QStringLiteral(" set ") + assignments +
              QStringLiteral(" from ") + table + QLatin1Char(' ') + alias +
              QStringLiteral(" inner join ") + joined + QStringLiteral(" on ") + on;
        if (!where.isEmpty()) sql += QStringLiteral(" where ") + where;
    } else {
        sql = QStringLiteral("update ") + table + QStringLiteral(" as ") + alias +
              QStringLiteral(" set ") + assignments + QStringLiteral(" from ") + joined +
              QStringLiteral(" where ") + on;
        if (!where.isEmpty()) sql += QStringLiteral(" and ") + where;
    }
    return sql;
}

QString SqlDialect::valuesTable(const QStringList& rows, const QString& alias,
                                const QStringList& names) const {
    const QString values =
        QStringLiteral("(values ") + rows.join(QStringLiteral(", ")) + QLatin1Char(')');
    if (backend_ != Backend::Sqlite)
        return values + QStringLiteral(" as ") + alias + QLatin1Char('(') +
               names.join(QStringLiteral(", ")) + QLatin1Char(')');
    // SQLite names a values list's columns column1, column2, …
    QStringList columns;
    for (int i = 0; i < names.size(); ++i)
        columns << QStringLiteral("column%1 as ").arg(i + 1) + names[i];
    return QStringLiteral("(select ") + columns.join(QStringLiteral(", ")) +
           QStringLiteral(" from ") + values + QStringLiteral(") as ") + alias;
}

QString SqlDialect::arraysTable(const QStringList& numbers, const QVector<QStringList>& texts,
                                const QString& alias, const QStringList& names) const {
    QStringList arrays{
        literal(QLatin1Char('{') + numbers.join(QLatin1Char(',')) + QLatin1Char('}')) +
        QStringLiteral("::int[]")};
    for (const QStringList& column : texts) {
        // Each element quoted, so that it is the text itself (never NULL).
        QString a = QStringLiteral("{");
        for (qsizetype i = 0; i < column.size(); ++i) {
            if (i) a += QLatin1Char(',');
            a += QLatin1Char('"');
            for (const QChar c : column[i]) {
                if (c == u'"' || c == u'\\') a += QLatin1Char('\\');
                a += c;
            }
            a += QLatin1Char('"');
        }
        arrays << literal(a + QLatin1Char('}')) + QStringLiteral("::text[]");
    }
    return QStringLiteral("unnest(") + arrays.join(QStringLiteral(", ")) + QStringLiteral(") as ") +
           alias + QLatin1Char('(') + names.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QString SqlDialect::updateRows(const QString& table, const QString& address,
                               const QStringList& columns, const QVector<QStringList>& rows,
                               const QStringList& types) const {
    QStringList names{QStringLiteral("qs_a")}, sets, values;
    for (int i = 0; i < columns.size(); ++i) {
        names << QStringLiteral("qs_c%1").arg(i);
        sets << columns[i] + QStringLiteral(" = v.qs_c%1").arg(i);
    }
    for (int r = 0; r < rows.size(); ++r) {
        QStringList row = rows[r];
        // A values list's column takes the type of its first row's literal.
        if (r == 0 && backend_ == Backend::PostgreSql)
            for (int i = 0; i < row.size() && i < types.size(); ++i)
                if (!types[i].isEmpty())
                    row[i] = QStringLiteral("cast(") + row[i] + QStringLiteral(" as ") + types[i] +
                             QLatin1Char(')');
        values << QLatin1Char('(') + row.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    return updateJoined(table, QStringLiteral("t"), sets,
                        valuesTable(values, QStringLiteral("v"), names),
                        QStringLiteral("t.") + address + QStringLiteral(" = v.qs_a"), QString());
}

QString SqlDialect::insertRow(const QString& table, const QStringList& columns,
                              bool returningId) const {
    QString sql = QStringLiteral("insert into ") + table;
    if (columns.isEmpty()) {
        sql += QStringLiteral(" default values");
    } else {
        const QStringList marks(columns.size(), QStringLiteral("?"));
        sql += QStringLiteral(" (") + columns.join(QStringLiteral(", ")) +
               QStringLiteral(") values (") + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    if (!returningId) return sql;
    // scope_identity() is a numeric(38, 0), which Qt's ODBC driver may hand
    // over as a decimal text.
    return sql + (backend_ == Backend::SqlServer
                      ? QStringLiteral("; select cast(scope_identity() as bigint)")
                      : QStringLiteral(" returning id"));
}

QStringList SqlDialect::applicationLock(const QByteArray& key, bool shared, int waitMs) const {
    const QString wait = QString::number(qMax(0, waitMs));
    switch (backend_) {
        case Backend::SqlServer: {
            // The answer's variable is named by the key, so that several locks share a batch.
            const QString hex = QString::fromLatin1(key.left(20).toHex());
            const QString answer = QStringLiteral("@qs_lock_") + hex;
            return {QStringLiteral("set nocount on; declare ") + answer +
                    QStringLiteral(" int; execute ") + answer +
                    QStringLiteral(" = sp_getapplock @Resource = N'qs-") + hex +
                    QStringLiteral("', @LockMode = N'") +
                    (shared ? QStringLiteral("Shared") : QStringLiteral("Exclusive")) +
                    QStringLiteral("', @LockOwner = N'Transaction', @LockTimeout = ") + wait +
                    QStringLiteral("; select ") + answer};
        }
        case Backend::PostgreSql: {
            // The advisory locks take a bigint: the key's first eight bytes.
            const qint64 number = qFromBigEndian<qint64>(key.leftJustified(8, '\0').constData());
            return {QStringLiteral("set local lock_timeout = ") + wait,
                    QStringLiteral("select pg_advisory_xact_lock") +
                        (shared ? QStringLiteral("_shared(") : QStringLiteral("(")) +
                        QString::number(number) + QLatin1Char(')')};
        }
        case Backend::Sqlite:
            break;
    }
    return {};
}

QString SqlDialect::savepoint() const {
    switch (backend_) {
        case Backend::PostgreSql:
            return QStringLiteral("savepoint qs_step");
        case Backend::SqlServer:
            return QStringLiteral("save transaction qs_step");
        case Backend::Sqlite:
            break;
    }
    return {};
}

QString SqlDialect::releaseSavepoint() const {
    return backend_ == Backend::PostgreSql ? QStringLiteral("release savepoint qs_step")
                                           : QString();
}

QString SqlDialect::rollbackToSavepoint() const {
    switch (backend_) {
        case Backend::PostgreSql:
            return QStringLiteral("rollback to savepoint qs_step");
        case Backend::SqlServer:
            return QStringLiteral("rollback transaction qs_step");
        case Backend::Sqlite:
            break;
    }
    return {};
}

}  // namespace qs
