#include "db/SqlDialect.h"

namespace qs {

QString SqlDialect::literal(const QString& value) const {
    QString v = value;
    v.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

QString SqlDialect::likeLiteral(const QString& value) const {
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
                const QString text =
                    QStringLiteral("cast(") + column + QStringLiteral(" as nvarchar(max))");
                return QStringLiteral("(") + text + QStringLiteral(" = ") + literal(value) +
                       QStringLiteral(" and datalength(") + text +
                       QStringLiteral(") = datalength(") + literal(value) + QStringLiteral("))");
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

}  // namespace qs
