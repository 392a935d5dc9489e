#include "db/SqlDialect.h"

namespace qs {

QString SqlDialect::literal(const QString& value) const {
    QString v = value;
    v.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
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

QString SqlDialect::bracketed(const QString& table) const {
    if (backend_ == Backend::PostgreSql) return table;
    return QLatin1Char('[') + table + QLatin1Char(']');
}

}  // namespace qs
