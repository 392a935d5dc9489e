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
    return likePattern(value, true);
}

QString SqlDialect::likePattern(const QString& value, bool anywhere) const {
    QString v;
    v.reserve(value.size() + 8);
    bool escaped = false;
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
                    escaped = true;
                }
                break;
        }
        v += c;
    }
    if (anywhere) v = QLatin1Char('%') + v + QLatin1Char('%');
    QString text = literal(v);
    // PostgreSQL escapes with a backslash by default; SQLite needs the clause.
    if (escaped && backend_ == Backend::Sqlite) text += QStringLiteral(" ESCAPE '\\'");
    return text;
}

QString SqlDialect::matches(const QString& column, const QString& value) const {
    const QString pattern = likeLiteral(value);
    switch (backend_) {
        case Backend::Sqlite:
            // like folds ASCII case only, as the NOCASE collation does.
            if (pattern.toUtf8().size() > 50000)
                return column + QStringLiteral(" = ") + literal(value) +
                       QStringLiteral(" collate nocase");
            break;
        case Backend::SqlServer:
            // "=" ignores trailing spaces, which like does not: the lengths
            // must agree as well. The cast lets old ntext columns compare.
            if (pattern.size() > 4000) {
                const QString text = asText(column);
                const QString given = literal(value);
                return QStringLiteral("(") + text + QStringLiteral(" = ") + given +
                       QStringLiteral(" and datalength(") + text +
                       QStringLiteral(") = datalength(") + given + QStringLiteral("))");
            }
            break;
        case Backend::PostgreSql:
            break;
    }
    return column + QStringLiteral(" like ") + pattern;
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
        case Backend::SqlServer:
            return {QStringLiteral("set nocount on; declare @r int; execute @r = sp_getapplock "
                                   "@Resource = N'qs-") +
                    QString::fromLatin1(key.left(20).toHex()) +
                    QStringLiteral("', @LockMode = N'") +
                    (shared ? QStringLiteral("Shared") : QStringLiteral("Exclusive")) +
                    QStringLiteral("', @LockOwner = N'Transaction', @LockTimeout = ") + wait +
                    QStringLiteral("; select @r")};
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
    return backend_ == Backend::PostgreSql ? QStringLiteral("savepoint qs_step") : QString();
}

QString SqlDialect::releaseSavepoint() const {
    return backend_ == Backend::PostgreSql ? QStringLiteral("release savepoint qs_step")
                                           : QString();
}

QString SqlDialect::rollbackToSavepoint() const {
    return backend_ == Backend::PostgreSql ? QStringLiteral("rollback to savepoint qs_step")
                                           : QString();
}

}  // namespace qs
